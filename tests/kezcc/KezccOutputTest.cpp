// How the bundled converter writes its result: the temporary file, the target it replaces, and a
// converter asked to end or killed while it writes. The converter runs as a real process.
#include "core/options/TLuKezOptions.h"
#include "platform/SystemErrorText.h"
#include "protocol/ConverterCodes.h"
#include "core/runner/miKezConverterRunner.h"
#include "support/FileContents.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <chrono>
#include <csignal>
#include <cstring>
#include <optional>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace miKezConverterRunner;

namespace {

constexpr auto kPatience = std::chrono::seconds(20);

QStringList entriesOf(const QString& aFolder)
{
    return QDir(aFolder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden | QDir::System, QDir::Name);
}

// The converter's temporaries in a folder (plain listing: Qt hides what it cannot stat).
QStringList temporariesIn(const QString& aFolder)
{
    QStringList names;
    if (DIR* folder = ::opendir(QFile::encodeName(aFolder).constData())) {
        while (const dirent* entry = ::readdir(folder)) {
            if (std::strncmp(entry->d_name, ".kezcc-", 7) == 0)
                names << QFile::decodeName(entry->d_name);
        }
        ::closedir(folder);
    }
    return names;
}

mode_t modeOf(const QString& aPath)
{
    struct stat info = {};
    ::lstat(QFile::encodeName(aPath).constData(), &info);
    return info.st_mode;
}

// A kezcc started as the program starts it, request on the clipboard, but not waited for, so the
// test can stop, signal and continue it while it writes.
class KezccProcess {
public:
    KezccProcess() = default;
    KezccProcess(const KezccProcess&) = delete;
    KezccProcess& operator=(const KezccProcess&) = delete;
    ~KezccProcess()
    {
        if (mPid > 0) {
            ::kill(mPid, SIGKILL);
            ::waitpid(mPid, nullptr, 0);
        }
    }

    bool start(TLuKezOptions& aOptions, const QString& aSource, const QString& aOutput)
    {
        if (!CopyHGlobalToClipboard(MakeExternalHGlobalObject(aOptions, aSource, aOutput), 0))
            return false;
        const std::string program = KEZ_BIN_DIR "/kezcc";
        char* arguments[] = {const_cast<char*>(program.c_str()), const_cast<char*>("-c"), nullptr};
        // The end requests as a session gives them, whatever this test was started with.
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t requests;
        sigemptyset(&requests);
        for (const int request : {SIGTERM, SIGINT, SIGHUP})
            sigaddset(&requests, request);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigdefault(&attributes, &requests);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
        const bool started = ::posix_spawn(&mPid, program.c_str(), nullptr, &attributes, arguments, environ) == 0;
        posix_spawnattr_destroy(&attributes);
        return started;
    }

