#include "platform/support/PlatformTestSupport.h"

using namespace platform;
using namespace testsupport;

namespace {

// Every test gets a store of its own: the runtime, cache and home folders point into a fresh
// temporary folder (the POSIX store lives there; on Windows the system clipboard is used).
class ClipboardContract : public ::testing::Test {
protected:
    ClipboardContract()
    {
        fs::permissions(root.path, fs::perms::owner_all);
        fs::create_directories(root.path / "home");
    }
    void TearDown() override { clipboard.close(); }

    bool put(ClipFormat format, const std::string& bytes) { return placeOnClipboard(format, bytes.data(), bytes.size()); }
    std::string take(ClipFormat format) { return fetchFromClipboard(format).value_or("<nothing>"); }

    Clipboard& clipboard = service<Clipboard>();
    GlobalMemory& memory = service<GlobalMemory>();
    TempFolder root;
    std::optional<ScopedEnv> runtime{std::in_place, "XDG_RUNTIME_DIR", root.path.string()};
    std::optional<ScopedEnv> cache{std::in_place, "XDG_CACHE_HOME", (root.path / "cache").string()};
    ScopedEnv home{"HOME", (root.path / "home").string()};
};

} // namespace

TEST_F(ClipboardContract, NamesAreRegisteredOnceWithoutCaseFromC000)
{
    const ClipFormat mixed = clipboard.registerFormat("KezCC_ContractCase");
    EXPECT_GE(mixed, kFirstRegisteredFormat);
    EXPECT_LE(mixed, 0xFFFFu);
    EXPECT_EQ(clipboard.registerFormat("KezCC_ContractCase"), mixed);
    EXPECT_EQ(clipboard.registerFormat("kezcc_contractcase"), mixed);
    EXPECT_EQ(clipboard.registerFormat("KEZCC_CONTRACTCASE"), mixed);
    const ClipFormat other = clipboard.registerFormat("KezContract_B");
    EXPECT_GE(other, kFirstRegisteredFormat);
    EXPECT_NE(other, mixed);
    EXPECT_EQ(clipboard.registerFormat(""), 0u);

    const fs::path out = root.path / "id.txt";
    ASSERT_EQ(run("clipboard_tool register kezcc_CONTRACTcase " + quoted(out)), std::optional<std::uint32_t>(0));
    EXPECT_EQ(readText(out), std::to_string(mixed)) << "another process gets the same identifier";
}

TEST_F(ClipboardContract, PlacedObjectReadsBackWithItsBytes)
{
    const ClipFormat format = clipboard.registerFormat("KezContract_Data");
    std::string record(7656, '\0');
    for (std::size_t i = 0; i < record.size(); ++i)
        record[i] = char(i * 7 + 3);
    ASSERT_TRUE(put(format, record));
    EXPECT_EQ(take(format), record);

    // A short object stays short, so that a reader can tell it from a whole record.
    ASSERT_TRUE(put(format, std::string(100, 'k')));
    const std::string shortObject = take(format);
    EXPECT_GE(shortObject.size(), 100u);
    EXPECT_LT(shortObject.size(), 7656u);
    EXPECT_EQ(shortObject.substr(0, 100), std::string(100, 'k'));
}

TEST_F(ClipboardContract, EmptyingRemovesEveryFormatAndSettingAgainReplaces)
{
    const ClipFormat first = clipboard.registerFormat("KezContract_First");
    const ClipFormat second = clipboard.registerFormat("KezContract_Second");
    const auto object = [&](const char* text) {
        const HGlobal handle = memory.alloc(GlobalFlags::Moveable | GlobalFlags::ZeroInit, 3);
        std::memcpy(memory.lock(handle), text, 3);
        memory.unlock(handle);
        return handle;
    };
    ASSERT_TRUE(clipboard.open(0));
    ASSERT_TRUE(clipboard.empty());
    ASSERT_TRUE(clipboard.setData(first, object("one")));
    ASSERT_TRUE(clipboard.setData(second, object("two")));
    ASSERT_TRUE(clipboard.setData(second, object("new")));
    ASSERT_TRUE(clipboard.close());
    EXPECT_EQ(take(first), "one");
    EXPECT_EQ(take(second), "new");

    ASSERT_TRUE(clipboard.open(0));
    EXPECT_TRUE(clipboard.empty());
    EXPECT_EQ(clipboard.getData(first), 0u);
    EXPECT_EQ(clipboard.getData(second), 0u);
    EXPECT_TRUE(clipboard.close());
    EXPECT_FALSE(clipboard.close()) << "closing what is not open fails";
}

