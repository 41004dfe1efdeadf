#pragma once
#include "core/run/MessageLog.h"
#include "core/run/RunResults.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <deque>
#include <cstdio>
#include <memory>
#include <unordered_map>
#include <vector>

class BatchRun;
class ConsoleSources;
class QProcess;
class PrivateRuntimeFolder;

// kezconv's run: the files, taken from the sources as they arrive, go to N workers (kezconv
// itself, started as a worker with a private runtime folder, so that each has its own hand-over
// store), oldest first. One at a time, kezconv
// converts them itself instead, through a private runtime folder of its own: no worker to pass
// them through. Each result is printed as it arrives, in the window's words (RunResults,
// MessageLog). A file whose result another file being converted will make waits for that one:
// the same-result rule then decides as it does when one file follows the other.
//
// A first end request (Ctrl+C, SIGTERM) stops giving out files; the run ends once the files
// being converted are done. A second one ends their converters. Successes and the summary go to
// the standard output, failures to the standard error.
class ConsoleRun : public QObject {
    Q_OBJECT
public:
    struct Settings {
        int workers = 1;
        bool quiet = false;
        bool progress = false;   // a progress line on the standard error
        bool noClobber = false;  // a file whose result is not older than it is left as it is
        bool makeFolders = false; // the results' folders are made as needed
    };

    // The exit statuses.
    static constexpr int kAllConverted = 0;
    static constexpr int kSomeFailed = 1;
    static constexpr int kUsage = 2;
    static constexpr int kStopped = 130;

    explicit ConsoleRun(Settings aSettings, QObject* aParent = nullptr);
    ~ConsoleRun() override;

    // The files to convert. aSources outlives the run.
    void SetSources(ConsoleSources& aSources) { mSources = &aSources; }
    // The sources have more: taken when there is room for them.
    void MoreArrived();

    // The whole run, to its summary. Returns the exit status.
    int Exec();

private:
    struct Job {
        QString file;
        QString outFile;
        QString key; // RunResults::Key of outFile
    };
    struct Worker {
        QProcess* process = nullptr;
        std::unique_ptr<PrivateRuntimeFolder> runtimeFolder;
        std::deque<qsizetype> jobs; // the files sent to it, oldest (the one it converts) first
        QByteArray received;
        bool failedToStart = false;
    };
    // Files a worker holds at once: the one it converts and the next, so that the next begins
    // the moment the last one ends, without a round trip through kezconv.
    static constexpr size_t kFilesPerWorker = 2;

    void Fail(const QString& aMessage);
    void Add(const QString& aFile, const QString& aOutFile);
    // Takes from the sources while few files wait.
    void Refill();
    bool PrepareJob(const Job& aJob);
    void EndRequested();
    void ConvertLocally();
    void GiveOutFiles();
    bool HasRoom() const;
    qsizetype TakeNextJob();
    Worker& RoomyWorker();
    void StartWorker(Worker& aWorker);
    // Its files go to the workers that run, or fail when none does.
    void WorkerFailedToStart(Worker* aWorker);
    void TakeReplies(Worker& aWorker);
    void ReadReplies(Worker& aWorker);
    void WorkerEnded(Worker& aWorker);
    // aMessage: why the file failed, or the converter's remark on a converted one.
    void Done(qsizetype aJob, bool aConverted, const QString& aMessage);
    // Files sent to a worker and not begun go back to the front of the queue, in order; after a
    // stop they are not converted, and fail with *aWhyAfterStop when it is given.
    void GiveBack(const std::deque<qsizetype>& aJobs, const QString* aWhyAfterStop);
    // Every file still waiting fails with aWhy.
    void FailWaiting(const QString& aWhy);
    void EndWhenFinished();
    void Print(const QString& aMessage, bool aFailure);
    void Write(FILE* aStream, const QString& aShown);
    void ShowProgress();
    void ClearProgress();

    Settings mSettings;
    ConsoleSources* mSources = nullptr;
    bool mInputEnded = false;
    bool mRefillScheduled = false;
    QString mListFailure;
    MessageLog mLog;      // the standard output's
    MessageLog mErrorLog; // the standard error's
    RunResults mResults;
    // The files not yet done, by their number in order of arrival; a long list's files done cost nothing.
    std::unordered_map<qsizetype, Job> mJobs;
    qsizetype mJobsAdded = 0;
    std::deque<qsizetype> mWaiting;
    QHash<QString, qsizetype> mBeingMade; // keys of the results being made, by job
    std::vector<std::unique_ptr<Worker>> mWorkers;
    // One file at a time: converted here, with no worker process.
    std::unique_ptr<PrivateRuntimeFolder> mLocalFolder;
    std::unique_ptr<BatchRun> mLocal;
    bool mLocalScheduled = false;
    std::atomic<int> mEndRequestsSeen{0}; // counted as they come, for the converter at work here
    QString mStartFailure; // why the last worker that could not be started could not
    qint32 mOtherFailures = 0;
    qsizetype mFinished = 0;
    int mEndRequests = 0;
    std::atomic<bool> mStoppedByUser{false}; // set as the request comes, before it is handled
    bool mShowingProgress = false;
    bool mOutputLost = false; // the log could not be written
    bool mEnded = false;
};
