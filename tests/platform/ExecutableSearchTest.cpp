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

TEST_F(ExecutableSearchTest, ProgramFolderComesBeforePath)
{
    // The test program itself lives in the program folder; copies of its name elsewhere lose.
    const std::string self = programName("test_platform");
    makeFile(in("first"), self);
    makeFile(in("cwd"), self);
    const ScopedCurrentFolder current(in("cwd"));
    EXPECT_EQ(search(self), (fs::path(platform::programFolder()) / self).string());
    EXPECT_TRUE(fs::is_regular_file(fs::path(platform::programFolder()) / self));
    EXPECT_EQ(std::string(platform::converterFileName()), programName("kezcc"));
}

#ifdef _WIN32
TEST_F(ExecutableSearchTest, WindowsSearchesTheCurrentFolderBeforePath)
{
    const fs::path inCwd = makeFile(in("cwd"), probe);
    makeFile(in("first"), probe);
    const ScopedCurrentFolder current(in("cwd"));
    EXPECT_EQ(search(probe), inCwd.string());
}
#else
TEST_F(ExecutableSearchTest, PosixNeverSearchesTheCurrentFolderNotEvenForAnEmptyPathEntry)
{
    makeFile(in("cwd"), probe);
    const ScopedCurrentFolder current(in("cwd"));
    for (const std::string& path : {std::string(), std::string(":"), ":" + in("second").string(),
                                    in("second").string() + "::", "::" + in("second").string() + ":"}) {
        setEnv("PATH", path);
        EXPECT_EQ(search(probe), "") << '"' << path << '"';
    }
    const fs::path second = makeFile(in("second"), probe);
    setEnv("PATH", "::" + in("second").string() + ":");
    EXPECT_EQ(search(probe), second.string());
}

// "." or "bin" on PATH name folders below wherever the program was started from.
TEST_F(ExecutableSearchTest, PosixPassesOverRelativePathEntries)
{
    makeFile(in("cwd"), probe);
    fs::create_directories(in("cwd") / "bin");
    makeFile(in("cwd") / "bin", probe);
    const ScopedCurrentFolder current(in("cwd"));
    for (const std::string& path : {std::string("."), std::string("bin"), std::string("./bin:.:bin/")}) {
        setEnv("PATH", path);
        EXPECT_EQ(search(probe), "") << '"' << path << '"';
    }
    const fs::path second = makeFile(in("second"), probe);
    setEnv("PATH", ".:bin:" + in("second").string());
    EXPECT_EQ(search(probe), second.string());
}
#endif

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
