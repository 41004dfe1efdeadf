// The real program as a process of its own, for the tests of how it ends: started through
// RunProgram as main starts it, with a hand on it. Commands come on standard input, one a line:
//   add <path>   adds a source file to the list     run      presses "Конвертировать!" (also "Стоп!")
//   close        closes the window                  options  presses "Опции конвертации ..."
//   font         presses the first font button of the options dialog that is open
//   addfiles     presses "Добавить ..."            folder   chooses the fixed folder, presses its button
//   exit         calls exit(1) from inside the window's events, as the window system's library does
//                when the display is lost
//   back         on the options dialog's footnote page, presses the first "Фон" that can be pressed
//                and, once its palette has closed, reports "back <index>" of that colour selector
// It reports on standard output, one a line: "shown <native window>" once the window is up, "title <caption>" at
// each change of the caption, "modal <class>" when a modal dialog comes up, "painted" for each
// paint of the window (it asks for one every 100 ms: the paints stop when its events stop).
#include "gui/main/BrowserForm.h"
#include "gui/main/ProgramRun.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

void report(const QString& aLine)
{
    std::fputs((aLine + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

class Probe : public QObject {
public:
    explicit Probe(QApplication& aApplication)
    {
        auto* watch = new QTimer(&aApplication);
        connect(watch, &QTimer::timeout, this, [this] { Look(); });
        watch->start(20);
        auto* input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &aApplication);
        connect(input, &QSocketNotifier::activated, this, [this, input] { Read(input); });
    }

protected:
    bool eventFilter(QObject* aWatched, QEvent* aEvent) override
    {
        if (aEvent->type() == QEvent::Paint)
            report(QStringLiteral("painted"));
        else if (aEvent->type() == QEvent::WindowTitleChange)
            report(QStringLiteral("title ") + static_cast<QWidget*>(aWatched)->windowTitle());
        return false;
    }

private:
    void Look()
    {
        if (!mWindow) {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* form = qobject_cast<BrowserForm*>(widget); form && form->isVisible()) {
                    mWindow = form;
                    form->installEventFilter(this);
                    report(QStringLiteral("shown ") + QString::number(form->winId()));
                    auto* repaint = new QTimer(form);
                    connect(repaint, &QTimer::timeout, form, [form] { form->update(); });
                    repaint->start(100);
                }
        }
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != mModal) {
            mModal = modal;
            if (modal)
                report(QStringLiteral("modal ") + QString::fromLatin1(modal->metaObject()->className()));
        }
    }

    void Read(QSocketNotifier* aInput)
    {
        char buffer[4096];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            aInput->setEnabled(false);
            return;
        }
        mPending += QByteArray(buffer, got);
        for (qsizetype end = mPending.indexOf('\n'); end >= 0; end = mPending.indexOf('\n')) {
            const QString line = QString::fromUtf8(mPending.left(end));
            mPending.remove(0, end + 1);
            // Each after the notifier's turn: a run or a dialog goes on inside it.
            QTimer::singleShot(0, this, [this, line] { Do(line); });
        }
    }

    void Press(QWidget* aWithin, const char* aName)
    {
        if (auto* button = aWithin ? aWithin->findChild<QAbstractButton*>(QLatin1String(aName)) : nullptr)
            button->click();
    }

    void PressBackColour(QWidget* aOptions)
    {
        if (!aOptions)
            return;
        Press(aOptions, "theTSFootnotes");
        for (QAbstractButton* button : aOptions->findChildren<QAbstractButton*>(QStringLiteral("theSelectBack")))
            if (button->isVisible() && button->isEnabled()) {
                QWidget* selector = button->parentWidget();
                button->click(); // the palette's own modal loop runs inside
                report(QStringLiteral("back ") + selector->property("BackIndex").toString());
                return;
            }
    }

    void Do(const QString& aLine)
    {
        const QString command = aLine.section(QLatin1Char(' '), 0, 0);
        if (command == QLatin1String("add") && mWindow)
            mWindow->AddSrcFile(aLine.section(QLatin1Char(' '), 1));
        else if (command == QLatin1String("run"))
            Press(mWindow, "theRunConverting");
        else if (command == QLatin1String("close") && mWindow)
            mWindow->close();
        else if (command == QLatin1String("options"))
            Press(mWindow, "theOptions");
        else if (command == QLatin1String("font"))
            Press(QApplication::activeModalWidget(), "theSelect");
        else if (command == QLatin1String("back"))
            PressBackColour(QApplication::activeModalWidget());
        else if (command == QLatin1String("exit"))
            std::exit(1);
        else if (command == QLatin1String("addfiles"))
            Press(mWindow, "theAddSrcFile");
        else if (command == QLatin1String("folder")) {
            Press(mWindow, "theDestDirFixed");
            Press(mWindow, "theSelectFolder");
        }
    }

    QPointer<BrowserForm> mWindow;
    QPointer<QWidget> mModal;
    QByteArray mPending;
};

} // namespace

int main(int argc, char** argv)
{
    std::unique_ptr<Probe> probe;
    return RunProgram(argc, argv, [&probe](QApplication& aApplication) { probe = std::make_unique<Probe>(aApplication); });
}
