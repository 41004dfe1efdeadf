#include "core/run/BatchRun.h"
#include "core/run/MessageLog.h"
#include "core/common/LineBreak.h"
#include "core/errors/mErrorHandling.h"
#include "platform/HandOverLock.h"
#include "platform/Services.h"
#include "core/runner/miKezConverterRunner.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

using mErrorHandling::PassOn;

namespace {

constexpr const char* kModule = "BrowserForm";

// The window's busy state for as long as a run lasts, left again however the run ends.
class BusyWhileRunning {
public:
    explicit BusyWhileRunning(const std::function<void(bool)>& aSetBusy) : mSetBusy(aSetBusy) { mSetBusy(true); }
    ~BusyWhileRunning() noexcept(false)
    {
        if (std::uncaught_exceptions() == mUnwinding) {
            mSetBusy(false);
            return;
        }
        // Already failing: that failure is the one to report.
        try {
            mSetBusy(false);
        } catch (...) {
        }
    }
    BusyWhileRunning(const BusyWhileRunning&) = delete;
    BusyWhileRunning& operator=(const BusyWhileRunning&) = delete;

private:
    const std::function<void(bool)>& mSetBusy;
    int mUnwinding = std::uncaught_exceptions();
};

// Restores a value when the scope ends.
template <class T>
class Restore {
public:
    Restore(T& aValue, T aDuring) : mValue(aValue), mSaved(std::exchange(aValue, std::move(aDuring))) {}
    ~Restore() { mValue = std::move(mSaved); }
    Restore(const Restore&) = delete;
    Restore& operator=(const Restore&) = delete;

private:
    T& mValue;
    T mSaved;
};

} // namespace

BatchRun::BatchRun(MessageLog& aLog, Window aWindow, Options aOptions, QString aConverter, QObject* aParent)
    : QObject(aParent), mLog(aLog), mWindow(std::move(aWindow)), mOptions(std::move(aOptions)),
      mConverterCommandLine(std::move(aConverter))
{
}

void BatchRun::Run()
{
    PassOn(kModule, "ConvertCurrentSrcList", [&] {
        if (mRunning) {
            // A click or a tick handled while the busy state goes belongs to no run yet: it starts
            // the next one. From inside the run it is void.
            if (mLeaving)
                mRunAgain = true;
            return;
        }
        // However the runs end, a close is not carried over to the next one, and whoever waits
        // for the end (a closed window) learns of it.
        const struct EndRuns {
            BatchRun& run;
            ~EndRuns()
            {
                run.mClosing = false;
                run.mRunAgain = false;
                emit run.Ended();
            }
        } endRuns{*this};
        do {
            mRunAgain = false;
            RunOnce();
        } while (mRunAgain && !mClosing);
    });
}

void BatchRun::RunOnce()
{
    // Nothing to convert: no busy state to show and take back, no waiting thread.
    if (!mWindow.firstFile())
        return;
    const Restore<bool> running(mRunning, true);
    // A stop left from an earlier run is void; one that arrives while the busy state is being
    // shown belongs to this run and must survive.
    mStopRequested = false;
    const Restore<bool> leaving(mLeaving, false);
    {
        const BusyWhileRunning busy(mWindow.setBusy);
        mSinceEvents.start();
        mResults.Start();
        const Restore<bool> keepEvents(mKeepEventsFlowing, true);
        const struct EndWaiter {
            std::unique_ptr<WaitingThread>& waiting;
            ~EndWaiter() { waiting.reset(); }
        } endWaiter{mWaiting};

        qint32 done = 0;
        // Files dropped or cleared meanwhile change the list: read it afresh each time.
        while (!StopRequested()) {
            const std::optional<QString> file = mWindow.firstFile();
            if (!file)
                break;
            emit Progress(done + 1, qint32(done + mWindow.waitingCount()));
            // Stopped or closed while another instance had the turn: the file was not begun.
            if (!TakeTurn())
                break;
            {
                const struct GiveBackTurn {
                    ~GiveBackTurn() { platform::service<platform::HandOverLock>().release(); }
                } giveBack;
                mWindow.convert(*file);
            }
            mWindow.remove(*file);
            ++done;
            ProcessEventsWhenDue();
        }
        for (const QString& line : mResults.Summary(StopRequested()))
            mLog.Add(line);
        emit Progress(0, 0);
        // What the window handles while its busy state goes is no longer part of this run.
        mLeaving = true;
    }
}

bool BatchRun::TakeTurn()
{
    using Attempt = platform::HandOverLock::Attempt;
    platform::HandOverLock& lock = platform::service<platform::HandOverLock>();
    // A turn that cannot be had at all is the conversion's to report.
    if (lock.tryAcquire() != Attempt::Busy)
        return true;
    emit WaitingForTurn(true);
    mWindow.beforeEvents();
    bool taken = false;
    {
        QEventLoop loop;
        QTimer retry;
        connect(&retry, &QTimer::timeout, &loop, [&] {
            if (!StopRequested()) {
                taken = lock.tryAcquire() != Attempt::Busy;
                if (!taken)
                    return;
            }
            loop.quit();
        });
        retry.start(kTurnRetryMs);
        // A loop that cannot run (the application is quitting) waits no more either.
        loop.exec();
    }
    mSinceEvents.restart();
    emit WaitingForTurn(false);
    return taken;
}

