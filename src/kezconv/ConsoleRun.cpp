#include "kezconv/ConsoleRun.h"
#include "core/run/BatchRun.h"
#include "core/run/EndHeedingWaiter.h"
#include "kezconv/ConsoleSources.h"
#include "kezconv/ConsoleText.h"
#include "kezconv/PrivateRuntimeFolder.h"
#include "kezconv/WorkerChannel.h"
#include "platform/Console.h"
#include "platform/EndRequests.h"
#include "platform/ExecutableSearch.h"
#include "platform/FileNameCodec.h"
#include "platform/Services.h"
#include "platform/SystemErrorText.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <utility>


namespace {

// What a worker that ended without a reply leaves its file with: the same as a converter that
// ended without one.
const QString kNoConfirmation = QStringLiteral("Нет подтверждения, что конвертер отработал.");

// How long the workers get to end once their input has ended.
constexpr int kWorkerEndMs = 5000;

} // namespace

ConsoleRun::ConsoleRun(Settings aSettings, QObject* aParent) : QObject(aParent), mSettings(aSettings)
{
    connect(&mLog, &MessageLog::Appended, this, [this](const QString& aShown, qsizetype) { Write(stdout, aShown); });
    connect(&mErrorLog, &MessageLog::Appended, this, [this](const QString& aShown, qsizetype) { Write(stderr, aShown); });
}

void ConsoleRun::Write(FILE* aStream, const QString& aShown)
{
    ClearProgress();
    if (!writeConsoleText(aStream, aShown) && !mOutputLost) {
        // The log's reader has gone (the other end of a pipe closed): the run stops as at an
        // interrupt, rather than going on with nobody told what became of each file.
        mOutputLost = true;
        ++mEndRequestsSeen;
        QMetaObject::invokeMethod(this, [this] { EndRequested(); }, Qt::QueuedConnection);
    }
}

ConsoleRun::~ConsoleRun()
{
    for (const auto& worker : mWorkers)
        if (worker->process) {
            worker->process->kill();
            worker->process->waitForFinished(kWorkerEndMs);
        }
}

void ConsoleRun::Fail(const QString& aMessage)
{
    ++mOtherFailures;
    Print(aMessage, true);
}

void ConsoleRun::Add(const QString& aFile, const QString& aOutFile)
{
    mWaiting.push_back(mJobsAdded);
    mJobs.emplace(mJobsAdded++, Job{aFile, aOutFile, RunResults::Key(aOutFile)});
}

void ConsoleRun::MoreArrived()
{
    if (mEnded)
        return;
    GiveOutFiles();
    ShowProgress();
    EndWhenFinished();
}

void ConsoleRun::Refill()
{
    // Enough waiting that each worker has its next file at hand; few enough that a long list is
    // read only as fast as it is converted.
    const size_t enough = size_t(mSettings.workers) * kFilesPerWorker + 16;
    if (!mSources || mInputEnded || mWaiting.size() >= enough)
        return;
    const std::vector<ConsoleSources::Item> items = mSources->Take(enough - mWaiting.size());
    for (const ConsoleSources::Item& item : items) {
        if (item.failure.isEmpty())
            Add(item.file, item.outFile);
        else
            Fail(item.failure);
    }
    if (mSources->Ended()) {
        mInputEnded = true;
        mListFailure = mSources->ListFailure();
        if (!mListFailure.isEmpty())
            mErrorLog.Add(QStringLiteral("kezconv: ") + mListFailure);
    } else if (!items.empty() && mWaiting.size() < enough && !mRefillScheduled) {
        // More may be at hand. Taken after what already waits (a result, an end request), so that
        // a long run of names that add nothing holds no conversion back.
        mRefillScheduled = true;
        QMetaObject::invokeMethod(this, [this] {
            mRefillScheduled = false;
            MoreArrived();
        }, Qt::QueuedConnection);
    }
}

