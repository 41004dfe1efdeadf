#pragma once
#include <string>

// UTF-8 (the platform layer's strings) to and from the wide strings of the Win32 API.
namespace platform::win32 {

std::wstring widen(const std::string& utf8);
std::string narrow(const wchar_t* wide, int length);
inline std::string narrow(const std::wstring& wide) { return narrow(wide.data(), int(wide.size())); }

} // namespace platform::win32
