#include "core/run/EventsFlowingWaiter.h"
#include "platform/Process.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

using miKezConverterRunner::ConverterProcess;

// One thread for a whole run that waits for each converter that outlasts the event interval, while
// the window's events run: starting a thread per file would cost more than the rest of the
// window's work for that file.
class EventsFlowingWaiter::WaitingThread {
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

EventsFlowingWaiter::EventsFlowingWaiter(std::function<void()> aBeforeEvents) : mBeforeEvents(std::move(aBeforeEvents)) {}

EventsFlowingWaiter::~EventsFlowingWaiter() = default;

RunWaiter::Waited EventsFlowingWaiter::Wait(ConverterProcess& aConverter)
{
    // Outside a run nothing else is going on: the converter is simply waited for.
    if (!mInRun) {
        aConverter.WaitFor(platform::kInfinite);
        return {};
    }
    return WaitKeepingEventsFlowing(aConverter);
}

void EventsFlowingWaiter::RunBegins()
{
    mInRun = true;
    mSinceEvents.start();
}

void EventsFlowingWaiter::RunEnds()
{
    mInRun = false;
    mWaiting.reset();
}

void EventsFlowingWaiter::BetweenFiles()
{
    if (mSinceEvents.elapsed() >= kEventIntervalMs)
        ProcessEvents();
}

void EventsFlowingWaiter::EventsWillRun() { mBeforeEvents(); }

void EventsFlowingWaiter::EventsRan() { mSinceEvents.restart(); }

void EventsFlowingWaiter::SetClosing(bool aClosing)
{
    if (aClosing && !mClosing)
        mClosingSince.start();
    mClosing = aClosing;
}

void EventsFlowingWaiter::EndConverter(const std::function<bool()>& aConfirm)
{
    if (mConverter && mConverter->IsRunning() && aConfirm())
        mConverter->End();
}

void EventsFlowingWaiter::EndConverterWhenDue()
{
    if (!mConverter)
        return;
    if (mClosing && mClosingSince.elapsed() >= kCloseWaitMs && mConverter->IsRunning())
        mConverter->End();
    // Asked to end: ended at once when its grace is over.
    if (mConverter->IsBeingEnded())
        mConverter->End();
}

void EventsFlowingWaiter::ProcessEvents()
{
    mBeforeEvents();
    QCoreApplication::processEvents();
    mSinceEvents.restart();
}

RunWaiter::Waited EventsFlowingWaiter::WaitKeepingEventsFlowing(ConverterProcess& aConverter)
{
    const struct Forget {
        ConverterProcess*& converter;
        ~Forget() { converter = nullptr; }
    } forget{mConverter};
    mConverter = &aConverter;
    Waited waited;
    // A quick conversion ends before events are due: waited for right here, with no event
    // processing and no other thread involved.
    const qint64 untilEvents = qMax<qint64>(0, kEventIntervalMs - mSinceEvents.elapsed());
    if (aConverter.WaitFor(std::uint32_t(untilEvents)))
        return waited;
    const std::function<void()> waitForEnd = [&aConverter] { aConverter.WaitFor(platform::kInfinite); };
    // Started by the first conversion that outlasts the interval, kept for the rest of the run.
    if (!mWaiting)
        mWaiting = std::make_unique<WaitingThread>();
    QEventLoop loop;
    QTimer ending;
    QObject::connect(&ending, &QTimer::timeout, &loop, [this] { EndConverterWhenDue(); });
    ending.start(kEventIntervalMs);
    mWaiting->Begin(waitForEnd, &loop);
    if (!mWaiting->FinishedWithin(0)) {
        mBeforeEvents();
        loop.exec();
        mSinceEvents.restart();
    }
    ending.stop();
    // Left without the converter's end, the loop could not run (the application is quitting):
    // that is a close, and the converter gets no longer than a close gives it.
    while (!mWaiting->FinishedWithin(kEventIntervalMs)) {
        waited.closing = true;
        SetClosing(true);
        EndConverterWhenDue();
    }
    mWaiting->Finish();
    return waited;
}
