// The converter hand-over through the real POSIX stand-ins and the scripted fake converter, plus
// substitutes for the failures a real system rarely shows.
#include "errors/KezError.h"
#include "options/TLuKezOptions.h"
#include "platform/Clipboard.h"
#include "platform/GlobalMemory.h"
#include "platform/Process.h"
#include "platform/Services.h"
#include "runner/miKezConverterRunner.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace miKezConverterRunner;
using platform::ClipFormat;
using platform::HGlobal;

namespace {

const QString kNotConfirmed = QStringLiteral("Нет подтверждения, что конвертер отработал.");
const QString kReadFailed = QStringLiteral("Ошибка получения результатов конвертации.");
const QString kNoReply = QStringLiteral("Ошибка получения результатов конвертации из буфера обмена.");
const QString kPlaceFailed = QStringLiteral("Ошибка помещения параметров в буфер обмена.");
const QString kAllocFailed = QStringLiteral("Ошибка выделения Global-памяти.");
const QString kLaunchPrefix = QStringLiteral("Ошибка запуска kezcc.exe: ");
const QString kUntouched = QStringLiteral("(не тронуто)");

QByteArray readAll(const QString& aPath)
{
    QFile file(aPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Passes everything to the real clipboard except what a test wants to fail, and counts calls.
class SubstituteClipboard : public platform::Clipboard {
public:
    ClipFormat registerFormat(const std::string& aName) override
    {
        ++registrations;
        return failRegistrations > 0 && failRegistrations-- ? 0 : real().registerFormat(aName);
    }
    bool open(platform::WindowHandle aOwner) override
    {
        ++opens;
        return !failOpen && real().open(aOwner);
    }
    bool empty() override { return real().empty(); }
    bool setData(ClipFormat aFormat, HGlobal aData) override { return !failSetData && real().setData(aFormat, aData); }
    HGlobal getData(ClipFormat aFormat) override { return real().getData(aFormat); }
    bool close() override { return real().close(); }

    int failRegistrations = 0;
    bool failOpen = false;
    bool failSetData = false;
    int registrations = 0;
    int opens = 0;

private:
    static platform::Clipboard& real() { return platform::defaultService<platform::Clipboard>(); }
};

// Counts objects made and freed; can refuse to allocate or to lock.
class SubstituteMemory : public platform::GlobalMemory {
public:
    HGlobal alloc(std::uint32_t aFlags, std::size_t aBytes) override
    {
        if (failAlloc)
            return 0;
        ++allocated;
        const HGlobal handle = real().alloc(aFlags, aBytes);
        mine.insert(handle);
        return handle;
    }
    void* lock(HGlobal aHandle) override { return failLock ? nullptr : real().lock(aHandle); }
    bool unlock(HGlobal aHandle) override { return real().unlock(aHandle); }
    HGlobal free(HGlobal aHandle) override
    {
        const HGlobal result = real().free(aHandle);
        // Only objects made here count: the clipboard may free older ones of its own.
        freed += result == 0 && mine.erase(aHandle) == 1;
        return result;
    }
    std::size_t size(HGlobal aHandle) override { return real().size(aHandle); }

    bool failAlloc = false;
    bool failLock = false;
    int allocated = 0;
    int freed = 0;
    std::set<HGlobal> mine;

private:
    static platform::GlobalMemory& real() { return platform::defaultService<platform::GlobalMemory>(); }
};

class RunConverterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ForgetExternalCBFormat();
        options.FillWithDefaults();
        folder = environment.root() + QStringLiteral("/work");
        QDir().mkpath(folder);
        output = folder + QStringLiteral("/out.rtf");
        fakeLog = environment.root() + QStringLiteral("/fake.log");
        savedLog = qgetenv("KEZ_FAKE_LOG");
        qputenv("KEZ_FAKE_LOG", QFile::encodeName(fakeLog));
    }
    void TearDown() override
    {
        qputenv("KEZ_FAKE_LOG", savedLog);
        ForgetExternalCBFormat();
    }

    bool run(const QString& aSourceName)
    {
        code = 12345;
        message = kUntouched;
        return RunConverter(options, folder + QLatin1Char('/') + aSourceName, output, 0, code, message);
    }

    // How many times the fake converter ran.
    int fakeRuns() const { return int(readAll(fakeLog).count('\n')); }

    // Puts a marker of our own on the clipboard, to see whether anything replaced it.
    void putMarker()
    {
        platform::Clipboard& clipboard = platform::service<platform::Clipboard>();
        platform::GlobalMemory& memory = platform::service<platform::GlobalMemory>();
        const HGlobal handle = memory.alloc(platform::GlobalFlags::Moveable, 6);
        std::memcpy(memory.lock(handle), "marker", 6);
        memory.unlock(handle);
        ASSERT_TRUE(clipboard.open(0));
        clipboard.empty();
        ASSERT_TRUE(clipboard.setData(clipboard.registerFormat("KezTest_Marker"), handle));
        clipboard.close();
    }

    bool markerIsThere()
    {
        platform::Clipboard& clipboard = platform::service<platform::Clipboard>();
        if (!clipboard.open(0))
            return false;
        const HGlobal handle = clipboard.getData(clipboard.registerFormat("KezTest_Marker"));
        const bool there = handle != 0 && platform::service<platform::GlobalMemory>().size(handle) == 6;
        const bool converterBlock = clipboard.getData(clipboard.registerFormat(kExternalFormatName)) != 0;
        clipboard.close();
        return there && !converterBlock;
    }

    TestEnvironment environment;
    FakeConverterOnPath fakeConverter;
    TLuKezOptions options;
    QString folder;
    QString output;
    QString fakeLog;
    QByteArray savedLog;
    qint32 code = 0;
    QString message;
};

} // namespace

