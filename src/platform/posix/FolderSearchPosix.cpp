#include "platform/FileNameCodec.h"
#include "platform/FolderSearch.h"
#include "platform/Services.h"
#include "platform/SystemErrorText.h"

#include <cerrno>
#include <clocale>
#include <cwctype>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

// How the Win32 file attributes are read from a POSIX file system:
//   hidden    - the name begins with "." ("." and ".." are never listed);
//   read-only - no write permission bit at all (reported with FindInfo::Full: it needs a stat);
//   archive   - a regular file;
//   system    - never set;
//   directory - a folder, also through a symbolic link.
// Pipes, sockets and devices are not files to convert and are not listed. A dangling link is
// listed as a file, as the file manager shows it.

namespace platform {
namespace {

constexpr std::uint32_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

bool isDotOrDotDot(const char* aName)
{
    return aName[0] == '.' && (aName[1] == '\0' || (aName[1] == '.' && aName[2] == '\0'));
}

std::uint32_t attributesOfStatus(const struct stat& aStatus)
{
    std::uint32_t attributes = 0;
    if (S_ISDIR(aStatus.st_mode))
        attributes |= FileAttribute::Directory;
    else if (S_ISREG(aStatus.st_mode))
        attributes |= FileAttribute::Archive;
    if ((aStatus.st_mode & kWriteBits) == 0)
        attributes |= FileAttribute::ReadOnly;
    return attributes;
}

// The entry's kind from the folder itself where it tells, from a stat where it cannot;
// 0 for an entry that is not listed.
std::uint32_t kindOf(int aFolder, const dirent& aEntry, FindInfo aInfo)
{
    std::uint32_t kind = 0;
    switch (aEntry.d_type) {
    case DT_REG:
        kind = FileAttribute::Archive;
        break;
    case DT_DIR:
        kind = FileAttribute::Directory;
        break;
    case DT_LNK:
    case DT_UNKNOWN:
        break;
    default:
        return 0;
    }
    if (kind != 0 && aInfo == FindInfo::Basic)
        return kind;
    struct stat status;
    if (::fstatat(aFolder, aEntry.d_name, &status, 0) != 0)
        return aEntry.d_type == DT_LNK ? FileAttribute::Archive : kind;
    if (!S_ISDIR(status.st_mode) && !S_ISREG(status.st_mode))
        return 0;
    const std::uint32_t attributes = attributesOfStatus(status);
    return aInfo == FindInfo::Full ? attributes : attributes & ~FileAttribute::ReadOnly;
}

FindStatus failed(FindFailure& aFailure, int aError)
{
    aFailure.error = aError;
    aFailure.accessDenied = aError == EACCES || aError == EPERM;
    aFailure.description = systemErrorText(aError);
    return FindStatus::Failed;
}

class PosixFolderSearch final : public FolderSearch {
public:
    FindStatus list(const std::u16string& aFolder, FindInfo aInfo, FindScope aScope, FolderListing& aListing,
                    FindFailure& aFailure) const override
    {
        aListing.clear();
        const std::string path = encodeFileName(aFolder);
        const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return errno == ENOENT || errno == ENOTDIR ? FindStatus::NoFolder : failed(aFailure, errno);
        struct stat status;
        if (::fstat(fd, &status) != 0) {
            const int error = errno;
            ::close(fd);
            return failed(aFailure, error);
        }
        aListing.setIdentity(FolderIdentity{std::uint64_t(status.st_dev), std::uint64_t(status.st_ino)});
        DIR* folder = ::fdopendir(fd);
        if (!folder) {
            const int error = errno;
            ::close(fd);
            return failed(aFailure, error);
        }
        for (;;) {
            errno = 0;
            const dirent* entry = ::readdir(folder);
            if (!entry)
                break;
            if (isDotOrDotDot(entry->d_name) || (aScope == FindScope::FoldersOnly && entry->d_type == DT_REG))
                continue;
            std::uint32_t attributes = kindOf(fd, *entry, aInfo);
            if (attributes == 0 || (aScope == FindScope::FoldersOnly && !(attributes & FileAttribute::Directory)))
                continue;
            if (entry->d_name[0] == '.')
                attributes |= FileAttribute::Hidden;
            aListing.addEncoded(entry->d_name, attributes);
        }
        const int error = errno;
        ::closedir(folder);
        if (error != 0) {
            aListing.clear();
            return failed(aFailure, error);
        }
        return FindStatus::Found;
    }

    std::uint32_t attributesOf(const std::u16string& aPath) const override
    {
        const std::string path = encodeFileName(aPath);
        struct stat status;
        if (::stat(path.c_str(), &status) != 0)
            return FileAttribute::Invalid;
        std::uint32_t attributes = attributesOfStatus(status);
        const auto slash = path.find_last_of('/');
        const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
        if (start < path.size() && path[start] == '.' && path.compare(start, std::string::npos, ".") != 0 &&
            path.compare(start, std::string::npos, "..") != 0)
            attributes |= FileAttribute::Hidden;
        return attributes;
    }
};

locale_t unicodeLocale()
{
    static const locale_t locale = [] {
        locale_t made = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        return made ? made : ::newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(nullptr));
    }();
    return locale;
}

} // namespace

bool fileNamesIgnoreCase() { return false; }

char16_t upperCaseForNameOrder(char16_t aUnit)
{
    // Built once: a sort asks for every unit of every name.
    static const std::vector<char16_t> table = [] {
        std::vector<char16_t> upper(0x10000);
        const locale_t locale = unicodeLocale();
        for (std::uint32_t unit = 0; unit < upper.size(); ++unit) {
            const wint_t mapped = unit >= 0xD800 && unit <= 0xDFFF ? unit : ::towupper_l(wint_t(unit), locale);
            upper[unit] = mapped <= 0xFFFF ? char16_t(mapped) : char16_t(unit);
        }
        return upper;
    }();
    return table[aUnit];
}

template <>
FolderSearch& defaultService<FolderSearch>()
{
    static PosixFolderSearch instance;
    return instance;
}

} // namespace platform
