#pragma once
#include "platform/FolderSearch.h"

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

// Joining paths, telling folders from files, and collecting the files of a folder tree.
namespace mFileSystem {

// Attribute bits of the wildcard enumeration: the platform's file-attribute values.
namespace Attribute {
inline constexpr quint32 ReadOnly = platform::FileAttribute::ReadOnly;
inline constexpr quint32 Hidden = platform::FileAttribute::Hidden;
inline constexpr quint32 System = platform::FileAttribute::System;
inline constexpr quint32 Directory = platform::FileAttribute::Directory;
inline constexpr quint32 Archive = platform::FileAttribute::Archive;
} // namespace Attribute

// How the platform's file systems compare names: two paths differing only in letter case are
// one file on Windows and two on POSIX.
Qt::CaseSensitivity FileNameCase();

// folder + separator + name; no separator is added when either side already has one at the
// join, and none is removed. An empty folder gives the name.
QString PathMerge(const QString& aFolder, const QString& aName);
QString PathMerge(const QString& aFolder, const QString& aName, QChar aSeparator);

// True when the path names an existing folder (links are followed).
bool IsFolderName(const QString& aPath);

// IsFolderName of each path, in order. Paths that share a parent folder are learnt from one
// listing of that folder where that costs less than asking for each.
QList<bool> AreFolderNames(const QStringList& aPaths);

// Full paths of the entries of aFolder that match one of aMasks (";"-separated wildcards,
// "*" and "?", letter case ignored), breadth-first: every match of a folder, mask by mask,
// before those of its subfolders; within a folder by name, letter case ignored. aAttributes widens the result: hidden entries need 2, system
// entries 4, folders 16; other entries are always returned. Only folders that are neither hidden
// nor system are descended into. A missing folder gives an empty result; a folder that cannot be
// read fails the whole scan, unless aUnreadable is given: then it is noted there, with the
// system's words, and the scan goes on without it.
struct UnreadableFolder {
    QString Folder;
    QString Reason;
};
QStringList CollectFileNamesInFolder(const QString& aFolder, const QString& aMasks, bool aRecursive,
                                     quint32 aAttributes, QList<UnreadableFolder>* aUnreadable = nullptr);

// Whether a name matches one wildcard mask, as the scan decides it.
bool MatchesMask(const QString& aName, const QString& aMask);

} // namespace mFileSystem
