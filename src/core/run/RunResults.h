#pragma once
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

// What one conversion run has come to, and the log's texts for it: one message per file, the
// summary at the end. A file whose result would replace the result an earlier file of the same
// run gave fails without being converted: two sources of one name in different folders, or
// differing only in their extension, give one result, and the later one would silently replace
// the earlier one's. Both front-ends count their runs here.
class RunResults {
public:
    // Forgets the files of the last run and zeroes the counts.
    void Start();

    // How the file system knows an output file: two keys are equal when they name one file.
    static QString Key(const QString& aOutFile);

    // The failure message when aOutFile was already made by an earlier file of this run (the
    // file is then counted as failed); none otherwise.
    std::optional<QString> RefuseReplacing(const QString& aFile, const QString& aOutFile);

    // The message for a converted file; the file's result is remembered.
    QString Converted(const QString& aFile, const QString& aOutFile);
    // The message for a file that failed, with the failure's text.
    QString Failed(const QString& aFile, const QString& aOutFile, const QString& aWhy);

    // The message for a file left as it is because its result is already up to date (not older
    // than the file); the result counts as this run's.
    QString Kept(const QString& aFile, const QString& aOutFile);

    // The summary after a run over more than one file ("Обработано файлов: ..."), with the line of
    // a stopped run; nothing after a run over one file or none, unless aStopSaidAlways and the run
    // was stopped.
    QStringList Summary(bool aStopped, bool aStopSaidAlways = false) const;

    qint32 Succeeded() const { return mSucceeded; }
    qint32 FailedCount() const { return mFailed; }

private:
    qint32 mSucceeded = 0;
    qint32 mFailed = 0;
    qint32 mKept = 0;
    // The results of this run's files so far, by Key, with the source each came from.
    QHash<QString, QString> mResults;
};
