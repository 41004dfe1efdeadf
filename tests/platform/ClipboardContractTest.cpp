#include "ContractChild.h"
#include "platform/Clipboard.h"
#include "platform/GlobalMemory.h"
#include "platform/Services.h"
#include "platform/support/PlatformTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using namespace platform;
using contract::quoted;
using testsupport::ScopedEnv;

namespace {

constexpr std::uint32_t kMovableZeroed = GlobalFlags::Moveable | GlobalFlags::ZeroInit;

// Every test gets a store of its own: the runtime, cache and home folders point into a fresh
// temporary folder (the POSIX store lives there; on Windows the system clipboard is used).
class ClipboardContract : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = testsupport::freshTempFolder(std::string("clipboard-") +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(root / "runtime");
        fs::create_directories(root / "home");
        fs::permissions(root / "runtime", fs::perms::owner_all);
        runtime = std::make_unique<ScopedEnv>("XDG_RUNTIME_DIR", (root / "runtime").string());
        cache = std::make_unique<ScopedEnv>("XDG_CACHE_HOME", (root / "cache").string());
        home = std::make_unique<ScopedEnv>("HOME", (root / "home").string());
    }
    void TearDown() override
    {
        clipboard.close();
        runtime.reset();
        cache.reset();
        home.reset();
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    HGlobal makeObject(const std::string& bytes)
    {
        const HGlobal handle = memory.alloc(kMovableZeroed, bytes.size());
        if (!bytes.empty()) {
            std::memcpy(memory.lock(handle), bytes.data(), bytes.size());
            memory.unlock(handle);
        }
        return handle;
    }

    std::string contentOf(HGlobal handle)
    {
        const std::size_t size = memory.size(handle);
        const void* bytes = size ? memory.lock(handle) : nullptr;
        if (!bytes)
            return {};
        std::string text(static_cast<const char*>(bytes), size);
        memory.unlock(handle);
        return text;
    }

    // Opens, empties, places and closes: what a program does to hand data over.
    bool put(ClipFormat format, const std::string& bytes)
    {
        if (!clipboard.open(0))
            return false;
        clipboard.empty();
        const HGlobal handle = makeObject(bytes);
        const bool placed = clipboard.setData(format, handle);
        if (!placed)
            memory.free(handle);
        clipboard.close();
        return placed;
    }

    std::string take(ClipFormat format, bool* present = nullptr)
    {
        if (!clipboard.open(0))
            return "<not opened>";
        const HGlobal handle = clipboard.getData(format);
        const std::string text = handle ? contentOf(handle) : std::string();
        clipboard.close();
        if (present)
            *present = handle != 0;
        return text;
    }

    Clipboard& clipboard = service<Clipboard>();
    GlobalMemory& memory = service<GlobalMemory>();
    fs::path root;
    std::unique_ptr<ScopedEnv> runtime, cache, home;
};

} // namespace

TEST_F(ClipboardContract, SameNameGivesTheSameRegisteredIdentifier)
{
    const ClipFormat first = clipboard.registerFormat("KezContract_Same");
    EXPECT_GE(first, kFirstRegisteredFormat);
    EXPECT_LE(first, 0xFFFFu);
    EXPECT_EQ(clipboard.registerFormat("KezContract_Same"), first);
}

TEST_F(ClipboardContract, NamesDifferingOnlyInCaseShareOneIdentifier)
{
    const ClipFormat mixed = clipboard.registerFormat("KezCC_ContractCase");
    EXPECT_NE(mixed, 0u);
    EXPECT_EQ(clipboard.registerFormat("kezcc_contractcase"), mixed);
    EXPECT_EQ(clipboard.registerFormat("KEZCC_CONTRACTCASE"), mixed);
}

TEST_F(ClipboardContract, DifferentNamesGetDifferentIdentifiers)
{
    const ClipFormat a = clipboard.registerFormat("KezContract_A");
    const ClipFormat b = clipboard.registerFormat("KezContract_B");
    EXPECT_GE(a, kFirstRegisteredFormat);
    EXPECT_GE(b, kFirstRegisteredFormat);
    EXPECT_NE(a, b);
}

TEST_F(ClipboardContract, EmptyNameIsRefused) { EXPECT_EQ(clipboard.registerFormat(""), 0u); }

TEST_F(ClipboardContract, AnotherProcessGetsTheSameIdentifierForTheName)
{
    const ClipFormat here = clipboard.registerFormat("KezContract_Shared");
    const fs::path out = root / "id.txt";
    ASSERT_EQ(contract::run("clipboard_tool register kezcontract_SHARED " + quoted(out)),
              std::optional<std::uint32_t>(0));
    EXPECT_EQ(contract::readText(out), std::to_string(here));
}

TEST_F(ClipboardContract, PlacedObjectReadsBackWithItsBytesAndSize)
{
    const ClipFormat format = clipboard.registerFormat("KezContract_Data");
    std::string bytes(7656, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7 + 3);
    ASSERT_TRUE(put(format, bytes));
    bool present = false;
    EXPECT_EQ(take(format, &present), bytes);
    EXPECT_TRUE(present);
}

