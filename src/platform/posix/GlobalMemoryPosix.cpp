#include "platform/GlobalMemory.h"
#include "platform/Services.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>

namespace platform {
namespace {

// Objects live in this process only. Handles are never reused, so a stale handle fails cleanly
// instead of reaching someone else's bytes.
class PosixGlobalMemory final : public GlobalMemory {
public:
    HGlobal alloc(std::uint32_t, std::size_t bytes) override
    {
        Object object;
        object.size = bytes;
        if (bytes > 0) {
            // Always zeroed: GMEM_ZEROINIT or not, nobody may see stale bytes.
            object.data.reset(new (std::nothrow) std::uint8_t[bytes]());
            if (!object.data)
                return 0;
        }
        std::lock_guard guard(mMutex);
        const HGlobal handle = mNext;
        mNext += kHandleStep;
        mObjects.emplace(handle, std::move(object));
        return handle;
    }

    void* lock(HGlobal handle) override
    {
        std::lock_guard guard(mMutex);
        const auto it = mObjects.find(handle);
        if (it == mObjects.end() || !it->second.data)
            return nullptr;
        ++it->second.lockCount;
        return it->second.data.get();
    }

    bool unlock(HGlobal handle) override
    {
        std::lock_guard guard(mMutex);
        const auto it = mObjects.find(handle);
        if (it == mObjects.end() || it->second.lockCount == 0)
            return false;
        return --it->second.lockCount > 0;
    }

    HGlobal free(HGlobal handle) override
    {
        std::lock_guard guard(mMutex);
        return mObjects.erase(handle) == 1 ? 0 : handle;
    }

    std::size_t size(HGlobal handle) override
    {
        std::lock_guard guard(mMutex);
        const auto it = mObjects.find(handle);
        return it == mObjects.end() ? 0 : it->second.size;
    }

private:
    struct Object {
        std::unique_ptr<std::uint8_t[]> data;
        std::size_t size = 0;
        unsigned lockCount = 0;
    };

    static constexpr HGlobal kHandleStep = 8;

    std::mutex mMutex;
    std::unordered_map<HGlobal, Object> mObjects;
    HGlobal mNext = 0x10000;
};

} // namespace

template <>
GlobalMemory& defaultService<GlobalMemory>()
{
    static PosixGlobalMemory instance;
    return instance;
}

} // namespace platform