TEST_F(ClipboardContract, NothingCanBePlacedOrReadWithoutOpening)
{
    const ClipFormat format = clipboard.registerFormat("KezContract_Closed");
    ASSERT_TRUE(put(format, "data"));
    const HGlobal handle = memory.alloc(GlobalFlags::Moveable | GlobalFlags::ZeroInit, 4);
    EXPECT_FALSE(clipboard.setData(format, handle));
    memory.free(handle);
    EXPECT_EQ(clipboard.getData(format), 0u);
    EXPECT_EQ(take(format), "data");
}

TEST_F(ClipboardContract, ObjectsPassBetweenProcesses)
{
    const ClipFormat format = clipboard.registerFormat("KezContract_Shared");
    ASSERT_EQ(run("clipboard_tool put KezContract_Shared \"placed by child\""), std::optional<std::uint32_t>(0));
    EXPECT_EQ(take(format), "placed by child");

    ASSERT_TRUE(put(format, "placed by parent"));
    const fs::path out = root.path / "got.txt";
    ASSERT_EQ(run("clipboard_tool get KezContract_Shared " + quoted(out)), std::optional<std::uint32_t>(0));
    EXPECT_EQ(readText(out), "placed by parent");
}

#ifndef _WIN32
namespace {

fs::path storeFolder(const fs::path& base) { return base / "KezConverter" / "clipboard"; }

} // namespace

TEST_F(ClipboardContract, OpenFailsAtOnceWhileAnotherProcessHoldsTheClipboard)
{
    // A holder that dies without closing must not block the clipboard either.
    for (const std::string ending : {"", " crash"}) {
        SCOPED_TRACE("holder" + ending);
        const fs::path fifo = makeFifo(root.path / ("release" + std::to_string(ending.size())));
        Child holder("clipboard_tool hold " + quoted(fifo) + ending);
        // The holder opens the fifo only after it has the clipboard.
        const int fd = openFifoForWriting(fifo, holder);
        ASSERT_GE(fd, 0) << holder.started.description;
        EXPECT_FALSE(clipboard.open(0));
        ::close(fd);
        EXPECT_EQ(holder.finish(), std::optional<std::uint32_t>(0));
        EXPECT_TRUE(clipboard.open(0));
        clipboard.close();
    }
}