TEST_F(RunConverterTest, ReplyZeroIsSuccessAndLeavesTheMessageAsItWas)
{
    EXPECT_TRUE(run(QStringLiteral("reply0.kez")));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(message, kUntouched);
    EXPECT_EQ(fakeRuns(), 1);
}

TEST_F(RunConverterTest, ReplyTwelveIsSuccess)
{
    EXPECT_TRUE(run(QStringLiteral("reply12.kez")));
    EXPECT_EQ(code, 12);
    EXPECT_EQ(message, kUntouched);
}

TEST_F(RunConverterTest, NegativeReplyGivesTheConvertersMessage)
{
    EXPECT_FALSE(run(QStringLiteral("reply-7.kez")));
    EXPECT_EQ(code, -7);
    EXPECT_EQ(message, QStringLiteral("x"));
}

TEST_F(RunConverterTest, DefaultConversionWritesTheOutputAndSucceeds)
{
    EXPECT_TRUE(run(QStringLiteral("Псалом 1.kez")));
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(readAll(output).startsWith("{\\rtf1"));
}

TEST_F(RunConverterTest, BlockPutBackUnchangedIsNotConfirmed)
{
    EXPECT_FALSE(run(QStringLiteral("noreply.kez")));
    EXPECT_EQ(code, -1);
    EXPECT_EQ(message, kNotConfirmed);
}

TEST_F(RunConverterTest, ConverterThatLeavesTheClipboardAloneIsNotConfirmed)
{
    EXPECT_FALSE(run(QStringLiteral("untouched.kez")));
    EXPECT_EQ(code, -1);
    EXPECT_EQ(message, kNotConfirmed);
    EXPECT_EQ(fakeRuns(), 1);
}

TEST_F(RunConverterTest, ExitCodeOfTheConverterHasNoInfluence)
{
    EXPECT_TRUE(run(QStringLiteral("reply0-exit3.kez")));
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(run(QStringLiteral("reply-7-exit0.kez")));
    EXPECT_EQ(code, -7);
    EXPECT_FALSE(run(QStringLiteral("untouched-exit0.kez")));
    EXPECT_EQ(code, -1);
}

TEST_F(RunConverterTest, ShortReplyIsAFailedReadAndNothingPastItIsRead)
{
    EXPECT_FALSE(run(QStringLiteral("short.kez")));
    EXPECT_EQ(code, -4);
    EXPECT_EQ(message, kReadFailed);
}

