#include "platform/posix/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace platform::posix {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept
{
    if (this != &other)
        reset(other.release());
    return *this;
}

int UniqueFd::release()
{
    const int fd = mFd;
    mFd = -1;
    return fd;
}

void UniqueFd::reset(int fd)
{
    if (mFd >= 0) {
        const int saved = errno;
        ::close(mFd);
        errno = saved;
    }
    mFd = fd;
}

int UniqueFd::close()
{
    const int result = ::close(mFd);
    mFd = -1;
    return result;
}

std::string absoluteEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    return value && value[0] == '/' ? std::string(value) : std::string();
}

std::string homeFolder()
{
    if (std::string home = absoluteEnvironment("HOME"); !home.empty())
        return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return {};
}

std::string userFolder(const char* variable, const char* belowHome)
{
    if (std::string folder = absoluteEnvironment(variable); !folder.empty())
        return folder;
    const std::string home = homeFolder();
    return home.empty() ? std::string() : home + "/" + belowHome;
}

namespace {

bool makeFolders(const std::string& path)
{
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            return true;
    }
}

// A folder of ours: this user's, and nobody else's to read or change.
bool makePrivate(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    if (!S_ISDIR(st.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    if (st.st_uid != ::geteuid()) {
        errno = EACCES;
        return false;
    }
    if ((st.st_mode & 0077) != 0 && ::fchmod(fd, st.st_mode & 0700) != 0) {
        errno = EACCES;
        return false;
    }
    return true;
}

} // namespace

UniqueFd openPrivateFolder(const std::string& base, const std::vector<std::string>& parts)
{
    if (base.empty() || base.front() != '/') {
        errno = ENOENT;
        return UniqueFd();
    }
    if (!makeFolders(base))
        return UniqueFd();
    UniqueFd folder(::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid())
        return UniqueFd();
    for (const std::string& part : parts) {
        if (::mkdirat(folder.get(), part.c_str(), 0700) != 0 && errno != EEXIST)
            return UniqueFd();
        UniqueFd next(::openat(folder.get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next.valid()) {
            // Linux reports a link met with O_DIRECTORY | O_NOFOLLOW as "not a folder".
            if (errno == ENOTDIR) {
                struct stat st {};
                if (::fstatat(folder.get(), part.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
                    errno = ELOOP;
            }
            return UniqueFd();
        }
        if (!makePrivate(next.get()))
            return UniqueFd();
        folder = std::move(next);
    }
    return folder;
}

bool stillLinked(int folder)
{
    struct stat st {};
    return ::fstat(folder, &st) == 0 && st.st_nlink > 0;
}

UniqueFd openAt(int folder, const std::string& name, int flags, unsigned mode)
{
    return UniqueFd(::openat(folder, name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, mode));
}

bool readAll(int fd, std::string& out, std::size_t maxBytes)
{
    out.clear();
    char buffer[65536];
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return true;
        if (std::size_t(n) > maxBytes - out.size()) {
            out.clear();
            errno = EFBIG;
            return false;
        }
        out.append(buffer, std::size_t(n));
    }
}

bool writeAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(std::size_t(n));
    }
    return true;
}

namespace {

bool readRegularFileAt(int folder, const std::string& name, std::string& out, bool ownOnly, std::size_t maxBytes)
{
    // Not blocking on open: a planted pipe must not hang the reader.
    UniqueFd fd = openAt(folder, name, O_RDONLY | O_NONBLOCK);
    if (!fd.valid())
        return false;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return false;
    if (!S_ISREG(st.st_mode)) {
        errno = EINVAL;
        return false;
    }
    if (ownOnly && st.st_uid != ::geteuid()) {
        errno = EACCES;
        return false;
    }
    if (std::uintmax_t(st.st_size) > maxBytes) {
        errno = EFBIG;
        return false;
    }
    return readAll(fd.get(), out, maxBytes);
}

} // namespace

bool readFileAt(int folder, const std::string& name, std::string& out)
{
    return readRegularFileAt(folder, name, out, false, std::string::npos);
}

bool readOwnFileAt(int folder, const std::string& name, std::string& out, std::size_t maxBytes)
{
    return readRegularFileAt(folder, name, out, true, maxBytes);
}

bool writeNewFileAt(int folder, const std::string& name, std::string_view data, bool sync)
{
    UniqueFd fd = openAt(folder, name, O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (!fd.valid())
        return false;
    bool ok = writeAll(fd.get(), data) && (!sync || ::fsync(fd.get()) == 0);
    if (fd.close() != 0)
        ok = false;
    return ok;
}

namespace {
std::string temporaryPrefix(const std::string& name) { return name + ".tmp-"; }
} // namespace

bool replaceFileAt(int folder, const std::string& name, std::string_view data, bool sync)
{
    static std::atomic<unsigned long> counter{0};
    const std::string temporary =
        temporaryPrefix(name) + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
    if (!writeNewFileAt(folder, temporary, data, sync) || ::renameat(folder, temporary.c_str(), folder, name.c_str()) != 0) {
        const int error = errno;
        ::unlinkat(folder, temporary.c_str(), 0);
        errno = error;
        return false;
    }
    // Best effort: some file systems cannot flush a folder, and the new file is in place.
    if (sync)
        ::fsync(folder);
    return true;
}

void removeTemporariesAt(int folder, const std::string& name)
{
    const int copy = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (copy < 0)
        return;
    DIR* listing = ::fdopendir(copy);
    if (!listing) {
        ::close(copy);
        return;
    }
    const std::string prefix = temporaryPrefix(name);
    while (const dirent* entry = ::readdir(listing)) {
        if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0)
            ::unlinkat(folder, entry->d_name, 0);
    }
    ::closedir(listing);
}

UniqueFd lockAt(int folder, const std::string& name, int operation)
{
    UniqueFd fd = openAt(folder, name, O_RDWR | O_CREAT, 0600);
    if (!fd.valid())
        return fd;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        errno = EINVAL;
        return UniqueFd();
    }
    while (::flock(fd.get(), operation) != 0) {
        if (errno != EINTR)
            return UniqueFd();
    }
    return fd;
}

} // namespace platform::posix
