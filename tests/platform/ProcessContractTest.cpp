#include "ContractChild.h"
#include "platform/Process.h"
#include "platform/Services.h"
#include "platform/support/PlatformTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#ifndef _WIN32
#include <csignal>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using namespace platform;
using contract::Child;
using contract::quoted;

namespace {

class ProcessContract : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = testsupport::freshTempFolder(std::string("process-") +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    Process& process = service<Process>();
    fs::path folder;
};

} // namespace

TEST_F(ProcessContract, ProgramFoundBySearchRunsAndItsExitCodeIsReported)
{
    Child child("process_probe exit 7");
    ASSERT_TRUE(child.started.started()) << child.started.description;
    EXPECT_NE(child.started.processId, 0u);
    ASSERT_NE(child.handle, 0u);
    EXPECT_EQ(child.finish(), std::optional<std::uint32_t>(7));
}

TEST_F(ProcessContract, ExitCodeZeroIsReportedAsZero)
{
    EXPECT_EQ(contract::run("process_probe exit 0"), std::optional<std::uint32_t>(0));
}

TEST_F(ProcessContract, WaitWithoutTimeOutReturnsOnceTheChildHasEnded)
{
    const StartResult started = process.start("process_probe exit 3");
    ASSERT_TRUE(started.started()) << started.description;
    const ProcessHandle handle = process.open(ProcessAccess::Synchronize | ProcessAccess::QueryInformation,
                                              started.processId);
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(process.wait(handle, kInfinite), kWaitObject0);
    // A second wait on an ended process returns at once.
    EXPECT_EQ(process.wait(handle, kInfinite), kWaitObject0);
    std::uint32_t code = 0;
    EXPECT_TRUE(process.exitCode(handle, code));
    EXPECT_EQ(code, 3u);
    EXPECT_TRUE(process.close(handle));
}

TEST_F(ProcessContract, MissingProgramIsAStartFailureWithTheSystemsDescription)
{
    const StartResult started = process.start("kez-no-such-program-anywhere -c");
    EXPECT_FALSE(started.started());
    EXPECT_NE(started.error, 0);
    EXPECT_FALSE(started.description.empty());
#ifndef _WIN32
    EXPECT_EQ(started.description, std::strerror(ENOENT));
#endif
}

TEST_F(ProcessContract, EmptyCommandLineIsAStartFailure)
{
    const StartResult started = process.start("   ");
    EXPECT_FALSE(started.started());
    EXPECT_FALSE(started.description.empty());
}

TEST_F(ProcessContract, HandleWithoutSetInformationCannotChangePriority)
{
    const StartResult started = process.start("process_probe exit 0");
    ASSERT_TRUE(started.started()) << started.description;
    const ProcessHandle handle = process.open(ProcessAccess::Synchronize | ProcessAccess::QueryInformation,
                                              started.processId);
    ASSERT_NE(handle, 0u);
    EXPECT_FALSE(process.setPriorityClass(handle, PriorityClass::Idle));
    process.wait(handle, kInfinite);
    process.close(handle);
}

TEST_F(ProcessContract, ClosedHandleIsRefused)
{
    const StartResult started = process.start("process_probe exit 0");
    ASSERT_TRUE(started.started());
    const ProcessHandle handle = process.open(ProcessAccess::Synchronize | ProcessAccess::QueryInformation,
                                              started.processId);
    ASSERT_NE(handle, 0u);
    process.wait(handle, kInfinite);
    EXPECT_TRUE(process.close(handle));
#ifndef _WIN32
    EXPECT_FALSE(process.close(handle));
    std::uint32_t code = 0;
    EXPECT_FALSE(process.exitCode(handle, code));
    EXPECT_EQ(process.wait(handle, kInfinite), kWaitFailed);
#endif
}

#ifndef _WIN32
TEST_F(ProcessContract, CommandLineIsSplitOnBlanksWithoutAShell)
{
    const fs::path out = folder / "args.txt";
    EXPECT_EQ(contract::run("process_probe args " + quoted(out) + " one   two\t\"three four\" $HOME * ;ls"),
              std::optional<std::uint32_t>(0));
    EXPECT_EQ(contract::readText(out), "one\ntwo\nthree four\n$HOME\n*\n;ls\n");
}

TEST_F(ProcessContract, ChildHasNoTerminalAndItsStandardStreamsLeadNowhere)
{
    const fs::path out = folder / "stdio.txt";
    ASSERT_EQ(contract::run("process_probe stdio " + quoted(out)), std::optional<std::uint32_t>(0));
    EXPECT_EQ(contract::readText(out), "fd0=null\nfd1=null\nfd2=null\ntty=no\nsession-leader=yes\n");
}

TEST_F(ProcessContract, IdleClassLowersTheChildToTheLowestPriority)
{
    const fs::path fifo = folder / "go";
    const fs::path out = folder / "nice.txt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    Child child("process_probe nice " + quoted(fifo) + " " + quoted(out));
    ASSERT_NE(child.handle, 0u) << child.started.description;

    EXPECT_TRUE(process.setPriorityClass(child.handle, PriorityClass::Idle));
    EXPECT_EQ(process.priorityClass(child.handle), PriorityClass::Idle);

    const int fd = contract::openFifoForWriting(fifo, child);
    ASSERT_GE(fd, 0);
    ::close(fd);
    ASSERT_EQ(child.finish(), std::optional<std::uint32_t>(0));
    EXPECT_EQ(contract::readText(out), "nice=19\n");
}

TEST_F(ProcessContract, RunningChildReportsStillActive)
{
    const fs::path fifo = folder / "go";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    Child child("process_probe nice " + quoted(fifo) + " " + quoted(folder / "ignored.txt"));
    ASSERT_NE(child.handle, 0u);
    std::uint32_t code = 0;
    ASSERT_TRUE(process.exitCode(child.handle, code));
    EXPECT_EQ(code, kStillActive);
    EXPECT_EQ(process.wait(child.handle, 0), kWaitTimeout);

    const int fd = contract::openFifoForWriting(fifo, child);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_EQ(child.finish(), std::optional<std::uint32_t>(0));
}

TEST_F(ProcessContract, ChildEndedBySignalReports128PlusTheSignal)
{
    EXPECT_EQ(contract::run("process_probe signal"), std::optional<std::uint32_t>(128 + SIGTERM));
}

TEST_F(ProcessContract, ProcessNotStartedHereCannotBeOpened)
{
    EXPECT_EQ(process.open(ProcessAccess::Synchronize, std::uint32_t(::getpid())), 0u);
    EXPECT_EQ(process.open(ProcessAccess::Synchronize, 0), 0u);
}

TEST_F(ProcessContract, ProgramGivenWithAPathIsStartedFromThere)
{
    const fs::path copy = folder / "probe copy";
    fs::copy_file(fs::path(KEZ_TEST_BIN_DIR) / "process_probe", copy);
    EXPECT_EQ(contract::run(quoted(copy) + " exit 5"), std::optional<std::uint32_t>(5));
}
#endif
