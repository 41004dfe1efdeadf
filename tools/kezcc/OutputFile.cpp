#include "OutputFile.h"
#include "FileNames.h"
#include "SystemError.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <unistd.h>

namespace kezcc {
namespace {

constexpr int kEndRequests[] = {SIGTERM, SIGINT, SIGHUP};

// The temporary being written, where the end-request handler finds it: a name prepared before the
// handler may look at it (the signals are blocked while it is filled), so the handler only unlinks.
char gPendingName[8192];
volatile std::sig_atomic_t gPending = 0;

extern "C" void removeTemporaryAndEnd(int aSignal)
{
    if (gPending)
        ::unlink(gPendingName);
    // The handler was reset to the default on entry: once it returns, the signal ends the process.
    ::raise(aSignal);
}

// Holds the end requests back for its lifetime.
class EndRequestsHeld {
public:
    EndRequestsHeld()
    {
        sigset_t held;
        sigemptyset(&held);
        for (const int request : kEndRequests)
            sigaddset(&held, request);
        pthread_sigmask(SIG_BLOCK, &held, &mPrevious);
    }
    ~EndRequestsHeld() { pthread_sigmask(SIG_SETMASK, &mPrevious, nullptr); }
    EndRequestsHeld(const EndRequestsHeld&) = delete;
    EndRequestsHeld& operator=(const EndRequestsHeld&) = delete;

private:
    sigset_t mPrevious;
};

// Called with the end requests held. A name too long for the buffer is left to the next
// conversion's clean-up.
void setPending(const std::string& aName)
{
    gPending = 0;
    if (aName.size() >= sizeof gPendingName)
        return;
    std::memcpy(gPendingName, aName.c_str(), aName.size() + 1);
    gPending = 1;
}

std::string folderOfName(const std::string& aPath)
{
    const std::size_t slash = aPath.rfind('/');
    return slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : aPath.substr(0, slash);
}

std::string baseOfName(const std::string& aPath)
{
    const std::size_t slash = aPath.rfind('/');
    return slash == std::string::npos ? aPath : aPath.substr(slash + 1);
}

// The file aPath finally names, following symbolic links (also one that points nowhere yet: its
// file is then created). 0, or the error that stopped the search.
int followLinks(std::string aPath, std::string& aTarget)
{
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info;
        if (::lstat(aPath.c_str(), &info) != 0) {
            if (errno != ENOENT)
                return errno;
            aTarget = aPath;
            return 0;
        }
        if (!S_ISLNK(info.st_mode)) {
            aTarget = aPath;
            return 0;
        }
        std::string link(std::size_t(info.st_size > 0 ? info.st_size : 4095) + 1, '\0');
        const ssize_t length = ::readlink(aPath.c_str(), link.data(), link.size());
        if (length < 0)
            return errno;
        if (std::size_t(length) >= link.size())
            return ENAMETOOLONG;
        link.resize(std::size_t(length));
        aPath = link.starts_with('/') ? link : folderOfName(aPath) + '/' + link;
    }
    return ELOOP;
}

// The first part of the name of every temporary of a target named aName (no folder).
std::string temporaryPrefix(const std::string& aName)
{
    // FNV-1a: the target's name may be too long to be part of another name.
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (const char c : aName)
        hash = (hash ^ std::uint8_t(c)) * 0x100000001b3u;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return ".kezcc-" + std::string(hex) + '-';
}

// Removes one temporary when it is provably a left-over: a regular file of this user that no
// converter holds locked (the lock of one that was killed went with it).
void removeIfLeftOver(int aFolder, const char* aName)
{
    const Descriptor file(::openat(aFolder, aName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat info;
    if (file.fd < 0 || ::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid())
        return;
    if (::flock(file.fd, LOCK_EX | LOCK_NB) != 0)
        return;
    // Still the file that was checked under that name.
    struct stat named;
    if (::fstatat(aFolder, aName, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == info.st_dev &&
        named.st_ino == info.st_ino)
        ::unlinkat(aFolder, aName, 0);
}

void removeLeftOvers(const std::string& aFolder, const std::string& aPrefix)
{
    DIR* folder = ::opendir(aFolder.c_str());
    if (!folder)
        return;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string_view name(entry->d_name);
        if (name.size() == aPrefix.size() + 6 && name.starts_with(aPrefix))
            removeIfLeftOver(::dirfd(folder), entry->d_name);
    }
    ::closedir(folder);
}

// Waits for the lock; a converter cleaning up holds it only for a moment.
bool lockFile(int aFile)
{
    while (::flock(aFile, LOCK_EX) != 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

// A file system that cannot put a folder on disk says EINVAL; that is no failure of the result.
int syncFolder(const std::string& aFolder)
{
    const Descriptor folder(::open(aFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.fd < 0)
        return errno;
    if (::fsync(folder.fd) != 0 && errno != EINVAL)
        return errno;
    return 0;
}

} // namespace

void FileSink::write(const char* aBytes, std::size_t aSize)
{
    while (aSize > 0 && mError == 0) {
        const ssize_t written = ::write(mFile, aBytes, aSize);
        if (written < 0) {
            if (errno != EINTR)
                mError = errno;
            continue;
        }
        aBytes += written;
        aSize -= std::size_t(written);
        mWritten += std::uint64_t(written);
    }
#ifdef SYNC_FILE_RANGE_WRITE
    // The disk starts on what is written while the rest is converted, so that the sync before the
    // result replaces its target finds little left to wait for.
    constexpr std::uint64_t kFlushStep = std::uint64_t(8) << 20;
    if (mWritten - mFlushedTo >= kFlushStep) {
        ::sync_file_range(mFile, off64_t(mFlushedTo), off64_t(mWritten - mFlushedTo), SYNC_FILE_RANGE_WRITE);
        mFlushedTo = mWritten;
    }
#endif
}

OutputFile::~OutputFile()
{
    if (!mTemporary.empty() && !mRenamed)
        ::unlink(mTemporary.c_str());
    gPending = 0;
}

std::optional<Outcome> OutputFile::failure(const char* aWhat, int aError) const
{
    return Outcome{ResultCode::OutputUnwritable, fromUtf8(aWhat) + u' ' + mPath + u": " + systemError(aError)};
}

std::optional<Outcome> OutputFile::check(const Text& aPath, const struct stat& aSource)
{
    mPath = aPath;
    const auto refused = [](const Text& aMessage) { return Outcome{ResultCode::OutputUnwritable, aMessage}; };
    if (aPath.empty())
        return refused(u"Не указан выходной файл.");
    if (const int error = followLinks(nativeFileName(aPath), mTarget))
        return failure("Не удалось записать выходной файл", error);
    mFolder = folderOfName(mTarget);
    const Text folder = displayFileName(mFolder);
    struct stat info;
    if (::stat(mFolder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return refused(u"Папка для выходного файла не существует: " + folder);
    if (::stat(mTarget.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode))
            return refused(u"Вместо выходного файла указана папка: " + aPath);
        // Writing the RTF over its own source would lose the source.
        if (info.st_dev == aSource.st_dev && info.st_ino == aSource.st_ino)
            return refused(u"Выходной файл совпадает с исходным: " + aPath);
        // A pipe or a device would be replaced by a plain file, not written to.
        if (!S_ISREG(info.st_mode))
            return refused(u"Выходной файл не является обычным файлом: " + aPath);
        // A file nobody may write is protected on purpose, even from a converter run with the
        // rights to replace it anyway.
        if (::faccessat(AT_FDCWD, mTarget.c_str(), W_OK, AT_EACCESS) != 0)
            return failure("Не удалось записать выходной файл", errno);
        if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            return failure("Не удалось записать выходной файл", EACCES);
        mKeptMode = info.st_mode & 07777;
    }
    if (::access(mFolder.c_str(), W_OK) != 0)
        return refused(u"Нет права записи в папку: " + folder);
    return std::nullopt;
}

std::optional<Outcome> OutputFile::create()
{
    const std::string prefix = temporaryPrefix(baseOfName(mTarget));
    removeLeftOvers(mFolder, prefix);
    // A converter cleaning up the same target may take a new temporary for a left-over in the
    // moment before it is locked; then another one is taken.
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::string name = mFolder + '/' + prefix + "XXXXXX";
        {
            const EndRequestsHeld held;
            mFile.fd = ::mkostemp(name.data(), O_CLOEXEC);
            if (mFile.fd < 0)
                return failure("Не удалось создать выходной файл", errno);
            setPending(name);
        }
        mTemporary = name;
        struct stat info;
        if (!lockFile(mFile.fd) || ::fstat(mFile.fd, &info) != 0)
            return failure("Не удалось создать выходной файл", errno);
        if (info.st_nlink > 0) {
            mSink.emplace(mFile.fd);
            return std::nullopt;
        }
        gPending = 0;
        mTemporary.clear();
        mFile.reset();
    }
    return failure("Не удалось создать выходной файл", EEXIST);
}

std::optional<Outcome> OutputFile::commit()
{
    int error = mSink->error();
    // mkstemp makes the file private while it is written; the result gets the target's bits, or
    // the ones any new file of the user gets.
    mode_t mode = 0;
    if (mKeptMode) {
        mode = *mKeptMode;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (error == 0 && ::fchmod(mFile.fd, mode) != 0)
        error = errno;
    // On disk before it replaces the old result: a power cut must not leave an empty target.
    if (error == 0 && ::fsync(mFile.fd) != 0)
        error = errno;
    if (error == 0 && ::rename(mTemporary.c_str(), mTarget.c_str()) != 0)
        error = errno;
    if (error != 0)
        return failure("Не удалось записать выходной файл", error);
    mRenamed = true;
    gPending = 0;
    mFile.reset();
    if (const int folderError = syncFolder(mFolder))
        return failure("Не удалось записать выходной файл", folderError);
    return std::nullopt;
}

void OutputFile::removeTemporaryOnEndRequests()
{
    struct sigaction action = {};
    action.sa_handler = removeTemporaryAndEnd;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (const int request : kEndRequests)
        sigaddset(&action.sa_mask, request);
    for (const int request : kEndRequests) {
        // An end request ignored by whoever started the converter (nohup) stays ignored.
        struct sigaction previous = {};
        if (::sigaction(request, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        ::sigaction(request, &action, nullptr);
    }
}

} // namespace kezcc
