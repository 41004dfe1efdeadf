#pragma once
#include "core/run/RunResults.h"
#include "core/runner/ConverterProcess.h"
#include "core/runner/miKezConverterRunner.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class MessageLog;
class TLuKezOptions;

// The run engine: one conversion run over the waiting files. Converts the oldest until none is
// left or a stop was asked for, logs each result, counts them and ends with the summary. It is
// given the conversion options and the converter; whoever drives it (the window) only answers the
// questions in Window and shows what the run reports.
//
// While the converter works, and while another instance has the turn on the hand-over, the
// window's events keep flowing (painting, "Стоп!", a close, drops), at a bounded rate so that a
// batch of quick conversions is not slowed by repainting. Nothing waits without them: a close
// that finds the converter still working gives it kCloseWaitMs, then ends it by the converter's
// rule (asked politely, then ended at once after its grace).
class BatchRun : public QObject {
    Q_OBJECT
public:
    // How often at most the window's waiting events run during a run; always at its start and end.
    static constexpr int kEventIntervalMs = 100;
    static constexpr int kCloseWaitMs = 2000;
    // How often a run waiting for its turn tries again.
    static constexpr int kTurnRetryMs = 50;

    struct Window {
        std::function<void(bool)> setBusy;
        std::function<std::optional<QString>()> firstFile;  // the oldest waiting file
        std::function<qsizetype()> waitingCount;
        std::function<void(const QString&)> convert;        // converts one file through ConvertFile
        std::function<void(const QString&)> remove;         // the file leaves the list
        std::function<void()> beforeEvents;                  // brings the screen up to date
        std::function<bool(const QString& aFile)> confirmEndConverter;
    };

    // The options each file is converted with, read when the file is.
    using Options = std::function<TLuKezOptions&()>;

    // aConverter is the converter's command line, its program found by the executable search.
    BatchRun(MessageLog& aLog, Window aWindow, Options aOptions,
             QString aConverter = QString::fromLatin1(miKezConverterRunner::kConverterCommandLine),
             QObject* aParent = nullptr);
    ~BatchRun() override;

    // The whole run. Does nothing while a run is already going on; asked while a run is leaving
    // its busy state (the window already idle), it runs once that run has ended.
    void Run();

    // Converts one file into aOutFile, logs the result and counts it. A file whose result would
    // replace the result of an earlier file of the same run is not converted: it fails.
    void ConvertFile(const QString& aFile, const QString& aOutFile);

    // The first request stops the run after the file being converted (or before the next file,
    // while waiting for the turn). A second one while the converter still works offers to end it
    // (one that hangs would otherwise hold the run for ever).
    void RequestStop();
    // The window is closing: stop after the current file, ending a converter that does not end by
    // itself within kCloseWaitMs. The start of a run never clears this.
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
    class WaitingThread;
    void RunOnce();
    bool TakeTurn();
    void WaitKeepingEventsFlowing(miKezConverterRunner::ConverterProcess& aConverter);
    void EndConverterWhenDue();
    void ProcessEventsWhenDue();
    void ProcessEvents();

    MessageLog& mLog;
    Window mWindow;
    Options mOptions;
    QString mConverterCommandLine;
    bool mRunning = false;
    bool mLeaving = false;
    bool mRunAgain = false;
    bool mStopRequested = false;
    bool mClosing = false;
    // While the run converts its files: the converter is waited for with the events flowing.
    bool mKeepEventsFlowing = false;
    QElapsedTimer mClosingSince;
    // The converter being waited for with the events flowing, or none.
    miKezConverterRunner::ConverterProcess* mConverter = nullptr;
    RunResults mResults;
    QElapsedTimer mSinceEvents;
    std::unique_ptr<WaitingThread> mWaiting;
};
