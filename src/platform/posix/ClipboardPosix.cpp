#include "platform/Clipboard.h"
#include "platform/GlobalMemory.h"
#include "platform/Services.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// The clipboard store: one private folder per user,
//   lock            held (flock) from open to close, so a second process is refused at once;
//   formats         the name table, one "C000 name" line per registered format;
//   formats.lock    serialises registrations;
//   format-C000     the bytes of one format, replaced atomically.
namespace platform {
namespace {

constexpr ClipFormat kLastRegisteredFormat = 0xFFFF;
constexpr std::size_t kMaxFormatNameLength = 255;

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

bool isAbsolute(const std::string& path) { return !path.empty() && path.front() == '/'; }

// Creates a folder (mode 0700) unless it is there; true when it exists afterwards.
bool makeFolder(const std::string& path)
{
    if (::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST)
        return true;
    return false;
}

bool makeFolders(const std::string& path)
{
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        if (!makeFolder(path.substr(0, slash)))
            return false;
    }
    return makeFolder(path);
}

std::string homeFolder()
{
    std::string home = environment("HOME");
    if (isAbsolute(home))
        return home;
    if (const passwd* entry = ::getpwuid(::geteuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return {};
}

struct Store {
    std::string folder;     // empty when no private folder can be had
    // Whether the store outlives the login session. The runtime folder does not (it is emptied at
    // logout, and normally lives in memory), so syncing its files to disk would buy nothing.
    bool durable = false;
};

// Where this user's store lives now. Looked up on every use, so that a changed environment (a
// test's private runtime folder) is honoured.
Store store()
{
    bool durable = false;
    std::string base = environment("XDG_RUNTIME_DIR");
    if (!isAbsolute(base)) {
        durable = true;
        base = environment("XDG_CACHE_HOME");
        if (!isAbsolute(base)) {
            const std::string home = homeFolder();
            if (home.empty())
                return {};
            base = home + "/.cache";
        }
    }
    const std::string folder = base + "/KezConverter/clipboard";
    if (!makeFolders(folder))
        return {};
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return {};
    if ((st.st_mode & 0077) != 0 && ::chmod(folder.c_str(), 0700) != 0)
        return {};
    return Store{folder, durable};
}

std::string formatFileName(ClipFormat format)
{
    char name[32];
    std::snprintf(name, sizeof name, "format-%04X", unsigned(format));
    return name;
}

bool writeAll(int fd, const std::uint8_t* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= std::size_t(written);
    }
    return true;
}

std::optional<std::vector<std::uint8_t>> readFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[8192];
    while (true) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0)
            break;
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    ::close(fd);
    return bytes;
}

// Readers see the old bytes or the new ones, never a part: temporary file, rename. With `sync`
// the bytes reach the disk before the rename, so that not even a system crash leaves a torn file.
bool writeFileAtomically(const std::string& path, const std::uint8_t* data, std::size_t size, bool sync)
{
    static std::atomic<unsigned> counter{0};
    const std::string temporary =
        path + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(counter.fetch_add(1));
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, data, size) && (!sync || ::fsync(fd) == 0);
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(temporary.c_str(), path.c_str()) == 0)
        return true;
    ::unlink(temporary.c_str());
    return false;
}

int lockFile(const std::string& path, int operation)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    int result;
    do {
        result = ::flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// UTF-8 to code points; a byte that is not part of valid UTF-8 stands for itself (above the
// Unicode range), so that any name still compares exactly.
std::u32string decodeUtf8(const std::string& text)
{
    std::u32string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        char32_t cp = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
        bool valid = length > 0 && i + std::size_t(length) <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + std::size_t(k)]);
            valid = (next & 0xC0) == 0x80;
            cp = (cp << 6) | (next & 0x3F);
        }
        static constexpr char32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
        valid = valid && cp >= kMinimum[length] && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
        if (!valid) {
            out.push_back(0x110000 + lead);
            ++i;
        } else {
            out.push_back(cp);
            i += std::size_t(length);
        }
    }
    return out;
}

// Simple lower-casing of Latin, Greek and Cyrillic letters: enough for format names, which
// Windows compares without regard to case.
char32_t lowerCase(char32_t c)
{
    if (c >= U'A' && c <= U'Z')
        return c + 32;
    if (c < 0x80)
        return c;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
        (c >= 0x410 && c <= 0x42F))
        return c + 32;
    if (c >= 0x400 && c <= 0x40F)
        return c + 80;
    if (c == 0x178)
        return 0xFF;
    if (c == 0x386)
        return 0x3AC;
    if (c >= 0x388 && c <= 0x38A)
        return c + 37;
    if (c == 0x38C)
        return 0x3CC;
    if (c == 0x38E || c == 0x38F)
        return c + 63;
    if (c == 0x4C0)
        return 0x4CF;
    const bool evenUpper = (c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177) || (c >= 0x460 && c <= 0x481) ||
                           (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F);
    if (evenUpper && c % 2 == 0)
        return c + 1;
    const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E) || (c >= 0x4C1 && c <= 0x4CE);
    if (oddUpper && c % 2 == 1)
        return c + 1;
    return c;
}

