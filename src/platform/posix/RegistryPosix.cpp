// HKEY_CURRENT_USER as one text file in the registry-export syntax:
// $XDG_CONFIG_HOME/KezConverter/HKEY_CURRENT_USER.reg (default ~/.config).
//
// Every write re-reads the file under an exclusive lock on a separate lock file, changes it and
// replaces it with a fully written and flushed temporary file, so a writer killed at any moment
// leaves either the old or the new file, and two programs writing at once lose nothing. Inside a
// batch the changes are kept and replayed onto the file in one such replacement when it ends.
// A read batch keeps a copy of the version its first read parsed, and reads from that alone.
// A file that does not parse is used for what parses; before it is first replaced, the
// original is kept beside it as HKEY_CURRENT_USER.reg.corrupt-<time>.
// The KezConverter folder must be this user's own; it is opened once and every file is reached
// relative to it without following links.
#include "platform/Registry.h"
#include "platform/Services.h"
#include "platform/posix/Files.h"
#include "platform/posix/RegFileFormat.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

namespace platform {
namespace {

namespace rf = regfile;

constexpr const char* kFolderName = "KezConverter";
constexpr const char* kFileName = "HKEY_CURRENT_USER.reg";
constexpr const char* kLockName = "HKEY_CURRENT_USER.reg.lock";
constexpr RegKey kFirstHandle = 0x1000;

RegResult resultFromErrno(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
    case ELOOP:
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

RegResult lastError() { return resultFromErrno(errno); }

// Where the store lives now: read on every use, so that a changed environment (a test's private
// folder) is honoured.
std::string configHome() { return posix::userFolder("XDG_CONFIG_HOME", ".config"); }

// configHome() == base, asked for every value a save writes: without building the string when
// the environment names the folder.
bool configHomeIs(const std::string& base)
{
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
        return base == xdg;
    if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
        const std::string_view suffix = "/.config";
        const std::size_t length = std::strlen(home);
        return base.size() == length + suffix.size() && base.compare(0, length, home) == 0 &&
               base.compare(length, suffix.size(), suffix) == 0;
    }
    return base == configHome();
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
RegResult preserveOriginal(int folder, const std::string& original)
{
    const std::string base = std::string(kFileName) + ".corrupt-" + timestamp();
    for (int attempt = 1; attempt < 1000; ++attempt) {
        const std::string name = attempt == 1 ? base : base + "-" + std::to_string(attempt);
        if (posix::writeNewFileAt(folder, name, original, true))
            return RegError::Success;
        if (errno != EEXIST)
            return lastError();
    }
    return RegError::RegistryIoFailed;
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

// A key's names from the root down. Shared by a handle and every change made through it, as a
// save writes many values through one handle.
using KeyPath = std::shared_ptr<const std::vector<std::u16string>>;

// One change made through the interface, kept whole so that a batch can replay it onto the file
// as it is when the batch ends.
struct Change {
    KeyPath path;
    std::optional<rf::Value> value;

    void applyTo(rf::Node& tree) const
    {
        rf::Node& key = tree.createPath(*path);
        if (value)
            key.setValue(value->name, value->type, value->data);
    }
};

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
    return parts.size() > rf::kMaxKeyDepth ? RegError::InvalidParameter : RegError::Success;
}

class PosixRegistry final : public Registry {
public:
    RegResult openKey(RegKey root, const std::u16string& subKey, std::uint32_t access, RegKey* result) override
    {
        std::lock_guard guard(mMutex);
        if (!result)
            return RegError::InvalidParameter;
        KeyPath path;
        if (RegResult r = resolve(root, subKey, path); r != RegError::Success)
            return r;
        const rf::Node* hive = nullptr;
        if (RegResult r = view(hive); r != RegError::Success)
            return r;
        if (!hive->find(*path))
            return RegError::FileNotFound;
        *result = addHandle(std::move(path), access);
        return RegError::Success;
    }

    RegResult createKey(RegKey root, const std::u16string& subKey, std::uint32_t access, RegKey* result) override
    {
        std::lock_guard guard(mMutex);
        if (!result)
            return RegError::InvalidParameter;
        KeyPath path;
        if (RegResult r = resolve(root, subKey, path); r != RegError::Success)
            return r;
        // Inside a batch, creating is a write like any other: making a key the file already has
        // again at the commit changes nothing, so the file need not be looked at now.
        const rf::Node* hive = &mCachedTree;
        bool exists = false;
        if (mReadDepth > 0) {
            if (RegResult r = view(hive); r != RegError::Success)
                return r;
            exists = hive->find(*path) != nullptr;
        } else {
            if (!inBatchWithCache()) {
                if (RegResult r = current(hive); r != RegError::Success)
                    return r;
            }
            exists = (path == mKnownPath && mKnownGeneration == mTreeGeneration) || hive->find(*path);
        }
        if (!exists) {
            if (RegResult r = modify(Change{path, std::nullopt}); r != RegError::Success)
                return r;
        }
        *result = addHandle(std::move(path), access);
        return RegError::Success;
    }

    RegResult queryValue(RegKey key, const std::u16string& valueName, std::uint32_t* type, std::uint8_t* data,
                         std::uint32_t* dataSize) override
    {
        std::lock_guard guard(mMutex);
        KeyPath path;
        if (RegResult r = handlePath(key, RegAccess::QueryValue, path); r != RegError::Success)
            return r;
        if (data && !dataSize)
            return RegError::InvalidParameter;
        const rf::Node* hive = nullptr;
        if (RegResult r = view(hive); r != RegError::Success)
            return r;
        const rf::Node* node = hive->find(*path);
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
        KeyPath path;
        if (RegResult r = handlePath(key, RegAccess::SetValue, path); r != RegError::Success)
            return r;
        if (!data && dataSize != 0)
            return RegError::NoAccess;
        if (!rf::isStorableName(valueName, false))
            return RegError::InvalidParameter;
        // A key that has gone from the file (only a damaged file loses keys) is made again
        // rather than losing the value being written.
        return modify(Change{std::move(path), rf::Value{valueName, {}, type, std::vector<std::uint8_t>(data, data + dataSize)}});
    }

    RegResult beginBatch() override { return enter(mBatchDepth); }

    RegResult commitBatch() override
    {
        std::lock_guard guard(mMutex);
        if (!leave(mBatchDepth))
            return RegError::InvalidParameter;
        if (mBatchDepth > 0)
            return RegError::Success;
        std::vector<Change> changes = std::move(mPending);
        mPending.clear();
        if (changes.empty())
            return RegError::Success;
        const RegResult result = write(changes, true);
        if (result == RegError::Success) {
            if (mPin)
                mPin->stored.insert(mPin->stored.end(), changes.begin(), changes.end());
        } else {
            // The cached tree, and a read batch's view, still hold the dropped changes.
            mCacheValid = false;
            if (mPin)
                mPin->rebuild(mPending);
        }
        return result;
    }

    RegResult beginReadBatch() override { return enter(mReadDepth); }

    RegResult endReadBatch() override
    {
        std::lock_guard guard(mMutex);
        if (!leave(mReadDepth))
            return RegError::InvalidParameter;
        if (mReadDepth == 0)
            mPin.reset();
        return RegError::Success;
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
        KeyPath path;
        std::uint32_t access = 0;
    };

    // What a read batch reads: one version of the file, with this process's changes since on top.
    struct Pin {
        rf::Node tree;
        std::string text;           // the version's bytes, to make the view again
        std::vector<Change> stored; // this process's changes stored since the version was taken

        // After a failed commit: the version, what was stored since, and what is still pending.
        void rebuild(const std::vector<Change>& pending)
        {
            tree = rf::parse(text).root;
            for (const Change& change : stored)
                change.applyTo(tree);
            for (const Change& change : pending)
                change.applyTo(tree);
        }
    };

    // One level deeper into a batch of either kind.
    RegResult enter(unsigned& depth)
    {
        std::lock_guard guard(mMutex);
        ++depth;
        return RegError::Success;
    }

    // One level out of a batch of either kind (the caller holds the mutex); false when none is open.
    static bool leave(unsigned& depth)
    {
        if (depth == 0)
            return false;
        --depth;
        return true;
    }

    RegResult resolve(RegKey root, const std::u16string& subKey, KeyPath& path)
    {
        KeyPath rootPath;
        if (root != kHKeyCurrentUser) {
            const auto it = mHandles.find(root);
            if (it == mHandles.end())
                return RegError::InvalidHandle;
            rootPath = it->second.path;
        }
        // A save opens the same few keys again and again: the same names give the same path.
        if (mLastResolved.path && rootPath == mLastResolved.root && subKey == mLastResolved.subKey) {
            path = mLastResolved.path;
            return RegError::Success;
        }
        std::vector<std::u16string> parts;
        if (rootPath)
            parts = *rootPath;
        if (RegResult r = splitKeyPath(subKey, parts); r != RegError::Success)
            return r;
        path = std::make_shared<const std::vector<std::u16string>>(std::move(parts));
        mLastResolved = {std::move(rootPath), subKey, path};
        return RegError::Success;
    }

    RegResult handlePath(RegKey key, std::uint32_t needed, KeyPath& path) const
    {
        if (key == kHKeyCurrentUser) {
            static const KeyPath root = std::make_shared<const std::vector<std::u16string>>();
            path = root;
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

    RegKey addHandle(KeyPath path, std::uint32_t access)
    {
        while (mHandles.count(mNextHandle) || mNextHandle == kHKeyCurrentUser || mNextHandle == 0)
            mNextHandle += 4;
        const RegKey key = mNextHandle;
        mNextHandle += 4;
        mHandles.emplace(key, Handle{std::move(path), access});
        return key;
    }

    // The store's folder, opened once per location and checked; again when it has gone.
    RegResult storeFolder(bool create, int& folder)
    {
        const std::string base = configHome();
        if (base.empty())
            return RegError::FileNotFound;
        if (mFolder.valid() && mFolderBase == base && posix::stillLinked(mFolder.get())) {
            folder = mFolder.get();
            return RegError::Success;
        }
        if (!create) {
            // Nothing to read yet is not a failure; the folder is made by the first write.
            struct stat st {};
            if (::stat((base + "/" + kFolderName).c_str(), &st) != 0 && errno == ENOENT)
                return RegError::FileNotFound;
        }
        posix::UniqueFd opened = posix::openPrivateFolder(base, {kFolderName});
        if (!opened.valid())
            return lastError();
        mFolder = std::move(opened);
        mFolderBase = base;
        mCacheValid = false;
        folder = mFolder.get();
        return RegError::Success;
    }

    // The hive as the file holds it now, with the open batch's changes on top; re-read only when
    // the file has been replaced or changed.
    RegResult current(const rf::Node*& hive)
    {
        int folder = -1;
        FileStamp stamp;
        // One look at the file's stamp; it is opened only when it has to be read again.
        if (RegResult r = storeFolder(false, folder); r == RegError::Success) {
            struct stat st {};
            if (::fstatat(folder, kFileName, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                if (errno != ENOENT)
                    return lastError();
            } else {
                if (!S_ISREG(st.st_mode))
                    return RegError::AccessDenied;
                stamp = FileStamp::of(st);
            }
        } else if (r != RegError::FileNotFound) {
            return r;
        }
        const std::string base = configHome();
        if (!mCacheValid || !(mCachedStamp == stamp) || mCachedBase != base) {
            if (stamp.exists) {
                // Stamped again from the open file: it may have been replaced since the look.
                const posix::UniqueFd fd = posix::openAt(folder, kFileName, O_RDONLY | O_NONBLOCK);
                struct stat st {};
                if (!fd.valid() || ::fstat(fd.get(), &st) != 0)
                    return lastError();
                if (!S_ISREG(st.st_mode))
                    return RegError::AccessDenied;
                stamp = FileStamp::of(st);
                std::string text;
                if (!posix::readAll(fd.get(), text))
                    return lastError();
                rf::ParseResult parsed = rf::parse(text);
                mCachedTree = std::move(parsed.root);
                ++mTreeGeneration;
                mCachedDefects = !parsed.defectLines.empty();
                mCachedText = std::move(text);
            } else {
                mCachedTree = emptyHive();
                ++mTreeGeneration;
                mCachedDefects = false;
                mCachedText.clear();
            }
            for (const Change& change : mPending)
                change.applyTo(mCachedTree);
            mCachedStamp = stamp;
            mCachedBase = base;
            mCacheValid = true;
        }
        hive = &mCachedTree;
        return RegError::Success;
    }

    // What a read sees: in a read batch the version it took (taken now if it is the first
    // read), else the newest.
    RegResult view(const rf::Node*& hive)
    {
        if (mReadDepth == 0)
            return current(hive);
        if (!mPin) {
            const rf::Node* newest = nullptr;
            if (RegResult r = current(newest); r != RegError::Success)
                return r;
            mPin = Pin{newest->copy(), mCachedText, {}};
        }
        hive = &mPin->tree;
        return RegError::Success;
    }

    bool inBatchWithCache() const { return mBatchDepth > 0 && mCacheValid && configHomeIs(mCachedBase); }

    // The key at path in the cached tree, made if missing. A save writes many values to one key
    // in a row: the key found last is kept until the tree is read again (keys are never removed).
    rf::Node& cachedKey(const KeyPath& path)
    {
        if (path != mKnownPath || mKnownGeneration != mTreeGeneration) {
            mKnownNode = &mCachedTree.createPath(*path);
            mKnownPath = path;
            mKnownGeneration = mTreeGeneration;
        }
        return *mKnownNode;
    }

    RegResult modify(Change change)
    {
        if (mBatchDepth == 0) {
            const RegResult result = write({change}, false);
            if (result == RegError::Success && mPin) {
                change.applyTo(mPin->tree);
                mPin->stored.push_back(std::move(change));
            }
            return result;
        }
        // A write in a batch needs the file only once: the commit applies the changes to the
        // file as it is then, and a read in between looks at the file again.
        if (!inBatchWithCache()) {
            const rf::Node* hive = nullptr;
            if (RegResult r = current(hive); r != RegError::Success)
                return r;
        }
        rf::Node& key = cachedKey(change.path);
        if (change.value)
            key.setValue(change.value->name, change.value->type, change.value->data);
        if (mPin)
            change.applyTo(mPin->tree);
        mPending.push_back(std::move(change));
        return RegError::Success;
    }

    // Read, change and replace the file, all under the exclusive lock: one temporary file, one
    // flush, one rename, whatever the number of changes. inCache tells whether the cached tree
    // already holds the changes (a batch's).
    RegResult write(const std::vector<Change>& changes, bool inCache)
    {
        int folder = -1;
        if (RegResult r = storeFolder(true, folder); r != RegError::Success)
            return r;
        const posix::UniqueFd lock = posix::lockAt(folder, kLockName, LOCK_EX);
        if (!lock.valid())
            return lastError();
        posix::removeTemporariesAt(folder, kFileName);

        std::string original;
        const bool existed = posix::readFileAt(folder, kFileName, original);
        if (!existed && errno != ENOENT)
            return lastError();

        rf::Node* tree = &mCachedTree;
        rf::ParseResult parsed;
        if (cacheHolds(original)) {
            // The file is byte for byte what the cached tree was made from: parsing it again
            // would give the same tree.
            if (!inCache) {
                for (const Change& change : changes)
                    change.applyTo(mCachedTree);
            }
        } else {
            parsed = rf::parse(original);
            for (const Change& change : changes)
                change.applyTo(parsed.root);
            if (existed && !parsed.defectLines.empty()) {
                if (RegResult r = preserveOriginal(folder, original); r != RegError::Success)
                    return r;
            }
            tree = &parsed.root;
        }
        std::string text = rf::serialize(*tree);
        if (!posix::replaceFileAt(folder, kFileName, text, true)) {
            const int error = errno;
            // The cached tree may hold changes the file did not get.
            mCacheValid = false;
            return resultFromErrno(error);
        }
        if (tree != &mCachedTree) {
            mCachedTree = std::move(parsed.root);
            ++mTreeGeneration;
            for (const Change& change : mPending)
                change.applyTo(mCachedTree);
        }
        mCachedText = std::move(text);
        mCachedDefects = false;
        restamp(folder);
        return RegError::Success;
    }

    bool cacheHolds(const std::string& fileText) const
    {
        return mCacheValid && !mCachedDefects && mCachedBase == mFolderBase && mPending.empty() &&
               fileText == mCachedText;
    }

    // After a replacement: the cached tree is what was just written.
    void restamp(int folder)
    {
        struct stat st {};
        if (::fstatat(folder, kFileName, &st, AT_SYMLINK_NOFOLLOW) == 0) {
            mCachedStamp = FileStamp::of(st);
            mCachedBase = mFolderBase;
            mCacheValid = true;
        } else {
            mCacheValid = false;
        }
    }

    std::mutex mMutex;
    std::map<RegKey, Handle> mHandles;
    RegKey mNextHandle = kFirstHandle;

    posix::UniqueFd mFolder;
    std::string mFolderBase;

    unsigned mBatchDepth = 0;
    std::vector<Change> mPending;

    unsigned mReadDepth = 0;
    std::optional<Pin> mPin; // taken by the first read in a read batch

    bool mCacheValid = false;
    bool mCachedDefects = false;
    FileStamp mCachedStamp;
    std::string mCachedBase;
    std::string mCachedText; // the bytes mCachedTree was made from, pending changes aside
    rf::Node mCachedTree;
    // Counts the trees mCachedTree has held: a node found in an earlier one is gone.
    std::uint64_t mTreeGeneration = 0;
    KeyPath mKnownPath;
    std::uint64_t mKnownGeneration = 0;
    rf::Node* mKnownNode = nullptr;

    struct {
        KeyPath root; // null for HKEY_CURRENT_USER
        std::u16string subKey;
        KeyPath path;
    } mLastResolved;
};

} // namespace

template <>
Registry& defaultService<Registry>()
{
    static PosixRegistry instance;
    return instance;
}

} // namespace platform
