#include "platform/ExecutableSearch.h"
#include "platform/Process.h"
#include "platform/Services.h"
#include "platform/SystemErrorText.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace platform {
namespace {

std::string describe(int error) { return systemErrorText(error); }

// Blanks and tabs separate words; a double-quoted stretch keeps its blanks.
std::vector<std::string> splitCommandLine(const std::string& line)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (const char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

int niceFor(std::uint32_t priorityClass)
{
    switch (priorityClass) {
    case PriorityClass::Idle: return 19;
    case PriorityClass::BelowNormal: return 10;
    case PriorityClass::Normal: return 0;
    case PriorityClass::AboveNormal: return -5;
    case PriorityClass::High: return -10;
    default: return 100;
    }
}

std::uint32_t classFor(int nice, bool idleScheduling)
{
    if (idleScheduling || nice >= 15)
        return PriorityClass::Idle;
    if (nice >= 5)
        return PriorityClass::BelowNormal;
    if (nice > -5)
        return PriorityClass::Normal;
    if (nice > -10)
        return PriorityClass::AboveNormal;
    return PriorityClass::High;
}

std::uint32_t exitCodeOf(int status, const std::optional<std::uint32_t>& terminatedWith)
{
    // Ended through terminate: the code asked for, as TerminateProcess gives it.
    if (terminatedWith && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        return *terminatedWith;
    if (WIFEXITED(status))
        return std::uint32_t(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return 128u + std::uint32_t(WTERMSIG(status));
    return 0;
}

class PosixProcess final : public Process {
public:
    StartResult start(const std::string& commandLine) override
    {
        StartResult result;
        const std::vector<std::string> words = splitCommandLine(commandLine);
        if (words.empty()) {
            result.error = EINVAL;
            result.description = describe(EINVAL);
            return result;
        }
        const std::string program = service<ExecutableSearch>().search(words.front());
        if (program.empty()) {
            result.error = ENOENT;
            result.description = describe(ENOENT);
            return result;
        }
        std::vector<char*> argv;
        for (const auto& word : words)
            argv.push_back(const_cast<char*>(word.c_str()));
        argv.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawnattr_t attributes;
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
        // No window means no terminal either: standard streams lead nowhere, and a session of
        // its own keeps the converter away from ours.
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        sigset_t noSignals;
        sigemptyset(&noSignals);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (const int signal : {SIGPIPE, SIGCHLD, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGALRM, SIGUSR1, SIGUSR2})
            sigaddset(&defaults, signal);
        posix_spawnattr_setsigmask(&attributes, &noSignals);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
#ifdef POSIX_SPAWN_SETSID
        flags |= POSIX_SPAWN_SETSID;
#endif
        posix_spawnattr_setflags(&attributes, flags);

        pid_t pid = 0;
        const int error = ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        if (error != 0) {
            result.error = error;
            result.description = describe(error);
            return result;
        }
        std::lock_guard guard(mMutex);
        mChildren[pid] = Child{};
        result.processId = std::uint32_t(pid);
        return result;
    }

    ProcessHandle open(std::uint32_t access, std::uint32_t processId) override
    {
        std::lock_guard guard(mMutex);
        if (mChildren.find(pid_t(processId)) == mChildren.end())
            return 0;
        const ProcessHandle handle = mNextHandle;
        mNextHandle += 4;
        mHandles[handle] = Opened{pid_t(processId), access};
        return handle;
    }

    bool setPriorityClass(ProcessHandle process, std::uint32_t priorityClass) override
    {
        pid_t pid = 0;
        if (!lookUp(process, ProcessAccess::SetInformation, pid))
            return false;
        const int nice = niceFor(priorityClass);
        if (nice == 100)
            return false;
        // Nice 19 alone: SCHED_IDLE would starve the converter outright whenever anything else
        // runs, making each conversion on a busy machine several times slower.
        return ::setpriority(PRIO_PROCESS, id_t(pid), nice) == 0;
    }

    std::uint32_t priorityClass(ProcessHandle process) override
    {
        pid_t pid = 0;
        if (!lookUp(process, ProcessAccess::QueryInformation, pid))
            return 0;
        errno = 0;
        const int nice = ::getpriority(PRIO_PROCESS, id_t(pid));
        if (nice == -1 && errno != 0)
            return 0;
        return classFor(nice, ::sched_getscheduler(pid) == SCHED_IDLE);
    }

    std::uint32_t wait(ProcessHandle process, std::uint32_t timeoutMs) override
    {
        pid_t pid = 0;
        if (!lookUp(process, ProcessAccess::Synchronize, pid))
            return kWaitFailed;
        if (timeoutMs == kInfinite)
            return reap(pid, true) ? kWaitObject0 : kWaitFailed;
        if (reap(pid, false))
            return kWaitObject0;
        if (!isRunning(pid))
            return kWaitFailed;
        if (timeoutMs > 0 && !sleepUntilEnd(pid, timeoutMs))
            pollFor(pid, timeoutMs);
        if (reap(pid, false))
            return kWaitObject0;
        return isRunning(pid) ? kWaitTimeout : kWaitFailed;
    }

    bool exitCode(ProcessHandle process, std::uint32_t& code) override
    {
        pid_t pid = 0;
        if (!lookUp(process, ProcessAccess::QueryInformation, pid))
            return false;
        if (reap(pid, false)) {
            std::lock_guard guard(mMutex);
            code = exitCodeOf(mChildren[pid].status, mChildren[pid].terminatedWith);
            return true;
        }
        if (!isRunning(pid))
            return false;
        code = kStillActive;
        return true;
    }

    bool requestEnd(ProcessHandle process) override { return sendSignal(process, SIGTERM, std::nullopt); }

    bool terminate(ProcessHandle process, std::uint32_t exitCode) override
    {
        return sendSignal(process, SIGKILL, exitCode);
    }

    bool close(ProcessHandle process) override
    {
        std::lock_guard guard(mMutex);
        const auto it = mHandles.find(process);
        if (it == mHandles.end())
            return false;
        const pid_t pid = it->second.pid;
        mHandles.erase(it);
        for (const auto& [handle, opened] : mHandles) {
            if (opened.pid == pid)
                return true;
        }
        // Nobody can ask about a reaped child any more; its number may come back for another.
        if (const auto child = mChildren.find(pid); child != mChildren.end() && child->second.reaped)
            mChildren.erase(child);
        return true;
    }

private:
    struct Child {
        bool reaped = false;
        int status = 0;
        std::optional<std::uint32_t> terminatedWith;
    };
    struct Opened {
        pid_t pid;
        std::uint32_t access;
    };

    // Sends aSignal to a child that has not ended yet, and to its group; aExitCode, when given, becomes its exit code.
    bool sendSignal(ProcessHandle process, int aSignal, std::optional<std::uint32_t> aExitCode)
    {
        pid_t pid = 0;
        if (!lookUp(process, ProcessAccess::Terminate, pid))
            return false;
        // Reaping happens only under the lock, so an unreaped child still owns its number here.
        std::lock_guard guard(mMutex);
        const auto it = mChildren.find(pid);
        if (it == mChildren.end() || it->second.reaped || reapLocked(pid, it->second))
            return false;
        // The group first: whatever the child started goes with it. A child that has no group of
        // its own (a system without POSIX_SPAWN_SETSID) is signalled alone.
        if (::kill(-pid, aSignal) != 0 && ::kill(pid, aSignal) != 0)
            return false;
        if (aExitCode)
            it->second.terminatedWith = aExitCode;
        return true;
    }

    bool lookUp(ProcessHandle process, std::uint32_t access, pid_t& pid)
    {
        std::lock_guard guard(mMutex);
        const auto it = mHandles.find(process);
        if (it == mHandles.end() || (it->second.access & access) != access)
            return false;
        pid = it->second.pid;
        return true;
    }

    // Sleeps until the child has ended or timeoutMs have passed, on a process descriptor. False,
    // without sleeping, when the kernel offers none: the caller polls instead.
    static bool sleepUntilEnd(pid_t pid, std::uint32_t timeoutMs)
    {
        const int fd = int(::syscall(SYS_pidfd_open, pid, 0));
        if (fd < 0)
            return false;
        timespec start{};
        ::clock_gettime(CLOCK_MONOTONIC, &start);
        pollfd watch{fd, POLLIN, 0};
        while (true) {
            timespec now{};
            ::clock_gettime(CLOCK_MONOTONIC, &now);
            const std::int64_t spent = (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
            const std::int64_t left = std::int64_t(timeoutMs) - spent;
            if (left <= 0 || ::poll(&watch, 1, int(std::min<std::int64_t>(left, 1 << 30))) >= 0 || errno != EINTR)
                break;
        }
        ::close(fd);
        return true;
    }

    // The same in steps of a millisecond, for kernels without process descriptors.
    void pollFor(pid_t pid, std::uint32_t timeoutMs)
    {
        for (std::uint32_t waited = 0; waited < timeoutMs && !reap(pid, false) && isRunning(pid); ++waited) {
            const timespec step{0, 1000000};
            ::nanosleep(&step, nullptr);
        }
    }

    bool isRunning(pid_t pid)
    {
        std::lock_guard guard(mMutex);
        const auto it = mChildren.find(pid);
        return it != mChildren.end() && !it->second.reaped;
    }

    // True once the child has ended (now or before). Blocks without holding the lock, but reaps
    // only under it: terminate must never signal a number that was already handed back.
    bool reap(pid_t pid, bool block)
    {
        {
            std::lock_guard guard(mMutex);
            const auto it = mChildren.find(pid);
            if (it == mChildren.end())
                return false;
            if (it->second.reaped || reapLocked(pid, it->second))
                return true;
        }
        if (!block)
            return false;
        siginfo_t info{};
        int result;
        do {
            result = ::waitid(P_PID, id_t(pid), &info, WEXITED | WNOWAIT);
        } while (result < 0 && errno == EINTR);
        std::lock_guard guard(mMutex);
        const auto it = mChildren.find(pid);
        // Another thread may have reaped it meanwhile (ECHILD): its record says so.
        return it != mChildren.end() && (it->second.reaped || reapLocked(pid, it->second));
    }

    // Collects an ended child's status without waiting. Call with the lock held.
    static bool reapLocked(pid_t pid, Child& child)
    {
        int status = 0;
        pid_t result;
        do {
            result = ::waitpid(pid, &status, WNOHANG);
        } while (result < 0 && errno == EINTR);
        if (result == pid) {
            child.reaped = true;
            child.status = status;
        }
        return child.reaped;
    }

    std::mutex mMutex;
    std::map<pid_t, Child> mChildren;
    std::map<ProcessHandle, Opened> mHandles;
    ProcessHandle mNextHandle = 0x100;
};

} // namespace

template <>
Process& defaultService<Process>()
{
    static PosixProcess instance;
    return instance;
}

} // namespace platform