int ConsoleRun::Exec()
{
    mResults.Start();
    // From another thread: handled here, between two results. The converter at work here counts
    // them as they come.
    platform::service<platform::EndRequests>().listen([this] {
        mStoppedByUser = true;
        ++mEndRequestsSeen;
        QMetaObject::invokeMethod(this, [this] { EndRequested(); }, Qt::QueuedConnection);
    });
    Refill();
    if (mSettings.workers == 1 && (!mWaiting.empty() || !mInputEnded)) {
        QString why;
        mLocalFolder = PrivateRuntimeFolder::Make(why);
        if (mLocalFolder) {
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(mLocalFolder->path()));
            mLocal = std::make_unique<BatchRun>(BatchRun::ReadOnce(),
                                                std::make_unique<EndHeedingWaiter>([this] { return mEndRequestsSeen >= 2; }));
        } else {
            FailWaiting(why);
        }
    }
    GiveOutFiles();
    ShowProgress();
    EndWhenFinished();
    if (!mEnded) {
        QEventLoop loop;
        while (!mEnded)
            loop.processEvents(QEventLoop::WaitForMoreEvents);
    }
    platform::service<platform::EndRequests>().listen([] {});
    if (!mListFailure.isEmpty())
        return kUsage;
    if (mStoppedByUser)
        return kStopped;
    const bool allConverted = mResults.FailedCount() == 0 && mOtherFailures == 0 && mFinished == mJobsAdded;
    return allConverted && !mOutputLost ? kAllConverted : kSomeFailed;
}

void ConsoleRun::EndRequested()
{
    ++mEndRequests;
    if (mEndRequests == 1) {
        mWaiting.clear();
        mInputEnded = true; // nothing more is taken from the lists
        // The files sent but not begun come back as withdrawn.
        for (const auto& worker : mWorkers)
            if (worker->process && worker->jobs.size() > 1)
                worker->process->write(WorkerChannel::Frame(WorkerChannel::Request{{}, {}, true}));
        EndWhenFinished();
        return;
    }
    // Once more: the converters too.
    for (const auto& worker : mWorkers)
        if (worker->process && !worker->jobs.empty())
            worker->process->terminate();
}

void ConsoleRun::GiveOutFiles()
{
    if (mEndRequests == 0)
        Refill();
    if (mLocal) {
        // From the event loop, so that an end request is heeded between two files.
        if (!mLocalScheduled && !mWaiting.empty()) {
            mLocalScheduled = true;
            QMetaObject::invokeMethod(this, [this] { ConvertLocally(); }, Qt::QueuedConnection);
        }
        return;
    }
    while (!mWaiting.empty()) {
        const qsizetype job = TakeNextJob();
        if (job < 0)
            return;
        Worker& worker = RoomyWorker();
        if (!worker.process) {
            // No worker can be started: nothing else can be converted either.
            mWaiting.push_front(job);
            FailWaiting(mStartFailure);
            return;
        }
        worker.jobs.push_back(job);
        mBeingMade.insert(mJobs.at(job).key, job);
        worker.process->write(WorkerChannel::Frame(WorkerChannel::Request{mJobs.at(job).file, mJobs.at(job).outFile}));
    }
}

void ConsoleRun::ConvertLocally()
{
    mLocalScheduled = false;
    const qsizetype job = TakeNextJob();
    if (job >= 0) {
        mBeingMade.insert(mJobs.at(job).key, job);
        const BatchRun::Result reply = mLocal->Convert(mJobs.at(job).file, mJobs.at(job).outFile);
        Done(job, reply.converted, reply.message);
    }
    GiveOutFiles();
    EndWhenFinished();
}

qsizetype ConsoleRun::TakeNextJob()
{
    if (!HasRoom())
        return -1;
    for (auto waiting = mWaiting.begin(); waiting != mWaiting.end();) {
        const Job& job = mJobs.at(*waiting);
        if (mBeingMade.contains(job.key)) {
            ++waiting;
            continue;
        }
        const qsizetype taken = *waiting;
        waiting = mWaiting.erase(waiting);
        const std::optional<QString> refused = mResults.RefuseReplacing(job.file, job.outFile);
        if (refused)
            Print(*refused, true);
        if (refused || !PrepareJob(job)) {
            ++mFinished;
            mJobs.erase(taken);
            ShowProgress();
            continue;
        }
        return taken;
    }
    return -1;
}

// False when the file is done with before it is converted: its result is up to date, or its
// folder cannot be made.
bool ConsoleRun::PrepareJob(const Job& aJob)
{
    namespace fs = std::filesystem;
    // By the names' bytes: Qt cannot name what is no UTF-8.
    const fs::path source = platform::encodeFileName(aJob.file.toStdU16String());
    const fs::path result = platform::encodeFileName(aJob.outFile.toStdU16String());
    std::error_code failure;
    if (mSettings.noClobber && fs::is_regular_file(result, failure)) {
        std::error_code unreadable;
        const auto made = fs::last_write_time(result, failure);
        const auto changed = fs::last_write_time(source, unreadable);
        if (!failure && !unreadable && made >= changed) {
            Print(mResults.Kept(aJob.file, aJob.outFile), false);
            return false;
        }
    }
    if (mSettings.makeFolders) {
        failure.clear();
        fs::create_directories(result.parent_path(), failure);
        if (failure) {
            const qsizetype separator = aJob.outFile.lastIndexOf(QLatin1Char(platform::pathSeparator()));
            Print(mResults.Failed(aJob.file, aJob.outFile,
                                  QStringLiteral("Не удалось создать папку %1: %2.")
                                      .arg(aJob.outFile.left(separator),
                                           QString::fromStdString(platform::systemErrorText(failure.value())))),
                  true);
            return false;
        }
    }
    return true;
}

