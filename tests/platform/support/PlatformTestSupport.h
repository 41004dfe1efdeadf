#pragma once
// Portable helpers for the platform contract tests and their helper programs: the same cases run
// against the POSIX backends natively and against the Win32 backends under Wine.
#include "platform/Process.h"
#include "platform/Services.h"
#include "platform/support/ClipboardBytes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <process.h>
#else
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace testsupport {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

#ifdef _WIN32
constexpr bool kWindows = true;
inline int processId() { return _getpid(); }
// An empty value removes the variable on Windows, the nearest it has to an empty one.
inline void setEnv(const std::string& name, const std::string& value) { _putenv_s(name.c_str(), value.c_str()); }
inline void unsetEnv(const std::string& name) { _putenv_s(name.c_str(), ""); }
#else
constexpr bool kWindows = false;
inline int processId() { return int(::getpid()); }
inline void setEnv(const std::string& name, const std::string& value) { ::setenv(name.c_str(), value.c_str(), 1); }
inline void unsetEnv(const std::string& name) { ::unsetenv(name.c_str()); }
#endif

// Restores one environment variable when it goes.
class ScopedEnv {
public:
    explicit ScopedEnv(std::string name) : mName(std::move(name))
    {
        if (const char* value = std::getenv(mName.c_str()))
            mSaved = value;
    }
    ScopedEnv(std::string name, const std::string& value) : ScopedEnv(std::move(name)) { setEnv(mName, value); }
    ~ScopedEnv() { mSaved ? setEnv(mName, *mSaved) : unsetEnv(mName); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string mName;
    std::optional<std::string> mSaved;
};

// A fresh folder under the temporary folder, named after the process and the running test,
// removed when it goes.
struct TempFolder {
    TempFolder()
        : path(fs::temp_directory_path() / ("kez-" + std::to_string(processId()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name()))
    {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    fs::path path;
};

inline std::string pathList(std::initializer_list<fs::path> folders)
{
    std::string list;
    for (const auto& folder : folders)
        list += (list.empty() ? "" : kWindows ? ";" : ":") + folder.string();
    return list;
}

// The file name under which a program is found: "stem.exe" on Windows, "stem" elsewhere.
inline std::string programName(const std::string& stem) { return kWindows ? stem + ".exe" : stem; }

// A file with the given name, executable or not; its content is not meant to run.
inline fs::path makeFile(const fs::path& folder, const std::string& name, bool executable = true)
{
    const fs::path file = folder / name;
    std::ofstream(file) << "#!/bin/sh\nexit 0\n";
    using P = fs::perms;
    fs::permissions(file, executable ? P::owner_all | P::group_read | P::group_exec | P::others_read | P::others_exec
                                     : P::owner_read | P::owner_write);
    return file;
}

inline std::string quoted(const fs::path& path) { return "\"" + path.string() + "\""; }

inline std::string readText(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::u16string u16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// Registry value data: UTF-16LE with its terminating NUL, and a little-endian DWORD.
inline Bytes textBytes(const std::u16string& text)
{
    Bytes bytes;
    for (char16_t c : text + u'\0') {
        bytes.push_back(std::uint8_t(c & 0xFF));
        bytes.push_back(std::uint8_t(c >> 8));
    }
    return bytes;
}
inline Bytes dwordBytes(std::uint32_t n)
{
    return {std::uint8_t(n), std::uint8_t(n >> 8), std::uint8_t(n >> 16), std::uint8_t(n >> 24)};
}

// A started child with a handle that may wait, ask for its exit code and change its priority.
class Child {
public:
    explicit Child(const std::string& commandLine)
    {
        using namespace platform;
        started = service<Process>().start(commandLine);
        if (started.started())
            handle = service<Process>().open(
                ProcessAccess::Synchronize | ProcessAccess::QueryInformation | ProcessAccess::SetInformation,
                started.processId);
    }
    ~Child()
    {
#ifndef _WIN32
        // A test that gave up half-way must not hang on a child still waiting for its signal.
        if (running())
            kill();
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
#ifndef _WIN32
    void kill() { ::kill(pid_t(started.processId), SIGKILL); }
#endif

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
// The helpers open a fifo for reading to say they are ready and wait until it is written and
// closed. Makes the fifo; openFifoForWriting then returns its descriptor once the child has it
// open, or -1 when the child ended without ever opening it.
inline fs::path makeFifo(const fs::path& fifo)
{
    EXPECT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    return fifo;
}
inline int openFifoForWriting(const fs::path& fifo, Child& child)
{
    while (true) {
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0 || errno != ENXIO || !child.running())
            return fd;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}
#endif

} // namespace testsupport
