#include "kezconv/PrivateRuntimeFolder.h"
#include "kezconv/WorkerChannel.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <cstring>
#include <mutex>

namespace {

const QString kLockName = QStringLiteral(".kezconv.lock");

// A folder with no lock file yet may be one another kezconv has just made.
constexpr qint64 kUnlockedGraceSeconds = 600;

QString baseFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QDir(runtime).exists() ? runtime : QDir::tempPath();
}

// Removes the folders that killed runs left: those whose lock no living kezconv holds.
void removeLeftOvers(const QString& aBase)
{
    const QString prefix = QLatin1String(WorkerChannel::kWorkerFolderPrefix);
    const qsizetype nameSize = prefix.size() + 6;
    const QFileInfoList entries = QDir(aBase).entryInfoList({prefix + QStringLiteral("??????")},
                                                            QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (entry.fileName().size() != nameSize || entry.isSymLink() || !entry.isWritable())
            continue;
        const QString lockPath = entry.filePath() + QLatin1Char('/') + kLockName;
        if (!QFileInfo::exists(lockPath) &&
            entry.lastModified().secsTo(QDateTime::currentDateTime()) < kUnlockedGraceSeconds)
            continue;
        QLockFile lock(lockPath);
        // Stale only when its kezconv has ended, however long ago it was taken.
        lock.setStaleLockTime(0);
        if (!lock.tryLock(0))
            continue;
        lock.unlock();
        QDir(entry.filePath()).removeRecursively();
    }
}

} // namespace

PrivateRuntimeFolder::PrivateRuntimeFolder(const QString& aTemplate) : mFolder(aTemplate) {}

std::unique_ptr<PrivateRuntimeFolder> PrivateRuntimeFolder::Make(QString& aWhy)
{
    const QString base = baseFolder();
    static std::once_flag swept;
    std::call_once(swept, [&base] { removeLeftOvers(base); });
    std::unique_ptr<PrivateRuntimeFolder> folder(new PrivateRuntimeFolder(
        base + QLatin1Char('/') + QLatin1String(WorkerChannel::kWorkerFolderPrefix) + QStringLiteral("XXXXXX")));
    if (folder->mFolder.isValid()) {
        folder->mLock = std::make_unique<QLockFile>(folder->path() + QLatin1Char('/') + kLockName);
        folder->mLock->setStaleLockTime(0);
        if (folder->mLock->tryLock(0))
            return folder;
        aWhy = QStringLiteral("Не удалось создать папку для передачи заданий конвертеру: нет доступа к файлу блокировки в %1.")
                   .arg(folder->path());
        return nullptr;
    }
    aWhy = QStringLiteral("Не удалось создать папку для передачи заданий конвертеру: ") + folder->mFolder.errorString();
    return nullptr;
}
