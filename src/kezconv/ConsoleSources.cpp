#include "kezconv/ConsoleSources.h"
#include "core/fs/mFileSystem.h"
#include "core/run/CommandLinePaths.h"
#include "core/run/OutputFileName.h"
#include "platform/ExecutableSearch.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

namespace {

// Paths checked at once: their folders are learnt together.
constexpr std::size_t kBatch = 256;

const QChar kSeparator = QLatin1Char(platform::pathSeparator());

} // namespace

ConsoleSources::ConsoleSources(std::vector<std::string> aNamed, std::unique_ptr<PathListReader> aLists,
                               bool aOnlyKez, Naming aNaming)
    : mNamed(std::move(aNamed)), mLists(std::move(aLists)), mOnlyKez(aOnlyKez), mNaming(std::move(aNaming)),
      mCurrentFolder(CommandLineFiles::PathOf(".")),
      mFiles(mFileSystem::FileNameCase(), SourceList::View{[](const QStringList&, bool) {}, [](const QString&) {},
                                                            [](const QStringList&) {}, [](qsizetype) {}})
{
}

std::vector<ConsoleSources::Item> ConsoleSources::Take(std::size_t aMost)
{
    if (!mNamed.empty())
        AddNames(std::exchange(mNamed, {}));
    while (mPending.size() < aMost && mLists && !mEnded) {
        PathListReader::Taken taken = mLists->Take(kBatch);
        AddNames(taken.paths);
        if (taken.ended) {
            mEnded = true;
            mListFailure = taken.failure;
        } else if (taken.paths.empty()) {
            break; // the rest has not arrived yet
        }
    }
    if (!mLists)
        mEnded = true;
    std::vector<Item> items;
    while (!mPending.empty() && items.size() < aMost) {
        items.push_back(std::move(mPending.front()));
        mPending.pop_front();
    }
    return items;
}

void ConsoleSources::AddNames(const std::vector<std::string>& aNames)
{
    QStringList paths;
    paths.reserve(qsizetype(aNames.size()));
    for (const std::string& name : aNames)
        paths.append(CommandLineFiles::PathOf(name));
    const QList<bool> folders = mFileSystem::AreFolderNames(paths);
    for (qsizetype i = 0; i < paths.size(); ++i) {
        if (folders[i]) {
            QStringList notAdded;
            const QStringList files = SourceList::FolderFiles(paths[i], mOnlyKez, &notAdded);
            for (const QString& message : notAdded)
                mPending.push_back(Item{{}, {}, message});
            for (const QString& file : files)
                AddFile(file, paths[i]);
        } else if (const int why = CommandLineFiles::WhyMissing(paths[i])) {
            mPending.push_back(Item{{}, {}, CommandLineFiles::NotAddedMessage(paths[i], why)});
        } else {
            AddFile(paths[i], {});
        }
    }
}

void ConsoleSources::AddFile(const QString& aFile, const QString& aRoot)
{
    if (mFiles.Add(aFile))
        mPending.push_back(Item{aFile, OutFileOf(aFile, aRoot), {}});
}

QString ConsoleSources::OutFileOf(const QString& aFile, const QString& aRoot) const
{
    if (!mNaming.outFolder)
        return OutputFileName(aFile, false, {}, kSeparator);
    if (!mNaming.tree)
        return OutputFileName(aFile, true, *mNaming.outFolder, kSeparator);
    // The file's folder below the folder named, or below the current one; a file elsewhere keeps
    // its whole path, its root left out.
    const QString folder = QFileInfo(aFile).path();
    QString below = QDir(aRoot.isEmpty() ? mCurrentFolder : aRoot).relativeFilePath(folder);
    if (below == QLatin1String("..") || below.startsWith(QLatin1String("../")) || QDir::isAbsolutePath(below)) {
        below = folder;
        if (below.size() > 1 && below[1] == QLatin1Char(':'))
            below.remove(0, 2); // a drive
        while (below.startsWith(QLatin1Char('/')))
            below.remove(0, 1);
    }
    if (below == QLatin1String("."))
        below.clear();
    return OutputFileName(aFile, true, mFileSystem::PathMerge(*mNaming.outFolder, below), kSeparator);
}
