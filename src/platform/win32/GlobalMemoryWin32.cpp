#include "platform/GlobalMemory.h"
#include "platform/Services.h"

#include <windows.h>

namespace platform {
namespace {

HGLOBAL toNative(HGlobal handle) { return reinterpret_cast<HGLOBAL>(handle); }

class Win32GlobalMemory final : public GlobalMemory {
public:
    HGlobal alloc(std::uint32_t flags, std::size_t bytes) override
    {
        return reinterpret_cast<HGlobal>(GlobalAlloc(UINT(flags), SIZE_T(bytes)));
    }

    void* lock(HGlobal handle) override { return handle ? GlobalLock(toNative(handle)) : nullptr; }

    bool unlock(HGlobal handle) override { return handle && GlobalUnlock(toNative(handle)) != FALSE; }

    HGlobal free(HGlobal handle) override
    {
        if (!handle)
            return handle;
        return reinterpret_cast<HGlobal>(GlobalFree(toNative(handle)));
    }

    std::size_t size(HGlobal handle) override { return handle ? std::size_t(GlobalSize(toNative(handle))) : 0; }
};

} // namespace

template <>
GlobalMemory& defaultService<GlobalMemory>()
{
    static Win32GlobalMemory instance;
    return instance;
}

} // namespace platform
