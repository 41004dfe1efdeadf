#pragma once
// What the benchmarks share: wall-clock timing, medians, and the bare start of a converter that
// the hand-over is measured against.
#include <QByteArray>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace bench {

using Clock = std::chrono::steady_clock;

inline double millisecondsSince(Clock::time_point aStart)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - aStart).count();
}

inline double median(std::vector<double> aValues)
{
    std::sort(aValues.begin(), aValues.end());
    const size_t middle = aValues.size() / 2;
    return aValues.size() % 2 ? aValues[middle] : (aValues[middle - 1] + aValues[middle]) / 2;
}

// "kezcc -c" started with its streams on /dev/null, at idle priority when asked; its process id,
// or -1 when it could not be started.
inline pid_t startConverter(const QByteArray& aProgram, bool aIdle)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd = 0; fd <= 2; ++fd)
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    char name[] = "kezcc";
    char option[] = "-c";
    char* argv[] = {name, option, nullptr};
    pid_t pid = 0;
    const int error = posix_spawn(&pid, aProgram.constData(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return -1;
    if (aIdle)
        setpriority(PRIO_PROCESS, id_t(pid), 19);
    return pid;
}

// The next child to end (any when aPid is -1); its process id.
inline pid_t waitForChild(pid_t aPid = -1)
{
    int status = 0;
    pid_t ended = -1;
    while ((ended = waitpid(aPid, &status, 0)) < 0 && errno == EINTR) {
    }
    return ended;
}

// The converter started and waited for, nothing more: the least any hand-over can cost. False
// when it could not be started.
inline bool startAndWait(const QByteArray& aProgram, bool aIdle)
{
    const pid_t pid = startConverter(aProgram, aIdle);
    if (pid < 0)
        return false;
    waitForChild(pid);
    return true;
}

} // namespace bench
