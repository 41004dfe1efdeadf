#include "platform/SystemErrorText.h"
#include "platform/win32/WideText.h"

#include <windows.h>

namespace platform {
namespace {

const char* russianWording(DWORD aError)
{
    switch (aError) {
    case ERROR_FILE_NOT_FOUND: return "Не удается найти указанный файл";
    case ERROR_PATH_NOT_FOUND: return "Не удается найти указанный путь";
    case ERROR_ACCESS_DENIED: return "Отказано в доступе";
    case ERROR_SHARING_VIOLATION: return "Файл занят другим процессом";
    case ERROR_LOCK_VIOLATION: return "Часть файла заблокирована другим процессом";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return "Нет места на диске";
    case ERROR_WRITE_PROTECT: return "Диск защищен от записи";
    case ERROR_FILENAME_EXCED_RANGE: return "Слишком длинное имя файла";
    case ERROR_CANT_RESOLVE_FILENAME: return "Слишком много уровней символических ссылок";
    case ERROR_TOO_MANY_LINKS: return "Слишком много ссылок";
    case ERROR_DIRECTORY: return "Неверно задано имя папки";
    case ERROR_INVALID_NAME: return "Недопустимое имя файла, папки или метка тома";
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return "Файл уже существует";
    case ERROR_DIR_NOT_EMPTY: return "Папка не пуста";
    case ERROR_TOO_MANY_OPEN_FILES: return "Слишком много открытых файлов";
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return "Недостаточно памяти";
    case ERROR_BAD_EXE_FORMAT: return "Файл не является программой";
    case ERROR_INVALID_PARAMETER: return "Недопустимый параметр";
    case ERROR_NOT_READY: return "Устройство не готово";
    default: return nullptr;
    }
}

} // namespace

std::string systemErrorText(int aError)
{
    std::string text;
    if (const char* wording = russianWording(DWORD(aError))) {
        text = wording;
    } else {
        wchar_t* buffer = nullptr;
        const DWORD length = FormatMessageW(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
            DWORD(aError), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
        if (length > 0)
            text = win32::narrow(buffer, int(length));
        LocalFree(buffer);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
            text.pop_back();
        if (text.empty())
            text = "Системная ошибка";
    }
    return text + " (ошибка " + std::to_string(aError) + ")";
}

} // namespace platform
