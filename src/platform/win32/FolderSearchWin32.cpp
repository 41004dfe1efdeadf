#include "platform/FolderSearch.h"
#include "platform/Services.h"
#include "platform/SystemErrorText.h"

#include <windows.h>

namespace platform {
namespace {

std::wstring wide(const std::u16string& aText) { return std::wstring(aText.begin(), aText.end()); }

bool isDotOrDotDot(const wchar_t* aName)
{
    return aName[0] == L'.' && (aName[1] == L'\0' || (aName[1] == L'.' && aName[2] == L'\0'));
}

// The attributes the scan knows of; the others (compressed, offline, ...) do not concern it.
constexpr DWORD kKnownAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                   FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE;

FindStatus failed(FindFailure& aFailure, DWORD aError)
{
    aFailure.error = int(aError);
    aFailure.accessDenied = aError == ERROR_ACCESS_DENIED;
    aFailure.description = systemErrorText(int(aError));
    return FindStatus::Failed;
}

FolderIdentity identityOf(const std::wstring& aFolder)
{
    FolderIdentity identity;
    const HANDLE folder = CreateFileW(aFolder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE)
        return identity;
    BY_HANDLE_FILE_INFORMATION information;
    if (GetFileInformationByHandle(folder, &information)) {
        identity.volume = information.dwVolumeSerialNumber;
        identity.index = (std::uint64_t(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    }
    CloseHandle(folder);
    return identity;
}

class Win32FolderSearch final : public FolderSearch {
public:
    FindStatus list(const std::u16string& aFolder, FindInfo, FindScope aScope, FolderListing& aListing,
                    FindFailure& aFailure) const override
    {
        aListing.clear();
        const std::wstring folder = wide(aFolder);
        const DWORD folderAttributes = GetFileAttributesW(folder.c_str());
        if (folderAttributes == INVALID_FILE_ATTRIBUTES) {
            const DWORD error = GetLastError();
            return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME
                       ? FindStatus::NoFolder
                       : failed(aFailure, error);
        }
        if (!(folderAttributes & FILE_ATTRIBUTE_DIRECTORY))
            return FindStatus::NoFolder;

        std::wstring pattern = folder;
        if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/')
            pattern += L'\\';
        pattern += L'*';
        WIN32_FIND_DATAW found;
        const bool foldersOnly = aScope == FindScope::FoldersOnly;
        const HANDLE search =
            FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                             foldersOnly ? FindExSearchLimitToDirectories : FindExSearchNameMatch, nullptr,
                             FIND_FIRST_EX_LARGE_FETCH);
        if (search == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            // A drive's root folder has no "." or ".." and may hold nothing at all.
            if (error != ERROR_FILE_NOT_FOUND && error != ERROR_NO_MORE_FILES)
                return failed(aFailure, error);
        } else {
            do {
                // Limiting the search to folders is only advice to the file system.
                if (isDotOrDotDot(found.cFileName) ||
                    (foldersOnly && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)))
                    continue;
                const std::wstring_view name(found.cFileName);
                aListing.add(std::u16string(name.begin(), name.end()), found.dwFileAttributes & kKnownAttributes);
            } while (FindNextFileW(search, &found));
            const DWORD error = GetLastError();
            FindClose(search);
            if (error != ERROR_NO_MORE_FILES) {
                aListing.clear();
                return failed(aFailure, error);
            }
        }
        aListing.setIdentity(identityOf(folder));
        return FindStatus::Found;
    }

    std::uint32_t attributesOf(const std::u16string& aPath) const override
    {
        const DWORD attributes = GetFileAttributesW(wide(aPath).c_str());
        return attributes == INVALID_FILE_ATTRIBUTES ? FileAttribute::Invalid : attributes & kKnownAttributes;
    }
};

} // namespace

bool fileNamesIgnoreCase() { return true; }

char16_t upperCaseForNameOrder(char16_t aUnit)
{
    wchar_t unit[2] = {wchar_t(aUnit), 0};
    CharUpperBuffW(unit, 1);
    return char16_t(unit[0]);
}

template <>
FolderSearch& defaultService<FolderSearch>()
{
    static Win32FolderSearch instance;
    return instance;
}

} // namespace platform
