#pragma once
#include <cstdint>
#include <string>

// Child processes, shaped after CreateProcess (window hidden), OpenProcess, SetPriorityClass,
// GetPriorityClass, WaitForSingleObject, GetExitCodeProcess, TerminateProcess and CloseHandle.
namespace platform {

using ProcessHandle = std::uintptr_t;   // 0 = none

namespace ProcessAccess {
inline constexpr std::uint32_t Terminate = 0x0001;          // PROCESS_TERMINATE
inline constexpr std::uint32_t SetInformation = 0x0200;     // PROCESS_SET_INFORMATION
inline constexpr std::uint32_t QueryInformation = 0x0400;   // PROCESS_QUERY_INFORMATION
inline constexpr std::uint32_t Synchronize = 0x00100000;    // SYNCHRONIZE
} // namespace ProcessAccess

namespace PriorityClass {
inline constexpr std::uint32_t Idle = 0x40;             // IDLE_PRIORITY_CLASS
inline constexpr std::uint32_t BelowNormal = 0x4000;    // BELOW_NORMAL_PRIORITY_CLASS
inline constexpr std::uint32_t Normal = 0x20;           // NORMAL_PRIORITY_CLASS
inline constexpr std::uint32_t AboveNormal = 0x8000;    // ABOVE_NORMAL_PRIORITY_CLASS
inline constexpr std::uint32_t High = 0x80;             // HIGH_PRIORITY_CLASS
} // namespace PriorityClass

inline constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;
inline constexpr std::uint32_t kWaitObject0 = 0;
inline constexpr std::uint32_t kWaitTimeout = 0x102;
inline constexpr std::uint32_t kWaitFailed = 0xFFFFFFFFu;
inline constexpr std::uint32_t kStillActive = 259;

struct StartResult {
    std::uint32_t processId = 0;
    int error = 0;              // the operating system's error number, 0 = started
    std::string description;    // the operating system's words for it, UTF-8

    bool started() const { return error == 0; }
};

class Process {
public:
    virtual ~Process() = default;

    // Starts a program from a command line, without a shell and without a window or terminal:
    // the line is split on blanks (double quotes keep blanks inside one argument), the first
    // word is found by the executable search, standard streams lead nowhere. UTF-8. It starts in
    // a group of its own (POSIX: its own session and process group; Windows: a job object), so
    // that requestEnd and terminate reach what it starts in turn as well.
    virtual StartResult start(const std::string& commandLine) = 0;

    // A handle to a process started by this one, or 0.
    virtual ProcessHandle open(std::uint32_t access, std::uint32_t processId) = 0;

    // PriorityClass::Idle lowers the process as far as niceness goes (POSIX: nice 19). Raising
    // may need privileges the caller lacks. Needs SetInformation.
    virtual bool setPriorityClass(ProcessHandle process, std::uint32_t priorityClass) = 0;

    // The process's priority class, 0 on failure. Needs QueryInformation.
    virtual std::uint32_t priorityClass(ProcessHandle process) = 0;

    // kWaitObject0 once the process has ended, kWaitTimeout when it is still running after
    // timeoutMs (kInfinite waits for ever), kWaitFailed otherwise. Needs Synchronize.
    virtual std::uint32_t wait(ProcessHandle process, std::uint32_t timeoutMs) = 0;

    // The exit code, or kStillActive while the process runs. A POSIX process ended by a signal
    // reports 128 + the signal's number.
    virtual bool exitCode(ProcessHandle process, std::uint32_t& code) = 0;

    // Asks a running process and its group to end, giving them the chance to tidy up first
    // (POSIX: SIGTERM to the group). False
    // when it has already ended, the handle lacks the right, or the system has no such request
    // (Windows): then only terminate ends it. Safe while another thread waits for the same
    // process. Needs Terminate.
    virtual bool requestEnd(ProcessHandle process) = 0;

    // Ends a running process and its group at once, as TerminateJobObject does; its exit code
    // becomes exitCode.
    // False when it has already ended or the handle lacks the right. Safe while another thread
    // waits for the same process. Needs Terminate.
    virtual bool terminate(ProcessHandle process, std::uint32_t exitCode) = 0;

    virtual bool close(ProcessHandle process) = 0;
};

} // namespace platform
