#include "platform/ExecutableSearch.h"
#include "platform/support/PlatformTestSupport.h"

using namespace testsupport;

namespace {

// Restores the current folder when it goes.
struct ScopedCurrentFolder {
    explicit ScopedCurrentFolder(const fs::path& folder) { fs::current_path(folder); }
    ~ScopedCurrentFolder()
    {
        std::error_code ignored;
        fs::current_path(saved, ignored);
    }
    fs::path saved = fs::current_path();
};

class ExecutableSearchTest : public ::testing::Test {
protected:
    ExecutableSearchTest()
    {
        for (const char* name : {"first", "second", "cwd"})
            fs::create_directories(root.path / name);
        setEnv("PATH", pathList({root.path / "first", root.path / "second"}));
    }
    std::string search(const std::string& name) { return platform::service<platform::ExecutableSearch>().search(name); }
    fs::path in(const char* folder) const { return root.path / folder; }

    const std::string probe = programName("kez-probe");
    TempFolder root;
    ScopedEnv savedPath{"PATH"};
};

} // namespace

TEST_F(ExecutableSearchTest, PathFoldersAreSearchedInOrderPassingOverFilesThatAreNoPrograms)
{
    const fs::path second = makeFile(in("second"), probe);
    EXPECT_EQ(search(probe), second.string());
    // On POSIX the executable bits count, on Windows the .exe name.
    makeFile(in("first"), kWindows ? "kez-probe" : probe, false);
    EXPECT_EQ(search(probe), second.string());
    const fs::path first = makeFile(in("first"), probe);
    EXPECT_EQ(search(probe), first.string());
}

TEST_F(ExecutableSearchTest, ProgramFolderComesFirstThenCurrentFolderThenPath)
{
    // The test program itself lives in the program folder; copies of its name elsewhere lose.
    const std::string self = programName("test_platform");
    const fs::path inCwd = makeFile(in("cwd"), probe);
    makeFile(in("first"), probe);
    makeFile(in("cwd"), self);
    makeFile(in("first"), self);
    const ScopedCurrentFolder current(in("cwd"));
    EXPECT_EQ(search(probe), inCwd.string());
    EXPECT_EQ(search(self), (fs::path(platform::programFolder()) / self).string());
    EXPECT_TRUE(fs::is_regular_file(fs::path(platform::programFolder()) / self));
    EXPECT_EQ(std::string(platform::converterFileName()), programName("kezcc"));
}

TEST_F(ExecutableSearchTest, NothingFoundGivesEmpty)
{
    const ScopedCurrentFolder current(in("cwd"));
    EXPECT_EQ(search(probe), "");
    EXPECT_EQ(search(""), "");
#ifndef _WIN32
    // SearchPath on Windows does not tell folders from files; the POSIX stand-in only takes files.
    fs::create_directories(in("first") / "kez-dir");
    EXPECT_EQ(search("kez-dir"), "");
#endif
}
