#include "platform/Console.h"
#include "platform/Services.h"
#include "platform/SystemErrorText.h"

#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

int descriptorOf(Console::Stream aStream)
{
    switch (aStream) {
    case Console::Stream::Input: return STDIN_FILENO;
    case Console::Stream::Output: return STDOUT_FILENO;
    case Console::Stream::Error: return STDERR_FILENO;
    }
    return -1;
}

class ListPosix final : public Console::List {
public:
    ListPosix(int aFd, bool aOwned) : mFd(aFd), mOwned(aOwned) {}
    ~ListPosix() override
    {
        if (mOwned)
            ::close(mFd);
    }
    ListPosix(const ListPosix&) = delete;
    ListPosix& operator=(const ListPosix&) = delete;

    bool receive(std::string& aBuffer, std::string& aWhy) override
    {
        char chunk[65536];
        for (;;) {
            const ssize_t got = ::read(mFd, chunk, sizeof chunk);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                aWhy = systemErrorText(errno);
                return false;
            }
            aBuffer.append(chunk, size_t(got));
            return got > 0;
        }
    }

private:
    int mFd;
    bool mOwned;
};

class ConsolePosix final : public Console {
public:
    void guardStandardStreams() override
    {
        for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
            if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF)
                continue;
            // The lowest free descriptor is this one: the ones below are open by now.
            const int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
            if (opened >= 0 && opened != fd) {
                ::dup2(opened, fd);
                ::close(opened);
            }
        }
    }

    void ignoreBrokenPipes() override { ::signal(SIGPIPE, SIG_IGN); }

    std::unique_ptr<List> openList(const std::string& aPath, std::string& aWhy) override
    {
        const bool standardInput = aPath == "-";
        int fd = STDIN_FILENO;
        if (!standardInput) {
            do
                fd = ::open(aPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
            while (fd < 0 && errno == EINTR);
            if (fd < 0) {
                aWhy = systemErrorText(errno);
                return nullptr;
            }
        }
        struct stat info {};
        const int failure = ::fstat(fd, &info) != 0 ? errno : S_ISDIR(info.st_mode) ? EISDIR : 0;
        if (failure != 0) {
            if (!standardInput)
                ::close(fd);
            aWhy = systemErrorText(failure);
            return nullptr;
        }
        return std::make_unique<ListPosix>(fd, !standardInput);
    }

    bool isTerminal(Stream aStream) override { return ::isatty(descriptorOf(aStream)) == 1; }

    bool receive(std::string& aBuffer, bool aWait) override
    {
        pollfd input{STDIN_FILENO, POLLIN, 0};
        for (;;) {
            const int ready = ::poll(&input, 1, aWait ? -1 : 0);
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready < 0)
                return false;
            if (ready == 0)
                return true;
            char chunk[4096];
            const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            aBuffer.append(chunk, size_t(got));
            return true;
        }
    }

    bool writeAll(std::string_view aBytes) override
    {
        while (!aBytes.empty()) {
            const ssize_t put = ::write(STDOUT_FILENO, aBytes.data(), aBytes.size());
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                return false;
            aBytes.remove_prefix(size_t(put));
        }
        return true;
    }

    std::uint32_t parentId() override { return std::uint32_t(::getppid()); }

    void leaveTerminalGroup() override { ::setsid(); }
};

} // namespace

template <>
Console& defaultService<Console>()
{
    static ConsolePosix console;
    return console;
}

} // namespace platform
