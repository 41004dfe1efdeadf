#pragma once

// Makes a whole converter hand-over (place the request, start the converter, wait for it, read
// its reply) exclusive per user across processes, so that two instances take turns on the one
// clipboard and each reads its own reply. POSIX: a lock file in the clipboard store; Windows: a
// named mutex of the session.
namespace platform {

class HandOverLock {
public:
    virtual ~HandOverLock() = default;

    // Waits, without a time-out, until no other process holds it, then holds it. A holder that
    // died gives it up. False when it cannot be had at all.
    virtual bool acquire() = 0;

    enum class Attempt { Held, Busy, Failed };
    // Takes it when no other process holds it, without waiting: Held (also when this process
    // already held it), Busy while another holds it, Failed when it cannot be had at all. A
    // window waits for its turn with this, keeping its events flowing between attempts. On
    // Windows the thread that takes it is the one that must give it up.
    virtual Attempt tryAcquire() = 0;

    // Gives up a lock this process holds; does nothing otherwise.
    virtual void release() = 0;
};

// Holds the lock for its lifetime.
class HandOverGuard {
public:
    explicit HandOverGuard(HandOverLock& lock) : mLock(lock), mHeld(lock.acquire()) {}
    ~HandOverGuard()
    {
        if (mHeld)
            mLock.release();
    }
    HandOverGuard(const HandOverGuard&) = delete;
    HandOverGuard& operator=(const HandOverGuard&) = delete;

    bool held() const { return mHeld; }

private:
    HandOverLock& mLock;
    bool mHeld;
};

} // namespace platform
