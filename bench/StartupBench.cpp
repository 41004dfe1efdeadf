// Start to first paint: the main window as the program opens it, against a minimal Qt program
// that shows one label, on the same platform. Each start is a fresh process of this program in
// one of two roles; the time runs from the start of the process until it says it has painted.
// Goal: the window at most 1.2 times the label.
#include "gui/main/ProgramRun.h"

#include <QApplication>
#include <QLabel>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

extern char** environ;

namespace {

constexpr int kStarts = 25;
using Clock = std::chrono::steady_clock;

// Says so on standard output at the first paint of the watched widget, and ends at once.
class FirstPaint : public QObject {
public:
    bool eventFilter(QObject*, QEvent* aEvent) override
    {
        if (aEvent->type() == QEvent::Paint && !mSeen) {
            mSeen = true;
            // Once the paint has been handled.
            QMetaObject::invokeMethod(
                qApp,
                [] {
                    [[maybe_unused]] const ssize_t written = ::write(1, "p", 1);
                    std::_Exit(0);
                },
                Qt::QueuedConnection);
        }
        return false;
    }

private:
    bool mSeen = false;
};

int label(int argc, char** argv)
{
    QApplication application(argc, argv);
    QLabel label(QStringLiteral("Конвертер из KEZ в RTF"));
    FirstPaint watch;
    label.installEventFilter(&watch);
    label.show();
    return QApplication::exec();
}

int window(char** argv)
{
    FirstPaint watch;
    // The program's own start, as its main does it, without files to open (its role is no file);
    // every widget shown is watched.
    int withoutFiles = 1;
    return RunProgram(withoutFiles, argv, [&watch](QApplication& aApplication) { aApplication.installEventFilter(&watch); });
}

// One start of this program in the given role: milliseconds until its first paint.
double start(const char* aSelf, const char* aRole)
{
    int fds[2];
    if (::pipe(fds) != 0)
        std::exit(1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    char* argv[] = {const_cast<char*>(aSelf), const_cast<char*>(aRole), nullptr};
    pid_t pid = 0;
    const Clock::time_point begun = Clock::now();
    const int error = posix_spawn(&pid, aSelf, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (error != 0)
        std::exit(1);
    char byte = 0;
    ssize_t got;
    while ((got = ::read(fds[0], &byte, 1)) < 0 && errno == EINTR) {
    }
    const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - begun).count();
    ::close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (got != 1) {
        std::printf("the %s start did not paint\n", aRole);
        std::exit(1);
    }
    return elapsed;
}

double median(std::vector<double> aValues)
{
    std::sort(aValues.begin(), aValues.end());
    return aValues[aValues.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "label") == 0)
        return label(argc, argv);
    if (argc == 2 && std::strcmp(argv[1], "window") == 0)
        return window(argv);

    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // The window only opens when it finds its converter.
    const std::string path = std::string(KEZ_BIN_DIR) + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "");
    setenv("PATH", path.c_str(), 1);
    start(argv[0], "label"); // warm-up: both bring the same libraries into memory
    start(argv[0], "window");
    std::vector<double> labels, windows;
    for (int i = 0; i < kStarts; ++i) {
        labels.push_back(start(argv[0], "label"));
        windows.push_back(start(argv[0], "window"));
    }
    const double l = median(labels), w = median(windows);
    // Each window start against the label start just before it: the machine's speed drifts
    // between starts far apart.
    std::vector<double> pairs;
    for (int i = 0; i < kStarts; ++i)
        pairs.push_back(windows[i] / labels[i]);
    std::printf("start to first paint, medians of %d starts each, alternating:\n", kStarts);
    std::printf("  minimal Qt program with one label: %.1f ms\n", l);
    std::printf("  the main window:                   %.1f ms\n", w);
    std::printf("ratio %.3f (goal <= 1.20), start by start; of the medians %.3f\n", median(pairs), w / l);
    return 0;
}