TEST_F(ClipboardContract, ShortObjectComesBackShort)
{
    const ClipFormat format = clipboard.registerFormat("KezContract_Short");
    ASSERT_TRUE(put(format, std::string(100, 'k')));
    ASSERT_TRUE(clipboard.open(0));
    const HGlobal handle = clipboard.getData(format);
    ASSERT_NE(handle, 0u);
    EXPECT_GE(memory.size(handle), 100u);
    EXPECT_LT(memory.size(handle), 7656u);
    clipboard.close();
}

TEST_F(ClipboardContract, EmptyingRemovesEveryFormat)
{
    const ClipFormat first = clipboard.registerFormat("KezContract_First");
    const ClipFormat second = clipboard.registerFormat("KezContract_Second");
    ASSERT_TRUE(clipboard.open(0));
    ASSERT_TRUE(clipboard.empty());
    ASSERT_TRUE(clipboard.setData(first, makeObject("one")));
    ASSERT_TRUE(clipboard.setData(second, makeObject("two")));
    ASSERT_TRUE(clipboard.close());
    EXPECT_EQ(take(second), "two");

    ASSERT_TRUE(clipboard.open(0));
    EXPECT_TRUE(clipboard.empty());
    EXPECT_EQ(clipboard.getData(first), 0u);
    EXPECT_EQ(clipboard.getData(second), 0u);
    clipboard.close();
}

TEST_F(ClipboardContract, SettingAFormatAgainReplacesItsData)
{
    const ClipFormat format = clipboard.registerFormat("KezContract_Replace");
    ASSERT_TRUE(clipboard.open(0));
    clipboard.empty();
    ASSERT_TRUE(clipboard.setData(format, makeObject("old")));
    ASSERT_TRUE(clipboard.setData(format, makeObject("new")));
    clipboard.close();
    EXPECT_EQ(take(format), "new");
}

TEST_F(ClipboardContract, NothingCanBePlacedOrReadWithoutOpening)
{
    const ClipFormat format = clipboard.registerFormat("KezContract_Closed");
    ASSERT_TRUE(put(format, "data"));
    const HGlobal handle = makeObject("other");
    EXPECT_FALSE(clipboard.setData(format, handle));
    memory.free(handle);
    EXPECT_EQ(clipboard.getData(format), 0u);
    EXPECT_EQ(take(format), "data");
}

TEST_F(ClipboardContract, ObjectFetchedWhileOpenCanStillBeReadAfterClosing)
{
    const ClipFormat format = clipboard.registerFormat("KezContract_AfterClose");
    ASSERT_TRUE(put(format, "reply"));
    ASSERT_TRUE(clipboard.open(0));
    const HGlobal handle = clipboard.getData(format);
    ASSERT_NE(handle, 0u);
    clipboard.close();
    EXPECT_EQ(contentOf(handle), "reply");
}

TEST_F(ClipboardContract, ObjectPlacedByAnotherProcessIsReadHere)
{
    const ClipFormat format = clipboard.registerFormat("KezContract_FromChild");
    ASSERT_EQ(contract::run("clipboard_tool put KezContract_FromChild \"placed by child\""),
              std::optional<std::uint32_t>(0));
    EXPECT_EQ(take(format), "placed by child");
}

TEST_F(ClipboardContract, ObjectPlacedHereIsReadByAnotherProcess)
{
    const ClipFormat format = clipboard.registerFormat("KezContract_ToChild");
    ASSERT_TRUE(put(format, "placed by parent"));
    const fs::path out = root / "got.txt";
    ASSERT_EQ(contract::run("clipboard_tool get KezContract_ToChild " + quoted(out)),
              std::optional<std::uint32_t>(0));
    EXPECT_EQ(contract::readText(out), "placed by parent");
}

TEST_F(ClipboardContract, ClosingWhatIsNotOpenFails) { EXPECT_FALSE(clipboard.close()); }

#ifndef _WIN32
namespace {

fs::path storeFolder(const fs::path& base) { return base / "KezConverter" / "clipboard"; }

} // namespace

TEST_F(ClipboardContract, OpenFailsAtOnceWhileAnotherProcessHoldsTheClipboard)
{
    const fs::path fifo = root / "release";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    contract::Child holder("clipboard_tool hold " + quoted(fifo));
    ASSERT_NE(holder.handle, 0u) << holder.started.description;
    // The holder opens the fifo only after it has the clipboard.
    const int fd = contract::openFifoForWriting(fifo, holder);
    ASSERT_GE(fd, 0);

    EXPECT_FALSE(clipboard.open(0));

    ::close(fd);
    EXPECT_EQ(holder.finish(), std::optional<std::uint32_t>(0));
    EXPECT_TRUE(clipboard.open(0));
    clipboard.close();
}

TEST_F(ClipboardContract, HolderThatDiesWithoutClosingDoesNotBlockTheClipboard)
{
    const fs::path fifo = root / "release";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    contract::Child holder("clipboard_tool hold " + quoted(fifo) + " crash");
    const int fd = contract::openFifoForWriting(fifo, holder);
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(clipboard.open(0));
    ::close(fd);
    EXPECT_EQ(holder.finish(), std::optional<std::uint32_t>(0));
    EXPECT_TRUE(clipboard.open(0));
    clipboard.close();
}

