#include "platform/SystemErrorText.h"

#include <cerrno>
#include <cstring>

namespace platform {
namespace {

const char* russianWording(int aError)
{
    switch (aError) {
    case ENOENT: return "Нет такого файла или папки";
    case EACCES: return "Отказано в доступе";
    case EPERM: return "Операция не разрешена";
    case ENOSPC: return "Нет места на диске";
    case EDQUOT: return "Превышена дисковая квота";
    case EROFS: return "Файловая система доступна только для чтения";
    case ENAMETOOLONG: return "Слишком длинное имя файла";
    case ELOOP: return "Слишком много уровней символических ссылок";
    case EMLINK: return "Слишком много ссылок";
    case EISDIR: return "Это папка";
    case ENOTDIR: return "Это не папка";
    case EEXIST: return "Файл уже существует";
    case ENOTEMPTY: return "Папка не пуста";
    case EBUSY: return "Устройство или ресурс заняты";
    case ETXTBSY: return "Файл программы занят";
    case EMFILE: return "Слишком много открытых файлов";
    case ENFILE: return "Слишком много открытых файлов в системе";
    case ENOMEM: return "Недостаточно памяти";
    case EIO: return "Ошибка ввода-вывода";
    case ENOEXEC: return "Файл не является программой";
    case EINVAL: return "Недопустимый аргумент";
    case EFBIG: return "Файл слишком велик";
    case EXDEV: return "Ссылка между разными устройствами";
    case EAGAIN: return "Ресурс временно недоступен";
    case ENXIO: return "Нет такого устройства или адреса";
    case ENODEV: return "Нет такого устройства";
    case E2BIG: return "Слишком длинный список аргументов";
    default: return nullptr;
    }
}

// strerror_r comes in two shapes; either way we want the text.
[[maybe_unused]] const char* strerrorText(int aResult, const char* aBuffer) { return aResult == 0 ? aBuffer : ""; }
[[maybe_unused]] const char* strerrorText(const char* aText, const char*) { return aText; }

} // namespace

std::string systemErrorText(int aError)
{
    std::string text;
    if (const char* wording = russianWording(aError)) {
        text = wording;
    } else {
        char buffer[256] = {};
        text = strerrorText(::strerror_r(aError, buffer, sizeof buffer), buffer);
        if (text.empty())
            text = "Системная ошибка";
    }
    return text + " (ошибка " + std::to_string(aError) + ")";
}

} // namespace platform
