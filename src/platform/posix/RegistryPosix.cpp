// HKEY_CURRENT_USER as one text file in the registry-export syntax:
// $XDG_CONFIG_HOME/KezConverter/HKEY_CURRENT_USER.reg (default ~/.config).
//
// Every write re-reads the file under an exclusive lock on a separate lock file, changes it and
// replaces it with a fully written and flushed temporary file, so a writer killed at any moment
// leaves either the old or the new file, and two programs writing at once lose nothing.
// A file that does not parse is used for what parses; before it is first replaced, the
// original is kept beside it as HKEY_CURRENT_USER.reg.corrupt-<time>.
#include "platform/Registry.h"
#include "platform/Services.h"
#include "platform/posix/RegFileFormat.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

namespace platform {
namespace {

namespace rf = regfile;

constexpr const char* kFileName = "HKEY_CURRENT_USER.reg";
constexpr RegKey kFirstHandle = 0x1000;

RegResult resultFromErrno(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return RegError::AccessDenied;
    case ENOSPC:
    case EDQUOT:
        return RegError::DiskFull;
    case ENOMEM:
        return RegError::OutOfMemory;
    default:
        return RegError::RegistryIoFailed;
    }
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : mFd(fd) {}
    ~FileDescriptor()
    {
        if (mFd >= 0)
            ::close(mFd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return mFd; }
    bool valid() const { return mFd >= 0; }
    // Closes now and reports the result, which for a written file can carry a late write error.
    int close()
    {
        const int result = ::close(mFd);
        mFd = -1;
        return result;
    }

private:
    int mFd;
};

struct StorePaths {
    std::string folder;
    std::string file;
    std::string lock;
};

std::string configHome()
{
    // The XDG rules: only an absolute XDG_CONFIG_HOME counts.
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/')
        return xdg;
    std::string home;
    if (const char* env = std::getenv("HOME"); env && env[0] != '\0') {
        home = env;
    } else {
        std::vector<char> buffer(16384);
        passwd entry{};
        passwd* found = nullptr;
        if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found)
            home = found->pw_dir;
    }
    return home + "/.config";
}

StorePaths storePaths()
{
    StorePaths paths;
    paths.folder = configHome() + "/KezConverter";
    paths.file = paths.folder + "/" + kFileName;
    paths.lock = paths.file + ".lock";
    return paths;
}

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

RegResult readAll(int fd, std::string& out)
{
    out.clear();
    char buffer[65536];
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return resultFromErrno(errno);
        }
        if (n == 0)
            return RegError::Success;
        out.append(buffer, std::size_t(n));
    }
}

RegResult writeAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return resultFromErrno(errno);
        }
        data.remove_prefix(std::size_t(n));
    }
    return RegError::Success;
}

// Writes a new file that must not exist yet, flushed to disk.
RegResult writeNewFile(const std::string& path, std::string_view data)
{
    FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!fd.valid())
        return resultFromErrno(errno);
    RegResult result = writeAll(fd.get(), data);
    if (result == RegError::Success && ::fsync(fd.get()) != 0)
        result = resultFromErrno(errno);
    if (fd.close() != 0 && result == RegError::Success)
        result = resultFromErrno(errno);
    return result;
}

RegResult syncFolder(const std::string& folder)
{
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid() || ::fsync(fd.get()) != 0)
        return resultFromErrno(errno);
    return RegError::Success;
}

std::string timestamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y%m%d-%H%M%S", &local);
    return buffer;
}

// Keeps the bytes of a file that did not parse beside it, under a name not yet taken.
RegResult preserveOriginal(const StorePaths& paths, const std::string& original)
{
    const std::string base = paths.file + ".corrupt-" + timestamp();
    for (int attempt = 1; attempt < 1000; ++attempt) {
        const std::string name = attempt == 1 ? base : base + "-" + std::to_string(attempt);
        struct stat st {};
        if (::lstat(name.c_str(), &st) == 0)
            continue;
        return writeNewFile(name, original);
    }
    return RegError::RegistryIoFailed;
}

// Temporary files left by a writer that was killed; only called with the lock held, when no
// other writer can be in the middle of one.
void removeStaleTemporaries(const StorePaths& paths)
{
    DIR* folder = ::opendir(paths.folder.c_str());
    if (!folder)
        return;
    const std::string prefix = std::string(kFileName) + ".tmp-";
    while (const dirent* entry = ::readdir(folder)) {
        if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0)
            ::unlink((paths.folder + "/" + entry->d_name).c_str());
    }
    ::closedir(folder);
}

