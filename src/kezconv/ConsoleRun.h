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
#include <memory>
#include <vector>

class BatchRun;
class QProcess;
class QTemporaryDir;

// kezconv's run: the files go to N workers (kezconv itself, started as a worker with a private
// runtime folder, so that each has its own hand-over store), oldest first. One at a time, kezconv
// converts them itself instead, through a private runtime folder of its own: no worker to pass
// them through. Each result is printed as it arrives, in the window's words (RunResults,
// MessageLog). A file whose result another file being converted will make waits for that one:
// the same-result rule then decides as it does when one file follows the other.
//
// A first end request (Ctrl+C, SIGTERM) stops giving out files; the run ends once the files
// being converted are done. A second one ends their converters.
class ConsoleRun : public QObject {
    Q_OBJECT
public:
    struct Settings {
        int workers = 1;
        bool quiet = false;
        bool progress = false; // a progress line on the standard error
    };

    explicit ConsoleRun(Settings aSettings, QObject* aParent = nullptr);
    ~ConsoleRun() override;

    // A message to print before the files' results, counting as a failure (a path that names nothing).
    void Fail(const QString& aMessage);
    // Converts aFile into aOutFile.
    void Add(const QString& aFile, const QString& aOutFile);

    // The whole run, to its summary. Returns the exit code: 0 when every file was converted.
    int Exec();

private:
    struct Job {
        QString file;
        QString outFile;
        QString key; // RunResults::Key of outFile
    };
    struct Worker {
        QProcess* process = nullptr;
        std::unique_ptr<QTemporaryDir> runtimeFolder;
        std::deque<qsizetype> jobs; // the files sent to it, oldest (the one it converts) first
        QByteArray received;
    };
    // Files a worker holds at once: the one it converts and the next, so that the next begins
    // the moment the last one ends, without a round trip through kezconv.
    static constexpr size_t kFilesPerWorker = 2;

    void EndRequested();
    void ConvertLocally();
    void GiveOutFiles();
    bool HasRoom() const;
    qsizetype TakeNextJob();
    Worker& RoomyWorker();
    void StartWorker(Worker& aWorker);
    void TakeReplies(Worker& aWorker);
    void ReadReplies(Worker& aWorker);
    void WorkerEnded(Worker& aWorker);
    void Done(qsizetype aJob, bool aConverted, const QString& aWhy);
    // Every file still waiting fails with aWhy.
    void FailWaiting(const QString& aWhy);
    void EndWhenFinished();
    void Print(const QString& aMessage, bool aFailure);
    void ShowProgress();

    Settings mSettings;
    MessageLog mLog;
    RunResults mResults;
    std::vector<Job> mJobs;
    std::deque<qsizetype> mWaiting;
    QHash<QString, qsizetype> mBeingMade; // keys of the results being made, by job
    std::vector<std::unique_ptr<Worker>> mWorkers;
    // One file at a time: converted here, with no worker process.
    std::unique_ptr<QTemporaryDir> mLocalFolder;
    std::unique_ptr<BatchRun> mLocal;
    bool mLocalScheduled = false;
    std::atomic<int> mEndRequestsSeen{0}; // counted as they come, for the converter at work here
    QString mStartFailure; // why the last worker that could not be started could not
    qint32 mOtherFailures = 0;
    qsizetype mFinished = 0;
    int mEndRequests = 0;
    bool mShowingProgress = false;
    bool mOutputLost = false; // the log could not be written
    bool mEnded = false;
};
