#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class MessageLog;

// One conversion run over the waiting files: converts the oldest until none is left or a stop
// was asked for, logs each result, counts them and ends with the summary. The window it belongs
// to only answers the questions in Window and shows what the run reports.
//
// While the converter works, the window's events keep flowing (painting, "Стоп!", a close, drops),
// at a bounded rate so that a batch of quick conversions is not slowed by repainting.
class BatchRun : public QObject {
    Q_OBJECT
public:
    // How often at most the window's waiting events run during a run; always at its start and end.
    static constexpr int kEventIntervalMs = 100;

    struct Window {
        std::function<void(bool)> setBusy;
        std::function<std::optional<QString>()> firstFile;  // the oldest waiting file
        std::function<qsizetype()> waitingCount;
        std::function<void(const QString&)> convert;        // converts one file through ConvertFile
        std::function<void(const QString&)> remove;         // the file leaves the list
        std::function<void()> beforeEvents;                  // brings the screen up to date
        std::function<bool(const QString& aFile)> confirmEndConverter;
    };

    BatchRun(MessageLog& aLog, Window aWindow, QObject* aParent = nullptr);
    ~BatchRun() override;

    // The whole run. Does nothing while a run is already going on.
    void Run();

    // Converts one file into aOutFile, logs the result and counts it.
    void ConvertFile(const QString& aFile, const QString& aOutFile);

    // The first request stops the run after the file being converted. A second one while the
    // converter still works offers to end it (one that hangs would otherwise hold the run for ever).
    void RequestStop();
    // The window is closing: stop after the current file. The start of a run never clears this.
    void RequestClose();

    bool IsRunning() const { return mRunning; }
    bool StopRequested() const { return mStopRequested || mClosing; }
    qint32 SucceededCount() const { return mSucceeded; }
    qint32 FailedCount() const { return mFailed; }

signals:
    // The run is at file aCurrent of aTotal (the total grows when files arrive meanwhile);
    // (0, 0) when it has ended.
    void Progress(qint32 aCurrent, qint32 aTotal);

private:
    class WaitingThread;
    void WaitKeepingEventsFlowing(const std::function<bool(std::uint32_t)>& aWaitFor);
    void ProcessEventsWhenDue();
    void ProcessEvents();

    MessageLog& mLog;
    Window mWindow;
    bool mRunning = false;
    bool mStopRequested = false;
    bool mClosing = false;
    qint32 mSucceeded = 0;
    qint32 mFailed = 0;
    QElapsedTimer mSinceEvents;
    std::unique_ptr<WaitingThread> mWaiting;
};