void BatchRun::ConvertFile(const QString& aFile, const QString& aOutFile)
{
    PassOn(kModule, "DoConvertion", [&] {
        if (const std::optional<QString> refused = mResults.RefuseReplacing(aFile, aOutFile)) {
            mLog.Add(*refused);
            return;
        }
        qint32 resultCode = 0;
        QString message;
        // Within a run the window's events flow while the converter works; otherwise this waits.
        miKezConverterRunner::ConverterWaiter waiter;
        if (mKeepEventsFlowing)
            waiter = [this](miKezConverterRunner::ConverterProcess& aConverter) { WaitKeepingEventsFlowing(aConverter); };
        if (miKezConverterRunner::RunConverter(mOptions(), aFile, aOutFile, 0, resultCode, message, waiter, mConverterCommandLine))
            mLog.Add(mResults.Converted(aFile, aOutFile));
        else
            mLog.Add(mResults.Failed(aFile, aOutFile, message));
    });
}

void BatchRun::RequestStop()
{
    if (!mRunning)
        return;
    if (!mStopRequested) {
        mStopRequested = true;
        return;
    }
    const std::optional<QString> file = mWindow.firstFile();
    if (mConverter && mConverter->IsRunning() && mWindow.confirmEndConverter(file.value_or(QString())))
        mConverter->End();
}

void BatchRun::RequestClose()
{
    if (!mRunning || mClosing)
        return;
    mClosing = true;
    mClosingSince.start();
}

void BatchRun::EndConverterWhenDue()
{
    if (!mConverter)
        return;
    if (mClosing && mClosingSince.elapsed() >= kCloseWaitMs && mConverter->IsRunning())
        mConverter->End();
    // Asked to end: ended at once when its grace is over.
    if (mConverter->IsBeingEnded())
        mConverter->End();
}

void BatchRun::ProcessEvents()
{
    mWindow.beforeEvents();
    QCoreApplication::processEvents();
    mSinceEvents.restart();
}

void BatchRun::ProcessEventsWhenDue()
{
    if (mSinceEvents.elapsed() >= kEventIntervalMs)
        ProcessEvents();
}

// One thread for a whole run that waits for each converter that outlasts the event interval, while
// the window's events run: starting a thread per file would cost more than the rest of the
// window's work for that file.
class BatchRun::WaitingThread {
public:
    WaitingThread() : mThread([this] { Serve(); }) {}
    ~WaitingThread()
    {
        {
            const std::lock_guard lock(mMutex);
            mQuit = true;
        }
        mChanged.notify_all();
        mThread.join();
    }
    WaitingThread(const WaitingThread&) = delete;
    WaitingThread& operator=(const WaitingThread&) = delete;

    // Runs aWait there; once it has returned, Finished answers true and aLoop is asked to quit.
    void Begin(const std::function<void()>& aWait, QEventLoop* aLoop)
    {
        {
            const std::lock_guard lock(mMutex);
            mWait = &aWait;
            mLoop = aLoop;
            mDone = false;
        }
        mChanged.notify_all();
    }
    // Waits at most aMs for the end of the current wait.
    bool FinishedWithin(qint64 aMs)
    {
        std::unique_lock lock(mMutex);
        return mChanged.wait_for(lock, std::chrono::milliseconds(aMs), [this] { return mDone; });
    }
    void Finish()
    {
        std::unique_lock lock(mMutex);
        mChanged.wait(lock, [this] { return mDone; });
    }

private:
    void Serve()
    {
        std::unique_lock lock(mMutex);
        while (true) {
            mChanged.wait(lock, [this] { return mQuit || mWait; });
            if (mQuit)
                return;
            const std::function<void()>* wait = std::exchange(mWait, nullptr);
            lock.unlock();
            (*wait)();
            lock.lock();
            mDone = true;
            // Under the lock: the loop outlives the wait it was given for.
            QMetaObject::invokeMethod(mLoop, &QEventLoop::quit, Qt::QueuedConnection);
            mChanged.notify_all();
        }
    }

    std::mutex mMutex;
    std::condition_variable mChanged;
    const std::function<void()>* mWait = nullptr;
    QEventLoop* mLoop = nullptr;
    bool mDone = true;
    bool mQuit = false;
    std::thread mThread;
};

void BatchRun::WaitKeepingEventsFlowing(miKezConverterRunner::ConverterProcess& aConverter)
{
    const Restore<miKezConverterRunner::ConverterProcess*> converter(mConverter, &aConverter);
    // A quick conversion ends before events are due: waited for right here, with no event
    // processing and no other thread involved.
    const qint64 untilEvents = qMax<qint64>(0, kEventIntervalMs - mSinceEvents.elapsed());
    if (aConverter.WaitFor(std::uint32_t(untilEvents)))
        return;
    const std::function<void()> waitForEnd = [&aConverter] { aConverter.WaitFor(platform::kInfinite); };
    // Started by the first conversion that outlasts the interval, kept for the rest of the run.
    if (!mWaiting)
        mWaiting = std::make_unique<WaitingThread>();
    QEventLoop loop;
    QTimer ending;
    connect(&ending, &QTimer::timeout, &loop, [this] { EndConverterWhenDue(); });
    ending.start(kEventIntervalMs);
    mWaiting->Begin(waitForEnd, &loop);
    if (!mWaiting->FinishedWithin(0)) {
        mWindow.beforeEvents();
        loop.exec();
        mSinceEvents.restart();
    }
    ending.stop();
    // Left without the converter's end, the loop could not run (the application is quitting):
    // that is a close, and the converter gets no longer than a close gives it.
    while (!mWaiting->FinishedWithin(kEventIntervalMs)) {
        RequestClose();
        EndConverterWhenDue();
    }
    mWaiting->Finish();
}

BatchRun::~BatchRun() = default;