TEST_F(ClipboardContract, StoreIsAPrivateFolderUnderTheRuntimeFolder)
{
    ASSERT_TRUE(put(clipboard.registerFormat("KezContract_Where"), "x"));
    const fs::path store = storeFolder(root / "runtime");
    ASSERT_TRUE(fs::is_directory(store));
    struct stat st {};
    ASSERT_EQ(::stat(store.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // Only whole files: no temporary file is left behind.
    for (const auto& entry : fs::directory_iterator(store))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

TEST_F(ClipboardContract, WithoutARuntimeFolderTheStoreMovesToTheCacheFolder)
{
    runtime.reset();
    const ScopedEnv noRuntime("XDG_RUNTIME_DIR", "");
    const ClipFormat format = clipboard.registerFormat("KezContract_Cache");
    ASSERT_TRUE(put(format, "cached"));
    EXPECT_TRUE(fs::is_directory(storeFolder(root / "cache")));
    EXPECT_EQ(take(format), "cached");
}

TEST_F(ClipboardContract, WithoutRuntimeAndCacheFoldersTheStoreIsUnderHome)
{
    runtime.reset();
    cache.reset();
    const ScopedEnv noRuntime("XDG_RUNTIME_DIR", "");
    const ScopedEnv noCache("XDG_CACHE_HOME", "");
    ASSERT_TRUE(put(clipboard.registerFormat("KezContract_Home"), "home"));
    EXPECT_TRUE(fs::is_directory(storeFolder(root / "home" / ".cache")));
}

TEST_F(ClipboardContract, OpenStoreFolderIsMadePrivateAgain)
{
    const fs::path store = storeFolder(root / "runtime");
    fs::create_directories(store);
    ::chmod(store.c_str(), 0777);
    ASSERT_TRUE(clipboard.open(0));
    clipboard.close();
    struct stat st {};
    ASSERT_EQ(::stat(store.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(ClipboardContract, CyrillicAndGreekNamesCompareWithoutCase)
{
    const ClipFormat cyrillic = clipboard.registerFormat("Формат_Ёлка");
    EXPECT_NE(cyrillic, 0u);
    EXPECT_EQ(clipboard.registerFormat("формат_ёлка"), cyrillic);
    const ClipFormat greek = clipboard.registerFormat("ΜΟΡΦΗ");
    EXPECT_EQ(clipboard.registerFormat("μορφη"), greek);
    EXPECT_NE(cyrillic, greek);
}

TEST_F(ClipboardContract, IdentifiersAreHandedOutInOrderFromC000InAFreshStore)
{
    EXPECT_EQ(clipboard.registerFormat("KezContract_One"), 0xC000u);
    EXPECT_EQ(clipboard.registerFormat("KezContract_Two"), 0xC001u);
    EXPECT_EQ(clipboard.registerFormat("kezcontract_one"), 0xC000u);
}

TEST_F(ClipboardContract, DamagedNameTableKeepsItsLinesAndStillWorks)
{
    const fs::path store = storeFolder(root / "runtime");
    fs::create_directories(store);
    {
        std::ofstream table(store / "formats", std::ios::binary);
        table << "garbage line\nC005 KezContract_Known\nZZZZ bad\n";
    }
    EXPECT_EQ(clipboard.registerFormat("kezcontract_known"), 0xC005u);
    EXPECT_EQ(clipboard.registerFormat("KezContract_New"), 0xC006u);
    const std::string table = contract::readText(store / "formats");
    EXPECT_NE(table.find("garbage line\n"), std::string::npos);
    EXPECT_NE(table.find("ZZZZ bad\n"), std::string::npos);
}

TEST_F(ClipboardContract, NamesWithLineBreaksAndBackslashesStayDistinct)
{
    const ClipFormat a = clipboard.registerFormat("Kez\nContract");
    const ClipFormat b = clipboard.registerFormat("Kez\\nContract");
    EXPECT_NE(a, 0u);
    EXPECT_NE(b, 0u);
    EXPECT_NE(a, b);
    EXPECT_EQ(clipboard.registerFormat("kez\ncontract"), a);
    EXPECT_EQ(clipboard.registerFormat("kez\\ncontract"), b);
}

TEST_F(ClipboardContract, UnchangedDataIsHandedOutAsTheSameObject)
{
    const ClipFormat format = clipboard.registerFormat("KezContract_SameObject");
    ASSERT_TRUE(put(format, "same"));
    ASSERT_TRUE(clipboard.open(0));
    const HGlobal first = clipboard.getData(format);
    EXPECT_EQ(clipboard.getData(format), first);
    clipboard.close();
}

TEST_F(ClipboardContract, EmptyObjectIsKeptAsEmpty)
{
    const ClipFormat format = clipboard.registerFormat("KezContract_Nothing");
    ASSERT_TRUE(put(format, ""));
    bool present = false;
    EXPECT_EQ(take(format, &present), "");
    EXPECT_TRUE(present);
}
#endif