    // Waits for the converter's temporary to appear in aFolder and stops the converter there, in
    // the middle of writing. The temporary's name, or nothing when it never got that far.
    std::optional<QString> stopWhileWriting(const QString& aFolder)
    {
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (temporariesIn(aFolder).isEmpty()) {
            if (std::chrono::steady_clock::now() > deadline || ::waitpid(mPid, &mStatus, WNOHANG) != 0)
                return std::nullopt;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        ::kill(mPid, SIGSTOP);
        if (::waitpid(mPid, &mStatus, WUNTRACED) != mPid || !WIFSTOPPED(mStatus))
            return std::nullopt;
        const QStringList names = temporariesIn(aFolder);
        if (names.size() != 1)
            return std::nullopt;
        return names.first();
    }

    void signal(int aSignal) { ::kill(mPid, aSignal); }

    // The wait status once it has ended (within the test's patience), or nothing.
    std::optional<int> end()
    {
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (std::chrono::steady_clock::now() < deadline) {
            if (::waitpid(mPid, &mStatus, WNOHANG) == mPid) {
                mPid = 0;
                return mStatus;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return std::nullopt;
    }

private:
    pid_t mPid = 0;
    int mStatus = 0;
};

class KezccOutputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ForgetExternalCBFormat();
        options.FillWithDefaults();
        // Declared, so the temporary appears at once: detection would read the whole source first.
        options.SourceEncoding = 1;
        folder = environment.root() + QStringLiteral("/вывод");
        QDir().mkpath(folder);
        source = folder + QStringLiteral("/текст.kez");
        output = folder + QStringLiteral("/текст.rtf");
    }
    void TearDown() override { ForgetExternalCBFormat(); }

    bool convert()
    {
        code = 12345;
        message.clear();
        return RunConverter(options, source, output, 0, code, message);
    }

    // A source that takes the converter a while: tens of megabytes of its RTF.
    void writeLargeSource()
    {
        const QByteArray line = "Ἐν ἀρχῇ ἦν ὁ λόγος, %{comment} <f>&{argument} and plain Latin text\r\n";
        QByteArray bytes;
        bytes.reserve(8 << 20);
        while (bytes.size() < (8 << 20))
            bytes += line;
        ASSERT_TRUE(writeAll(source, bytes));
    }

    TestEnvironment environment;
    ConverterOnPath converterOnPath{KEZ_BIN_DIR};
    TLuKezOptions options;
    QString folder;
    QString source;
    QString output;
    qint32 code = 0;
    QString message;
};

} // namespace

TEST_F(KezccOutputTest, AConverterAskedToEndWhileWritingRemovesItsTemporary)
{
    writeLargeSource();
    for (const int request : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(request);
        KezccProcess converter;
        ASSERT_TRUE(converter.start(options, source, output));
        ASSERT_TRUE(converter.stopWhileWriting(folder)) << "the converter was not caught writing";
        converter.signal(request);
        converter.signal(SIGCONT);
        const std::optional<int> status = converter.end();
        ASSERT_TRUE(status) << "the converter did not end";
        EXPECT_TRUE(WIFSIGNALED(*status) && WTERMSIG(*status) == request) << *status;
        EXPECT_EQ(entriesOf(folder), QStringList{QStringLiteral("текст.kez")});
    }
}

TEST_F(KezccOutputTest, TheNextConversionRemovesOnlyTheTargetsOwnLeftOverTemporaries)
{
    writeLargeSource();
    // A converter killed outright leaves its temporary behind.
    QString leftOver;
    {
        KezccProcess converter;
        ASSERT_TRUE(converter.start(options, source, output));
        const std::optional<QString> name = converter.stopWhileWriting(folder);
        ASSERT_TRUE(name);
        leftOver = *name;
        converter.signal(SIGKILL);
        ASSERT_TRUE(converter.end());
        ASSERT_TRUE(QFile::exists(folder + '/' + leftOver));
    }
    // What must stay: another converter's temporary of this target, still locked while it writes;
    // a temporary of another target; a link and a folder under such a name; an older converter's.
    const QString sibling = leftOver.left(leftOver.size() - 6);
    const QString live = folder + '/' + sibling + QStringLiteral("Live00");
    ASSERT_TRUE(writeAll(live, "{\\rtf1 half"));
    const int liveFile = ::open(QFile::encodeName(live).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(liveFile, 0);
    ASSERT_EQ(::flock(liveFile, LOCK_EX), 0);
    QString otherTarget = leftOver;
    otherTarget[8] = otherTarget[8] == QLatin1Char('0') ? QLatin1Char('1') : QLatin1Char('0');
    ASSERT_TRUE(writeAll(folder + '/' + otherTarget, "{\\rtf1 other"));
    ASSERT_TRUE(QFile::link(live, folder + '/' + sibling + QStringLiteral("Link00")));
    ASSERT_TRUE(QDir().mkpath(folder + '/' + sibling + QStringLiteral("Dir000")));
    ASSERT_TRUE(writeAll(folder + QStringLiteral("/.kezcc-Old000"), "{\\rtf1 old"));
    QStringList kept = {sibling + QStringLiteral("Live00"), otherTarget, sibling + QStringLiteral("Link00"),
                        sibling + QStringLiteral("Dir000"), QStringLiteral(".kezcc-Old000")};
    // Nor one of another user, though it is not locked.
    if (::geteuid() == 0) {
        const QString foreign = folder + '/' + sibling + QStringLiteral("User00");
        ASSERT_TRUE(writeAll(foreign, "{\\rtf1 foreign"));
        ASSERT_EQ(::chown(QFile::encodeName(foreign).constData(), 65534, 65534), 0);
        kept << sibling + QStringLiteral("User00");
    }

    ASSERT_TRUE(writeAll(source, "short text"));
    EXPECT_TRUE(convert()) << code << " " << message.toStdString();
    ::close(liveFile);
    EXPECT_TRUE(readAll(output).startsWith("{\\rtf1"));
    kept << QStringLiteral("текст.kez") << QStringLiteral("текст.rtf");
    kept.sort();
    EXPECT_EQ(entriesOf(folder), kept);
}

TEST_F(KezccOutputTest, AReadOnlyTargetIsRefusedWithTheSystemsWordsAndLeftAsItWas)
{
    ASSERT_TRUE(writeAll(source, "text"));
    ASSERT_TRUE(writeAll(output, "old result"));
    const QByteArray name = QFile::encodeName(output);
    ASSERT_EQ(::chmod(name.constData(), 0444), 0);
    EXPECT_FALSE(convert());
    EXPECT_EQ(code, ConverterCodes::Kezcc::OutputUnwritable);
    EXPECT_TRUE(message.contains(output)) << message.toStdString();
    EXPECT_TRUE(message.contains(QString::fromStdString(platform::systemErrorText(EACCES)))) << message.toStdString();
    EXPECT_EQ(readAll(output), "old result");
    EXPECT_EQ(modeOf(output) & 07777, mode_t(0444));
    EXPECT_EQ(entriesOf(folder), (QStringList{QStringLiteral("текст.kez"), QStringLiteral("текст.rtf")}));
}

TEST_F(KezccOutputTest, ALinkedTargetStaysALinkAndTheFileItPointsToIsReplacedWithItsBits)
{
    const QString elsewhere = environment.root() + QStringLiteral("/в другом месте");
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    const QString linked = elsewhere + QStringLiteral("/настоящий.rtf");
    ASSERT_TRUE(writeAll(linked, "old result"));
    ASSERT_EQ(::chmod(QFile::encodeName(linked).constData(), 0640), 0);
    const QByteArray relative = QFile::encodeName(QStringLiteral("../в другом месте/настоящий.rtf"));
    ASSERT_EQ(::symlink(relative.constData(), QFile::encodeName(output).constData()), 0);
    ASSERT_TRUE(writeAll(source, "text"));

    EXPECT_TRUE(convert()) << code << " " << message.toStdString();
    EXPECT_TRUE(S_ISLNK(modeOf(output)));
    EXPECT_EQ(QFile::symLinkTarget(output), QFileInfo(linked).absoluteFilePath());
    EXPECT_TRUE(readAll(linked).startsWith("{\\rtf1"));
    EXPECT_EQ(modeOf(linked) & 07777, mode_t(0640));
    EXPECT_EQ(entriesOf(elsewhere), QStringList{QStringLiteral("настоящий.rtf")});
    EXPECT_EQ(entriesOf(folder), (QStringList{QStringLiteral("текст.kez"), QStringLiteral("текст.rtf")}));
}

TEST_F(KezccOutputTest, ASourceTruncatedWhileItIsReadFailsAndNoResultAppears)
{
    writeLargeSource();
    KezccProcess converter;
    ASSERT_TRUE(converter.start(options, source, output));
    ASSERT_TRUE(converter.stopWhileWriting(folder)) << "the converter was not caught writing";
    ASSERT_TRUE(QFile::resize(source, QFileInfo(source).size() / 4));
    converter.signal(SIGCONT);
    const std::optional<int> status = converter.end();
    ASSERT_TRUE(status) << "the converter did not end";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 1) << *status;

    ExternalRecord reply{};
    ASSERT_TRUE(LoadExternalFromHGlobal(PasteHGlobalFromClipboard(), reply));
    EXPECT_EQ(ExternalData::ReadInt32(reply.data(), ExternalData::Offset::ResultCode),
              ConverterCodes::Kezcc::SourceUnreadable);
    const QString words =
        LoadPascalStringToString(reply.data() + ExternalData::Offset::ResultMessage, ExternalData::kMessageCapacity);
    EXPECT_TRUE(words.contains(QStringLiteral("изменился"))) << words.toStdString();
    EXPECT_TRUE(words.contains(source)) << words.toStdString();
    EXPECT_EQ(entriesOf(folder), QStringList{QStringLiteral("текст.kez")});
}

TEST_F(KezccOutputTest, AResultThatCannotBeSyncedLeavesTheOldOneAndNoTemporary)
{
    ASSERT_TRUE(writeAll(source, "new text"));
    ASSERT_TRUE(writeAll(output, "old result"));
    qputenv("LD_PRELOAD", KEZ_FSYNC_FAILS);
    const bool converted = convert();
    qunsetenv("LD_PRELOAD");
    EXPECT_FALSE(converted);
    EXPECT_EQ(code, ConverterCodes::Kezcc::OutputUnwritable);
    EXPECT_TRUE(message.contains(QString::fromStdString(platform::systemErrorText(EIO)))) << message.toStdString();
    EXPECT_EQ(readAll(output), QByteArray("old result"));
    EXPECT_EQ(temporariesIn(folder), QStringList());
}
