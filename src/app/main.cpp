#include "gui/main/ProgramRun.h"

#include <QGuiApplication>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

namespace {
// Qt aborts when it cannot reach a display; say what to do instead.
bool displayReachable()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform)
        return true;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
#else
    return true;
#endif
}
} // namespace

int main(int argc, char** argv)
{
    if (!displayReachable()) {
        std::fputs("KezConverter: no display found; start it under a virtual one: xvfb-run -a KezConverter\n", stderr);
        return 1;
    }
    // The window's id for Wayland compositors and docks: its menu entry's name.
    QGuiApplication::setDesktopFileName(QStringLiteral("ru.torvane.KezConverter"));
    return RunProgram(argc, argv);
}