TEST_F(RunConverterTest, ReplyMissingFromTheClipboardIsReported)
{
    EXPECT_FALSE(run(QStringLiteral("wipe.kez")));
    EXPECT_EQ(code, -4);
    EXPECT_EQ(message, kNoReply);
}

TEST_F(RunConverterTest, NegativeMessageCountIsAnUnexpectedFailurePassedOn)
{
    try {
        run(QStringLiteral("negcount.kez"));
        FAIL() << "no failure raised";
    } catch (const KezError& failure) {
        EXPECT_EQ(failure.number(), KezErrorNumber::InvalidArgument);
        EXPECT_TRUE(failure.source().contains(QStringLiteral("miKezConverterRunner.RunConverter")));
        EXPECT_TRUE(failure.source().contains(QStringLiteral("miKezConverterRunner.LoadPascalStringToString")));
        EXPECT_TRUE(failure.source().indexOf(QStringLiteral(".RunConverter")) <
                    failure.source().indexOf(QStringLiteral(".LoadPascalStringToString")))
            << "the outer procedure comes first";
    }
}

TEST_F(RunConverterTest, ConverterThatCannotBeFoundIsALaunchFailure)
{
    const QByteArray savedPath = qgetenv("PATH");
    const QString empty = environment.root() + QStringLiteral("/nothing-here");
    QDir().mkpath(empty);
    qputenv("PATH", QFile::encodeName(empty));
    const bool converted = run(QStringLiteral("reply0.kez"));
    qputenv("PATH", savedPath);
    EXPECT_FALSE(converted);
    EXPECT_EQ(code, -3);
    EXPECT_TRUE(message.startsWith(kLaunchPrefix)) << message.toStdString();
    EXPECT_GT(message.size(), kLaunchPrefix.size()) << "the system's description follows";
}

TEST_F(RunConverterTest, FailedFormatRegistrationRefusesToPlaceAndIsTriedAgainNextTime)
{
    SubstituteClipboard clipboard;
    SubstituteMemory memory;
    const platform::ScopedService<platform::Clipboard> useClipboard(clipboard);
    const platform::ScopedService<platform::GlobalMemory> useMemory(memory);
    clipboard.failRegistrations = 2;

    EXPECT_FALSE(run(QStringLiteral("reply0.kez")));
    EXPECT_EQ(code, -10);
    EXPECT_EQ(message, kPlaceFailed);
    EXPECT_EQ(clipboard.registrations, 1);
    EXPECT_EQ(memory.allocated, memory.freed) << "the block was freed";
    EXPECT_EQ(fakeRuns(), 0);

    EXPECT_FALSE(run(QStringLiteral("reply0.kez")));
    EXPECT_EQ(clipboard.registrations, 2) << "nothing was cached";

    EXPECT_TRUE(run(QStringLiteral("reply0.kez")));
    EXPECT_EQ(clipboard.registrations, 3);
    EXPECT_TRUE(run(QStringLiteral("reply0.kez")));
    EXPECT_EQ(clipboard.registrations, 3) << "a registered format is kept";
}

TEST_F(RunConverterTest, ClipboardHeldElsewhereRefusesToPlaceAndFreesTheBlock)
{
    SubstituteClipboard clipboard;
    SubstituteMemory memory;
    const platform::ScopedService<platform::Clipboard> useClipboard(clipboard);
    const platform::ScopedService<platform::GlobalMemory> useMemory(memory);
    clipboard.failOpen = true;
    EXPECT_FALSE(run(QStringLiteral("reply0.kez")));
    EXPECT_EQ(code, -10);
    EXPECT_EQ(message, kPlaceFailed);
    EXPECT_EQ(memory.allocated, 1);
    EXPECT_EQ(memory.freed, 1);
    EXPECT_EQ(fakeRuns(), 0);
}

