#include "platform/support/PlatformTestSupport.h"

using namespace platform;
using namespace testsupport;

namespace {

class ProcessContract : public ::testing::Test {
protected:
    Process& process = service<Process>();
    TempFolder folder;
};

} // namespace

TEST_F(ProcessContract, ProgramFoundBySearchRunsAndItsExitCodeIsReported)
{
    for (const std::uint32_t exitCode : {7u, 0u}) {
        const StartResult started = process.start("process_probe exit " + std::to_string(exitCode));
        ASSERT_TRUE(started.started()) << started.description;
        const ProcessHandle handle =
            process.open(ProcessAccess::Synchronize | ProcessAccess::QueryInformation, started.processId);
        ASSERT_NE(handle, 0u);
        // Without the right to set information the priority stays.
        EXPECT_FALSE(process.setPriorityClass(handle, PriorityClass::Idle));
        EXPECT_EQ(process.wait(handle, kInfinite), kWaitObject0);
        EXPECT_EQ(process.wait(handle, kInfinite), kWaitObject0) << "a second wait returns at once";
        std::uint32_t code = kStillActive;
        EXPECT_TRUE(process.exitCode(handle, code));
        EXPECT_EQ(code, exitCode);
        EXPECT_TRUE(process.close(handle));
#ifndef _WIN32
        EXPECT_FALSE(process.close(handle));
        EXPECT_FALSE(process.exitCode(handle, code));
        EXPECT_EQ(process.wait(handle, kInfinite), kWaitFailed);
#endif
    }
}

TEST_F(ProcessContract, MissingProgramOrEmptyCommandLineIsAStartFailureWithADescription)
{
    for (const char* commandLine : {"kez-no-such-program-anywhere -c", "   "}) {
        const StartResult started = process.start(commandLine);
        EXPECT_FALSE(started.started()) << commandLine;
        EXPECT_FALSE(started.description.empty()) << commandLine;
    }
    const StartResult missing = process.start("kez-no-such-program-anywhere -c");
    EXPECT_NE(missing.error, 0);
#ifndef _WIN32
    EXPECT_EQ(missing.description, "Нет такого файла или папки (ошибка 2)");
#endif
}

TEST_F(ProcessContract, TerminateEndsAHungProcessWhileAnotherThreadWaitsForIt)
{
    const StartResult started = process.start("process_probe hang");
    ASSERT_TRUE(started.started()) << started.description;
    const ProcessHandle handle = process.open(
        ProcessAccess::Synchronize | ProcessAccess::QueryInformation | ProcessAccess::Terminate, started.processId);
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(process.wait(handle, 50), kWaitTimeout) << "it hangs";

    std::uint32_t waited = kWaitFailed;
    std::thread waiter([&] { waited = process.wait(handle, kInfinite); });
    EXPECT_TRUE(process.terminate(handle, 3));
    waiter.join();
    EXPECT_EQ(waited, kWaitObject0);
    std::uint32_t code = kStillActive;
    EXPECT_TRUE(process.exitCode(handle, code));
    EXPECT_EQ(code, 3u) << "the code asked for, not the way it was ended";
    EXPECT_FALSE(process.terminate(handle, 4)) << "an ended process cannot be ended again";
    EXPECT_TRUE(process.exitCode(handle, code));
    EXPECT_EQ(code, 3u);
    EXPECT_TRUE(process.close(handle));
}

