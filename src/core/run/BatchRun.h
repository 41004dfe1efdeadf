#pragma once
#include "core/run/RunResults.h"
#include "core/run/RunWaiter.h"
#include "core/runner/miKezConverterRunner.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class MessageLog;
class TLuKezOptions;

// The run engine: one conversion run over the waiting files. Converts the oldest until none is
// left or a stop was asked for, logs each result, counts them and ends with the summary. It is
// given the conversion options, the converter and the waiter that passes the time while a
// converter works; whoever drives it only answers the questions in Window and shows what the run
// reports. The window drives whole runs, its waiter keeping its events flowing (also while
// another instance has the turn on the hand-over); kezconv converts single files (Convert).
class BatchRun : public QObject {
    Q_OBJECT
public:
    // How often a run waiting for its turn tries again.
    static constexpr int kTurnRetryMs = 50;

    struct Window {
        std::function<void(bool)> setBusy;
        std::function<std::optional<QString>()> firstFile;  // the oldest waiting file
        std::function<qsizetype()> waitingCount;
        std::function<void(const QString&)> convert;        // converts one file through ConvertFile
        std::function<void(const QString&)> remove;         // the file leaves the list
        std::function<bool(const QString& aFile)> confirmEndConverter;
    };

    // The options each file is converted with, read when the file is; a failure to read them is
    // the file's failure.
    using Options = std::function<TLuKezOptions&()>;
    // The stored options, read once now. A failure to read them fails every file with its
    // description.
    static Options ReadOnce();

    struct Result {
        bool converted = false;
        QString message; // why the file failed, or the converter's remark on a converted one
    };

    // aConverter is the converter's command line, its program found by the executable search.
    BatchRun(MessageLog& aLog, Window aWindow, Options aOptions, std::unique_ptr<RunWaiter> aWaiter,
             QString aConverter = QString::fromLatin1(miKezConverterRunner::kConverterCommandLine),
             QObject* aParent = nullptr);
    // For single files only (Convert): no log, no window.
    BatchRun(Options aOptions, std::unique_ptr<RunWaiter> aWaiter,
             QString aConverter = QString::fromLatin1(miKezConverterRunner::kConverterCommandLine));
    ~BatchRun() override;

    // The whole run. Does nothing while a run is already going on; asked while a run is leaving
    // its busy state (the window already idle), it runs once that run has ended.
    void Run();

    // Converts one file into aOutFile, logs the result and counts it. A file whose result would
    // replace the result of an earlier file of the same run is not converted: it fails.
    void ConvertFile(const QString& aFile, const QString& aOutFile);

    // Converts one file into aOutFile and returns the result, counting and logging nothing; any
    // failure on the way is the file's, with its description. A converter the waiter ended because
    // the user asked fails the file as interrupted.
    Result Convert(const QString& aFile, const QString& aOutFile);

    // The first request stops the run after the file being converted (or before the next file,
    // while waiting for the turn). A second one while the converter still works offers to end it
    // (one that hangs would otherwise hold the run for ever).
    void RequestStop();
    // The window is closing: stop after the current file; the waiter ends a converter that does
    // not end by itself soon. The start of a run never clears this.
    void RequestClose();

    bool IsRunning() const { return mRunning; }
    bool StopRequested() const { return mStopRequested || mClosing; }
    qint32 SucceededCount() const { return mResults.Succeeded(); }
    qint32 FailedCount() const { return mResults.FailedCount(); }

signals:
    // The run is at file aCurrent of aTotal (the total grows when files arrive meanwhile);
    // (0, 0) when it has ended.
    void Progress(qint32 aCurrent, qint32 aTotal);
    // Another instance has the turn on the hand-over and this run waits for it (true), or no more.
    void WaitingForTurn(bool aWaiting);
    // A run has ended and no other follows it.
    void Ended();

private:
    void RunOnce();
    bool TakeTurn();
    // Convert, with a failure passed on to the caller.
    Result ConvertPassingOn(const QString& aFile, const QString& aOutFile);

    MessageLog* mLog = nullptr;
    Window mWindow;
    Options mOptions;
    std::unique_ptr<RunWaiter> mWaiter;
    QString mConverterCommandLine;
    bool mRunning = false;
    bool mLeaving = false;
    bool mRunAgain = false;
    bool mStopRequested = false;
    bool mClosing = false;
    RunResults mResults;
};
