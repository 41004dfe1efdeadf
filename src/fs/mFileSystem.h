#pragma once
#include <QChar>
#include <QString>
#include <QStringList>

// Joining paths, telling folders from files, and collecting the files of a folder tree.
namespace mFileSystem {

// Attribute bits of the wildcard enumeration, with the platform's file-attribute values.
namespace Attribute {
inline constexpr quint32 ReadOnly = 1;
inline constexpr quint32 Hidden = 2;
inline constexpr quint32 System = 4;
inline constexpr quint32 Directory = 16;
inline constexpr quint32 Archive = 32;
} // namespace Attribute

// folder + separator + name; no separator is added when either side already has one at the
// join, and none is removed. An empty folder gives the name.
QString PathMerge(const QString& aFolder, const QString& aName);
QString PathMerge(const QString& aFolder, const QString& aName, QChar aSeparator);

// True when the path names an existing folder (links are followed).
bool IsFolderName(const QString& aPath);

// Full paths of the entries of aFolder that match one of aMasks (";"-separated wildcards,
// "*" and "?", letter case ignored), breadth-first: every match of a folder, mask by mask,
// before those of its subfolders. aAttributes widens the result: hidden entries need 2, system
// entries 4, folders 16; other entries are always returned. Only folders that are neither hidden
// nor system are descended into. A missing folder gives an empty result; a folder that cannot be
// read fails the whole scan.
QStringList CollectFileNamesInFolder(const QString& aFolder, const QString& aMasks, bool aRecursive,
                                     quint32 aAttributes);

// Whether a name matches one wildcard mask, as the scan decides it.
bool MatchesMask(const QString& aName, const QString& aMask);

} // namespace mFileSystem
