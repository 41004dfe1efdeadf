#include "platform/ExecutableSearch.h"
#include "platform/Services.h"
#include "platform/support/PlatformTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

class ExecutableSearchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = freshTempFolder(std::string("search-") +
                               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(root / "first");
        fs::create_directories(root / "second");
        fs::create_directories(root / "cwd");
    }
    void TearDown() override
    {
        currentFolder.reset();
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    void enterFolder(const fs::path& folder) { currentFolder.emplace(folder); }
    std::string search(const std::string& name) { return platform::service<platform::ExecutableSearch>().search(name); }

    fs::path root;
    ScopedEnv savedPath{"PATH"};
    std::optional<ScopedCurrentFolder> currentFolder;
};

} // namespace

TEST_F(ExecutableSearchTest, FindsTheFirstMatchAlongPathInOrder)
{
    const fs::path first = makeProgram(root / "first", "kez-probe");
    makeProgram(root / "second", "kez-probe");
    setEnv("PATH", pathList({root / "first", root / "second"}));
    EXPECT_EQ(search(programName("kez-probe")), first.string());
}

TEST_F(ExecutableSearchTest, FindsAProgramInALaterPathFolder)
{
    const fs::path second = makeProgram(root / "second", "kez-probe");
    setEnv("PATH", pathList({root / "first", root / "second"}));
    EXPECT_EQ(search(programName("kez-probe")), second.string());
}

TEST_F(ExecutableSearchTest, CurrentFolderComesBeforePath)
{
    const fs::path inCwd = makeProgram(root / "cwd", "kez-probe");
    makeProgram(root / "first", "kez-probe");
    setEnv("PATH", pathList({root / "first"}));
    enterFolder(root / "cwd");
    EXPECT_EQ(search(programName("kez-probe")), inCwd.string());
}

// The executable bits on POSIX; on Windows the program's name (with .exe) is what counts.
TEST_F(ExecutableSearchTest, AFileThatIsNoProgramIsPassedOver)
{
    makePlainFile(root / "first", "kez-probe");
    const fs::path second = makeProgram(root / "second", "kez-probe");
    setEnv("PATH", pathList({root / "first", root / "second"}));
    EXPECT_EQ(search(programName("kez-probe")), second.string());
}

#ifndef _WIN32
// SearchPath on Windows does not tell folders from files; the POSIX stand-in only takes files.
TEST_F(ExecutableSearchTest, AFolderIsNoProgram)
{
    fs::create_directories(root / "first" / "kez-dir");
    fs::permissions(root / "first" / "kez-dir", fs::perms::owner_all);
    setEnv("PATH", pathList({root / "first"}));
    EXPECT_EQ(search("kez-dir"), "");
}
#endif

TEST_F(ExecutableSearchTest, NothingFoundGivesEmpty)
{
    makeProgram(root / "second", "kez-probe");
    setEnv("PATH", pathList({root / "first"}));
    enterFolder(root / "cwd");
    EXPECT_EQ(search(programName("kez-probe")), "");
    EXPECT_EQ(search(programName("kez-no-such-program")), "");
    EXPECT_EQ(search(""), "");
}

TEST_F(ExecutableSearchTest, ProgramsOwnFolderComesBeforeCurrentFolderAndPath)
{
    // The test program itself lives in the program folder; copies of its name elsewhere lose.
    const std::string self = programName("test_platform");
    makeProgram(root / "cwd", "test_platform");
    makeProgram(root / "first", "test_platform");
    setEnv("PATH", pathList({root / "first"}));
    enterFolder(root / "cwd");
    EXPECT_EQ(search(self), (fs::path(platform::programFolder()) / self).string());
}

TEST_F(ExecutableSearchTest, ProgramFolderHoldsTheRunningProgram)
{
    const fs::path folder = platform::programFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(fs::is_regular_file(folder / programName("test_platform")));
}

TEST_F(ExecutableSearchTest, ConverterNameFollowsThePlatform)
{
    EXPECT_EQ(std::string(platform::converterFileName()), programName("kezcc"));
}
