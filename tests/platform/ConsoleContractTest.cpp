#include "platform/Console.h"
#include "platform/Services.h"
#include "support/PlatformTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace platform;

namespace {

std::string readWhole(Console::List& aList, std::string& aWhy)
{
    std::string bytes;
    while (aList.receive(bytes, aWhy)) {
    }
    return bytes;
}

} // namespace

// A list is read to its end with its bytes as they are; what is no readable file is refused at
// once, in words, rather than read as an empty list or failing on the first read.
TEST(ConsoleContract, ListsAreReadWholeAndFoldersOrMissingFilesAreRefusedInWords)
{
    const testsupport::TempFolder folder;
    const std::string path = (folder.path / "list").string();
    std::string expected = "a.kez\nb\r\n";
    expected += std::string(200000, 'x') + '\0' + "end";
    std::ofstream(path, std::ios::binary) << expected;

    std::string why;
    const std::unique_ptr<Console::List> list = service<Console>().openList(path, why);
    ASSERT_TRUE(list) << why;
    EXPECT_EQ(readWhole(*list, why), expected);
    EXPECT_TRUE(why.empty()) << why;

    for (const std::string& unreadable : {folder.path.string(), (folder.path / "missing").string()}) {
        std::string refused;
        EXPECT_FALSE(service<Console>().openList(unreadable, refused)) << unreadable;
        EXPECT_FALSE(refused.empty()) << unreadable;
    }
}
