#pragma once
#include <compare>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Listing a folder, as FindFirstFile/FindNextFile do it, and the attributes of one path, as
// GetFileAttributes. Names are UTF-16; on POSIX a name that is no valid UTF-8 comes with its odd
// bytes kept as lone surrogates (FileNameCodec.h), so it still names its file when handed back.
namespace platform {

// The file-attribute values of the Win32 API; the POSIX backend states how it derives them.
namespace FileAttribute {
inline constexpr std::uint32_t ReadOnly = 0x01;
inline constexpr std::uint32_t Hidden = 0x02;
inline constexpr std::uint32_t System = 0x04;
inline constexpr std::uint32_t Directory = 0x10;
inline constexpr std::uint32_t Archive = 0x20;
// What attributesOf gives for a path that names nothing (INVALID_FILE_ATTRIBUTES).
inline constexpr std::uint32_t Invalid = 0xFFFFFFFF;
} // namespace FileAttribute

// A folder's identity on its machine: links and junctions can lead a scan back up its tree.
struct FolderIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    auto operator<=>(const FolderIdentity&) const = default;
};

// The entries of one folder, read whole ("." and ".." are left out), then handed out in turn.
class FolderListing {
public:
    // FindNextFile: the next entry, false after the last.
    bool findNext(std::u16string_view& aName, std::uint32_t& aAttributes);

    std::size_t count() const { return mEntries.size(); }
    std::u16string_view name(std::size_t aIndex) const
    {
        return std::u16string_view(mNames).substr(mEntries[aIndex].offset, mEntries[aIndex].length);
    }
    std::uint32_t attributes(std::size_t aIndex) const { return mEntries[aIndex].attributes; }
    FolderIdentity identity() const { return mIdentity; }

    // For the backends.
    void add(std::u16string_view aName, std::uint32_t aAttributes);
    // A name as the POSIX file system gives it, decoded as FileNameCodec.h says.
    void addEncoded(std::string_view aBytes, std::uint32_t aAttributes);
    void setIdentity(FolderIdentity aIdentity) { mIdentity = aIdentity; }
    void clear();
    // By name, letters compared as one case, as the usual Windows file systems keep a folder;
    // names equal but for case in ordinal order.
    void sortByName();

private:
    struct Entry {
        std::uint32_t offset;
        std::uint32_t length;
        std::uint32_t attributes;
    };
    std::u16string mNames;
    std::vector<Entry> mEntries;
    std::size_t mNext = 0;
    FolderIdentity mIdentity;
};

enum class FindStatus { Found, NoFolder, Failed };

struct FindFailure {
    int error = 0;             // the system's error number
    bool accessDenied = false; // refused, as opposed to failed
    std::string description;   // systemErrorText(error)
};

// How much a listing tells of each entry. Basic leaves out the read-only attribute where it
// would cost a call of its own per entry (POSIX), as FindFirstFileEx leaves out short names.
enum class FindInfo { Basic, Full };

// Which entries a listing holds: all, or the folders alone (FindExSearchLimitToDirectories),
// which spares the POSIX backend the names of the files.
enum class FindScope { Everything, FoldersOnly };

class FolderSearch {
public:
    virtual ~FolderSearch() = default;

    // FindFirstFile on aFolder\*: reads every entry of the folder into aListing (cleared first)
    // in the platform's order. NoFolder when the path does not exist or names no folder; Failed
    // with aFailure filled when the folder cannot be read.
    virtual FindStatus list(const std::u16string& aFolder, FindInfo aInfo, FindScope aScope,
                            FolderListing& aListing, FindFailure& aFailure) const = 0;

    // GetFileAttributes: the path's attributes (links followed), or FileAttribute::Invalid.
    virtual std::uint32_t attributesOf(const std::u16string& aPath) const = 0;
};

// The folder's entries in name order (FolderListing::sortByName), whatever order the file
// system keeps them in; aListing.findNext then hands them out.
FindStatus findFirst(const std::u16string& aFolder, FindInfo aInfo, FolderListing& aListing, FindFailure& aFailure);

// True when the path names an existing folder (links followed).
bool isFolderName(const std::u16string& aPath);

// Whether the platform's file systems take names that differ only in letter case for one name.
bool fileNamesIgnoreCase();

// One UTF-16 unit in upper case, as the platform's case-insensitive name order compares it.
char16_t upperCaseForNameOrder(char16_t aUnit);

} // namespace platform
