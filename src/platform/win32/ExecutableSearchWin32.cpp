#include "platform/ExecutableSearch.h"
#include "platform/Services.h"
#include "platform/win32/WideText.h"

#include <windows.h>

#include <string>
#include <vector>

namespace platform {
namespace {

using win32::narrow;
using win32::widen;

class Win32ExecutableSearch final : public ExecutableSearch {
public:
    std::string search(const std::string& fileName) const override
    {
        const std::wstring name = widen(fileName);
        std::vector<wchar_t> buffer(1024);
        DWORD length = SearchPathW(nullptr, name.c_str(), nullptr, DWORD(buffer.size()), buffer.data(), nullptr);
        if (length >= buffer.size()) {
            buffer.resize(length + 1);
            length = SearchPathW(nullptr, name.c_str(), nullptr, DWORD(buffer.size()), buffer.data(), nullptr);
        }
        if (length == 0 || length >= buffer.size())
            return {};
        return narrow(std::wstring(buffer.data(), length));
    }
};

} // namespace

const char* converterFileName() { return "kezcc.exe"; }

char pathSeparator() { return '\\'; }

std::string programFolder()
{
    std::vector<wchar_t> buffer(MAX_PATH);
    DWORD length = 0;
    while ((length = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()))) >= buffer.size())
        buffer.resize(buffer.size() * 2);
    std::wstring path(buffer.data(), length);
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::string() : narrow(path.substr(0, slash));
}

template <>
ExecutableSearch& defaultService<ExecutableSearch>()
{
    static Win32ExecutableSearch instance;
    return instance;
}

} // namespace platform
