// A child for the process contract tests. Usage:
//   process_probe exit <code>              ends with that exit code
//   process_probe args <file> <word>...    writes each argument after <file> on a line of its own
//   process_probe stdio <file>             writes whether fds 0-2 are /dev/null and if there is a terminal
//   process_probe nice <fifo> <file>       waits until the fifo is written and closed, then writes its
//                                          nice value
//   process_probe signal                   ends itself with SIGTERM
//   process_probe hang                     never ends by itself
//   process_probe stubborn <file>          shrugs off SIGTERM, then creates <file> and never ends
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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