// What identifies one version of the file: every write replaces the file, so a new version
// has a new inode, and an edit in place changes the size or the times.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t modified = 0;
    std::int64_t changed = 0;

    static FileStamp of(const struct stat& st)
    {
        FileStamp stamp;
        stamp.exists = true;
        stamp.device = st.st_dev;
        stamp.inode = st.st_ino;
        stamp.size = st.st_size;
        stamp.modified = std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        stamp.changed = std::int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
        return stamp;
    }
    bool operator==(const FileStamp&) const = default;
};

rf::Node emptyHive() { return rf::parse({}).root; }

RegResult splitKeyPath(const std::u16string& subKey, std::vector<std::u16string>& parts)
{
    std::size_t start = 0;
    while (start <= subKey.size()) {
        std::size_t slash = subKey.find(u'\\', start);
        if (slash == std::u16string::npos)
            slash = subKey.size();
        std::u16string part = subKey.substr(start, slash - start);
        if (!part.empty()) {
            if (!rf::isStorableName(part, true))
                return RegError::InvalidParameter;
            parts.push_back(std::move(part));
        }
        start = slash + 1;
    }
    return RegError::Success;
}

class PosixRegistry final : public Registry {
public:
    RegResult openKey(RegKey root, const std::u16string& subKey, std::uint32_t access, RegKey* result) override
    {
        std::lock_guard guard(mMutex);
        if (!result)
            return RegError::InvalidParameter;
        std::vector<std::u16string> path;
        if (RegResult r = resolve(root, subKey, path); r != RegError::Success)
            return r;
        const rf::Node* hive = nullptr;
        if (RegResult r = current(hive); r != RegError::Success)
            return r;
        if (!hive->find(path))
            return RegError::FileNotFound;
        *result = addHandle(std::move(path), access);
        return RegError::Success;
    }

    RegResult createKey(RegKey root, const std::u16string& subKey, std::uint32_t access, RegKey* result) override
    {
        std::lock_guard guard(mMutex);
        if (!result)
            return RegError::InvalidParameter;
        std::vector<std::u16string> path;
        if (RegResult r = resolve(root, subKey, path); r != RegError::Success)
            return r;
        const rf::Node* hive = nullptr;
        if (RegResult r = current(hive); r != RegError::Success)
            return r;
        if (!hive->find(path)) {
            if (RegResult r = modify([&](rf::Node& tree) { tree.createPath(path); }); r != RegError::Success)
                return r;
        }
        *result = addHandle(std::move(path), access);
        return RegError::Success;
    }

    RegResult queryValue(RegKey key, const std::u16string& valueName, std::uint32_t* type, std::uint8_t* data,
                         std::uint32_t* dataSize) override
    {
        std::lock_guard guard(mMutex);
        std::vector<std::u16string> path;
        if (RegResult r = handlePath(key, RegAccess::QueryValue, path); r != RegError::Success)
            return r;
        if (data && !dataSize)
            return RegError::InvalidParameter;
        const rf::Node* hive = nullptr;
        if (RegResult r = current(hive); r != RegError::Success)
            return r;
        const rf::Node* node = hive->find(path);
        if (!node)
            return RegError::KeyDeleted;
        const rf::Value* value = node->findValue(valueName);
        if (!value)
            return RegError::FileNotFound;
        if (type)
            *type = value->type;
        const auto size = std::uint32_t(value->data.size());
        if (!data) {
            if (dataSize)
                *dataSize = size;
            return RegError::Success;
        }
        if (*dataSize < size) {
            *dataSize = size;
            return RegError::MoreData;
        }
        std::copy(value->data.begin(), value->data.end(), data);
        *dataSize = size;
        return RegError::Success;
    }

    RegResult setValue(RegKey key, const std::u16string& valueName, std::uint32_t type, const std::uint8_t* data,
                       std::uint32_t dataSize) override
    {
        std::lock_guard guard(mMutex);
        std::vector<std::u16string> path;
        if (RegResult r = handlePath(key, RegAccess::SetValue, path); r != RegError::Success)
            return r;
        if (!data && dataSize != 0)
            return RegError::NoAccess;
        if (!rf::isStorableName(valueName, false))
            return RegError::InvalidParameter;
        std::vector<std::uint8_t> bytes(data, data + dataSize);
        // A key that has gone from the file (only a damaged file loses keys) is made again
        // rather than losing the value being written.
        return modify([&](rf::Node& tree) { tree.createPath(path).setValue(valueName, type, std::move(bytes)); });
    }

    RegResult closeKey(RegKey key) override
    {
        std::lock_guard guard(mMutex);
        if (key == kHKeyCurrentUser)
            return RegError::Success;
        return mHandles.erase(key) ? RegError::Success : RegError::InvalidHandle;
    }

private:
    struct Handle {
        std::vector<std::u16string> path;
        std::uint32_t access = 0;
    };

