#include "platform/HandOverLock.h"
#include "platform/Services.h"
#include "platform/posix/ClipboardStore.h"
#include "platform/posix/Files.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

#include <mutex>

namespace platform {
namespace {

// flock belongs to the open file: the kernel drops it when the holder dies, however it dies.
class PosixHandOverLock final : public HandOverLock {
public:
    bool acquire() override { return take(true) == Attempt::Held; }

    Attempt tryAcquire() override { return take(false); }

    void release() override
    {
        std::lock_guard guard(mMutex);
        mHeld.reset();
    }

private:
    Attempt take(bool aWait)
    {
        std::unique_lock guard(mMutex);
        if (mHeld.valid())
            return Attempt::Held;
        const posix::ClipboardStore store = posix::clipboardStore();
        if (store.folder < 0)
            return Attempt::Failed;
        // Opened before waiting; the wait itself runs without the mutex so release stays possible.
        posix::UniqueFd fd = posix::openAt(store.folder, "handover.lock", O_RDWR | O_CREAT, 0600);
        guard.unlock();
        if (!fd.valid())
            return Attempt::Failed;
        while (::flock(fd.get(), aWait ? LOCK_EX : LOCK_EX | LOCK_NB) != 0) {
            if (errno == EWOULDBLOCK && !aWait)
                return Attempt::Busy;
            if (errno != EINTR)
                return Attempt::Failed;
        }
        guard.lock();
        mHeld = std::move(fd);
        return Attempt::Held;
    }

    std::mutex mMutex;
    posix::UniqueFd mHeld;
};

} // namespace

template <>
HandOverLock& defaultService<HandOverLock>()
{
    static PosixHandOverLock instance;
    return instance;
}

} // namespace platform
