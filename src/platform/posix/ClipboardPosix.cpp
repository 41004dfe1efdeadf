#include "platform/Clipboard.h"
#include "platform/GlobalMemory.h"
#include "platform/Services.h"

#include "platform/posix/ClipboardStore.h"
#include "platform/posix/Files.h"
#include "platform/posix/FormatTable.h"
#include "platform/posix/FoldName.h"
#include "platform/FileNameCodec.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

// The clipboard store: one private folder per user (see ClipboardStore.h),
//   lock            held (flock) from open to close, so a second process is refused at once;
//   formats         the name table, one "C000 name" line per registered format;
//   formats.lock    serialises registrations;
//   format-C000     the bytes of one format, replaced atomically.
// Every file is reached relative to the folder's descriptor and never through a link.
namespace platform {
namespace {

constexpr std::size_t kMaxFormatNameLength = 255;
const std::string kTableName = "formats";

std::string formatFileName(ClipFormat format)
{
    char name[32];
    std::snprintf(name, sizeof name, "format-%04X", unsigned(format));
    return name;
}

// Names are UTF-8; bytes that are not compare as themselves.
std::u16string foldedName(const std::string& name) { return posix::foldName(decodeFileName(name)); }

ClipFormat findInTable(const std::vector<posix::FormatTableEntry>& entries, const std::u16string& folded)
{
    for (const auto& entry : entries) {
        if (foldedName(entry.name) == folded)
            return entry.format;
    }
    return 0;
}

class PosixClipboard final : public Clipboard {
public:
    ClipFormat registerFormat(const std::string& name) override
    {
        const std::u16string folded = foldedName(name);
        if (folded.empty() || folded.size() > kMaxFormatNameLength)
            return 0;
        const int folder = posix::clipboardStore().folder;
        if (folder < 0)
            return 0;

        // The table only ever grows and is replaced atomically, so a look-up needs no lock.
        std::string table;
        if (posix::readFileAt(folder, kTableName, table)) {
            if (const ClipFormat known = findInTable(posix::parseFormatTable(table), folded))
                return known;
        }

        const posix::UniqueFd guard = posix::lockAt(folder, "formats.lock", LOCK_EX);
        if (!guard.valid())
            return 0;
        if (!posix::readFileAt(folder, kTableName, table)) {
            if (errno != ENOENT)
                return 0;
            table.clear();
        }
        const auto entries = posix::parseFormatTable(table);
        if (const ClipFormat known = findInTable(entries, folded))
            return known;
        ClipFormat highest = kFirstRegisteredFormat - 1;
        for (const auto& entry : entries)
            highest = std::max(highest, entry.format);
        if (highest >= posix::kLastRegisteredFormat)
            return 0;
        char id[16];
        std::snprintf(id, sizeof id, "%04X ", unsigned(highest + 1));
        if (!table.empty() && table.back() != '\n')
            table.push_back('\n');
        table += id + posix::escapeFormatName(name) + "\n";
        posix::removeTemporariesAt(folder, kTableName);
        return posix::replaceFileAt(folder, kTableName, table, true) ? highest + 1 : 0;
    }

    bool open(WindowHandle) override
    {
        std::lock_guard guard(mMutex);
        if (mLock.valid())
            return true;
        const posix::ClipboardStore current = posix::clipboardStore();
        if (current.folder < 0)
            return false;
        posix::UniqueFd lock = posix::lockAt(current.folder, "lock", LOCK_EX | LOCK_NB);
        if (!lock.valid())
            return false;
        // A copy of the folder's descriptor: the store keeps this folder until close whatever
        // happens to the environment meanwhile.
        posix::UniqueFd folder(::fcntl(current.folder, F_DUPFD_CLOEXEC, 0));
        if (!folder.valid())
            return false;
        mLock = std::move(lock);
        mFolder = std::move(folder);
        mDurable = current.durable;
        return true;
    }