bool ConsoleRun::HasRoom() const
{
    return qsizetype(mWorkers.size()) < mSettings.workers ||
           std::any_of(mWorkers.begin(), mWorkers.end(),
                       [](const auto& aWorker) { return !aWorker->failedToStart && aWorker->jobs.size() < kFilesPerWorker; });
}

// An idle worker first, then a new one, then the one that holds the fewest files.
ConsoleRun::Worker& ConsoleRun::RoomyWorker()
{
    Worker* least = nullptr;
    for (const auto& worker : mWorkers) {
        if (worker->failedToStart)
            continue;
        if (worker->jobs.empty()) {
            if (!worker->process)
                StartWorker(*worker);
            return *worker;
        }
        if (!least || worker->jobs.size() < least->jobs.size())
            least = worker.get();
    }
    if (!least || qsizetype(mWorkers.size()) < mSettings.workers) {
        mWorkers.push_back(std::make_unique<Worker>());
        StartWorker(*mWorkers.back());
        return *mWorkers.back();
    }
    return *least;
}

void ConsoleRun::StartWorker(Worker& aWorker)
{
    aWorker.runtimeFolder = PrivateRuntimeFolder::Make(mStartFailure);
    if (!aWorker.runtimeFolder)
        return; // no worker: the files fail with mStartFailure
    aWorker.received.clear();
    auto* process = new QProcess(this);
    aWorker.process = process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), aWorker.runtimeFolder->path());
    process->setProcessEnvironment(environment);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A session of its own: Ctrl+C in the terminal reaches kezconv alone, which decides. The
    // service is reached before the start: the child may make no call but the one it needs.
    platform::Console& console = platform::service<platform::Console>();
    process->setChildProcessModifier([&console] { console.leaveTerminalGroup(); });
    connect(process, &QProcess::readyReadStandardOutput, this, [this, &aWorker] { ReadReplies(aWorker); });
    connect(process, &QProcess::finished, this, [this, &aWorker, process] {
        if (aWorker.process == process)
            WorkerEnded(aWorker);
    });
    connect(process, &QProcess::errorOccurred, this, [this, &aWorker, process](QProcess::ProcessError aError) {
        if (aError != QProcess::FailedToStart || aWorker.process != process)
            return;
        mStartFailure = QStringLiteral("Ошибка запуска kezconv: ") + process->errorString();
        // Handled from the event loop: this may be reported from inside the start.
        aWorker.failedToStart = true;
        QMetaObject::invokeMethod(this, [this, worker = &aWorker] { WorkerFailedToStart(worker); }, Qt::QueuedConnection);
    });
    process->start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(WorkerChannel::kWorkerArgument)});
}

void ConsoleRun::WorkerFailedToStart(Worker* aWorker)
{
    const auto found = std::find_if(mWorkers.begin(), mWorkers.end(), [aWorker](const auto& aOne) { return aOne.get() == aWorker; });
    if (found == mWorkers.end())
        return;
    std::unique_ptr<Worker> worker = std::move(*found);
    mWorkers.erase(found);
    worker->process->disconnect(this);
    worker->process->deleteLater();
    const qsizetype running = std::count_if(mWorkers.begin(), mWorkers.end(), [](const auto& aOne) { return aOne->process && !aOne->failedToStart; });
    if (running == 0) {
        for (const qsizetype job : std::exchange(worker->jobs, {}))
            Done(job, false, mStartFailure);
        FailWaiting(mStartFailure);
        EndWhenFinished();
        return;
    }
    // The machine gives no more workers than run now (descriptors or processes ran out): those
    // convert its files too.
    if (mSettings.workers > running) {
        mErrorLog.Add(QStringLiteral("kezconv: не удалось запустить ещё один процесс для конвертации (%1); "
                                     "файлы конвертируют уже запущенные процессы: %2.")
                          .arg(mStartFailure)
                          .arg(running));
        mSettings.workers = int(running);
    }
    GiveBack(worker->jobs, &mStartFailure);
    GiveOutFiles();
    EndWhenFinished();
}

