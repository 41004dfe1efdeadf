#include "platform/FolderSearch.h"
#include "platform/FileNameCodec.h"
#include "platform/Services.h"

#include <algorithm>

namespace platform {
namespace {

char16_t upperForOrder(char16_t aUnit)
{
    if (aUnit < 0x80)
        return aUnit >= u'a' && aUnit <= u'z' ? char16_t(aUnit - (u'a' - u'A')) : aUnit;
    return upperCaseForNameOrder(aUnit);
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

void FolderListing::addEncoded(std::string_view aBytes, std::uint32_t aAttributes)
{
    const std::size_t offset = mNames.size();
    appendDecodedFileName(mNames, aBytes);
    mEntries.push_back(Entry{std::uint32_t(offset), std::uint32_t(mNames.size() - offset), aAttributes});
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
    // Every name in upper case once, rather than again in each comparison.
    std::u16string upper(mNames.size(), u'\0');
    std::transform(mNames.begin(), mNames.end(), upper.begin(), upperForOrder);
    std::sort(mEntries.begin(), mEntries.end(), [&](const Entry& aFirst, const Entry& aSecond) {
        const std::u16string_view first = std::u16string_view(upper).substr(aFirst.offset, aFirst.length);
        const std::u16string_view second = std::u16string_view(upper).substr(aSecond.offset, aSecond.length);
        if (first != second)
            return first < second;
        return std::u16string_view(mNames).substr(aFirst.offset, aFirst.length) <
               std::u16string_view(mNames).substr(aSecond.offset, aSecond.length);
    });
    mNext = 0;
}

FindStatus findFirst(const std::u16string& aFolder, FindInfo aInfo, FolderListing& aListing, FindFailure& aFailure)
{
    const FindStatus status = service<FolderSearch>().list(aFolder, aInfo, FindScope::Everything, aListing, aFailure);
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
