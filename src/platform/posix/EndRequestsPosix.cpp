#include "platform/EndRequests.h"
#include "platform/Services.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <thread>

namespace platform {
namespace {

// The signal handler may only write to a pipe; a thread of ours reads it and calls the handler.
int gWakeWrite = -1;

extern "C" void onEndSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a request; nothing is lost by dropping this one.
    [[maybe_unused]] const ssize_t written = ::write(gWakeWrite, &byte, 1);
    errno = saved;
}

class PosixEndRequests final : public EndRequests {
public:
    bool listen(std::function<void()> aHandler) override
    {
        std::lock_guard guard(mMutex);
        mHandler = std::move(aHandler);
        if (mListening)
            return true;
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return false;
        ::fcntl(fds[1], F_SETFL, O_NONBLOCK);
        gWakeWrite = fds[1];
        // Lives as long as the program: a request may come at any moment until the end.
        std::thread([this, readEnd = fds[0]] { relay(readEnd); }).detach();

        struct sigaction action {};
        action.sa_handler = onEndSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (const int signal : {SIGTERM, SIGHUP, SIGINT})
            if (::sigaction(signal, &action, nullptr) != 0)
                return false;
        mListening = true;
        return true;
    }

private:
    void relay(int aReadEnd)
    {
        char buffer[16];
        while (true) {
            const ssize_t got = ::read(aReadEnd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return;
            // Called under the lock: listen cannot replace the handler while a call is in flight.
            std::lock_guard guard(mMutex);
            if (mHandler)
                mHandler();
        }
    }

    std::mutex mMutex;
    std::function<void()> mHandler;
    bool mListening = false;
};

} // namespace

template <>
EndRequests& defaultService<EndRequests>()
{
    static PosixEndRequests instance;
    return instance;
}

} // namespace platform
