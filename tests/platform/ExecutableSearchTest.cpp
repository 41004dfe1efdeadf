#include "platform/ExecutableSearch.h"
#include "platform/Services.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

class ExecutableSearchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() / ("kez-search-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(root / "first");
        fs::create_directories(root / "second");
        fs::create_directories(root / "cwd");
        savedCwd = fs::current_path();
        const char* path = std::getenv("PATH");
        savedPath = path ? path : "";
    }
    void TearDown() override
    {
        fs::current_path(savedCwd);
        ::setenv("PATH", savedPath.c_str(), 1);
        fs::remove_all(root);
    }
    void makeFile(const fs::path& file, bool executable)
    {
        std::ofstream(file) << "#!/bin/sh\n";
        ::chmod(file.c_str(), executable ? 0755 : 0644);
    }
    std::string search(const std::string& name) { return platform::service<platform::ExecutableSearch>().search(name); }

    fs::path root;
    fs::path savedCwd;
    std::string savedPath;
};

} // namespace

TEST_F(ExecutableSearchTest, FindsTheFirstMatchAlongPathInOrder)
{
    makeFile(root / "first" / "kez-probe", true);
    makeFile(root / "second" / "kez-probe", true);
    ::setenv("PATH", ((root / "first").string() + ":" + (root / "second").string()).c_str(), 1);
    EXPECT_EQ(search("kez-probe"), (root / "first" / "kez-probe").string());
}

TEST_F(ExecutableSearchTest, CurrentFolderComesBeforePath)
{
    makeFile(root / "cwd" / "kez-probe", true);
    makeFile(root / "first" / "kez-probe", true);
    ::setenv("PATH", (root / "first").c_str(), 1);
    fs::current_path(root / "cwd");
    EXPECT_EQ(search("kez-probe"), (root / "cwd" / "kez-probe").string());
}

TEST_F(ExecutableSearchTest, OnlyExecutableRegularFilesCount)
{
    makeFile(root / "first" / "kez-probe", false);
    fs::create_directories(root / "first" / "kez-dir");
    makeFile(root / "second" / "kez-probe", true);
    ::setenv("PATH", ((root / "first").string() + ":" + (root / "second").string()).c_str(), 1);
    EXPECT_EQ(search("kez-probe"), (root / "second" / "kez-probe").string());
    EXPECT_EQ(search("kez-dir"), "");
}

TEST_F(ExecutableSearchTest, NothingFoundGivesEmpty)
{
    ::setenv("PATH", (root / "first").c_str(), 1);
    EXPECT_EQ(search("kez-no-such-program"), "");
    EXPECT_EQ(search(""), "");
}

TEST_F(ExecutableSearchTest, ProgramsOwnFolderComesFirst)
{
    // The test binary itself lives in the program folder, so it is found even with an empty PATH.
    ::setenv("PATH", "", 1);
    const std::string self = fs::path(platform::programFolder()) / "test_platform";
    EXPECT_EQ(search("test_platform"), self);
}
