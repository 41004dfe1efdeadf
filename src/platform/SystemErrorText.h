#pragma once
#include <string>

namespace platform {

// The operating system's words for one of its error numbers (errno on POSIX, GetLastError on
// Windows) as the program shows them: Russian for the failures of file and process access the
// program can meet, the system's own text otherwise; the number always follows in brackets,
// "Отказано в доступе (ошибка 13)". UTF-8.
std::string systemErrorText(int aError);

} // namespace platform