TEST_F(RunConverterTest, RefusedPlacingFreesTheBlock)
{
    SubstituteClipboard clipboard;
    SubstituteMemory memory;
    const platform::ScopedService<platform::Clipboard> useClipboard(clipboard);
    const platform::ScopedService<platform::GlobalMemory> useMemory(memory);
    clipboard.failSetData = true;
    EXPECT_FALSE(run(QStringLiteral("reply0.kez")));
    EXPECT_EQ(code, -10);
    EXPECT_EQ(memory.freed, memory.allocated);
    EXPECT_EQ(fakeRuns(), 0);
    // Closed on every path after a successful open.
    EXPECT_TRUE(platform::defaultService<platform::Clipboard>().open(0));
    platform::defaultService<platform::Clipboard>().close();
}

TEST_F(RunConverterTest, MemoryThatCannotBeHadIsReported)
{
    SubstituteMemory memory;
    const platform::ScopedService<platform::GlobalMemory> useMemory(memory);
    memory.failAlloc = true;
    EXPECT_FALSE(run(QStringLiteral("reply0.kez")));
    EXPECT_EQ(code, -2);
    EXPECT_EQ(message, kAllocFailed);
    EXPECT_EQ(fakeRuns(), 0);
}

TEST_F(RunConverterTest, MemoryThatCannotBeLockedIsFreedAndReported)
{
    SubstituteMemory memory;
    const platform::ScopedService<platform::GlobalMemory> useMemory(memory);
    memory.failLock = true;
    EXPECT_FALSE(run(QStringLiteral("reply0.kez")));
    EXPECT_EQ(code, -2);
    EXPECT_EQ(message, kAllocFailed);
    EXPECT_EQ(memory.allocated, 1);
    EXPECT_EQ(memory.freed, 1);
}

TEST_F(RunConverterTest, ReplyStaysOnTheClipboardAfterTheConversion)
{
    ASSERT_TRUE(run(QStringLiteral("reply12.kez")));
    const HGlobal handle = PasteHGlobalFromClipboard();
    ASSERT_NE(handle, 0u);
    ExternalRecord record{};
    ASSERT_TRUE(LoadExternalFromHGlobal(handle, record));
    EXPECT_EQ(ExternalData::ReadInt32(record.data(), ExternalData::Offset::ResultCode), 12);
}

TEST_F(RunConverterTest, RecordArrivesAtTheConverterByteForByte)
{
    options.GreekText().FillWith(QStringLiteral("Γραφή"), 11, true, true, 3, 9);
    ASSERT_TRUE(run(QStringLiteral("echo.kez")));
    ExternalRecord expected{};
    SaveAllToExternal(expected.data(), options, folder + QStringLiteral("/echo.kez"), output);
    const QByteArray arrived = readAll(output);
    ASSERT_EQ(arrived.size(), ExternalData::kRecordSize);
    EXPECT_EQ(std::memcmp(arrived.constData(), expected.data(), expected.size()), 0);
}

TEST_F(RunConverterTest, PathsWithAnyCharactersArriveIntact)
{
    const QString name = QStringLiteral("Псалом «1» $HOME; 'q' \"d\" *?\\ Ἀρχή\t|&echo.kez");
    output = folder + QStringLiteral("/вывод ё \"кав\".rtf");
    ASSERT_TRUE(run(name));
    const QByteArray arrived = readAll(output);
    ASSERT_EQ(arrived.size(), ExternalData::kRecordSize);
    const auto* record = reinterpret_cast<const uchar*>(arrived.constData());
    EXPECT_EQ(LoadPascalStringToString(record + ExternalData::Offset::SourcePath, ExternalData::kPathCapacity),
              folder + QLatin1Char('/') + name);
    EXPECT_EQ(LoadPascalStringToString(record + ExternalData::Offset::OutputPath, ExternalData::kPathCapacity),
              output);
}

TEST_F(RunConverterTest, PathOf1022UnitsReachesTheConverterWhole)
{
    const QString prefix = folder + QLatin1Char('/');
    const QString name = QString(1022 - prefix.size() - 8, QChar(0x0436)) + QStringLiteral("echo.kez");
    ASSERT_EQ((prefix + name).size(), 1022);
    ASSERT_TRUE(run(name));
    const QByteArray arrived = readAll(output);
    ASSERT_EQ(arrived.size(), ExternalData::kRecordSize);
    const auto* record = reinterpret_cast<const uchar*>(arrived.constData());
    EXPECT_EQ(ExternalData::ReadInt32(record, ExternalData::Offset::SourcePath), 1022);
    EXPECT_EQ(LoadPascalStringToString(record + ExternalData::Offset::SourcePath, ExternalData::kPathCapacity),
              prefix + name);
}

