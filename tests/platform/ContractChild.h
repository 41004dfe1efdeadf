#pragma once
// Starting the helper programs of the contract tests through the process service.
#include "platform/Process.h"
#include "platform/Services.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#ifndef _WIN32
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace contract {

inline std::string quoted(const std::filesystem::path& path) { return "\"" + path.string() + "\""; }

inline std::string readText(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A started child with a handle that may wait and ask for its exit code.
class Child {
public:
    explicit Child(const std::string& commandLine)
    {
        using namespace platform;
        Process& process = service<Process>();
        started = process.start(commandLine);
        if (started.started())
            handle = process.open(ProcessAccess::Synchronize | ProcessAccess::QueryInformation |
                                      ProcessAccess::SetInformation,
                                  started.processId);
    }
    ~Child()
    {
#ifndef _WIN32
        // A test that gave up half-way must not hang on a child still waiting for its signal.
        if (running())
            ::kill(pid_t(started.processId), SIGKILL);
#endif
        if (handle) {
            platform::service<platform::Process>().wait(handle, platform::kInfinite);
            platform::service<platform::Process>().close(handle);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool running()
    {
        std::uint32_t code = 0;
        return handle && platform::service<platform::Process>().exitCode(handle, code) && code == platform::kStillActive;
    }

    // Waits for the end; the exit code, or nothing when it cannot be had.
    std::optional<std::uint32_t> finish()
    {
        platform::Process& process = platform::service<platform::Process>();
        std::uint32_t code = 0;
        if (!handle || process.wait(handle, platform::kInfinite) != platform::kWaitObject0 ||
            !process.exitCode(handle, code))
            return std::nullopt;
        return code;
    }

    platform::StartResult started;
    platform::ProcessHandle handle = 0;
};

inline std::optional<std::uint32_t> run(const std::string& commandLine) { return Child(commandLine).finish(); }

#ifndef _WIN32
// Opens the fifo for writing once the child has opened it for reading, which is the child's
// signal that it is ready. -1 when the child ended without ever opening it.
inline int openFifoForWriting(const std::filesystem::path& fifo, Child& child)
{
    while (true) {
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0)
            return fd;
        if (errno != ENXIO || !child.running())
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}
#endif

} // namespace contract