// Asked to end, a process may tidy up and go (POSIX: SIGTERM); one that does not is ended at once.
// Windows has no such request for a process without a window: only the end at once.
TEST_F(ProcessContract, AnEndRequestAsksPolitelyWhereTheSystemCanAndTerminateStillEndsTheStubborn)
{
    constexpr std::uint32_t kRights = ProcessAccess::Synchronize | ProcessAccess::QueryInformation | ProcessAccess::Terminate;
    const StartResult started = process.start("process_probe hang");
    ASSERT_TRUE(started.started()) << started.description;
    const ProcessHandle handle = process.open(kRights, started.processId);
    ASSERT_NE(handle, 0u);
    std::uint32_t code = 0;
    if (kWindows) {
        EXPECT_FALSE(process.requestEnd(handle));
        EXPECT_EQ(process.wait(handle, 50), kWaitTimeout) << "nothing was asked";
        EXPECT_TRUE(process.terminate(handle, 3));
        EXPECT_EQ(process.wait(handle, 60000), kWaitObject0);
    } else {
        EXPECT_TRUE(process.requestEnd(handle));
        EXPECT_EQ(process.wait(handle, 60000), kWaitObject0);
        EXPECT_TRUE(process.exitCode(handle, code));
        EXPECT_EQ(code, 128u + 15u) << "ended by the request";
        EXPECT_FALSE(process.requestEnd(handle)) << "an ended process cannot be asked again";
    }
    process.close(handle);

#ifndef _WIN32
    const fs::path ready = folder.path / "ready";
    Child stubborn("process_probe stubborn " + quoted(ready));
    ASSERT_NE(stubborn.handle, 0u) << stubborn.started.description;
    EXPECT_FALSE(process.requestEnd(stubborn.handle)) << "needs the right to end it";
    const ProcessHandle ender = process.open(kRights, stubborn.started.processId);
    ASSERT_NE(ender, 0u);
    // Until it has set itself to shrug the request off, the request would simply end it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fs::exists(ready) && stubborn.running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_TRUE(fs::exists(ready));
    EXPECT_TRUE(process.requestEnd(ender));
    EXPECT_EQ(process.wait(ender, 200), kWaitTimeout) << "it shrugged the request off";
    EXPECT_TRUE(process.terminate(ender, 3));
    EXPECT_EQ(process.wait(ender, 60000), kWaitObject0);
    process.close(ender);
    EXPECT_EQ(stubborn.finish(), std::optional<std::uint32_t>(3));
#endif
}

