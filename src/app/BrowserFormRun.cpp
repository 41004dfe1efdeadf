// The conversion run over the source list, and the message log.
#include "app/BrowserForm.h"
#include "app/OutputFileName.h"
#include "app/WrappingCheckBox.h"
#include "app/miKezConverterMain.h"
#include "errors/mErrorHandling.h"
#include "options/TLuKezOptions.h"
#include "platform/ExecutableSearch.h"
#include "runner/miKezConverterRunner.h"

#include <QCoreApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextCursor>
#include <QTimer>

using mErrorHandling::PassOn;
using mErrorHandling::TopLevel;

namespace {
constexpr const char* kModule = "BrowserForm";
constexpr qsizetype kLogLimit = 32760;
const QString kCrLf = QStringLiteral("\r\n");
} // namespace

void BrowserForm::ConvertCurrentSrcList()
{
    PassOn(kModule, "ConvertCurrentSrcList", [&] {
        SetBusy(true);
        try {
            StopRequested = false;
            SucceededCount = 0;
            FailedCount = 0;
            // Files dropped or cleared between two files change SrcFiles; read it afresh each time.
            while (!SrcFiles.IsEmpty()) {
                const QString file = SrcFiles.First();
                DoConvertion(file);
                RemoveSrcFile(file);
                QCoreApplication::processEvents();
                if (StopRequested)
                    break;
            }
            const qint32 processed = SucceededCount + FailedCount;
            if (processed > 1) {
                AddMessage(QStringLiteral("Обработано файлов: %1, успешно: %2, с ошибками: %3")
                               .arg(processed)
                               .arg(SucceededCount)
                               .arg(FailedCount));
                if (StopRequested)
                    AddMessage(QStringLiteral("Обработка прервана пользователем."));
            }
        } catch (...) {
            // A failure ends the run, but must not leave the window stuck in its busy state.
            try {
                SetBusy(false);
            } catch (...) {
            }
            throw;
        }
        SetBusy(false);
    });
}

void BrowserForm::DoConvertion(const QString& aFileName)
{
    PassOn(kModule, "DoConvertion", [&] {
        const QString outFile = GetOutFileName(aFileName);
        qint32 resultCode = 0;
        QString message;
        if (miKezConverterRunner::RunConverter(miKezConverterMain::gKezOptions(), aFileName, outFile, 0, resultCode,
                                               message)) {
            AddMessage(QStringLiteral("Успешно: ") + aFileName + QStringLiteral(" -> ") + outFile);
            ++SucceededCount;
        } else {
            AddMessage(QStringLiteral("Ошибка: ") + aFileName + QStringLiteral(" -> ") + outFile + kCrLf + message);
            ++FailedCount;
        }
    });
}

QString BrowserForm::GetOutFileName(const QString& aFileName)
{
    return PassOn(kModule, "GetOutFileName", [&] {
        return OutputFileName(aFileName, theDestDirFixed->isChecked(), theDestDir->text(),
                              QLatin1Char(platform::pathSeparator()));
    });
}

void BrowserForm::AddMessage(const QString& aMessageText)
{
    PassOn(kModule, "AddMessage", [&] {
        mLogText += aMessageText;
        mLogText += kCrLf;
        if (mLogText.size() > kLogLimit)
            mLogText.remove(0, mLogText.size() - kLogLimit);
        // The widget keeps its own line ends; the log as written stays in mLogText.
        QString shown = mLogText;
        shown.replace(kCrLf, QStringLiteral("\n"));
        theConvertResults->setPlainText(shown);
        theConvertResults->moveCursor(QTextCursor::End);
        theConvertResults->ensureCursorVisible();
    });
}

void BrowserForm::theRunConverting_Click()
{
    TopLevel(kModule, "theRunConverting_Click", [&] {
        if (IsBusy())
            StopRequested = true;
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
        // A run in progress converts the dropped files itself; a second run nested inside it
        // would only reset its counters.
        if (!IsBusy())
            ConvertCurrentSrcList();
    });
}