    RegResult resolve(RegKey root, const std::u16string& subKey, std::vector<std::u16string>& path) const
    {
        if (root != kHKeyCurrentUser) {
            const auto it = mHandles.find(root);
            if (it == mHandles.end())
                return RegError::InvalidHandle;
            path = it->second.path;
        }
        return splitKeyPath(subKey, path);
    }

    RegResult handlePath(RegKey key, std::uint32_t needed, std::vector<std::u16string>& path) const
    {
        if (key == kHKeyCurrentUser) {
            path.clear();
            return RegError::Success;
        }
        const auto it = mHandles.find(key);
        if (it == mHandles.end())
            return RegError::InvalidHandle;
        if ((it->second.access & needed) != needed)
            return RegError::AccessDenied;
        path = it->second.path;
        return RegError::Success;
    }

    RegKey addHandle(std::vector<std::u16string> path, std::uint32_t access)
    {
        while (mHandles.count(mNextHandle) || mNextHandle == kHKeyCurrentUser || mNextHandle == 0)
            mNextHandle += 4;
        const RegKey key = mNextHandle;
        mNextHandle += 4;
        mHandles.emplace(key, Handle{std::move(path), access});
        return key;
    }

    // The hive as the file holds it now; re-read only when the file has been replaced or changed.
    RegResult current(const rf::Node*& hive)
    {
        const StorePaths paths = storePaths();
        FileDescriptor fd(::open(paths.file.c_str(), O_RDONLY | O_CLOEXEC));
        FileStamp stamp;
        if (!fd.valid()) {
            if (errno != ENOENT && errno != ENOTDIR)
                return resultFromErrno(errno);
        } else {
            struct stat st {};
            if (::fstat(fd.get(), &st) != 0)
                return resultFromErrno(errno);
            stamp = FileStamp::of(st);
        }
        if (!mCacheValid || mCachedFile != paths.file || !(mCachedStamp == stamp)) {
            if (stamp.exists) {
                std::string text;
                if (RegResult r = readAll(fd.get(), text); r != RegError::Success)
                    return r;
                mCachedTree = rf::parse(text).root;
            } else {
                mCachedTree = emptyHive();
            }
            mCachedFile = paths.file;
            mCachedStamp = stamp;
            mCacheValid = true;
        }
        hive = &mCachedTree;
        return RegError::Success;
    }

    // Read, change and replace the file, all under the exclusive lock.
    RegResult modify(const std::function<void(rf::Node&)>& change)
    {
        const StorePaths paths = storePaths();
        if (!makeFolders(paths.folder))
            return resultFromErrno(errno);
        FileDescriptor lock(::open(paths.lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
        if (!lock.valid())
            return resultFromErrno(errno);
        while (::flock(lock.get(), LOCK_EX) != 0) {
            if (errno != EINTR)
                return resultFromErrno(errno);
        }
        removeStaleTemporaries(paths);

        std::string original;
        bool existed = false;
        {
            FileDescriptor fd(::open(paths.file.c_str(), O_RDONLY | O_CLOEXEC));
            if (fd.valid()) {
                existed = true;
                if (RegResult r = readAll(fd.get(), original); r != RegError::Success)
                    return r;
            } else if (errno != ENOENT) {
                return resultFromErrno(errno);
            }
        }
        rf::ParseResult parsed = rf::parse(original);
        change(parsed.root);
        if (existed && !parsed.defectLines.empty()) {
            if (RegResult r = preserveOriginal(paths, original); r != RegError::Success)
                return r;
        }

        const std::string temporary =
            paths.file + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(++mTemporaryCounter);
        if (RegResult r = writeNewFile(temporary, rf::serialize(parsed.root)); r != RegError::Success) {
            ::unlink(temporary.c_str());
            return r;
        }
        if (::rename(temporary.c_str(), paths.file.c_str()) != 0) {
            const int error = errno;
            ::unlink(temporary.c_str());
            return resultFromErrno(error);
        }
        // Best effort: some file systems cannot flush a folder, and the new file is in place.
        syncFolder(paths.folder);

        struct stat st {};
        if (::stat(paths.file.c_str(), &st) == 0) {
            mCachedTree = std::move(parsed.root);
            mCachedFile = paths.file;
            mCachedStamp = FileStamp::of(st);
            mCacheValid = true;
        } else {
            mCacheValid = false;
        }
        return RegError::Success;
    }

    std::mutex mMutex;
    std::map<RegKey, Handle> mHandles;
    RegKey mNextHandle = kFirstHandle;
    unsigned long mTemporaryCounter = 0;

    bool mCacheValid = false;
    std::string mCachedFile;
    FileStamp mCachedStamp;
    rf::Node mCachedTree;
};

} // namespace

template <>
Registry& defaultService<Registry>()
{
    static PosixRegistry instance;
    return instance;
}

} // namespace platform
