#include "platform/HandOverLock.h"
#include "platform/Services.h"

#include <windows.h>

namespace platform {
namespace {

// A named mutex of this session; Windows hands a mutex whose holder died to the next waiter
// (WAIT_ABANDONED), which then holds it as usual.
class Win32HandOverLock final : public HandOverLock {
public:
    ~Win32HandOverLock() override
    {
        if (mMutex)
            CloseHandle(mMutex);
    }

    bool acquire() override { return take(INFINITE) == Attempt::Held; }

    Attempt tryAcquire() override { return take(0); }

    void release() override
    {
        if (mHeld && ReleaseMutex(mMutex))
            mHeld = false;
    }

private:
    Attempt take(DWORD aTimeoutMs)
    {
        if (mHeld)
            return Attempt::Held;
        if (!mMutex)
            mMutex = CreateMutexW(nullptr, FALSE, L"Local\\KezConverter.HandOver");
        if (!mMutex)
            return Attempt::Failed;
        const DWORD waited = WaitForSingleObject(mMutex, aTimeoutMs);
        if (waited == WAIT_TIMEOUT)
            return Attempt::Busy;
        mHeld = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
        return mHeld ? Attempt::Held : Attempt::Failed;
    }

    HANDLE mMutex = nullptr;
    bool mHeld = false;
};

} // namespace

template <>
HandOverLock& defaultService<HandOverLock>()
{
    static Win32HandOverLock instance;
    return instance;
}

} // namespace platform
