#include "platform/Console.h"
#include "platform/Services.h"

#include <cerrno>

#include <poll.h>
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

class ConsolePosix final : public Console {
public:
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
