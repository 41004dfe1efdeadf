// The converter hand-over end to end through the real platform services: the block goes onto the
// clipboard in a global-memory object, a stand-in converter is started by command line at idle
// priority, and its reply is read back from the clipboard, as the program does with kezcc.
#include "platform/HandOverLock.h"

#include <map>
#include "platform/support/ExternalRecord.h"
#include "platform/support/PlatformTestSupport.h"

using namespace testsupport;
using namespace testsupport::record;
using Block = testsupport::record::Bytes;

TEST(HandOverContract, ConvertersReplyComesBackThroughTheClipboard)
{
    // A private clipboard store for the POSIX stand-in, inherited by the converter.
    TempFolder runtime;
    fs::permissions(runtime.path, fs::perms::owner_all);
    ScopedEnv runtimeEnv("XDG_RUNTIME_DIR", runtime.path.string());
    const platform::ClipFormat format = platform::service<platform::Clipboard>().registerFormat(kClipboardFormat);
    ASSERT_NE(format, 0u);

    const std::u16string output = u"C:\\Выход\\файл.rtf";
    struct Case {
        std::u16string script;
        std::uint32_t exitCode; // where the stand-in stopped: 7 replied, 4 left the clipboard alone
        std::int32_t resultCode;
        std::u16string message;
    } const cases[] = {
        {u"reply -7 Шрифт «Kez» не найден", 7, -7, u"Шрифт «Kez» не найден|" + output},
        {u"reply 12 ", 7, 12, u"|" + output},
        {u"silent", 4, kNotConfirmed, u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.exitCode);
        const Block block = programBlock(c.script, output);
        ASSERT_TRUE(placeOnClipboard(format, block.data(), kSize));

        Child converter("fake_kezcc_handover -c");
        ASSERT_TRUE(converter.started.started()) << converter.started.description;
        // A converter that has already ended may no longer be opened.
        if (converter.handle)
            platform::service<platform::Process>().setPriorityClass(converter.handle, platform::PriorityClass::Idle);
        if (const auto exitCode = converter.finish()) {
            EXPECT_EQ(*exitCode, c.exitCode);
        }

        const std::optional<std::string> reply = fetchFromClipboard(format);
        ASSERT_TRUE(reply && reply->size() >= kSize) << "no whole block on the clipboard";
        Block replied{};
        std::memcpy(replied.data(), reply->data(), kSize);
        EXPECT_EQ(readInt32(replied, offset::ResultCode), c.resultCode);
        EXPECT_TRUE(readCounted(replied, offset::ResultMessage, kMessageCapacity) == c.message)
            << "the reply's message is not the converter's";
        if (c.resultCode == kNotConfirmed) {
            EXPECT_TRUE(replied == block) << "the block read back differs from the one handed over";
        }
    }
}

// Two instances converting at once through the one per-user clipboard: with the hand-over lock
// they take turns, so each reads the reply to its own request and every request is converted once.
TEST(HandOverContract, TwoInstancesTakeTurnsAndEachReadsItsOwnReplies)
{
    TempFolder runtime;
    fs::permissions(runtime.path, fs::perms::owner_all);
    ScopedEnv runtimeEnv("XDG_RUNTIME_DIR", runtime.path.string());
    const fs::path log = runtime.path / "converted.log";
    ScopedEnv logEnv("KEZ_HANDOVER_LOG", log.string());
    // Every start is slow under Wine; the interleaving shows with fewer files there.
    const int count = kWindows ? 10 : 100;

    Child first("handover_client " + std::to_string(count) + " first");
    Child second("handover_client " + std::to_string(count) + " second");
    ASSERT_TRUE(first.started.started() && second.started.started()) << first.started.description;
    EXPECT_EQ(first.finish(), std::optional<std::uint32_t>(0));
    EXPECT_EQ(second.finish(), std::optional<std::uint32_t>(0));

    std::map<std::string, int> converted;
    std::istringstream lines(readText(log));
    for (std::string line; std::getline(lines, line);)
        ++converted[line];
    EXPECT_EQ(converted.size(), std::size_t(2 * count));
    for (const std::string tag : {"first", "second"})
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(converted["reply 5 " + tag + "-" + std::to_string(i)], 1) << tag << i;
}

TEST(HandOverContract, TheLockIsHeldUntilReleasedAndCanBeTakenAgain)
{
    TempFolder runtime;
    fs::permissions(runtime.path, fs::perms::owner_all);
    ScopedEnv runtimeEnv("XDG_RUNTIME_DIR", runtime.path.string());
    platform::HandOverLock& lock = platform::service<platform::HandOverLock>();
    {
        platform::HandOverGuard turn(lock);
        ASSERT_TRUE(turn.held());
        EXPECT_TRUE(lock.acquire()) << "a holder asking again already has it";
    }
    platform::HandOverGuard again(lock);
    EXPECT_TRUE(again.held());
}

// A window waits for its turn by trying again and again, its events flowing in between: a try
// never waits, and says whether another instance has the turn or it cannot be had at all.
TEST(HandOverContract, ATryNeverWaitsAndTellsATurnHeldElsewhereFromOneThatIsFree)
{
    TempFolder runtime;
    fs::permissions(runtime.path, fs::perms::owner_all);
    ScopedEnv runtimeEnv("XDG_RUNTIME_DIR", runtime.path.string());
    const fs::path marker = runtime.path / "holding";
    platform::HandOverLock& lock = platform::service<platform::HandOverLock>();
    using Attempt = platform::HandOverLock::Attempt;

    Child holder("handover_client hold " + quoted(marker));
    ASSERT_TRUE(holder.started.started()) << holder.started.description;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fs::exists(marker) && holder.running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(fs::exists(marker)) << "the other instance never took its turn";

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(lock.tryAcquire(), Attempt::Busy);
    EXPECT_EQ(lock.tryAcquire(), Attempt::Busy);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << "a try waited";

    fs::remove(marker);
    Attempt attempt = Attempt::Busy;
    while (attempt == Attempt::Busy && std::chrono::steady_clock::now() < deadline + std::chrono::seconds(10)) {
        attempt = lock.tryAcquire();
        if (attempt == Attempt::Busy)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(attempt, Attempt::Held);
    EXPECT_EQ(lock.tryAcquire(), Attempt::Held) << "a holder trying again already has it";
    lock.release();
    EXPECT_EQ(holder.finish(), std::optional<std::uint32_t>(0));

#ifndef _WIN32
    // Without a store of its own there is no turn to wait for.
    std::ofstream(runtime.path / "file-not-folder") << "x";
    ScopedEnv noStore("XDG_RUNTIME_DIR", (runtime.path / "file-not-folder" / "below").string());
    EXPECT_EQ(lock.tryAcquire(), Attempt::Failed);
#endif
}
