#pragma once
#include <string>
#include <string_view>
#include <vector>

// The file handling the POSIX stores share: private folders opened once and checked, and every
// file reached relative to such a folder without following links. Failures return false or an
// invalid descriptor with errno set.
namespace platform::posix {

// A descriptor closed when it goes out of scope.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : mFd(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : mFd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return mFd; }
    bool valid() const { return mFd >= 0; }
    int release();
    void reset(int fd = -1);
    // Closes now and returns close()'s result, which for a written file can carry a late error.
    int close();

private:
    int mFd = -1;
};

// The value of an environment variable when it is an absolute path (the XDG rule), else empty.
std::string absoluteEnvironment(const char* name);

// $HOME when absolute, else the password database's entry for this user; empty when neither.
std::string homeFolder();

// An XDG base folder: the variable when it is absolute, else belowHome inside the home folder
// ("$XDG_CACHE_HOME", else "~/.cache"); empty when neither is known.
std::string userFolder(const char* variable, const char* belowHome);

// Opens base/parts[0]/parts[1]/..., creating what is missing (mode 0700). base is taken as the
// user set it up (it may be a link); each of parts is opened without following a link, must be
// a folder owned by this user, and is made private (no access for group and others) if it was
// not. EACCES when a part belongs to someone else or cannot be made private, ELOOP for a link.
UniqueFd openPrivateFolder(const std::string& base, const std::vector<std::string>& parts);

// Whether a folder opened by openPrivateFolder still has a name (it may have been removed).
bool stillLinked(int folder);

// Opens name in folder without following a link (ELOOP for a link), close-on-exec.
UniqueFd openAt(int folder, const std::string& name, int flags, unsigned mode = 0600);

// Reads to the end; more than maxBytes fails with EFBIG.
bool readAll(int fd, std::string& out, std::size_t maxBytes = std::string::npos);
bool writeAll(int fd, std::string_view data);

// The whole file; false (ENOENT when missing) otherwise. Only a regular file is read (EINVAL
// for anything else, a pipe included, without waiting on it).
bool readFileAt(int folder, const std::string& name, std::string& out);

// readFileAt for a file that must belong to this user (EACCES otherwise) and hold at most
// maxBytes (EFBIG otherwise, found before reading when the size says so).
bool readOwnFileAt(int folder, const std::string& name, std::string& out, std::size_t maxBytes);

// A file that must not exist yet, holding data; with sync, flushed to disk before returning.
bool writeNewFileAt(int folder, const std::string& name, std::string_view data, bool sync);

// Replaces name with a fully written temporary file by rename, so readers see the old bytes or
// the new ones, never a part. With sync the data, then the folder, reach the disk.
bool replaceFileAt(int folder, const std::string& name, std::string_view data, bool sync);

// Removes the temporary files replaceFileAt leaves for name when the writer is killed. Call
// only while holding the lock that serialises writers of name.
void removeTemporariesAt(int folder, const std::string& name);

// Opens (creating) a lock file and takes flock(operation) on it; with LOCK_NB it fails at once
// (EWOULDBLOCK) while another holder has it. The lock goes with the descriptor.
UniqueFd lockAt(int folder, const std::string& name, int operation);

} // namespace platform::posix
