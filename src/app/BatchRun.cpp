#include "app/BatchRun.h"
#include "app/MessageLog.h"
#include "app/miKezConverterMain.h"
#include "errors/mErrorHandling.h"
#include "runner/miKezConverterRunner.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

using mErrorHandling::PassOn;

namespace {

constexpr const char* kModule = "BrowserForm";
const QString kCrLf = QStringLiteral("\r\n");

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

BatchRun::BatchRun(MessageLog& aLog, Window aWindow, QObject* aParent)
    : QObject(aParent), mLog(aLog), mWindow(std::move(aWindow))
{
}

BatchRun::~BatchRun() = default;

void BatchRun::Run()
{
    PassOn(kModule, "ConvertCurrentSrcList", [&] {
        if (mRunning)
            return;
        const Restore<bool> running(mRunning, true);
        // A stop left from an earlier run is void; one that arrives while the busy state is being
        // shown belongs to this run and must survive.
        mStopRequested = false;
        const struct EndClosing {
            bool& closing;
            ~EndClosing() { closing = false; }
        } endClosing{mClosing};
        const BusyWhileRunning busy(mWindow.setBusy);
        mSinceEvents.start();
        mSucceeded = 0;
        mFailed = 0;
        miKezConverterRunner::SetConverterWaiter(
            [this](const std::function<void()>& aWaitForEnd) { WaitKeepingEventsFlowing(aWaitForEnd); });
        const struct EndWaiter {
            ~EndWaiter() { miKezConverterRunner::SetConverterWaiter({}); }
        } endWaiter;

        qint32 done = 0;
        // Files dropped or cleared meanwhile change the list: read it afresh each time.
        while (!StopRequested()) {
            const std::optional<QString> file = mWindow.firstFile();
            if (!file)
                break;
            emit Progress(done + 1, qint32(done + mWindow.waitingCount()));
            mWindow.convert(*file);
            mWindow.remove(*file);
            ++done;
            ProcessEventsWhenDue();
        }
        const qint32 processed = mSucceeded + mFailed;
        if (processed > 1) {
            mLog.Add(QStringLiteral("Обработано файлов: %1, успешно: %2, с ошибками: %3")
                         .arg(processed)
                         .arg(mSucceeded)
                         .arg(mFailed));
            if (StopRequested())
                mLog.Add(QStringLiteral("Обработка прервана пользователем."));
        }
        emit Progress(0, 0);
    });
}

void BatchRun::ConvertFile(const QString& aFile, const QString& aOutFile)
{
    PassOn(kModule, "DoConvertion", [&] {
        qint32 resultCode = 0;
        QString message;
        if (miKezConverterRunner::RunConverter(miKezConverterMain::gKezOptions(), aFile, aOutFile, 0, resultCode,
                                               message)) {
            mLog.Add(QStringLiteral("Успешно: ") + aFile + QStringLiteral(" -> ") + aOutFile);
            ++mSucceeded;
        } else {
            mLog.Add(QStringLiteral("Ошибка: ") + aFile + QStringLiteral(" -> ") + aOutFile + kCrLf + message);
            ++mFailed;
        }
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
    if (miKezConverterRunner::IsConverterRunning() && mWindow.confirmEndConverter(file.value_or(QString())))
        miKezConverterRunner::EndRunningConverter();
}

void BatchRun::RequestClose()
{
    if (mRunning)
        mClosing = true;
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

void BatchRun::WaitKeepingEventsFlowing(const std::function<void()>& aWaitForEnd)
{
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    QEventLoop loop;
    std::thread waiting([&] {
        aWaitForEnd();
        {
            const std::lock_guard lock(mutex);
            done = true;
        }
        ended.notify_one();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // A quick conversion ends before events are due: no event processing for it at all.
    const qint64 due = qMax<qint64>(0, kEventIntervalMs - mSinceEvents.elapsed());
    bool finished;
    {
        std::unique_lock lock(mutex);
        finished = ended.wait_for(lock, std::chrono::milliseconds(due), [&] { return done; });
    }
    if (!finished) {
        mWindow.beforeEvents();
        loop.exec();
        mSinceEvents.restart();
    }
    waiting.join();
}