std::u32string foldedName(const std::string& name)
{
    std::u32string folded = decodeUtf8(name);
    for (char32_t& c : folded)
        c = lowerCase(c);
    return folded;
}

// Names may hold any byte; the table keeps one per line.
std::string escapeName(const std::string& name)
{
    std::string out;
    for (const char c : name) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::string unescapeName(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[++i];
            out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
        } else {
            out += text[i];
        }
    }
    return out;
}

struct TableEntry {
    ClipFormat format;
    std::string name;
};

// Lines that do not parse are skipped here but kept in the file.
std::vector<TableEntry> parseTable(const std::vector<std::uint8_t>& bytes)
{
    std::vector<TableEntry> entries;
    const std::string text(bytes.begin(), bytes.end());
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const std::size_t blank = line.find(' ');
        if (blank == 0 || blank == std::string::npos || blank > 8)
            continue;
        // The number is parsed from its own string, which outlives the end pointer read below.
        const std::string number = line.substr(0, blank);
        char* stop = nullptr;
        const unsigned long value = std::strtoul(number.c_str(), &stop, 16);
        if (*stop != '\0' || value < kFirstRegisteredFormat || value > kLastRegisteredFormat)
            continue;
        const std::string name = unescapeName(line.substr(blank + 1));
        if (!name.empty())
            entries.push_back({ClipFormat(value), name});
    }
    return entries;
}

ClipFormat findInTable(const std::vector<TableEntry>& entries, const std::u32string& folded)
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
        const std::u32string folded = foldedName(name);
        if (folded.empty() || folded.size() > kMaxFormatNameLength)
            return 0;
        const std::string folder = store().folder;
        if (folder.empty())
            return 0;
        const std::string tablePath = folder + "/formats";

        // The table only ever grows and is replaced atomically, so a look-up needs no lock.
        auto bytes = readFile(tablePath);
        if (bytes) {
            if (const ClipFormat known = findInTable(parseTable(*bytes), folded))
                return known;
        }

        const int guard = lockFile(folder + "/formats.lock", LOCK_EX);
        if (guard < 0)
            return 0;
        ClipFormat result = 0;
        bytes = readFile(tablePath);
        std::vector<std::uint8_t> table = bytes ? *bytes : std::vector<std::uint8_t>();
        const auto entries = parseTable(table);
        result = findInTable(entries, folded);
        if (result == 0) {
            ClipFormat highest = kFirstRegisteredFormat - 1;
            for (const auto& entry : entries)
                highest = std::max(highest, entry.format);
            if (highest < kLastRegisteredFormat) {
                char id[16];
                std::snprintf(id, sizeof id, "%04X ", unsigned(highest + 1));
                if (!table.empty() && table.back() != '\n')
                    table.push_back('\n');
                const std::string line = id + escapeName(name) + "\n";
                table.insert(table.end(), line.begin(), line.end());
                if (writeFileAtomically(tablePath, table.data(), table.size(), true))
                    result = highest + 1;
            }
        }
        ::close(guard);
        return result;
    }

    bool open(WindowHandle) override
    {
        std::lock_guard guard(mMutex);
        if (mLockFd >= 0)
            return true;
        const Store current = store();
        if (current.folder.empty())
            return false;
        const int fd = lockFile(current.folder + "/lock", LOCK_EX | LOCK_NB);
        if (fd < 0)
            return false;
        mLockFd = fd;
        mFolder = current.folder;
        mDurable = current.durable;
        return true;
    }

    bool empty() override
    {
        std::lock_guard guard(mMutex);
        if (mLockFd < 0)
            return false;
        DIR* dir = ::opendir(mFolder.c_str());
        if (!dir)
            return false;
        bool ok = true;
        while (const dirent* entry = ::readdir(dir)) {
            if (std::strncmp(entry->d_name, "format-", 7) != 0)
                continue;
            if (::unlink((mFolder + "/" + entry->d_name).c_str()) != 0 && errno != ENOENT)
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
        if (mLockFd < 0 || format == 0 || data == 0)
            return false;
        GlobalMemory& memory = service<GlobalMemory>();
        const std::size_t size = memory.size(data);
        bool written;
        if (size == 0) {
            written = writeFileAtomically(mFolder + "/" + formatFileName(format), nullptr, 0, mDurable);
        } else {
            const auto* bytes = static_cast<const std::uint8_t*>(memory.lock(data));
            if (!bytes)
                return false;
            written = writeFileAtomically(mFolder + "/" + formatFileName(format), bytes, size, mDurable);
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
        if (mLockFd < 0 || format == 0)
            return 0;
        const auto bytes = readFile(mFolder + "/" + formatFileName(format));
        if (!bytes)
            return 0;
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
        if (mLockFd < 0)
            return false;
        GlobalMemory& memory = service<GlobalMemory>();
        for (const HGlobal handle : mReleaseAtClose)
            memory.free(handle);
        mReleaseAtClose.clear();
        ::flock(mLockFd, LOCK_UN);
        ::close(mLockFd);
        mLockFd = -1;
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
    int mLockFd = -1;
    std::string mFolder;
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