TEST_F(ClipboardContract, StoreIsAPrivateFolderUnderRuntimeElseCacheElseHome)
{
    const fs::path store = storeFolder(root.path);
    fs::create_directories(store);
    ::chmod(store.c_str(), 0777);
    ASSERT_TRUE(put(clipboard.registerFormat("KezContract_Where"), ""));
    struct stat st {};
    ASSERT_EQ(::stat(store.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u) << "made private again";
    for (const auto& entry : fs::directory_iterator(store))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << "left behind: " << entry.path();
    EXPECT_EQ(take(clipboard.registerFormat("KezContract_Where")), "") << "an empty object is kept as empty";

    runtime.emplace("XDG_RUNTIME_DIR", "");
    ASSERT_TRUE(put(clipboard.registerFormat("KezContract_Cache"), "cached"));
    EXPECT_TRUE(fs::is_directory(storeFolder(root.path / "cache")));
    EXPECT_EQ(take(clipboard.registerFormat("KezContract_Cache")), "cached");

    cache.emplace("XDG_CACHE_HOME", "");
    ASSERT_TRUE(put(clipboard.registerFormat("KezContract_Home"), "home"));
    EXPECT_TRUE(fs::is_directory(storeFolder(root.path / "home" / ".cache")));
}

TEST_F(ClipboardContract, DamagedNameTableKeepsItsLinesAndStillWorks)
{
    const fs::path store = storeFolder(root.path);
    fs::create_directories(store);
    std::ofstream(store / "formats", std::ios::binary) << "garbage line\nC005 KezContract_Known\nZZZZ bad\n";
    EXPECT_EQ(clipboard.registerFormat("kezcontract_known"), 0xC005u);
    EXPECT_EQ(clipboard.registerFormat("KezContract_New"), 0xC006u);
    const std::string table = readText(store / "formats");
    EXPECT_NE(table.find("garbage line\n"), std::string::npos);
    EXPECT_NE(table.find("ZZZZ bad\n"), std::string::npos);
}
TEST_F(ClipboardContract, PlantedLinksInTheStoreAreNeverFollowed)
{
    const fs::path store = storeFolder(root.path);
    fs::create_directories(store);
    const fs::path elsewhere = root.path / "elsewhere";
    fs::create_directories(elsewhere);
    std::ofstream(elsewhere / "table", std::ios::binary) << "C000 KezContract_Planted\n";

    fs::create_symlink(elsewhere / "table", store / "formats");
    EXPECT_EQ(clipboard.registerFormat("KezContract_Planted"), 0u) << "a linked name table is not read";
    EXPECT_EQ(readText(elsewhere / "table"), "C000 KezContract_Planted\n");
    fs::remove(store / "formats");
    const ClipFormat format = clipboard.registerFormat("KezContract_Planted");
    ASSERT_NE(format, 0u);

    fs::create_symlink(elsewhere / "lock", store / "lock");
    EXPECT_FALSE(clipboard.open(0)) << "a linked lock file is not opened";
    EXPECT_FALSE(fs::exists(elsewhere / "lock"));
    fs::remove(store / "lock");

    ASSERT_TRUE(clipboard.open(0));
    fs::create_symlink(elsewhere / "table", store / "format-C123");
    EXPECT_EQ(clipboard.getData(0xC123), 0u) << "a linked format file is not read";
    EXPECT_TRUE(clipboard.close());
}

TEST_F(ClipboardContract, AStoreFolderThatIsALinkOrAStrangersIsRefused)
{
    const fs::path elsewhere = root.path / "elsewhere";
    fs::create_directories(elsewhere);
    const fs::path linked = root.path / "linked";
    fs::create_directories(linked / "KezConverter");
    fs::create_directory_symlink(elsewhere, linked / "KezConverter" / "clipboard");
    runtime.emplace("XDG_RUNTIME_DIR", linked.string());
    EXPECT_EQ(clipboard.registerFormat("KezContract_Linked"), 0u);
    EXPECT_FALSE(clipboard.open(0));
    EXPECT_TRUE(fs::is_empty(elsewhere));

    if (::geteuid() == 0) { // only root can hand a folder to someone else
        const fs::path strangers = root.path / "strangers";
        fs::create_directories(strangers / "KezConverter" / "clipboard");
        ASSERT_EQ(::chown((strangers / "KezConverter" / "clipboard").c_str(), 4242, 4242), 0);
        runtime.emplace("XDG_RUNTIME_DIR", strangers.string());
        EXPECT_EQ(clipboard.registerFormat("KezContract_Strangers"), 0u);
        EXPECT_FALSE(clipboard.open(0));
        EXPECT_TRUE(fs::is_empty(strangers / "KezConverter" / "clipboard"));
    }
}

TEST_F(ClipboardContract, NamesFoldByTheSameRuleAsSettingsNamesAndAnyBytesCompareExactly)
{
    EXPECT_EQ(clipboard.registerFormat("ProbeԱ"), clipboard.registerFormat("probeա"));
    EXPECT_EQ(clipboard.registerFormat("Ǆemal Ωμέγα"), clipboard.registerFormat("ǆEMAL ΩΜΈΓΑ"));
    const ClipFormat ff = clipboard.registerFormat("Probe\xff");
    ASSERT_NE(ff, 0u);
    EXPECT_EQ(clipboard.registerFormat("PROBE\xff"), ff);
    EXPECT_NE(clipboard.registerFormat("Probe\xfe"), ff);
    EXPECT_NE(clipboard.registerFormat("Probe\xef\xbf\xbd"), ff) << "U+FFFD is not the byte it may stand for";
}
#endif