TEST_F(RunConverterTest, SourcePathOf1023UnitsIsRefusedWithoutTouchingAnything)
{
    putMarker();
    const QString prefix = folder + QLatin1Char('/');
    const QString name = QString(1023 - prefix.size() - 8, QLatin1Char('a')) + QStringLiteral("echo.kez");
    ASSERT_EQ((prefix + name).size(), 1023);
    EXPECT_FALSE(run(name));
    EXPECT_EQ(code, kPathTooLong);
    EXPECT_EQ(message, QStringLiteral("Путь к исходному файлу длиннее 1022 символов; такой путь нельзя передать конвертеру."));
    EXPECT_EQ(fakeRuns(), 0) << "the converter was not started";
    EXPECT_TRUE(markerIsThere()) << "nothing was placed on the clipboard";
}

TEST_F(RunConverterTest, OutputPathOf1023UnitsIsRefusedWithoutTouchingAnything)
{
    putMarker();
    output = folder + QLatin1Char('/');
    output += QString(1023 - output.size() - 4, QChar(0x0444)) + QStringLiteral(".rtf");
    ASSERT_EQ(output.size(), 1023);
    EXPECT_FALSE(run(QStringLiteral("reply0.kez")));
    EXPECT_EQ(code, kPathTooLong);
    EXPECT_EQ(message, QStringLiteral("Путь к выходному файлу длиннее 1022 символов; такой путь нельзя передать конвертеру."));
    EXPECT_EQ(fakeRuns(), 0);
    EXPECT_TRUE(markerIsThere());
}

TEST_F(RunConverterTest, ShortObjectIsNotReadAndLeavesTheRecordZero)
{
    platform::GlobalMemory& memory = platform::service<platform::GlobalMemory>();
    const HGlobal handle = memory.alloc(platform::GlobalFlags::Moveable, 7655);
    std::memset(memory.lock(handle), 0x77, 7655);
    memory.unlock(handle);
    ExternalRecord record;
    record.fill(0x55);
    EXPECT_FALSE(LoadExternalFromHGlobal(handle, record));
    EXPECT_EQ(std::count(record.begin(), record.end(), 0), qsizetype(record.size()));
    memory.free(handle);
}

TEST_F(RunConverterTest, MadeObjectHoldsTheFilledRecord)
{
    const HGlobal handle = MakeExternalHGlobalObject(options, QStringLiteral("s"), QStringLiteral("o"));
    ASSERT_NE(handle, 0u);
    ExternalRecord fromObject{};
    ASSERT_TRUE(LoadExternalFromHGlobal(handle, fromObject));
    ExternalRecord expected{};
    SaveAllToExternal(expected.data(), options, QStringLiteral("s"), QStringLiteral("o"));
    EXPECT_EQ(fromObject, expected);
    EXPECT_EQ(platform::service<platform::GlobalMemory>().size(handle), 7656u);
    platform::service<platform::GlobalMemory>().free(handle);
}

