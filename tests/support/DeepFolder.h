#pragma once
// A chain of folders whose full path is longer than the system lets one path be: listing its
// deepest folders fails even for the superuser, whom permissions do not stop. Built and removed
// relative to open folders, as full paths would not work.
#include <QByteArray>
#include <QFile>
#include <QString>

#include <fcntl.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <string>

namespace deepfolder {

inline const std::string kLevelName = std::string(250, 'd');

// Makes the chain below aParent; returns false when the file system refuses.
inline bool Make(const QString& aParent)
{
    int fd = ::open(QFile::encodeName(aParent).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const int levels = PATH_MAX / int(kLevelName.size() + 1) + 2;
    for (int i = 0; i < levels; ++i) {
        if (::mkdirat(fd, kLevelName.c_str(), 0755) != 0) {
            ::close(fd);
            return false;
        }
        const int next = ::openat(fd, kLevelName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        if (next < 0)
            return false;
        fd = next;
    }
    ::close(fd);
    return true;
}

inline void RemoveBelow(int aFolderFd)
{
    DIR* folder = ::fdopendir(aFolderFd);
    if (!folder) {
        ::close(aFolderFd);
        return;
    }
    while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        const int child = ::openat(::dirfd(folder), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (child >= 0) {
            RemoveBelow(child);
            ::unlinkat(::dirfd(folder), name.c_str(), AT_REMOVEDIR);
        } else {
            ::unlinkat(::dirfd(folder), name.c_str(), 0);
        }
    }
    ::closedir(folder);
}

// Removes the chain made by Make below aParent.
inline void Remove(const QString& aParent)
{
    const int fd = ::open(QFile::encodeName(aParent).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    const int top = ::openat(fd, kLevelName.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (top >= 0) {
        RemoveBelow(top);
        ::unlinkat(fd, kLevelName.c_str(), AT_REMOVEDIR);
    }
    ::close(fd);
}

} // namespace deepfolder
