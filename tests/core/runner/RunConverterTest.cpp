// The converter hand-over through the real POSIX stand-ins and the scripted fake converter, plus
// substitutes for the failures a real system rarely shows.
#include "core/errors/KezError.h"
#include "core/options/TLuKezOptions.h"
#include "platform/Clipboard.h"
#include "platform/GlobalMemory.h"
#include "platform/Process.h"
#include "platform/Services.h"
#include "core/runner/miKezConverterRunner.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <cstring>
#include <memory>
#include <string>
#include <thread>
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
const QString kLaunchPrefix = QStringLiteral("Ошибка запуска kezcc: ");
const QString kUntouched = QStringLiteral("(не тронуто)");

QByteArray readAll(const QString& aPath)
{
    QFile file(aPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The real clipboard, except that registering the format fails a given number of times.
class SubstituteClipboard : public platform::Clipboard {
public:
    ClipFormat registerFormat(const std::string& aName) override
    {
        ++registrations;
        return failRegistrations > 0 && failRegistrations-- ? 0 : real().registerFormat(aName);
    }
    bool open(platform::WindowHandle aOwner) override { return real().open(aOwner); }
    bool empty() override { return real().empty(); }
    bool setData(ClipFormat aFormat, HGlobal aData) override { return real().setData(aFormat, aData); }
    HGlobal getData(ClipFormat aFormat) override { return real().getData(aFormat); }
    bool close() override { return real().close(); }

    int failRegistrations = 0;
    int registrations = 0;

private:
    static platform::Clipboard& real() { return platform::defaultService<platform::Clipboard>(); }
};

// Global memory that has none to give.
class NoMemory : public platform::GlobalMemory {
public:
    HGlobal alloc(std::uint32_t, std::size_t) override { return 0; }
    void* lock(HGlobal) override { return nullptr; }
    bool unlock(HGlobal) override { return false; }
    HGlobal free(HGlobal aHandle) override { return aHandle; }
    std::size_t size(HGlobal) override { return 0; }
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

    bool run(const QString& aSourceName, const ConverterWaiter& aWaiter = {})
    {
        code = 12345;
        message = kUntouched;
        return RunConverter(options, folder + QLatin1Char('/') + aSourceName, output, 0, code, message, aWaiter);
    }

    // How many times the fake converter ran.
    int fakeRuns() const { return int(readAll(fakeLog).count('\n')); }

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

// Every row of the result table, through the real stand-ins and the fake converter.
TEST_F(RunConverterTest, TheReplyDecidesTheResult)
{
    const struct {
        const char* source;
        bool converted;
        qint32 code;
        QString message;
    } cases[] = {
        {"reply0.kez", true, 0, kUntouched},
        {"reply12.kez", true, 12, kUntouched},
        {"reply-7.kez", false, -7, QStringLiteral("x")},
        {"noreply.kez", false, -1, kNotConfirmed},   // block put back unchanged
        {"untouched.kez", false, -1, kNotConfirmed}, // clipboard left alone
        // The converter's exit code has no influence.
        {"reply0-exit3.kez", true, 0, kUntouched},
        {"reply-7-exit0.kez", false, -7, QStringLiteral("x")},
        {"untouched-exit0.kez", false, -1, kNotConfirmed},
        {"short.kez", false, -4, kReadFailed},
        {"wipe.kez", false, -4, kNoReply},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(QString::fromLatin1(c.source)), c.converted) << c.source;
        EXPECT_EQ(code, c.code) << c.source;
        EXPECT_EQ(message, c.message) << c.source;
    }
    EXPECT_EQ(fakeRuns(), int(std::size(cases)));
}

TEST_F(RunConverterTest, NegativeMessageCountIsAnUnexpectedFailurePassedOn)
{
    try {
        run(QStringLiteral("negcount.kez"));
        FAIL() << "no failure raised";
    } catch (const KezError& failure) {
        EXPECT_EQ(failure.number(), KezErrorNumber::InvalidArgument);
        const QString trail = failure.source();
        const qsizetype outer = trail.indexOf(QStringLiteral("miKezConverterRunner.RunConverter"));
        EXPECT_GE(outer, 0) << trail.toStdString();
        EXPECT_GT(trail.indexOf(QStringLiteral("miKezConverterRunner.LoadPascalStringToString")), outer)
            << "the outer procedure comes first: " << trail.toStdString();
    }
}

TEST_F(RunConverterTest, ConverterThatCannotBeFoundIsALaunchFailure)
{
    const QString empty = environment.root() + QStringLiteral("/nothing-here");
    QDir().mkpath(empty);
    const QByteArray savedPath = qgetenv("PATH");
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
    const platform::ScopedService<platform::Clipboard> useClipboard(clipboard);
    clipboard.failRegistrations = 2;

    EXPECT_FALSE(run(QStringLiteral("reply0.kez")));
    EXPECT_EQ(code, -10);
    EXPECT_EQ(message, kPlaceFailed);
    EXPECT_FALSE(run(QStringLiteral("reply0.kez")));
    EXPECT_EQ(clipboard.registrations, 2) << "nothing was cached";
    EXPECT_EQ(fakeRuns(), 0);

    EXPECT_TRUE(run(QStringLiteral("reply0.kez")));
    EXPECT_TRUE(run(QStringLiteral("reply0.kez")));
    EXPECT_EQ(clipboard.registrations, 3) << "a registered format is kept";
}

TEST_F(RunConverterTest, MemoryThatCannotBeHadIsReported)
{
    NoMemory memory;
    const platform::ScopedService<platform::GlobalMemory> useMemory(memory);
    EXPECT_FALSE(run(QStringLiteral("reply0.kez")));
    EXPECT_EQ(code, -2);
    EXPECT_EQ(message, kAllocFailed);
    EXPECT_EQ(fakeRuns(), 0);
}

TEST_F(RunConverterTest, RecordArrivesAtTheConverterByteForByteWhateverThePathsHold)
{
    options.GreekText().FillWith(QStringLiteral("Γραφή"), 11, true, true, 3, 9);
    const QString name = QStringLiteral("Псалом «1» $HOME; 'q' \"d\" *?\\ Ἀρχή\t|&echo.kez");
    output = folder + QStringLiteral("/вывод ё \"кав\".rtf");
    ASSERT_TRUE(run(name));
    ExternalRecord expected{};
    SaveAllToExternal(expected.data(), options, folder + QLatin1Char('/') + name, output);
    const QByteArray arrived = readAll(output);
    ASSERT_EQ(arrived.size(), ExternalData::kRecordSize);
    EXPECT_EQ(std::memcmp(arrived.constData(), expected.data(), expected.size()), 0);
}

TEST_F(RunConverterTest, PathsOf1022UnitsPassAndOf1023AreRefusedWithoutTouchingAnything)
{
    const QString prefix = folder + QLatin1Char('/');
    const QString name1022 = QString(1022 - prefix.size() - 8, QChar(0x0436)) + QStringLiteral("echo.kez");
    ASSERT_TRUE(run(name1022));
    const QByteArray arrived = readAll(output);
    ASSERT_EQ(arrived.size(), ExternalData::kRecordSize);
    const auto* record = reinterpret_cast<const uchar*>(arrived.constData());
    EXPECT_EQ(ExternalData::ReadInt32(record, ExternalData::Offset::SourcePath), 1022);
    EXPECT_EQ(LoadPascalStringToString(record + ExternalData::Offset::SourcePath, ExternalData::kPathCapacity),
              prefix + name1022);

    EXPECT_FALSE(run(QLatin1Char('a') + name1022));
    EXPECT_EQ(code, -11);
    EXPECT_EQ(message, QStringLiteral("Путь к исходному файлу длиннее 1022 символов; такой путь нельзя передать конвертеру."));

    output = prefix + QString(1023 - prefix.size() - 4, QChar(0x0444)) + QStringLiteral(".rtf");
    EXPECT_FALSE(run(QStringLiteral("reply0.kez")));
    EXPECT_EQ(code, kPathTooLong);
    EXPECT_EQ(message, QStringLiteral("Путь к выходному файлу длиннее 1022 символов; такой путь нельзя передать конвертеру."));
    EXPECT_EQ(fakeRuns(), 1) << "the converter was not started again";
}

namespace {

// Records what the runner asks of the process service.
class ScriptedProcess : public platform::Process {
public:
    platform::StartResult start(const std::string& aCommandLine) override
    {
        calls.push_back("start " + aCommandLine);
        platform::StartResult result;
        result.processId = 4242;
        return result;
    }
    platform::ProcessHandle open(std::uint32_t aAccess, std::uint32_t aProcessId) override
    {
        calls.push_back("open " + std::to_string(aAccess) + " " + std::to_string(aProcessId));
        if (aAccess == 0x100000)
            return refuseWaiting ? 0 : 78;
        return (aAccess == 0x100601 ? refuseFullAccess : refuseAnyAccess) ? 0 : 77;
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
    bool requestEnd(platform::ProcessHandle aHandle) override
    {
        calls.push_back("request end " + std::to_string(aHandle));
        return true;
    }
    bool terminate(platform::ProcessHandle aHandle, std::uint32_t aCode) override
    {
        calls.push_back("terminate " + std::to_string(aHandle) + " " + std::to_string(aCode));
        return true;
    }
    bool close(platform::ProcessHandle aHandle) override
    {
        calls.push_back("close " + std::to_string(aHandle));
        return true;
    }

    bool refuseFullAccess = false;
    bool refuseAnyAccess = false;
    bool refuseWaiting = false;
    std::vector<std::string> calls;
};

} // namespace

// Lowered to idle when the full access is granted, waited for without end, its exit code given.
// Refused every right but the one to wait, it is still waited for; a converter that cannot even be
// waited for is a failure, never a reply read while it may still run.
TEST(ExecuteShellCommandTest, StartsLowersToIdleWaitsForeverAndReturnsTheExitCode)
{
    const std::string tail[] = {"wait 77 4294967295", "exitcode 77", "close 77"};
    const std::string opens[] = {"open 1050113 4242", "open 1049601 4242", "open 1048576 4242"};
    const struct {
        bool refuseFull, refuseAny, refuseWaiting;
        int result;
        std::vector<std::string> calls;
    } cases[] = {
        {false, false, false, 9, {"start kezcc -c", opens[0], "priority 77 64", tail[0], tail[1], tail[2]}},
        {true, false, false, 9, {"start kezcc -c", opens[0], opens[1], tail[0], tail[1], tail[2]}},
        {true, true, false, 9,
         {"start kezcc -c", opens[0], opens[1], opens[2], "wait 78 4294967295", "exitcode 78", "close 78"}},
        {true, true, true, -1, {"start kezcc -c", opens[0], opens[1], opens[2]}},
    };
    for (const auto& c : cases) {
        ScriptedProcess process;
        process.refuseFullAccess = c.refuseFull;
        process.refuseAnyAccess = c.refuseAny;
        process.refuseWaiting = c.refuseWaiting;
        const platform::ScopedService<platform::Process> use(process);
        if (c.result < 0)
            EXPECT_ANY_THROW(ExecuteShellCommand(QStringLiteral("kezcc -c")));
        else
            EXPECT_EQ(ExecuteShellCommand(QStringLiteral("kezcc -c")), c.result);
        EXPECT_EQ(process.calls, c.calls);
    }
}

// A converter that never ends is waited for without a time-out until the caller ends it; its
// file then gets "not confirmed", whatever the converter would have answered.
TEST_F(RunConverterTest, AHungConverterEndedWhileWaitingGivesNotConfirmed)
{
    EXPECT_FALSE(IsConverterRunning());
    bool wasRunning = false;
    bool ended = false;
    const bool converted = run(QStringLiteral("sleep600000 reply0.kez"), [&](ConverterProcess& aConverter) {
        std::thread waiting([&aConverter] { aConverter.WaitFor(platform::kInfinite); });
        // Long after a quick converter would have replied.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        wasRunning = IsConverterRunning() && aConverter.IsRunning();
        ended = aConverter.End();
        waiting.join();
    });
    EXPECT_TRUE(wasRunning);
    EXPECT_TRUE(ended);
    EXPECT_FALSE(converted);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(message, kNotConfirmed);
    EXPECT_FALSE(IsConverterRunning());
    EXPECT_FALSE(QFile::exists(output));

    // The next file is converted as usual.
    EXPECT_TRUE(run(QStringLiteral("reply0.kez")));
    EXPECT_EQ(code, 0);
}