// A wait with a limit ends with the process, not with the limit, and a hung process holds it
// for the whole limit.
TEST_F(ProcessContract, AWaitWithALimitEndsWhenTheProcessEnds)
{
    const StartResult quick = process.start("process_probe exit 6");
    ASSERT_TRUE(quick.started()) << quick.description;
    const ProcessHandle handle = process.open(ProcessAccess::Synchronize | ProcessAccess::QueryInformation, quick.processId);
    ASSERT_NE(handle, 0u);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(process.wait(handle, 60000), kWaitObject0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    std::uint32_t code = 0;
    EXPECT_TRUE(process.exitCode(handle, code));
    EXPECT_EQ(code, 6u);
    EXPECT_EQ(process.wait(handle, 60000), kWaitObject0) << "an ended process is not waited for again";
    process.close(handle);

    Child hung("process_probe hang");
    ASSERT_NE(hung.handle, 0u) << hung.started.description;
    const auto waitStart = std::chrono::steady_clock::now();
    EXPECT_EQ(process.wait(hung.handle, 80), kWaitTimeout);
    EXPECT_GE(std::chrono::steady_clock::now() - waitStart, std::chrono::milliseconds(75));
    const ProcessHandle ender = process.open(ProcessAccess::Terminate | ProcessAccess::Synchronize, hung.started.processId);
    ASSERT_NE(ender, 0u);
    EXPECT_TRUE(process.terminate(ender, 3));
    EXPECT_EQ(process.wait(ender, 60000), kWaitObject0);
    process.close(ender);
    EXPECT_EQ(hung.finish(), std::optional<std::uint32_t>(3));
}

TEST_F(ProcessContract, TerminateNeedsItsRightAndLeavesAnEndedProcessAlone)
{
    Child child("process_probe hang");
    ASSERT_NE(child.handle, 0u) << child.started.description;
    EXPECT_FALSE(process.terminate(child.handle, 3)) << "opened without the right to end it";
    EXPECT_TRUE(child.running());
    const ProcessHandle ender =
        process.open(ProcessAccess::Terminate | ProcessAccess::Synchronize, child.started.processId);
    ASSERT_NE(ender, 0u);
    EXPECT_TRUE(process.terminate(ender, 3));
    EXPECT_EQ(child.finish(), std::optional<std::uint32_t>(3));
    process.close(ender);

    const StartResult quick = process.start("process_probe exit 6");
    ASSERT_TRUE(quick.started()) << quick.description;
    const ProcessHandle handle =
        process.open(ProcessAccess::Synchronize | ProcessAccess::QueryInformation | ProcessAccess::Terminate,
                     quick.processId);
    ASSERT_EQ(process.wait(handle, kInfinite), kWaitObject0);
    EXPECT_FALSE(process.terminate(handle, 3));
    std::uint32_t code = 0;
    EXPECT_TRUE(process.exitCode(handle, code));
    EXPECT_EQ(code, 6u);
    process.close(handle);
}

#ifndef _WIN32
TEST_F(ProcessContract, CommandLineIsSplitOnBlanksWithoutAShell)
{
    const fs::path out = folder.path / "args.txt";
    EXPECT_EQ(run("process_probe args " + quoted(out) + " one   two\t\"three four\" $HOME * ;ls"),
              std::optional<std::uint32_t>(0));
    EXPECT_EQ(readText(out), "one\ntwo\nthree four\n$HOME\n*\n;ls\n");
}

TEST_F(ProcessContract, ChildHasNoTerminalAndItsStandardStreamsLeadNowhere)
{
    const fs::path out = folder.path / "stdio.txt";
    ASSERT_EQ(run("process_probe stdio " + quoted(out)), std::optional<std::uint32_t>(0));
    EXPECT_EQ(readText(out), "fd0=null\nfd1=null\nfd2=null\ntty=no\nsession-leader=yes\n");
}

TEST_F(ProcessContract, RunningChildIsStillActiveAndIdleClassGivesItTheLowestPriority)
{
    const fs::path fifo = makeFifo(folder.path / "go");
    const fs::path out = folder.path / "nice.txt";
    Child child("process_probe nice " + quoted(fifo) + " " + quoted(out));
    ASSERT_NE(child.handle, 0u) << child.started.description;
    std::uint32_t code = 0;
    ASSERT_TRUE(process.exitCode(child.handle, code));
    EXPECT_EQ(code, kStillActive);
    EXPECT_EQ(process.wait(child.handle, 0), kWaitTimeout);
    EXPECT_TRUE(process.setPriorityClass(child.handle, PriorityClass::Idle));
    EXPECT_EQ(process.priorityClass(child.handle), PriorityClass::Idle);

    const int fd = openFifoForWriting(fifo, child);
    ASSERT_GE(fd, 0);
    ::close(fd);
    ASSERT_EQ(child.finish(), std::optional<std::uint32_t>(0));
    EXPECT_EQ(readText(out), "nice=19\n");
}

TEST_F(ProcessContract, SignalsPathsAndForeignProcesses)
{
    EXPECT_EQ(run("process_probe signal"), std::optional<std::uint32_t>(128 + SIGTERM));
    // A program given with a path is started from there.
    const fs::path copy = folder.path / "probe copy";
    fs::copy_file(fs::path(KEZ_TEST_BIN_DIR) / "process_probe", copy);
    EXPECT_EQ(run(quoted(copy) + " exit 5"), std::optional<std::uint32_t>(5));
    // Only processes started here can be opened.
    EXPECT_EQ(process.open(ProcessAccess::Synchronize, std::uint32_t(::getpid())), 0u);
    EXPECT_EQ(process.open(ProcessAccess::Synchronize, 0), 0u);
}
#endif

// What a started process starts in turn belongs to its group: ended at once with it, and on POSIX
// asked to end with it too.
TEST_F(ProcessContract, TheEndReachesWhatTheProcessStarted)
{
    constexpr std::uint32_t kRights = ProcessAccess::Synchronize | ProcessAccess::QueryInformation | ProcessAccess::Terminate;
    for (const bool politely : {false, true}) {
        if (politely && kWindows)
            continue;
        const fs::path ticks = folder.path / (politely ? "asked" : "ended");
        const StartResult started = process.start("process_probe family " + quoted(ticks));
        ASSERT_TRUE(started.started()) << started.description;
        const ProcessHandle handle = process.open(kRights, started.processId);
        ASSERT_NE(handle, 0u);
        // The one it started is at work: its count grows.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        std::string first;
        while ((first = readText(ticks)).empty() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::string next = first;
        while (next == first && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            next = readText(ticks);
        }
        ASSERT_NE(next, first) << "the started one never ticked";

        EXPECT_TRUE(politely ? process.requestEnd(handle) : process.terminate(handle, 3));
        EXPECT_EQ(process.wait(handle, 60000), kWaitObject0);
        process.close(handle);
        // A survivor ticks many times over within a second, even on a busy machine.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const std::string after = readText(ticks);
        bool ticked = false;
        for (int look = 0; look < 20 && !ticked; ++look) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            ticked = readText(ticks) != after;
        }
        EXPECT_FALSE(ticked) << (politely ? "asked" : "ended") << ": what it started still runs";
    }
}
