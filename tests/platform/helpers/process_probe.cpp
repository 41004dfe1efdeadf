// A child for the process contract tests. Usage:
//   process_probe exit <code>              ends with that exit code
//   process_probe args <file> <word>...    writes each argument after <file> on a line of its own
//   process_probe stdio <file>             writes whether fds 0-2 are /dev/null and if there is a terminal
//   process_probe nice <fifo> <file>       waits until the fifo is written and closed, then writes its
//                                          nice value
//   process_probe signal                   ends itself with SIGTERM
//   process_probe hang                     never ends by itself
//   process_probe stubborn <file>          shrugs off SIGTERM, then creates <file> and never ends
//   process_probe family <file>            starts "process_probe tick <file>", then never ends
//   process_probe tick <file>              rewrites <file> with a growing count every 5 ms, for
//                                          at most a minute
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <spawn.h>
#include <unistd.h>
extern char** environ;
#endif

namespace {

// Starts this program again as "process_probe <word> <file>"; false when it cannot.
bool startSelf(const std::string& aWord, const std::string& aFile)
{
#ifdef _WIN32
    wchar_t self[MAX_PATH];
    if (GetModuleFileNameW(nullptr, self, MAX_PATH) == 0)
        return false;
    const std::string arguments = aWord + " \"" + aFile + "\"";
    std::wstring line = L"\"" + std::wstring(self) + L"\" " + std::wstring(arguments.begin(), arguments.end());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &info))
        return false;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
#else
    char* argv[] = {const_cast<char*>("process_probe"), const_cast<char*>(aWord.c_str()),
                    const_cast<char*>(aFile.c_str()), nullptr};
    pid_t pid = 0;
    return ::posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv, environ) == 0;
#endif
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 100;
    const std::string command = argv[1];
    if (command == "exit" && argc == 3)
        return std::atoi(argv[2]);
    if (command == "hang") {
        while (true)
            std::this_thread::sleep_for(std::chrono::hours(1));
    }
    if (command == "family" && argc == 3) {
        if (!startSelf("tick", argv[2]))
            return 105;
        while (true)
            std::this_thread::sleep_for(std::chrono::hours(1));
    }
    if (command == "tick" && argc == 3) {
        // Bounded: one left behind by a failing test goes by itself.
        for (int count = 1; count <= 12000; ++count) {
            std::ofstream(argv[2], std::ios::binary | std::ios::trunc) << count << '\n';
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return 0;
    }
    if (command == "args" && argc >= 3) {
        std::ofstream out(argv[2], std::ios::binary);
        for (int i = 3; i < argc; ++i)
            out << argv[i] << '\n';
        return out ? 0 : 101;
    }
#ifndef _WIN32
    if (command == "stdio" && argc == 3) {
        struct stat null {};
        if (::stat("/dev/null", &null) != 0)
            return 102;
        std::ofstream out(argv[2]);
        for (int fd = 0; fd <= 2; ++fd) {
            struct stat st {};
            const bool isNull = ::fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && st.st_rdev == null.st_rdev;
            out << "fd" << fd << '=' << (isNull ? "null" : "other") << '\n';
        }
        const int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY);
        out << "tty=" << (tty >= 0 ? "yes" : "no") << '\n';
        out << "session-leader=" << (::getsid(0) == ::getpid() ? "yes" : "no") << '\n';
        return out ? 0 : 101;
    }
    if (command == "nice" && argc == 4) {
        // Opening blocks until the test opens the fifo for writing, after it set our priority.
        const int fd = ::open(argv[2], O_RDONLY);
        if (fd < 0)
            return 103;
        char buffer[16];
        while (::read(fd, buffer, sizeof buffer) > 0) {
        }
        ::close(fd);
        std::ofstream out(argv[3]);
        out << "nice=" << ::getpriority(PRIO_PROCESS, 0) << '\n';
        return out ? 0 : 101;
    }
    if (command == "stubborn" && argc == 3) {
        ::signal(SIGTERM, SIG_IGN);
        std::ofstream(argv[2]) << "ready\n";
        while (true)
            std::this_thread::sleep_for(std::chrono::hours(1));
    }
    if (command == "signal") {
        ::raise(SIGTERM);
        return 104;
    }
#endif
    return 100;
}
