// The main window's side of the conversion run and the message log: both live in BatchRun and
// MessageLog; here they are wired to the controls.
#include "core/run/BatchRun.h"
#include "core/run/EventsFlowingWaiter.h"
#include "gui/main/BrowserForm.h"
#include "core/run/OutputFileName.h"
#include "gui/main/WrappingCheckBox.h"
#include "gui/main/miKezConverterMain.h"
#include "core/errors/mErrorHandling.h"
#include "platform/ExecutableSearch.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

using mErrorHandling::PassOn;
using mErrorHandling::TopLevel;

namespace {
constexpr const char* kModule = "BrowserForm";
} // namespace

void BrowserForm::CreateRun()
{
    BatchRun::Window window;
    window.setBusy = [this](bool aBusy) { SetBusy(aBusy); };
    window.firstFile = [this]() -> std::optional<QString> {
        if (mSources.Files().IsEmpty())
            return std::nullopt;
        return mSources.Files().First();
    };
    window.waitingCount = [this] { return mSources.Files().Count(); };
    window.convert = [this](const QString& aFile) { DoConvertion(aFile); };
    window.remove = [this](const QString& aFile) { RemoveSrcFile(aFile); };
    window.confirmEndConverter = [this](const QString& aFile) { return ConfirmEndConverter(aFile); };
    // A removed line leaves the list's layout to a zero timer, which runs only after the paint
    // that the same event processing brings: without this the list is painted blank for the
    // rest of the run.
    auto waiter = std::make_unique<EventsFlowingWaiter>([this] {
        theSrcList->doItemsLayout();
        ShowPendingLog();
        ShowPendingProgress();
    });
    mRun = new BatchRun(
        mLog, std::move(window), []() -> TLuKezOptions& { return miKezConverterMain::gKezOptions(); },
        std::move(waiter), QString::fromLatin1(miKezConverterRunner::kConverterCommandLine), this);
    connect(&mLog, &MessageLog::Appended, this, &BrowserForm::ShowLogAppended);
    connect(mRun, &BatchRun::Progress, this, &BrowserForm::ShowRunProgress);
    connect(mRun, &BatchRun::WaitingForTurn, this, &BrowserForm::ShowWaitingForTurn);
    connect(mRun, &BatchRun::Ended, this, [this] {
        if (mClosed)
            emit Closed();
    });
}

void BrowserForm::ConvertCurrentSrcList() { mRun->Run(); }

void BrowserForm::DoConvertion(const QString& aFileName) { mRun->ConvertFile(aFileName, GetOutFileName(aFileName)); }

QString BrowserForm::GetOutFileName(const QString& aFileName)
{
    return PassOn(kModule, "GetOutFileName", [&] {
        return OutputFileName(aFileName, theDestDirFixed->isChecked(), theDestDir->text(),
                              QLatin1Char(platform::pathSeparator()));
    });
}

void BrowserForm::AddMessage(const QString& aMessageText)
{
    PassOn(kModule, "AddMessage", [&] { mLog.Add(aMessageText); });
}

void BrowserForm::ShowLogAppended(const QString& aShown, qsizetype aDropFromFront)
{
    // During a run the log box catches up only when the window's events run: laying out each
    // line as it comes costs more than the rest of the window's work for a file.
    mLogPending += aShown;
    mLogPendingDrop += aDropFromFront;
    if (!IsBusy())
        ShowPendingLog();
}

void BrowserForm::ShowPendingLog()
{
    if (mLogPending.isEmpty() && mLogPendingDrop == 0)
        return;
    QTextDocument* document = theConvertResults->document();
    QTextCursor cursor(document);
    const qsizetype shown = document->characterCount() - 1;
    if (mLogPendingDrop >= shown) {
        // Everything shown goes: only the end of what is pending stays.
        document->clear();
        cursor.insertText(mLogPending.mid(mLogPendingDrop - shown));
    } else {
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(mLogPending);
        if (mLogPendingDrop > 0) {
            cursor.setPosition(0);
            cursor.setPosition(int(mLogPendingDrop), QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        }
    }
    mLogPending.clear();
    mLogPendingDrop = 0;
    theConvertResults->moveCursor(QTextCursor::End);
    theConvertResults->ensureCursorVisible();
}

void BrowserForm::ShowRunProgress(qint32 aCurrent, qint32 aTotal)
{
    mProgressAt = aCurrent;
    mProgressOf = aTotal;
    // Like the log, the caption catches up when the window's events run: a new title for
    // every file would cost more than showing its result.
    if (aTotal == 0 || !IsBusy())
        ShowPendingProgress();
}

void BrowserForm::ShowWaitingForTurn(bool aWaiting)
{
    mWaitingForTurn = aWaiting;
    ShowPendingProgress();
}

void BrowserForm::ShowPendingProgress()
{
    QString title =
        mProgressOf == 0 ? mCaption : QStringLiteral("%1 из %2 — %3").arg(mProgressAt).arg(mProgressOf).arg(mCaption);
    // Another instance converts meanwhile; "Стоп!" and a close still work.
    if (mWaitingForTurn)
        title = QStringLiteral("Ожидание очереди — ") + title;
    if (windowTitle() != title)
        setWindowTitle(title);
}

bool BrowserForm::ConfirmEndConverter(const QString& aFile)
{
    return miKezConverterMain::AskQuestion(
        QStringLiteral("Конвертер не отвечает"),
        QStringLiteral("Конвертер всё ещё обрабатывает файл\r\n%1\r\n\r\n"
                       "Прервать его работу? Этот файл не будет сконвертирован.")
            .arg(aFile));
}

void BrowserForm::theRunConverting_Click()
{
    TopLevel(kModule, "theRunConverting_Click", [&] {
        if (IsBusy())
            mRun->RequestStop();
        else
            ConvertCurrentSrcList();
    });
}

void BrowserForm::theConvertImmediately_Click()
{
    TopLevel(kModule, "theConvertImmediately_Click", [&] {
        if (theConvertImmediately->isChecked())
            ConvertCurrentSrcList();
    });
}

void BrowserForm::theConvertionStartTimer_Timer()
{
    TopLevel(kModule, "theConvertionStartTimer_Timer", [&] {
        theConvertionStartTimer->stop();
        // Never inside a dialog: the run would hold it open to its end, and its OK could change
        // the options half-way. Tried again until the dialog has gone.
        if (QApplication::activeModalWidget()) {
            theConvertionStartTimer->start();
            return;
        }
        // A run in progress converts the dropped files itself.
        if (!IsBusy())
            ConvertCurrentSrcList();
    });
}
