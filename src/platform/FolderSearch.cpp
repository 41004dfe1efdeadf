#include "platform/FolderSearch.h"
#include "platform/Services.h"

#include <algorithm>
#include <numeric>

namespace platform {
namespace {

char16_t upperForOrder(char16_t aUnit)
{
    if (aUnit < 0x80)
        return aUnit >= u'a' && aUnit <= u'z' ? char16_t(aUnit - (u'a' - u'A')) : aUnit;
    return upperCaseForNameOrder(aUnit);
}

// Negative, 0 or positive, unit by unit in upper case (as NTFS orders a folder).
int compareIgnoringCase(std::u16string_view aFirst, std::u16string_view aSecond)
{
    const std::size_t common = std::min(aFirst.size(), aSecond.size());
    for (std::size_t i = 0; i < common; ++i) {
        const char16_t a = aFirst[i];
        const char16_t b = aSecond[i];
        if (a == b)
            continue;
        const char16_t upperA = upperForOrder(a);
        const char16_t upperB = upperForOrder(b);
        if (upperA != upperB)
            return upperA < upperB ? -1 : 1;
    }
    if (aFirst.size() != aSecond.size())
        return aFirst.size() < aSecond.size() ? -1 : 1;
    return 0;
}

} // namespace

bool FolderListing::findNext(std::u16string_view& aName, std::uint32_t& aAttributes)
{
    if (mNext >= mEntries.size())
        return false;
    aName = name(mNext);
    aAttributes = attributes(mNext);
    ++mNext;
    return true;
}

void FolderListing::add(std::u16string_view aName, std::uint32_t aAttributes)
{
    mEntries.push_back(Entry{std::uint32_t(mNames.size()), std::uint32_t(aName.size()), aAttributes});
    mNames.append(aName);
}

void FolderListing::clear()
{
    mNames.clear();
    mEntries.clear();
    mNext = 0;
    mIdentity = {};
}

void FolderListing::sortByName()
{
    std::sort(mEntries.begin(), mEntries.end(), [this](const Entry& aFirst, const Entry& aSecond) {
        const std::u16string_view first = std::u16string_view(mNames).substr(aFirst.offset, aFirst.length);
        const std::u16string_view second = std::u16string_view(mNames).substr(aSecond.offset, aSecond.length);
        const int order = compareIgnoringCase(first, second);
        return order != 0 ? order < 0 : first < second;
    });
    mNext = 0;
}

FindStatus findFirst(const std::u16string& aFolder, FindInfo aInfo, FolderListing& aListing, FindFailure& aFailure)
{
    const FindStatus status = service<FolderSearch>().list(aFolder, aInfo, aListing, aFailure);
    if (status == FindStatus::Found)
        aListing.sortByName();
    return status;
}

bool isFolderName(const std::u16string& aPath)
{
    if (aPath.empty())
        return false;
    const std::uint32_t attributes = service<FolderSearch>().attributesOf(aPath);
    return attributes != FileAttribute::Invalid && (attributes & FileAttribute::Directory) != 0;
}

} // namespace platform
