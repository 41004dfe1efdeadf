#include "app/BrowserForm.h"
#include "app/QtTranslations.h"
#include "app/miKezConverterMain.h"
#include "errors/ErrorForm.h"
#include "platform/EndRequests.h"
#include "platform/Services.h"
#include "ui/ResourceIcon.h"

#include <QApplication>
#include <QPointer>
#include <QSessionManager>

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
        std::fputs("KezConverter: no display found; start it under a virtual one: xvfb-run -a make run\n", stderr);
        return 1;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KezConverter"));
    QApplication::setWindowIcon(ResourceIcon(QStringLiteral(":/icons/app.png")));
    InstallQtTranslations(application);
    ErrorForm::InstallAsPresenter();

    // A logout, a closed terminal or `kill` end the program as its close button does, so the
    // settings are saved whatever ends it. Requests come on another thread: hand them over.
    QPointer<BrowserForm> shown;
    bool endedEarly = false;
    const auto closeNormally = [&shown, &endedEarly] {
        if (shown)
            shown->close();
        else
            endedEarly = true;
    };
    platform::service<platform::EndRequests>().listen(
        [&application, closeNormally] { QMetaObject::invokeMethod(&application, closeNormally, Qt::QueuedConnection); });
    QObject::connect(&application, &QGuiApplication::commitDataRequest, &application,
                     [closeNormally](QSessionManager&) { closeNormally(); });

    std::unique_ptr<BrowserForm> window = miKezConverterMain::Main();
    if (!window)
        return 0;
    shown = window.get();
    // Asked to end while starting: close as usual, without waiting for events.
    const int result = endedEarly ? (window->close(), 0) : QApplication::exec();
    platform::service<platform::EndRequests>().listen({});
    window.reset();
    miKezConverterMain::ReleaseOptions();
    return result;
}
