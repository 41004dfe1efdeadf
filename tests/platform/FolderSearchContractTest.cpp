#include "platform/FileNameCodec.h"
#include "platform/FolderSearch.h"
#include "platform/support/PlatformTestSupport.h"

#include <algorithm>

#ifdef _WIN32
#include <windows.h>
#endif

using namespace testsupport;
using namespace platform;

namespace {

struct Listed {
    std::u16string name;
    std::uint32_t attributes;
    bool operator==(const Listed&) const = default;
};

std::u16string u16path(const fs::path& aPath) { return aPath.u16string(); }

void touch(const fs::path& aFile) { std::ofstream(aFile) << "x"; }

// A hidden file as the platform marks one: a leading "." on POSIX, the attribute on Windows.
fs::path makeHidden(const fs::path& aFolder, const std::string& aName)
{
#ifdef _WIN32
    const fs::path file = aFolder / aName;
    touch(file);
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_HIDDEN);
#else
    const fs::path file = aFolder / ("." + aName);
    touch(file);
#endif
    return file;
}

class FolderSearchTest : public ::testing::Test {
protected:
    std::vector<Listed> list(const fs::path& aFolder, FindInfo aInfo = FindInfo::Basic)
    {
        FolderListing listing;
        FindFailure failure;
        status = findFirst(u16path(aFolder), aInfo, listing, failure);
        identity = listing.identity();
        std::vector<Listed> entries;
        std::u16string_view name;
        std::uint32_t attributes = 0;
        while (listing.findNext(name, attributes))
            entries.push_back(Listed{std::u16string(name), attributes});
        return entries;
    }
    std::vector<std::u16string> names(const fs::path& aFolder)
    {
        std::vector<std::u16string> result;
        for (const Listed& entry : list(aFolder))
            result.push_back(entry.name);
        return result;
    }

    TempFolder root;
    FindStatus status = FindStatus::Failed;
    FolderIdentity identity;
};

} // namespace

TEST_F(FolderSearchTest, EntriesComeInNameOrderWithoutRegardToLetterCase)
{
    for (const char16_t* name : {u"psalm267.kez", u"Psalm101.kez", u"psalm099.kez", u"b", u"A_b", u"ab",
                                 u"\u0431.kez", u"\u0410.kez", u"\u0412.kez"})
        touch(root.path / fs::path(std::u16string(name)));
    const std::vector<std::u16string> expected{u"ab",          u"A_b",          u"b",          u"psalm099.kez",
                                               u"Psalm101.kez", u"psalm267.kez", u"\u0410.kez", u"\u0431.kez",
                                               u"\u0412.kez"};
    EXPECT_EQ(names(root.path), expected);
    EXPECT_EQ(status, FindStatus::Found);
}

TEST_F(FolderSearchTest, FoldersFilesAndHiddenEntriesCarryTheirAttributes)
{
    fs::create_directories(root.path / "sub");
    touch(root.path / "x.kez");
    const fs::path hidden = makeHidden(root.path, "h.kez");
    const std::vector<Listed> expected{
        Listed{u16path(hidden.filename()), FileAttribute::Archive | FileAttribute::Hidden},
        Listed{u"sub", FileAttribute::Directory}, Listed{u"x.kez", FileAttribute::Archive}};
    EXPECT_EQ(list(root.path), expected);
}

TEST_F(FolderSearchTest, ALimitedSearchListsTheFoldersAlone)
{
    fs::create_directories(root.path / "one");
    fs::create_directories(root.path / "two");
    touch(root.path / "file.kez");
    makeHidden(root.path, "h.kez");
    FolderListing listing;
    FindFailure failure;
    ASSERT_EQ(service<FolderSearch>().list(u16path(root.path), FindInfo::Basic, FindScope::FoldersOnly, listing, failure),
              FindStatus::Found);
    listing.sortByName();
    ASSERT_EQ(listing.count(), 2u);
    EXPECT_EQ(listing.name(0), u"one");
    EXPECT_EQ(listing.name(1), u"two");
    EXPECT_EQ(listing.attributes(1), FileAttribute::Directory);
}

TEST_F(FolderSearchTest, FullInformationTellsReadOnlyFiles)
{
    touch(root.path / "locked.kez");
    touch(root.path / "open.kez");
    fs::permissions(root.path / "locked.kez", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const std::vector<Listed> entries = list(root.path, FindInfo::Full);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].attributes & FileAttribute::ReadOnly, FileAttribute::ReadOnly);
    EXPECT_EQ(entries[1].attributes & FileAttribute::ReadOnly, 0u);
    fs::permissions(root.path / "locked.kez", fs::perms::owner_all);
}

TEST_F(FolderSearchTest, AnEmptyFolderIsFoundEmptyAndAMissingOrFilePathIsNoFolder)
{
    fs::create_directories(root.path / "empty");
    touch(root.path / "file.kez");
    EXPECT_TRUE(list(root.path / "empty").empty());
    EXPECT_EQ(status, FindStatus::Found);
    for (const fs::path& path : {root.path / "missing", root.path / "file.kez", root.path / "missing" / "deeper"}) {
        EXPECT_TRUE(list(path).empty());
        EXPECT_EQ(status, FindStatus::NoFolder) << path;
    }
}