    bool empty() override
    {
        std::lock_guard guard(mMutex);
        if (!mLock.valid())
            return false;
        const int listingFd = ::openat(mFolder.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR* dir = listingFd < 0 ? nullptr : ::fdopendir(listingFd);
        if (!dir) {
            if (listingFd >= 0)
                ::close(listingFd);
            return false;
        }
        bool ok = true;
        while (const dirent* entry = ::readdir(dir)) {
            if (std::strncmp(entry->d_name, "format-", 7) != 0)
                continue;
            if (::unlinkat(mFolder.get(), entry->d_name, 0) != 0 && errno != ENOENT)
                ok = false;
        }
        ::closedir(dir);
        for (auto& [format, given] : mGiven)
            mReleaseAtClose.push_back(given.handle);
        mGiven.clear();
        return ok;
    }

    bool setData(ClipFormat format, HGlobal data) override
    {
        std::lock_guard guard(mMutex);
        if (!mLock.valid() || format == 0 || data == 0)
            return false;
        GlobalMemory& memory = service<GlobalMemory>();
        const std::size_t size = memory.size(data);
        bool written;
        if (size == 0) {
            written = posix::replaceFileAt(mFolder.get(), formatFileName(format), {}, mDurable);
        } else {
            const auto* bytes = static_cast<const char*>(memory.lock(data));
            if (!bytes)
                return false;
            written = posix::replaceFileAt(mFolder.get(), formatFileName(format), std::string_view(bytes, size), mDurable);
            memory.unlock(data);
        }
        if (!written)
            return false;
        // The clipboard owns it now; as on Windows the caller may still read it until close.
        mReleaseAtClose.push_back(data);
        if (const auto it = mGiven.find(format); it != mGiven.end()) {
            mReleaseAtClose.push_back(it->second.handle);
            mGiven.erase(it);
        }
        return true;
    }

    HGlobal getData(ClipFormat format) override
    {
        std::lock_guard guard(mMutex);
        if (!mLock.valid() || format == 0)
            return 0;
        std::string read;
        if (!posix::readFileAt(mFolder.get(), formatFileName(format), read))
            return 0;
        const std::vector<std::uint8_t> stored(read.begin(), read.end());
        const std::vector<std::uint8_t>* bytes = &stored;
        GlobalMemory& memory = service<GlobalMemory>();
        if (const auto it = mGiven.find(format); it != mGiven.end()) {
            if (it->second.bytes == *bytes && memory.size(it->second.handle) == bytes->size())
                return it->second.handle;
            mReleaseAtClose.push_back(it->second.handle);
            mGiven.erase(it);
        }
        const HGlobal handle = memory.alloc(GlobalFlags::Moveable | GlobalFlags::ZeroInit, bytes->size());
        if (handle == 0)
            return 0;
        if (!bytes->empty()) {
            void* target = memory.lock(handle);
            if (!target) {
                memory.free(handle);
                return 0;
            }
            std::memcpy(target, bytes->data(), bytes->size());
            memory.unlock(handle);
        }
        mGiven[format] = Given{handle, *bytes};
        return handle;
    }

    bool close() override
    {
        std::lock_guard guard(mMutex);
        if (!mLock.valid())
            return false;
        GlobalMemory& memory = service<GlobalMemory>();
        for (const HGlobal handle : mReleaseAtClose)
            memory.free(handle);
        mReleaseAtClose.clear();
        mLock.reset();
        mFolder.reset();
        return true;
    }

private:
    // An object handed out by getData; it stays valid (and is handed out again) while the
    // stored bytes are the same, as the one object on the Windows clipboard would.
    struct Given {
        HGlobal handle;
        std::vector<std::uint8_t> bytes;
    };

    std::mutex mMutex;
    posix::UniqueFd mLock;
    posix::UniqueFd mFolder;
    bool mDurable = false;
    std::map<ClipFormat, Given> mGiven;
    std::vector<HGlobal> mReleaseAtClose;
};

} // namespace

template <>
Clipboard& defaultService<Clipboard>()
{
    static PosixClipboard instance;
    return instance;
}

} // namespace platform
