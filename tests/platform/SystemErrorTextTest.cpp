#include "platform/SystemErrorText.h"
#include "platform/support/PlatformTestSupport.h"

#include <cerrno>

#ifdef _WIN32
#include <windows.h>
#endif

using namespace testsupport;

namespace {

struct ErrorCase {
    int error;
    const char* wording;
};

bool endsWith(const std::string& aText, const std::string& aEnd)
{
    return aText.size() >= aEnd.size() && aText.compare(aText.size() - aEnd.size(), aEnd.size(), aEnd) == 0;
}

} // namespace

TEST(SystemErrorText, FailuresTheProgramCanMeetAreWordedInRussianWithTheirNumber)
{
#ifdef _WIN32
    const ErrorCase cases[] = {{ERROR_FILE_NOT_FOUND, "Не удается найти указанный файл"},
                               {ERROR_PATH_NOT_FOUND, "Не удается найти указанный путь"},
                               {ERROR_ACCESS_DENIED, "Отказано в доступе"},
                               {ERROR_DISK_FULL, "Нет места на диске"},
                               {ERROR_WRITE_PROTECT, "Диск защищен от записи"},
                               {ERROR_FILENAME_EXCED_RANGE, "Слишком длинное имя файла"},
                               {ERROR_BAD_EXE_FORMAT, "Файл не является программой"}};
#else
    const ErrorCase cases[] = {{ENOENT, "Нет такого файла или папки"},
                               {EACCES, "Отказано в доступе"},
                               {ENOSPC, "Нет места на диске"},
                               {EROFS, "Файловая система доступна только для чтения"},
                               {ENAMETOOLONG, "Слишком длинное имя файла"},
                               {EMLINK, "Слишком много ссылок"},
                               {ELOOP, "Слишком много уровней символических ссылок"},
                               {EISDIR, "Это папка"},
                               {ENOEXEC, "Файл не является программой"}};
#endif
    for (const ErrorCase& c : cases)
        EXPECT_EQ(platform::systemErrorText(c.error),
                  std::string(c.wording) + " (ошибка " + std::to_string(c.error) + ")");
}

TEST(SystemErrorText, AnyOtherNumberKeepsTheSystemsOwnWordsAndTheNumber)
{
    const int unusual = kWindows ? 1460 : EDOM; // a time-out; a maths argument out of range
    const std::string text = platform::systemErrorText(unusual);
    EXPECT_TRUE(endsWith(text, " (ошибка " + std::to_string(unusual) + ")")) << text;
    EXPECT_GT(text.size(), std::string(" (ошибка )").size() + 4) << text;
}