TEST_F(FolderSearchTest, IsFolderNameIsTrueOnlyForAnExistingFolder)
{
    fs::create_directories(root.path / "sub");
    touch(root.path / "file.kez");
    EXPECT_TRUE(isFolderName(u16path(root.path / "sub")));
    EXPECT_FALSE(isFolderName(u16path(root.path / "file.kez")));
    EXPECT_FALSE(isFolderName(u16path(root.path / "missing")));
    EXPECT_FALSE(isFolderName(u""));
    EXPECT_EQ(service<FolderSearch>().attributesOf(u16path(root.path / "missing")), FileAttribute::Invalid);
    EXPECT_EQ(service<FolderSearch>().attributesOf(u16path(root.path / "file.kez")) & FileAttribute::Archive,
              FileAttribute::Archive);
}

TEST_F(FolderSearchTest, EachFolderHasAnIdentityOfItsOwn)
{
    fs::create_directories(root.path / "one");
    fs::create_directories(root.path / "two");
    list(root.path / "one");
    const FolderIdentity one = identity;
    list(root.path / "one");
    EXPECT_EQ(identity, one);
    list(root.path / "two");
    EXPECT_NE(identity, one);
    EXPECT_NE(one, FolderIdentity{});
}

TEST(FileNamesCase, FollowsThePlatformsFileSystems) { EXPECT_EQ(fileNamesIgnoreCase(), kWindows); }

#ifndef _WIN32
TEST_F(FolderSearchTest, NamesThatAreNoUtf8AreListedAndNameTheirFilesAgain)
{
    const std::string odd = "\xff.kez";
    const std::string replacement = "\xef\xbf\xbd.kez";
    std::ofstream((root.path.string() + "/" + odd).c_str()) << "odd";
    std::ofstream((root.path.string() + "/" + replacement).c_str()) << "replacement";
    ::mkdir((root.path.string() + "/\xcf\xe0\xef\xea\xe0").c_str(), 0700);
    const std::vector<Listed> entries = list(root.path);
    ASSERT_EQ(entries.size(), 3u);
    std::vector<std::string> contents;
    for (const Listed& entry : entries) {
        const std::u16string path = u16path(root.path) + u"/" + entry.name;
        if (entry.attributes & FileAttribute::Directory)
            EXPECT_TRUE(isFolderName(path));
        else
            contents.push_back(readText(fs::path(platform::encodeFileName(path))));
    }
    std::sort(contents.begin(), contents.end());
    EXPECT_EQ(contents, (std::vector<std::string>{"odd", "replacement"}));
}

TEST_F(FolderSearchTest, LinksCountAsWhatTheyLeadToPipesAreNotListed)
{
    fs::create_directories(root.path / "real");
    touch(root.path / "file.kez");
    fs::create_directory_symlink(root.path / "real", root.path / "to-folder");
    fs::create_symlink(root.path / "file.kez", root.path / "to-file");
    fs::create_symlink(root.path / "gone", root.path / "dangling");
    makeFifo(root.path / "pipe");
    const std::vector<Listed> expected{Listed{u"dangling", FileAttribute::Archive},
                                       Listed{u"file.kez", FileAttribute::Archive},
                                       Listed{u"real", FileAttribute::Directory},
                                       Listed{u"to-file", FileAttribute::Archive},
                                       Listed{u"to-folder", FileAttribute::Directory}};
    EXPECT_EQ(list(root.path), expected);
}

TEST_F(FolderSearchTest, ANameTooLongFailsWithTheSystemsWordsEvenForTheSuperuser)
{
    FolderListing listing;
    FindFailure failure;
    EXPECT_EQ(findFirst(u16path(root.path / std::string(300, 'x')), FindInfo::Basic, listing, failure),
              FindStatus::Failed);
    EXPECT_FALSE(failure.accessDenied);
    EXPECT_EQ(failure.error, ENAMETOOLONG);
    EXPECT_EQ(failure.description, "Слишком длинное имя файла (ошибка " + std::to_string(ENAMETOOLONG) + ")");
}

TEST_F(FolderSearchTest, AFolderThatCannotBeReadFailsWithTheSystemsWords)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every folder";
    fs::create_directories(root.path / "closed");
    fs::permissions(root.path / "closed", fs::perms::none);
    FolderListing listing;
    FindFailure failure;
    EXPECT_EQ(findFirst(u16path(root.path / "closed"), FindInfo::Basic, listing, failure), FindStatus::Failed);
    EXPECT_TRUE(failure.accessDenied);
    EXPECT_EQ(failure.description, "Отказано в доступе (ошибка 13)");
    fs::permissions(root.path / "closed", fs::perms::owner_all);
}
#endif
