#include "app/ProgramRun.h"
#include "app/BrowserForm.h"
#include "app/QtTranslations.h"
#include "app/miKezConverterMain.h"
#include "errors/window/ErrorForm.h"
#include "platform/EndRequests.h"
#include "platform/Services.h"
#include "ui/ResourceIcon.h"

#include <QApplication>
#include <QPointer>
#include <QSessionManager>

int RunProgram(QApplication& aApplication)
{
    QApplication::setApplicationName(QStringLiteral("KezConverter"));
    QApplication::setWindowIcon(ResourceIcon(QStringLiteral(":/icons/app.rgba")));
    InstallQtTranslations(aApplication);
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
        [&aApplication, closeNormally] { QMetaObject::invokeMethod(&aApplication, closeNormally, Qt::QueuedConnection); });
    QObject::connect(&aApplication, &QGuiApplication::commitDataRequest, &aApplication,
                     [closeNormally](QSessionManager&) { closeNormally(); });

    std::unique_ptr<BrowserForm> window = miKezConverterMain::Main();
    if (!window) {
        platform::service<platform::EndRequests>().listen({});
        return 0;
    }
    shown = window.get();
    // Asked to end while starting: close as usual, without waiting for events.
    const int result = endedEarly ? (window->close(), 0) : QApplication::exec();
    platform::service<platform::EndRequests>().listen({});
    window.reset();
    miKezConverterMain::ReleaseOptions();
    return result;
}
