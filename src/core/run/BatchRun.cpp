#include "core/run/BatchRun.h"
#include "core/run/MessageLog.h"
#include "core/common/ScopedOverride.h"
#include "core/errors/mErrorHandling.h"
#include "core/options/ConversionOptions.h"
#include "core/options/TLuKezOptions.h"
#include "platform/HandOverLock.h"
#include "platform/Services.h"
#include "core/runner/miKezConverterRunner.h"

#include <QEventLoop>
#include <QTimer>

#include <exception>
#include <utility>

using mErrorHandling::PassOn;

namespace {

constexpr const char* kModule = "BrowserForm";

const QString kInterrupted = QStringLiteral("Конвертация прервана пользователем.");

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

} // namespace

BatchRun::BatchRun(MessageLog& aLog, Window aWindow, Options aOptions, std::unique_ptr<RunWaiter> aWaiter,
                   QString aConverter, QObject* aParent)
    : QObject(aParent), mLog(&aLog), mWindow(std::move(aWindow)), mOptions(std::move(aOptions)),
      mWaiter(std::move(aWaiter)), mConverterCommandLine(std::move(aConverter))
{
}

BatchRun::BatchRun(Options aOptions, std::unique_ptr<RunWaiter> aWaiter, QString aConverter)
    : mOptions(std::move(aOptions)), mWaiter(std::move(aWaiter)), mConverterCommandLine(std::move(aConverter))
{
}

BatchRun::Options BatchRun::ReadOnce()
{
    std::shared_ptr<TLuKezOptions> options;
    std::exception_ptr failure;
    try {
        options = miKezConverterMain::ReadKezOptions();
    } catch (...) {
        failure = std::current_exception();
    }
    return [options, failure]() -> TLuKezOptions& {
        if (!options)
            std::rethrow_exception(failure);
        return *options;
    };
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
                run.mWaiter->SetClosing(false);
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
    const ScopedOverride<bool> running(mRunning, true);
    // A stop left from an earlier run is void; one that arrives while the busy state is being
    // shown belongs to this run and must survive.
    mStopRequested = false;
    const ScopedOverride<bool> leaving(mLeaving, false);
    {
        const BusyWhileRunning busy(mWindow.setBusy);
        mResults.Start();
        // While the run converts its files the waiter waits its run's way.
        mWaiter->RunBegins();
        const struct EndWaiter {
            RunWaiter& waiter;
            ~EndWaiter() { waiter.RunEnds(); }
        } endWaiter{*mWaiter};

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
            mWaiter->BetweenFiles();
        }
        for (const QString& line : mResults.Summary(StopRequested()))
            mLog->Add(line);
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
    mWaiter->EventsWillRun();
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
    mWaiter->EventsRan();
    emit WaitingForTurn(false);
    return taken;
}

void BatchRun::ConvertFile(const QString& aFile, const QString& aOutFile)
{
    PassOn(kModule, "DoConvertion", [&] {
        if (const std::optional<QString> refused = mResults.RefuseReplacing(aFile, aOutFile)) {
            mLog->Add(*refused);
            return;
        }
        // The window reports an unexpected failure in its error window, not as the file's result.
        const Result result = ConvertPassingOn(aFile, aOutFile);
        if (result.converted)
            mLog->Add(mResults.Converted(aFile, aOutFile));
        else
            mLog->Add(mResults.Failed(aFile, aOutFile, result.message));
    });
}

BatchRun::Result BatchRun::Convert(const QString& aFile, const QString& aOutFile)
{
    try {
        return ConvertPassingOn(aFile, aOutFile);
    } catch (...) {
        return Result{false, mErrorHandling::CurrentFailure().description()};
    }
}

BatchRun::Result BatchRun::ConvertPassingOn(const QString& aFile, const QString& aOutFile)
{
    Result result;
    qint32 resultCode = 0;
    RunWaiter::Waited waited;
    const miKezConverterRunner::ConverterWaiter waiter = [this, &waited](miKezConverterRunner::ConverterProcess& aConverter) {
        waited = mWaiter->Wait(aConverter);
    };
    result.converted = miKezConverterRunner::RunConverter(mOptions(), aFile, aOutFile, 0, resultCode, result.message,
                                                          waiter, mConverterCommandLine, &result.message);
    if (waited.closing)
        RequestClose();
    // Whatever an ended converter left is no reply; ended at the user's word, it was interrupted.
    if (!result.converted && waited.endedOnRequest)
        result.message = kInterrupted;
    return result;
}

void BatchRun::RequestStop()
{
    if (!mRunning)
        return;
    if (!mStopRequested) {
        mStopRequested = true;
        return;
    }
    mWaiter->EndConverter([this] { return mWindow.confirmEndConverter(mWindow.firstFile().value_or(QString())); });
}

void BatchRun::RequestClose()
{
    if (!mRunning || mClosing)
        return;
    mClosing = true;
    mWaiter->SetClosing(true);
}

BatchRun::~BatchRun() = default;
