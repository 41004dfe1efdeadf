#pragma once
#include "core/common/KeyedCollection.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// The files waiting for conversion (SrcFiles, oldest first) and the lines of the list box that
// shows them, changed together: until the first file arrives the list shows the help lines,
// afterwards one line per file in the same order. The window's list only shows what View tells it.
class SourceList {
public:
    // What the window's list is told to do; lines are numbered from 0.
    struct View {
        std::function<void(const QStringList& aLines, bool aHelp)> showOnly; // replaces every line
        std::function<void(const QString& aLine)> append;
        std::function<void(const QStringList& aLines)> appendAll;
        std::function<void(qsizetype aLine)> remove;
    };

    // Files compare by aFileNameCase, the file system's rule for names.
    SourceList(Qt::CaseSensitivity aFileNameCase, View aView);

    // The files a folder tree adds: every "*.kez" file, or every file at all when aOnlyKez is
    // false, hidden and system ones included, each folder's before its subfolders'. A folder
    // that cannot be read fails the whole scan, unless aNotAdded is given: then the scan goes on
    // without it and the message naming it, and why, is added there.
    static QStringList FolderFiles(const QString& aFolder, bool aOnlyKez, QStringList* aNotAdded = nullptr);

    // What an empty list shows until the first file is added.
    static const QStringList& HelpLines();

    // No files, the help lines shown: the list as the window opens.
    void StartEmpty();
    // Replaces every line with the help lines, or with none; the files stay.
    void ShowHelp(bool aShow);

    const KeyedCollection& Files() const { return SrcFiles; }
    bool Contains(const QString& aFile) const { return SrcFiles.Contains(aFile); }
    // Room for aCount files in all.
    void Reserve(qsizetype aCount);

    // Appends the file and its line; false (nothing changes) when the rule finds it present.
    bool Add(const QString& aFile);
    // Add for each file in turn, the view told once: many lines arrive in one step. Returns how
    // many were added.
    qsizetype AddAll(const QStringList& aFiles);
    // The line that shows aFile under the rule; -1 when none does.
    qint32 LineOf(const QString& aFile) const;
    // Removes the file and its line; false for a text that is no file here (a help line).
    bool Remove(const QString& aFile);
    // Removes every file and its line; help lines stay.
    void RemoveAll();
    // Removes the files shown on the given lines (ascending). Returns the line to select then:
    // after exactly one selected line the line now in its place, or the new last one; else -1.
    qint32 RemoveLines(const QList<qint32>& aSelected);

    // The lines as the view shows them.
    const QStringList& Lines() const { return mLines; }

private:
    KeyedCollection SrcFiles;
    QStringList mLines;
    bool mHelpShown = false;
    // Where the last line was removed: the run, a deletion and clearing remove lines one after
    // another, so the next line looked for lies at or next to it.
    qsizetype mSearchFrom = 0;
    View mView;
};