namespace {

// Records what the runner asks of the process service.
class ScriptedProcess : public platform::Process {
public:
    platform::StartResult start(const std::string& aCommandLine) override
    {
        calls.push_back("start " + aCommandLine);
        platform::StartResult result;
        if (startError) {
            result.error = startError;
            result.description = "no such program";
        } else {
            result.processId = 4242;
        }
        return result;
    }
    platform::ProcessHandle open(std::uint32_t aAccess, std::uint32_t aProcessId) override
    {
        calls.push_back("open " + std::to_string(aAccess) + " " + std::to_string(aProcessId));
        const bool full = aAccess == 0x100600;
        return (full ? refuseFullAccess : refuseAnyAccess) ? 0 : 77;
    }
    bool setPriorityClass(platform::ProcessHandle aHandle, std::uint32_t aClass) override
    {
        calls.push_back("priority " + std::to_string(aHandle) + " " + std::to_string(aClass));
        return true;
    }
    std::uint32_t priorityClass(platform::ProcessHandle) override { return 0; }
    std::uint32_t wait(platform::ProcessHandle aHandle, std::uint32_t aTimeout) override
    {
        calls.push_back("wait " + std::to_string(aHandle) + " " + std::to_string(aTimeout));
        return platform::kWaitObject0;
    }
    bool exitCode(platform::ProcessHandle aHandle, std::uint32_t& aCode) override
    {
        calls.push_back("exitcode " + std::to_string(aHandle));
        aCode = 9;
        return true;
    }
    bool close(platform::ProcessHandle aHandle) override
    {
        calls.push_back("close " + std::to_string(aHandle));
        return true;
    }

    int startError = 0;
    bool refuseFullAccess = false;
    bool refuseAnyAccess = false;
    std::vector<std::string> calls;
};

} // namespace

TEST(ExecuteShellCommandTest, StartsLowersToIdleWaitsForeverAndReturnsTheExitCode)
{
    ScriptedProcess process;
    const platform::ScopedService<platform::Process> use(process);
    EXPECT_EQ(ExecuteShellCommand(QStringLiteral("kezcc -c")), 9);
    const std::vector<std::string> expected = {"start kezcc -c",    "open 1050112 4242", "priority 77 64",
                                               "wait 77 4294967295", "exitcode 77",       "close 77"};
    EXPECT_EQ(process.calls, expected);
}

TEST(ExecuteShellCommandTest, WithoutTheRightToLowerItLeavesThePriorityAlone)
{
    ScriptedProcess process;
    process.refuseFullAccess = true;
    const platform::ScopedService<platform::Process> use(process);
    EXPECT_EQ(ExecuteShellCommand(QStringLiteral("kezcc -c")), 9);
    const std::vector<std::string> expected = {"start kezcc -c",     "open 1050112 4242", "open 1049600 4242",
                                               "wait 77 4294967295", "exitcode 77",       "close 77"};
    EXPECT_EQ(process.calls, expected);
}

TEST(ExecuteShellCommandTest, ProcessThatCannotBeOpenedIsNotWaitedForAndGivesZero)
{
    ScriptedProcess process;
    process.refuseAnyAccess = true;
    process.refuseFullAccess = true;
    const platform::ScopedService<platform::Process> use(process);
    EXPECT_EQ(ExecuteShellCommand(QStringLiteral("kezcc -c")), 0);
    EXPECT_EQ(process.calls.size(), 3u);
}

TEST(ExecuteShellCommandTest, StartFailureIsARunTimeFailureWithTheSystemsDescription)
{
    ScriptedProcess process;
    process.startError = 2;
    const platform::ScopedService<platform::Process> use(process);
    try {
        ExecuteShellCommand(QStringLiteral("kezcc -c"));
        FAIL() << "no failure raised";
    } catch (const KezError& failure) {
        EXPECT_EQ(failure.description(), QStringLiteral("no such program"));
        EXPECT_EQ(failure.number(), KezErrorNumber::FileNotFound);
        EXPECT_TRUE(failure.source().contains(QStringLiteral("miKezConverterRunner.ExecuteShellCommand")));
    }
}

TEST(GetExternalCBFormatTest, RegistersOnceAndKeepsTheIdentifier)
{
    TestEnvironment environment;
    ForgetExternalCBFormat();
    SubstituteClipboard clipboard;
    const platform::ScopedService<platform::Clipboard> use(clipboard);
    const ClipFormat format = GetExternalCBFormat();
    EXPECT_GE(format, platform::kFirstRegisteredFormat);
    EXPECT_EQ(GetExternalCBFormat(), format);
    EXPECT_EQ(clipboard.registrations, 1);
    EXPECT_EQ(platform::defaultService<platform::Clipboard>().registerFormat("kezcc_externaldata"), format);
    ForgetExternalCBFormat();
}
