#include "gui/main/ProgramRun.h"
#include "gui/main/BrowserForm.h"
#include "gui/main/CommandLineFiles.h"
#include "gui/main/QtTranslations.h"
#include "gui/main/miKezConverterMain.h"
#include "gui/errors/ErrorForm.h"
#include "platform/EndRequests.h"
#include "platform/FontWarmUp.h"
#include "platform/Services.h"
#include "gui/forms/ResourceIcon.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QSessionManager>

namespace {

// Closes the open modal dialogs, the top one first, as their "Отмена" does: nothing chosen in them
// is kept. A dialog that will not close is hidden, which ends its modal loop all the same.
void CancelModalDialogs()
{
    for (int left = 16; left > 0; --left) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        if (QApplication::activeModalWidget() == modal)
            modal->hide();
    }
}

} // namespace

int RunProgram(int& argc, char** argv, const std::function<void(QApplication&)>& aWatch)
{
    // The font configuration is read meanwhile on another core: the first window needs it.
    platform::FontWarmUp fonts;
    QApplication application(argc, argv);
    if (aWatch)
        aWatch(application);
    QApplication::setApplicationName(QStringLiteral("KezConverter"));
    QApplication::setWindowIcon(ResourceIcon(QStringLiteral(":/icons/app.rgba")));
    InstallQtTranslations(application);
    ErrorForm::InstallAsPresenter();

    // A logout, a closed terminal or `kill` end the program as its close button does, so the
    // settings are saved whatever ends it; open dialogs go first, as by "Отмена". Requests come
    // on another thread: hand them over.
    QPointer<BrowserForm> shown;
    bool endedEarly = false;
    const auto closeNormally = [&shown, &endedEarly] {
        CancelModalDialogs();
        if (shown)
            shown->close();
        else
            endedEarly = true;
    };
    platform::service<platform::EndRequests>().listen(
        [&application, closeNormally] { QMetaObject::invokeMethod(&application, closeNormally, Qt::QueuedConnection); });
    const struct StopListening {
        ~StopListening() { platform::service<platform::EndRequests>().listen({}); }
    } stopListening;
    QObject::connect(&application, &QGuiApplication::commitDataRequest, &application,
                     [closeNormally](QSessionManager&) { closeNormally(); });

    fonts.finish();
    std::unique_ptr<BrowserForm> window = miKezConverterMain::Main();
    if (!window)
        return 0;
    shown = window.get();
    // The program ends when the window has closed and its run, if one was going on, has stopped.
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(window.get(), &BrowserForm::Closed, &application, &QCoreApplication::quit, Qt::QueuedConnection);
    CommandLineFiles::Open(*window, CommandLineFiles::PathsOf(argc, argv));
    // Asked to end while starting: close as usual, without waiting for events.
    const int result = endedEarly ? (window->close(), 0) : QApplication::exec();
    window.reset();
    miKezConverterMain::ReleaseOptions();
    return result;
}
