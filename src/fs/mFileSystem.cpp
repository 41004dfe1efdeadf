#include "fs/mFileSystem.h"
#include "errors/mErrorHandling.h"
#include "fs/VectorOfStrings.h"
#include "platform/ExecutableSearch.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using mErrorHandling::PassOn;

// How the platform's file attributes are read here (POSIX has none of its own):
//   hidden    - the name begins with "." ("." and ".." themselves are not hidden);
//   read-only - no write permission (never consulted: it does not narrow an enumeration);
//   archive   - any regular file;
//   system    - never set;
//   directory - a folder, also through a symbolic link.
// Pipes, sockets and devices are not files to convert and are never listed. A dangling link is
// listed as a file, as the file manager shows it.

namespace mFileSystem {
namespace {

constexpr const char* kModule = "mFileSystem";
// The classic run-time numbers for a refused and for a failed file access.
constexpr qint32 kPermissionDenied = 70;
constexpr qint32 kPathFileAccessError = 75;

enum class EntryKind : quint8 { File, Folder, Other };

struct FolderEntry {
    quint32 offset;
    quint32 length;
    EntryKind kind;
    bool hidden;
    bool ascii;
};

// One folder read in full: the platform's enumeration runs to its end before the masks are
// applied, so every mask sees the same entries in the same order.
struct FolderListing {
    std::string names;
    std::vector<FolderEntry> entries;
    dev_t device = 0;
    ino_t inode = 0;

