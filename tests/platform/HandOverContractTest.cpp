// The converter hand-over end to end through the real platform services: the block goes onto the
// clipboard in a global-memory object, a stand-in converter is started by command line at idle
// priority, and its reply is read back from the clipboard, as the program does with kezcc.
#include "platform/Clipboard.h"
#include "platform/GlobalMemory.h"
#include "platform/Process.h"
#include "platform/Services.h"
#include "platform/support/ExternalRecord.h"
#include "platform/support/PlatformTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

namespace fs = std::filesystem;
using namespace testsupport;
using namespace testsupport::record;
using platform::Clipboard;
using platform::GlobalMemory;
using platform::HGlobal;
using platform::Process;
using platform::service;

namespace {

constexpr char kConverterCommand[] = "fake_kezcc_handover -c";
constexpr std::uint32_t kRepliedExit = 7;
constexpr std::uint32_t kSilentExit = 4;

class HandOverContractTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A private clipboard store for the POSIX stand-in, inherited by the converter.
        runtime = freshTempFolder(std::string("handover-") +
                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::permissions(runtime, fs::perms::owner_all);
        runtimeEnv.emplace("XDG_RUNTIME_DIR", runtime.string());
        format = service<Clipboard>().registerFormat(kClipboardFormat);
        ASSERT_NE(format, 0u);
    }
    void TearDown() override
    {
        runtimeEnv.reset();
        std::error_code ignored;
        fs::remove_all(runtime, ignored);
    }

    // As the program: a movable, zeroed object of exactly the block's size, placed on an emptied
    // clipboard; the clipboard owns it from then on.
    void handOver(const Bytes& block)
    {
        GlobalMemory& memory = service<GlobalMemory>();
        const HGlobal data = memory.alloc(platform::GlobalFlags::Moveable | platform::GlobalFlags::ZeroInit, kSize);
        ASSERT_NE(data, 0u);
        void* bytes = memory.lock(data);
        ASSERT_NE(bytes, nullptr);
        std::memcpy(bytes, block.data(), kSize);
        memory.unlock(data);

        Clipboard& clipboard = service<Clipboard>();
        ASSERT_TRUE(clipboard.open(0));
        const bool placed = clipboard.empty() && clipboard.setData(format, data);
        clipboard.close();
        if (!placed)
            memory.free(data);
        ASSERT_TRUE(placed);
    }

    // Starts the converter, lowers it to idle priority and waits for it; its exit code, if the
    // process could still be opened (a converter that has already ended cannot be).
    std::optional<std::uint32_t> runConverter()
    {
        Process& process = service<Process>();
        const platform::StartResult started = process.start(kConverterCommand);
        EXPECT_TRUE(started.started()) << started.description;
        if (!started.started())
            return std::nullopt;
        using namespace platform::ProcessAccess;
        platform::ProcessHandle handle = process.open(Synchronize | QueryInformation | SetInformation, started.processId);
        if (handle)
            process.setPriorityClass(handle, platform::PriorityClass::Idle);
        else
            handle = process.open(Synchronize | QueryInformation, started.processId);
        if (!handle)
            return std::nullopt;
        EXPECT_EQ(process.wait(handle, platform::kInfinite), platform::kWaitObject0);
        std::uint32_t code = platform::kStillActive;
        EXPECT_TRUE(process.exitCode(handle, code));
        process.close(handle);
        return code;
    }

    // As the program: the handle is taken with the clipboard open and read after closing it.
    Bytes readBack()
    {
        Clipboard& clipboard = service<Clipboard>();
        GlobalMemory& memory = service<GlobalMemory>();
        Bytes block{};
        EXPECT_TRUE(clipboard.open(0));
        const HGlobal data = clipboard.getData(format);
        clipboard.close();
        EXPECT_NE(data, 0u) << "no block of the format on the clipboard";
        if (!data)
            return block;
        EXPECT_GE(memory.size(data), kSize);
        if (const void* bytes = memory.lock(data)) {
            std::memcpy(block.data(), bytes, kSize);
            memory.unlock(data);
        } else {
            ADD_FAILURE() << "the reply cannot be locked";
        }
        return block;
    }

    fs::path runtime;
    std::optional<ScopedEnv> runtimeEnv;
    platform::ClipFormat format = 0;
};

} // namespace

TEST_F(HandOverContractTest, ConvertersReplyComesBackThroughTheClipboard)
{
    const std::u16string output = u"C:\\Выход\\файл.rtf";
    handOver(programBlock(u"reply -7 Шрифт «Kez» не найден", output));

    const auto exitCode = runConverter();
    if (exitCode) {
        EXPECT_EQ(*exitCode, kRepliedExit);
    }

    const Bytes reply = readBack();
    EXPECT_EQ(readInt32(reply, offset::ResultCode), -7);
    EXPECT_TRUE(readCounted(reply, offset::ResultMessage, kMessageCapacity) == u"Шрифт «Kez» не найден|" + output)
        << "the reply's message is not the converter's";
}

TEST_F(HandOverContractTest, SuccessCodeComesBack)
{
    handOver(programBlock(u"reply 12 ", u"out.rtf"));
    runConverter();
    EXPECT_EQ(readInt32(readBack(), offset::ResultCode), 12);
}

TEST_F(HandOverContractTest, ConverterThatLeavesTheClipboardAloneLeavesTheProgramsBlock)
{
    const Bytes block = programBlock(u"silent", u"out.rtf");
    handOver(block);

    const auto exitCode = runConverter();
    if (exitCode) {
        EXPECT_EQ(*exitCode, kSilentExit);
    }

    const Bytes reply = readBack();
    EXPECT_EQ(readInt32(reply, offset::ResultCode), kNotConfirmed);
    EXPECT_TRUE(reply == block) << "the block read back differs from the one handed over";
}
