// Shows the options dialog, then the about box over it, on the display in DISPLAY, and writes to
// the file named by its argument where each frame lies once the window manager has framed it and
// it has come to rest, then how it went:
//   <name> <frame x y w h> <client height> <area it is centred on: x y w h>
//   status <0, or 2 when a window was not framed or did not come to rest>
#include "core/options/TLuKezOptions.h"
#include "gui/options/KezOptionsFrm.h"
#include "gui/options/LuAboutFrm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>


namespace {

// Waits until the window has a frame and the frame has not moved for a while; false when that
// does not happen within ten seconds.
bool WaitUntilFramedAndAtRest(const QWidget* aWindow)
{
    QElapsedTimer total;
    total.start();
    QElapsedTimer still;
    still.start();
    QRect last;
    while (total.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        const QRect frame = aWindow->windowHandle()->frameGeometry();
        if (frame != last) {
            last = frame;
            still.restart();
        }
        if (frame.height() > aWindow->height() && still.elapsed() > 500)
            return true;
    }
    return false;
}

QByteArray Line(const char* aName, const QWidget* aWindow, const QRect& aArea)
{
    const QRect f = aWindow->windowHandle()->frameGeometry();
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10\n")
        .arg(QLatin1String(aName))
        .arg(f.x())
        .arg(f.y())
        .arg(f.width())
        .arg(f.height())
        .arg(aWindow->height())
        .arg(aArea.x())
        .arg(aArea.y())
        .arg(aArea.width())
        .arg(aArea.height())
        .toLatin1();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc != 2)
        return 1;
    QByteArray report;
    TLuKezOptions options;
    options.FillWithDefaults();
    KezOptionsFrm dialog;
    int status = 0;
    QTimer::singleShot(0, [&] {
        if (!WaitUntilFramedAndAtRest(&dialog))
            status = 2;
        report += Line("options", &dialog, dialog.screen()->availableGeometry());
        QTimer::singleShot(0, [&] {
            for (QWidget* window : QApplication::topLevelWidgets())
                if (auto* about = qobject_cast<LuAboutFrm*>(window); about && about->isVisible()) {
                    if (!WaitUntilFramedAndAtRest(about))
                        status = 2;
                    report += Line("about", about, dialog.windowHandle()->frameGeometry());
                    about->close();
                }
            dialog.close();
        });
        dialog.findChild<QPushButton*>(QStringLiteral("theAbout"))->click();
    });
    dialog.Execute(options);
    QFile out(QString::fromLocal8Bit(argv[1]));
    if (!out.open(QIODevice::WriteOnly) || out.write(report + "status " + QByteArray::number(status) + '\n') < 0)
        return 1;
    return status;
}