    std::string_view name(const FolderEntry& aEntry) const { return {names.data() + aEntry.offset, aEntry.length}; }
};

bool isDotOrDotDot(std::string_view aName) { return aName == "." || aName == ".."; }

bool isAscii(std::string_view aText)
{
    for (const char c : aText)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// "*" any run, "?" exactly one element; the sequences are already folded to one letter case.
template <class Name, class Mask, class Fold>
bool wildcardMatch(const Name& aName, qsizetype aNameLength, const Mask& aMask, qsizetype aMaskLength, Fold aFold)
{
    qsizetype n = 0;
    qsizetype m = 0;
    qsizetype star = -1;
    qsizetype resume = 0;
    while (n < aNameLength) {
        if (m < aMaskLength && aMask[m] == '*') {
            star = m++;
            resume = n;
        } else if (m < aMaskLength && (aMask[m] == '?' || aMask[m] == aFold(aName[n]))) {
            ++m;
            ++n;
        } else if (star >= 0) {
            m = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (m < aMaskLength && aMask[m] == '*')
        ++m;
    return m == aMaskLength;
}

class CompiledMask {
public:
    explicit CompiledMask(const QString& aMask)
        : mFolded(aMask.toCaseFolded().toUcs4())
    {
        bool ascii = true;
        for (const QChar c : aMask)
            ascii = ascii && c.unicode() < 0x80;
        mAscii = ascii;
        if (ascii)
            for (const QChar c : aMask)
                mAsciiLower.push_back(asciiLower(char(c.unicode())));
    }

    bool Matches(std::string_view aName, bool aNameIsAscii) const
    {
        if (mAscii && aNameIsAscii)
            return wildcardMatch(aName, qsizetype(aName.size()), mAsciiLower, qsizetype(mAsciiLower.size()),
                                 asciiLower);
        return Matches(QString::fromUtf8(aName.data(), qsizetype(aName.size())));
    }

    bool Matches(const QString& aName) const
    {
        // Whole characters, so that "?" takes one letter however it is encoded.
        const QList<uint> name = aName.toCaseFolded().toUcs4();
        return wildcardMatch(name, name.size(), mFolded, mFolded.size(), [](uint c) { return c; });
    }

private:
    QList<uint> mFolded;
    std::string mAsciiLower;
    bool mAscii = false;
};

[[noreturn]] void raiseFolderError(const QString& aFolder, int aErrno)
{
    const QString reason = QString::fromLocal8Bit(std::strerror(aErrno));
    if (aErrno == EACCES || aErrno == EPERM)
        mErrorHandling::RaiseError(kPermissionDenied,
                                   QStringLiteral("Нет доступа к папке \"%1\": %2.").arg(aFolder, reason));
    mErrorHandling::RaiseError(kPathFileAccessError,
                               QStringLiteral("Не удалось прочитать папку \"%1\": %2.").arg(aFolder, reason));
}

EntryKind kindOf(int aFolderFd, const char* aName, unsigned char aType)
{
    switch (aType) {
    case DT_REG:
        return EntryKind::File;
    case DT_DIR:
        return EntryKind::Folder;
    case DT_LNK:
    case DT_UNKNOWN: {
        struct stat status;
        if (::fstatat(aFolderFd, aName, &status, 0) != 0)
            return aType == DT_LNK ? EntryKind::File : EntryKind::Other;
        if (S_ISDIR(status.st_mode))
            return EntryKind::Folder;
        return S_ISREG(status.st_mode) ? EntryKind::File : EntryKind::Other;
    }
    default:
        return EntryKind::Other;
    }
}

// False when the folder does not exist (or is no folder); fails when it cannot be read.
bool readFolder(const QString& aFolder, FolderListing& aListing)
{
    const QByteArray path = QFile::encodeName(aFolder);
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return false;
        raiseFolderError(aFolder, errno);
    }
    struct stat status;
    if (::fstat(fd, &status) != 0) {
        const int error = errno;
        ::close(fd);
        raiseFolderError(aFolder, error);
    }
    aListing.device = status.st_dev;
    aListing.inode = status.st_ino;

    DIR* folder = ::fdopendir(fd);
    if (!folder) {
        const int error = errno;
        ::close(fd);
        raiseFolderError(aFolder, error);
    }
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(folder);
        if (!entry) {
            const int error = errno;
            ::closedir(folder);
            if (error != 0)
                raiseFolderError(aFolder, error);
            return true;
        }
        const std::string_view name(entry->d_name);
        const EntryKind kind = kindOf(fd, entry->d_name, entry->d_type);
        if (kind == EntryKind::Other)
            continue;
        aListing.entries.push_back(FolderEntry{quint32(aListing.names.size()), quint32(name.size()), kind,
                                               name.front() == '.' && !isDotOrDotDot(name), isAscii(name)});
        aListing.names.append(name);
    }
}

bool passesAttributes(const FolderEntry& aEntry, quint32 aAttributes)
{
    if (aEntry.hidden && !(aAttributes & Attribute::Hidden))
        return false;
    if (aEntry.kind == EntryKind::Folder && !(aAttributes & Attribute::Directory))
        return false;
    return true;
}

} // namespace

QString PathMerge(const QString& aFolder, const QString& aName, QChar aSeparator)
{
    return PassOn(kModule, "PathMerge", [&] {
        if (aFolder.isEmpty())
            return aName;
        if (!aName.startsWith(aSeparator) && !aFolder.endsWith(aSeparator))
            return aFolder + aSeparator + aName;
        return aFolder + aName;
    });
}

QString PathMerge(const QString& aFolder, const QString& aName)
{
    return PathMerge(aFolder, aName, QLatin1Char(platform::pathSeparator()));
}

bool IsFolderName(const QString& aPath)
{
    return PassOn(kModule, "IsFolderName", [&] {
        if (aPath.isEmpty())
            return false;
        struct stat status;
        return ::stat(QFile::encodeName(aPath).constData(), &status) == 0 && S_ISDIR(status.st_mode);
    });
}

bool MatchesMask(const QString& aName, const QString& aMask) { return CompiledMask(aMask).Matches(aName); }

QStringList CollectFileNamesInFolder(const QString& aFolder, const QString& aMasks, bool aRecursive,
                                     quint32 aAttributes)
{
    return PassOn(kModule, "CollectFileNamesInFolder", [&] {
        QStringList result;
        std::vector<CompiledMask> masks;
        for (const QString& mask : aMasks.split(QLatin1Char(';')))
            masks.emplace_back(mask);

        VectorOfStrings queue;
        queue.Add(aFolder);
        // A link back up the tree must not send the scan round for ever.
        std::set<std::pair<dev_t, ino_t>> visited;

        for (qint32 next = 0; next < queue.Count(); ++next) {
            const QString folder = queue.Items(next);
            FolderListing listing;
            if (!readFolder(folder, listing))
                continue;
            if (!visited.insert({listing.device, listing.inode}).second)
                continue;

            for (const CompiledMask& mask : masks)
                for (const FolderEntry& entry : listing.entries)
                    if (passesAttributes(entry, aAttributes) && mask.Matches(listing.name(entry), entry.ascii)) {
                        const std::string_view name = listing.name(entry);
                        result.append(PathMerge(folder, QString::fromUtf8(name.data(), qsizetype(name.size()))));
                    }

            if (!aRecursive)
                continue;
            // Folder discovery uses the directory attribute alone: hidden folders stay closed.
            for (const FolderEntry& entry : listing.entries) {
                const std::string_view name = listing.name(entry);
                if (entry.kind != EntryKind::Folder || entry.hidden || isDotOrDotDot(name))
                    continue;
                queue.Add(PathMerge(folder, QString::fromUtf8(name.data(), qsizetype(name.size()))));
            }
        }
        return result;
    });
}

} // namespace mFileSystem
