// The real registry through the wide API, so that key names, value names and texts outside the
// ANSI code page survive. Windows keeps REG_SZ data as UTF-16 whichever API wrote it, so values
// stored through the ANSI functions read back the same here.
#include "platform/Registry.h"
#include "platform/Services.h"

#include <windows.h>

#include <atomic>
#include <string>

namespace platform {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the wide API works in UTF-16 code units");

const wchar_t* wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

// kHKeyCurrentUser is the 32-bit value; the real predefined handle is sign-extended on Win64.
HKEY toHkey(RegKey key)
{
    if (key == kHKeyCurrentUser)
        return HKEY_CURRENT_USER;
    return reinterpret_cast<HKEY>(key);
}

class Win32Registry final : public Registry {
public:
    RegResult openKey(RegKey root, const std::u16string& subKey, std::uint32_t access, RegKey* result) override
    {
        if (!result)
            return ERROR_INVALID_PARAMETER;
        HKEY opened = nullptr;
        const LSTATUS status = RegOpenKeyExW(toHkey(root), wide(subKey), 0, REGSAM(access), &opened);
        if (status == ERROR_SUCCESS)
            *result = reinterpret_cast<RegKey>(opened);
        return RegResult(status);
    }

    RegResult createKey(RegKey root, const std::u16string& subKey, std::uint32_t access, RegKey* result) override
    {
        if (!result)
            return ERROR_INVALID_PARAMETER;
        HKEY created = nullptr;
        const LSTATUS status = RegCreateKeyExW(toHkey(root), wide(subKey), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                               REGSAM(access), nullptr, &created, nullptr);
        if (status == ERROR_SUCCESS)
            *result = reinterpret_cast<RegKey>(created);
        return RegResult(status);
    }

    RegResult queryValue(RegKey key, const std::u16string& valueName, std::uint32_t* type, std::uint8_t* data,
                         std::uint32_t* dataSize) override
    {
        // DWORD is unsigned long here, not the same type as std::uint32_t.
        DWORD valueType = 0;
        DWORD size = dataSize ? DWORD(*dataSize) : 0;
        const LSTATUS status =
            RegQueryValueExW(toHkey(key), wide(valueName), nullptr, &valueType, data, dataSize ? &size : nullptr);
        if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
            if (type)
                *type = std::uint32_t(valueType);
            if (dataSize)
                *dataSize = std::uint32_t(size);
        }
        return RegResult(status);
    }

    RegResult setValue(RegKey key, const std::u16string& valueName, std::uint32_t type, const std::uint8_t* data,
                       std::uint32_t dataSize) override
    {
        return RegResult(RegSetValueExW(toHkey(key), wide(valueName), 0, DWORD(type), data, DWORD(dataSize)));
    }

    RegResult closeKey(RegKey key) override { return RegResult(RegCloseKey(toHkey(key))); }

    // The registry journals each change itself, and a reader never sees one half-made, so
    // batches of either kind only have to be matched.
    RegResult beginBatch() override { return enter(mBatchDepth); }
    RegResult commitBatch() override { return leave(mBatchDepth); }
    RegResult beginReadBatch() override { return enter(mReadDepth); }
    RegResult endReadBatch() override { return leave(mReadDepth); }

private:
    static RegResult enter(std::atomic<unsigned>& depth)
    {
        ++depth;
        return ERROR_SUCCESS;
    }

    static RegResult leave(std::atomic<unsigned>& depth)
    {
        unsigned open = depth.load();
        do {
            if (open == 0)
                return ERROR_INVALID_PARAMETER;
        } while (!depth.compare_exchange_weak(open, open - 1));
        return ERROR_SUCCESS;
    }

    std::atomic<unsigned> mBatchDepth{0};
    std::atomic<unsigned> mReadDepth{0};
};

} // namespace

template <>
Registry& defaultService<Registry>()
{
    static Win32Registry instance;
    return instance;
}

} // namespace platform
