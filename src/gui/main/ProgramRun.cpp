#include "gui/main/ProgramRun.h"
#include "gui/main/BrowserForm.h"
#include "gui/main/CommandLineFiles.h"
#include "gui/main/QtTranslations.h"
#include "gui/main/WindowDestroyedWatch.h"
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

// Qt's xcb platform says this, then exits from inside the events, with every object still alive.
constexpr char kDisplayLost[] = "The X11 connection broke";

QPointer<BrowserForm>& windowToSave()
{
    static QPointer<BrowserForm> window;
    return window;
}

QtMessageHandler& previousMessageHandler()
{
    static QtMessageHandler previous = nullptr;
    return previous;
}

void WatchForDisplayLost(QtMsgType aType, const QMessageLogContext& aContext, const QString& aMessage)
{
    if (aType == QtWarningMsg && aMessage.startsWith(QLatin1String(kDisplayLost)) && windowToSave())
        windowToSave()->SaveSettingsAtEnd();
    if (previousMessageHandler())
        previousMessageHandler()(aType, aContext, aMessage);
}

struct SaveWhenDisplayLost {
    explicit SaveWhenDisplayLost(BrowserForm* aWindow)
    {
        windowToSave() = aWindow;
        previousMessageHandler() = qInstallMessageHandler(WatchForDisplayLost);
    }
    ~SaveWhenDisplayLost()
    {
        qInstallMessageHandler(previousMessageHandler());
        windowToSave() = nullptr;
    }
};

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
    // Destroyed by another program, the window closes as by its close button.
    const WindowDestroyedWatch destroyedWatch(window.get(), closeNormally);
    // The window system's library ends the program from inside its events when the display is
    // lost (the X server gone, the client killed): the window's settings are saved as a close
    // saves them, when it says so and before it ends the program.
    const SaveWhenDisplayLost saveWhenDisplayLost(window.get());
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