void ConsoleRun::GiveBack(const std::deque<qsizetype>& aJobs, const QString* aWhyAfterStop)
{
    for (auto job = aJobs.rbegin(); job != aJobs.rend(); ++job) {
        mBeingMade.remove(mJobs.at(*job).key);
        if (mEndRequests == 0)
            mWaiting.push_front(*job);
        else if (aWhyAfterStop)
            Done(*job, false, *aWhyAfterStop);
    }
}

void ConsoleRun::FailWaiting(const QString& aWhy)
{
    while (!mWaiting.empty()) {
        const qsizetype taken = mWaiting.front();
        mWaiting.pop_front();
        const Job& job = mJobs.at(taken);
        ++mFinished;
        Print(mResults.Failed(job.file, job.outFile, aWhy), true);
        mJobs.erase(taken);
    }
}

void ConsoleRun::TakeReplies(Worker& aWorker)
{
    aWorker.received += aWorker.process->readAllStandardOutput();
    while (const std::optional<WorkerChannel::Reply> reply = WorkerChannel::TakeReply(aWorker.received)) {
        if (aWorker.jobs.empty())
            continue;
        const qsizetype job = aWorker.jobs.front();
        aWorker.jobs.pop_front();
        if (reply->withdrawn)
            mBeingMade.remove(mJobs.at(job).key);
        else
            Done(job, reply->converted, reply->message);
    }
}

void ConsoleRun::ReadReplies(Worker& aWorker)
{
    TakeReplies(aWorker);
    GiveOutFiles();
    EndWhenFinished();
}

void ConsoleRun::WorkerEnded(Worker& aWorker)
{
    // What it replied before it ended counts; nothing new goes to it.
    TakeReplies(aWorker);
    aWorker.process->deleteLater();
    aWorker.process = nullptr;
    aWorker.runtimeFolder.reset();
    // The file it was converting has no result; those it had not begun go to another worker.
    std::deque<qsizetype> jobs = std::exchange(aWorker.jobs, {});
    if (!jobs.empty()) {
        Done(jobs.front(), false, kNoConfirmation);
        jobs.pop_front();
    }
    GiveBack(jobs, nullptr);
    GiveOutFiles();
    EndWhenFinished();
}

void ConsoleRun::Done(qsizetype aJob, bool aConverted, const QString& aMessage)
{
    const auto found = mJobs.find(aJob);
    const Job job = std::move(found->second);
    mJobs.erase(found);
    mBeingMade.remove(job.key);
    ++mFinished;
    if (aConverted) {
        Print(mResults.Converted(job.file, job.outFile), false);
        // What the converter noticed on the way (mark-up errors, bytes replaced) follows its line.
        if (!aMessage.isEmpty())
            Print(QStringLiteral("Замечание конвертера: ") + aMessage, false);
    } else {
        Print(mResults.Failed(job.file, job.outFile, aMessage), true);
    }
    ShowProgress();
}

void ConsoleRun::EndWhenFinished()
{
    if (mEnded || !mWaiting.empty() || !mBeingMade.isEmpty() || !mInputEnded)
        return;
    mEnded = true;
    if (!mSettings.quiet)
        for (const QString& line : mResults.Summary(mEndRequests > 0 || mStoppedByUser, mStoppedByUser))
            Print(line, false);
    ClearProgress();
    // Their input ends: each worker ends, and its private folder goes with it.
    for (const auto& worker : mWorkers)
        if (worker->process) {
            worker->process->disconnect(this);
            worker->process->closeWriteChannel();
        }
    for (const auto& worker : mWorkers) {
        if (QProcess* process = std::exchange(worker->process, nullptr)) {
            if (!process->waitForFinished(kWorkerEndMs)) {
                process->kill();
                process->waitForFinished(kWorkerEndMs);
            }
            delete process;
        }
        worker->runtimeFolder.reset();
    }
    mLocalFolder.reset();
}

void ConsoleRun::Print(const QString& aMessage, bool aFailure)
{
    if (aFailure)
        mErrorLog.Add(aMessage);
    else if (!mSettings.quiet)
        mLog.Add(aMessage);
}

void ConsoleRun::ClearProgress()
{
    if (!mShowingProgress)
        return;
    writeConsoleText(stderr, QStringLiteral("\r\x1b[K"));
    mShowingProgress = false;
}

void ConsoleRun::ShowProgress()
{
    if (!mSettings.progress || mEnded)
        return;
    writeConsoleText(stderr, QStringLiteral("\r\x1b[K%1 из %2").arg(mFinished).arg(mJobsAdded));
    mShowingProgress = true;
}
