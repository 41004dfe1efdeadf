#pragma once
#include "core/run/SourceList.h"
#include "kezconv/PathListReader.h"

#include <QString>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What kezconv is asked to convert, turned into files and their results as the window would:
// the names on the command line first, then the lists' paths as they arrive. A folder adds its
// tree's files (*.kez, or all), a file named twice is taken once, a name that names nothing is
// a failure in words. Each file's result goes beside it, or into the output folder: flat, or
// with --tree under the file's subfolders (those below the folder named, or below the current
// folder for a file named itself).
class ConsoleSources {
public:
    struct Naming {
        std::optional<QString> outFolder;
        bool tree = false;
    };
    struct Item {
        QString file;
        QString outFile;
        QString failure; // set instead: a name that adds nothing, and why
    };

    ConsoleSources(std::vector<std::string> aNamed, std::unique_ptr<PathListReader> aLists, bool aOnlyKez,
                   Naming aNaming);

    // Up to aMost items, in order. Fewer while the lists' next paths have not arrived.
    std::vector<Item> Take(std::size_t aMost);
    // Nothing more will come.
    bool Ended() const { return mEnded && mPending.empty(); }
    // Why a list could not be read to its end; empty when every list was.
    const QString& ListFailure() const { return mListFailure; }

private:
    void AddNames(const std::vector<std::string>& aNames);
    void AddFile(const QString& aFile, const QString& aRoot);
    QString OutFileOf(const QString& aFile, const QString& aRoot) const;

    std::vector<std::string> mNamed;
    std::unique_ptr<PathListReader> mLists;
    bool mOnlyKez;
    Naming mNaming;
    QString mCurrentFolder;
    SourceList mFiles;
    std::deque<Item> mPending;
    QString mListFailure;
    bool mEnded = false;
};
