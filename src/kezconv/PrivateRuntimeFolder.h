#pragma once
#include <QLockFile>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// A private runtime folder for one hand-over store (kezconv's own, or a worker's), in the user's
// runtime folder (in memory, private) when there is one. It is removed when it goes; a kezconv
// that was killed cannot remove it, so each folder holds a lock file for as long as its kezconv
// lives, and making a folder first removes those whose lock nobody holds.
class PrivateRuntimeFolder {
public:
    // None, with aWhy, when it cannot be made.
    static std::unique_ptr<PrivateRuntimeFolder> Make(QString& aWhy);

    QString path() const { return mFolder.path(); }

private:
    explicit PrivateRuntimeFolder(const QString& aTemplate);

    QTemporaryDir mFolder;
    std::unique_ptr<QLockFile> mLock;
};
