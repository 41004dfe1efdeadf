// The POSIX registry's settings file: where it lives, its text, damaged files, other programs
// writing at the same time and writers killed in the middle of a write.
#ifndef _WIN32

#include "platform/Registry.h"
#include "platform/posix/RegFileFormat.h"
#include "platform/support/PlatformTestSupport.h"

#include <algorithm>

using namespace platform;
using namespace testsupport;

namespace {

void writeFile(const fs::path& file, const std::string& text)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}

const std::string kHeader = "Windows Registry Editor Version 5.00\n\n";

class RegistryFile : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (RegKey key : opened)
            registry().closeKey(key);
    }

    static Registry& registry() { return service<Registry>(); }

    RegKey create(const std::u16string& path)
    {
        RegKey key = 0;
        EXPECT_EQ(registry().createKey(kHKeyCurrentUser, path, RegAccess::AllAccess, &key), RegError::Success);
        opened.push_back(key);
        return key;
    }
    std::optional<RegKey> open(const std::u16string& path)
    {
        RegKey key = 0;
        if (registry().openKey(kHKeyCurrentUser, path, RegAccess::AllAccess, &key) != RegError::Success)
            return std::nullopt;
        opened.push_back(key);
        return key;
    }
    void set(RegKey key, const std::u16string& name, std::uint32_t type, const Bytes& data)
    {
        ASSERT_EQ(registry().setValue(key, name, type, data.data(), std::uint32_t(data.size())), RegError::Success);
    }
    std::optional<Bytes> get(RegKey key, const std::u16string& name)
    {
        std::uint32_t size = 0;
        if (registry().queryValue(key, name, nullptr, nullptr, &size) != RegError::Success)
            return std::nullopt;
        Bytes data(size);
        EXPECT_EQ(registry().queryValue(key, name, nullptr, data.data(), &size), RegError::Success);
        return data;
    }
    std::vector<std::string> filesStartingWith(const std::string& prefix) const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            if (const std::string name = entry.path().filename().string(); name.rfind(prefix, 0) == 0)
                names.push_back(name);
        return names;
    }

    TempFolder root;
    ScopedEnv configHome{"XDG_CONFIG_HOME", (root.path / "config").string()};
    fs::path folder = root.path / "config" / "KezConverter";
    fs::path file = folder / "HKEY_CURRENT_USER.reg";
    std::vector<RegKey> opened;
};

} // namespace

TEST_F(RegistryFile, TheFileIsInXdgConfigHomeOrElseBelowHomeDotConfig)
{
    EXPECT_FALSE(open(u"Software"));
    EXPECT_FALSE(fs::exists(root.path / "config")) << "reading must not create anything";
    set(create(u"Software\\Kez"), u"Value", RegType::Dword, dwordBytes(1));
    EXPECT_TRUE(fs::is_regular_file(file));

    ScopedEnv home("HOME", (root.path / "home").string());
    for (const char* value : {"", "relative/config"}) {
        ScopedEnv xdg("XDG_CONFIG_HOME", value);
        set(create(u"Software\\Elsewhere"), u"Value", RegType::Dword, dwordBytes(1));
    }
    EXPECT_TRUE(fs::is_regular_file(root.path / "home" / ".config" / "KezConverter" / "HKEY_CURRENT_USER.reg"));
    EXPECT_FALSE(open(u"Software\\Elsewhere")) << "written to the other file";
}

TEST_F(RegistryFile, TheFileUsesTheRegistryExportSyntaxInUtf8AndKeepsTheCaseNamesWereCreatedWith)
{
    const RegKey key = create(u"Software\\Kez\\Sub");
    set(key, u"", RegType::Sz, textBytes(u"default"));
    set(key, u"Folder", RegType::Sz, textBytes(u"C:\\dir \"x\""));
    set(key, u"Count", RegType::Dword, dwordBytes(42));
    set(key, u"Path", RegType::ExpandSz, textBytes(u"%A%"));
    set(key, u"List", RegType::MultiSz, Bytes{'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0});
    set(key, u"Blob", RegType::Binary, Bytes{0x01, 0xFF});
    set(key, u"Empty", RegType::Binary, Bytes{});
    set(key, u"Big", RegType::Qword, Bytes{1, 0, 0, 0, 0, 0, 0, 0});
    set(create(u"Software\\Настройки"), u"Папка", RegType::Sz, textBytes(u"Документы \u0473"));
    set(create(u"SOFTWARE\\KEZ\\SUB"), u"COUNT", RegType::Dword, dwordBytes(43));

    EXPECT_EQ(readText(file), kHeader + "[HKEY_CURRENT_USER\\Software]\n"
                                        "\n"
                                        "[HKEY_CURRENT_USER\\Software\\Kez]\n"
                                        "\n"
                                        "[HKEY_CURRENT_USER\\Software\\Kez\\Sub]\n"
                                        "@=\"default\"\n"
                                        "\"Folder\"=\"C:\\\\dir \\\"x\\\"\"\n"
                                        "\"Count\"=dword:0000002b\n"
                                        "\"Path\"=hex(2):25,00,41,00,25,00,00,00\n"
                                        "\"List\"=hex(7):61,00,00,00,62,00,00,00,00,00\n"
                                        "\"Blob\"=hex:01,ff\n"
                                        "\"Empty\"=hex:\n"
                                        "\"Big\"=hex(b):01,00,00,00,00,00,00,00\n"
                                        "\n"
                                        "[HKEY_CURRENT_USER\\Software\\Настройки]\n"
                                        "\"Папка\"=\"Документы \u0473\"\n"
                                        "\n");
}

TEST_F(RegistryFile, AHandWrittenFileIsRead)
{
    writeFile(file, "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
                    "\r\n"
                    "; written by hand\r\n"
                    "[HKEY_CURRENT_USER\\Software\\Kez]\r\n"
                    "\"Number\"=dword:0000ABCD\r\n"
                    "\"Blob\"=hex:01,02,\\\r\n"
                    "  03,04\r\n"
                    "@=\"dflt\"\r\n"
                    "\"Quote\"=\"a \\\"b\\\" \\\\c\"\r\n");
    const std::optional<RegKey> key = open(u"software\\KEZ");
    ASSERT_TRUE(key);
    EXPECT_EQ(get(*key, u"number"), dwordBytes(0xABCD));
    EXPECT_EQ(get(*key, u"Blob"), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(get(*key, u""), textBytes(u"dflt"));
    EXPECT_EQ(get(*key, u"Quote"), textBytes(u"a \"b\" \\c"));
}

TEST_F(RegistryFile, ADamagedFileKeepsWhatParsesAndItsOriginalIsKeptBesideIt)
{
    const std::string damaged = kHeader + "[HKEY_CURRENT_USER\\Software\\Kez]\n"
                                          "\"Good\"=dword:00000001\n"
                                          "\"Broken\"=dword:0000000G\n"
                                          "this line means nothing\n"
                                          "\"Text\"=\"unterminated\n"
                                          "[HKEY_LOCAL_MACHINE\\Software\\Other]\n"
                                          "\"Elsewhere\"=dword:00000005\n"
                                          "[HKEY_CURRENT_USER\\Software\\Kez\\Sub]\n"
                                          "\"After\"=\"still here\"\n";
    writeFile(file, damaged);
    EXPECT_EQ(regfile::parse(damaged).defectLines, (std::vector<std::size_t>{5, 6, 7, 8}));

    const std::optional<RegKey> key = open(u"Software\\Kez");
    const std::optional<RegKey> sub = open(u"Software\\Kez\\Sub");
    ASSERT_TRUE(key && sub);
    EXPECT_EQ(get(*key, u"Good"), dwordBytes(1));
    EXPECT_FALSE(get(*key, u"Broken"));
    EXPECT_FALSE(get(*key, u"Text"));
    EXPECT_EQ(readText(file), damaged) << "reading changes nothing on disk";
    EXPECT_TRUE(filesStartingWith("HKEY_CURRENT_USER.reg.corrupt-").empty());

    set(*key, u"New", RegType::Dword, dwordBytes(2));
    const std::vector<std::string> kept = filesStartingWith("HKEY_CURRENT_USER.reg.corrupt-");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(readText(folder / kept[0]), damaged);
    EXPECT_TRUE(regfile::parse(readText(file)).defectLines.empty());
    EXPECT_EQ(get(*key, u"Good"), dwordBytes(1));
    EXPECT_EQ(get(*sub, u"After"), textBytes(u"still here"));

    set(*key, u"Newer", RegType::Dword, dwordBytes(3));
    EXPECT_EQ(filesStartingWith("HKEY_CURRENT_USER.reg.corrupt-").size(), 1u) << "the repaired file is not kept again";
}

TEST_F(RegistryFile, WhatAnotherProgramWroteIsSeenAndKept)
{
    const RegKey key = create(u"Software\\Kez");
    set(key, u"Value", RegType::Dword, dwordBytes(1));
    EXPECT_EQ(get(key, u"Value"), dwordBytes(1));

    // Replaced as a whole, the way every writer does it; then edited in place.
    writeFile(folder / "replacement", kHeader + "[HKEY_CURRENT_USER\\Software\\Kez]\n\"Value\"=dword:00000002\n");
    fs::rename(folder / "replacement", file);
    EXPECT_EQ(get(key, u"Value"), dwordBytes(2));
    writeFile(file, readText(file) + "[HKEY_CURRENT_USER\\Software\\Theirs]\n\"Value\"=dword:00000007\n");
    // A stale temporary file of a killed writer goes with the next write.
    writeFile(folder / "HKEY_CURRENT_USER.reg.tmp-99999-1", "half a file");

    set(key, u"Mine", RegType::Dword, dwordBytes(3));
    const std::optional<RegKey> theirs = open(u"Software\\Theirs");
    ASSERT_TRUE(theirs);
    EXPECT_EQ(get(*theirs, u"Value"), dwordBytes(7));
    EXPECT_EQ(get(key, u"Value"), dwordBytes(2));
    EXPECT_TRUE(filesStartingWith("HKEY_CURRENT_USER.reg.tmp-").empty());
}

TEST_F(RegistryFile, AWriterKilledInTheMiddleOfWritingLeavesEveryValueOldOrNew)
{
    set(create(u"Software\\Kez\\Crash"), u"Anchor", RegType::Sz, textBytes(u"kept"));
    set(create(u"Software\\Kez\\Other"), u"Neighbour", RegType::Dword, dwordBytes(9));

    for (int generation = 1; generation <= 10; ++generation) {
        SCOPED_TRACE("generation " + std::to_string(generation));
        const fs::path fifo = makeFifo(root.path / ("ready" + std::to_string(generation)));
        Child writer("registry_writer loop \"Software\\Kez\\Crash\" " + std::to_string(generation) + " " + quoted(fifo));
        const int fd = openFifoForWriting(fifo, writer); // the first write is done
        ASSERT_GE(fd, 0) << writer.started.description;
        writer.kill();
        writer.finish();
        ::close(fd);

        const regfile::ParseResult parsed = regfile::parse(readText(file));
        ASSERT_TRUE(parsed.defectLines.empty());
        const regfile::Node* crash = parsed.root.find({u"Software", u"Kez", u"Crash"});
        const regfile::Node* other = parsed.root.find({u"Software", u"Kez", u"Other"});
        ASSERT_TRUE(crash && other && crash->findValue(u"Anchor") && other->findValue(u"Neighbour"));
        EXPECT_EQ(crash->findValue(u"Anchor")->data, textBytes(u"kept"));
        EXPECT_EQ(other->findValue(u"Neighbour")->data, dwordBytes(9));

        // Each slot holds "<generation>:<i>" of a complete write, this generation's for slot 0.
        for (int slot = 0; slot < 8; ++slot) {
            const regfile::Value* value = crash->findValue(u16("Slot" + std::to_string(slot)));
            if (!value) {
                EXPECT_NE(slot, 0) << "the first write was complete before the kill";
                continue;
            }
            std::string written;
            for (std::size_t i = 0; i + 2 < value->data.size(); i += 2)
                written.push_back(char(value->data[i]));
            const auto colon = written.find(':');
            ASSERT_NE(colon, std::string::npos) << written;
            const int writtenGeneration = std::stoi(written.substr(0, colon));
            EXPECT_TRUE(slot == 0 ? writtenGeneration == generation : writtenGeneration <= generation) << written;
            EXPECT_EQ(std::stoul(written.substr(colon + 1)) % 8, unsigned(slot)) << written;
        }
    }
    set(create(u"Software\\Kez\\Crash"), u"After", RegType::Dword, dwordBytes(1));
    EXPECT_TRUE(filesStartingWith("HKEY_CURRENT_USER.reg.tmp-").empty());
    EXPECT_TRUE(regfile::parse(readText(file)).defectLines.empty());
}

TEST_F(RegistryFile, TwoProgramsWritingAtTheSameTimeLoseNothing)
{
    constexpr int kCount = 40;
    const fs::path goFirst = makeFifo(root.path / "first"), goSecond = makeFifo(root.path / "second");
    Child first("registry_writer burst \"Software\\Kez\\Both\" First " + std::to_string(kCount) + " " + quoted(goFirst));
    Child second("registry_writer burst \"Software\\Kez\\Both\" Second " + std::to_string(kCount) + " " +
                 quoted(goSecond));
    const int fds[] = {openFifoForWriting(goFirst, first), openFifoForWriting(goSecond, second)};
    ASSERT_TRUE(fds[0] >= 0 && fds[1] >= 0);
    ::close(fds[0]);
    ::close(fds[1]);
    ASSERT_EQ(first.finish(), std::optional<std::uint32_t>(0));
    ASSERT_EQ(second.finish(), std::optional<std::uint32_t>(0));

    const std::optional<RegKey> key = open(u"Software\\Kez\\Both");
    ASSERT_TRUE(key);
    for (int i = 0; i < kCount; ++i) {
        EXPECT_EQ(get(*key, u16("First" + std::to_string(i))), dwordBytes(std::uint32_t(i))) << i;
        EXPECT_EQ(get(*key, u16("Second" + std::to_string(i))), dwordBytes(std::uint32_t(i))) << i;
    }
}

TEST(RegFileFormat, EveryTypeAndByteSurvivesWritingAndReading)
{
    regfile::Node root = regfile::parse({}).root;
    regfile::Node& key = root.createPath({u"Software", u"Kez"});
    Bytes everyByte;
    for (int b = 0; b < 256; ++b)
        everyByte.push_back(std::uint8_t(b));
    const std::pair<std::u16string, Bytes> values[] = {
        {u"Every", everyByte},
        {u"Odd", Bytes{'a'}},
        {u"ShortNumber", Bytes{1, 2}},
        // Texts that one quoted line cannot hold are written as hex(1).
        {u"TwoLines", textBytes(u"first\r\nsecond")},
        {u"NoNul", Bytes{'a', 0, 'b', 0}},
        {u"Lone", textBytes(std::u16string(1, char16_t(0xD800)))},
    };
    const std::uint32_t types[] = {0xFFFFFFFF, RegType::Sz, RegType::Dword, RegType::Sz, RegType::Sz, RegType::Sz};
    for (std::size_t i = 0; i < std::size(values); ++i)
        key.setValue(values[i].first, types[i], values[i].second);

    const std::string text = regfile::serialize(root);
    EXPECT_NE(text.find("\"TwoLines\"=hex(1):"), std::string::npos) << text;
    EXPECT_NE(text.find("\"NoNul\"=hex(1):61,00,62,00\n"), std::string::npos) << text;
    const regfile::ParseResult back = regfile::parse(text);
    EXPECT_TRUE(back.defectLines.empty());
    const regfile::Node* found = back.root.find({u"software", u"KEZ"});
    ASSERT_TRUE(found);
    for (std::size_t i = 0; i < std::size(values); ++i) {
        const regfile::Value* value = found->findValue(values[i].first);
        ASSERT_TRUE(value) << i;
        EXPECT_EQ(value->type, types[i]) << i;
        EXPECT_EQ(value->data, values[i].second) << i;
    }
}

namespace {

// The slots a batched writer saves: each holds "<tag>" or "<tag>:<i>"; empty when the key is missing.
std::vector<std::string> slots(const std::string& text, const std::u16string& key)
{
    std::vector<std::string> found;
    const regfile::ParseResult parsed = regfile::parse(text);
    const regfile::Node* node = parsed.root.find({u"Software", u"Kez", key});
    for (int slot = 0; node && slot < 16; ++slot) {
        const regfile::Value* value = node->findValue(u16("Slot" + std::to_string(slot)));
        std::string written;
        for (std::size_t i = 0; value && i + 2 < value->data.size(); i += 2)
            written.push_back(char(value->data[i]));
        found.push_back(value ? written : "<missing>");
    }
    return found;
}

bool allSame(const std::vector<std::string>& values)
{
    return std::all_of(values.begin(), values.end(), [&](const std::string& v) { return v == values.front(); });
}

} // namespace

TEST_F(RegistryFile, ABatchReachesTheFileInOneReplacementWhenItEnds)
{
    set(create(u"Software\\Kez"), u"Before", RegType::Dword, dwordBytes(1));
    const std::string before = readText(file);
    struct stat original {};
    ASSERT_EQ(::stat(file.c_str(), &original), 0);
    {
        RegistryBatch batch(registry());
        const RegKey key = create(u"Software\\Kez\\Batch");
        for (int i = 0; i < 20; ++i)
            set(key, u16("Value" + std::to_string(i)), RegType::Dword, dwordBytes(std::uint32_t(i)));
        EXPECT_EQ(get(key, u"Value19"), dwordBytes(19));
        EXPECT_EQ(readText(file), before) << "nothing is written while the batch is open";
        struct stat now {};
        ASSERT_EQ(::stat(file.c_str(), &now), 0);
        EXPECT_EQ(now.st_ino, original.st_ino);
    }
    const regfile::ParseResult parsed = regfile::parse(readText(file));
    const regfile::Node* node = parsed.root.find({u"Software", u"Kez", u"Batch"});
    ASSERT_TRUE(node);
    EXPECT_EQ(node->values.size(), 20u);
    EXPECT_TRUE(parsed.root.find({u"Software", u"Kez"})->findValue(u"Before"));
    EXPECT_TRUE(filesStartingWith("HKEY_CURRENT_USER.reg.tmp-").empty());
}

TEST_F(RegistryFile, ABatchKeepsWhatAnotherProgramWroteMeanwhile)
{
    const RegKey key = create(u"Software\\Kez");
    RegistryBatch batch(registry());
    set(key, u"Mine", RegType::Dword, dwordBytes(1));
    ASSERT_EQ(run("registry_writer burst \"Software\\Kez\" Theirs 3 /dev/null"), std::optional<std::uint32_t>(0));
    EXPECT_EQ(get(key, u"Theirs2"), dwordBytes(2)) << "the other program's value is seen during the batch";
    EXPECT_EQ(get(key, u"Mine"), dwordBytes(1)) << "and the batch's own value stays in view";
    ASSERT_EQ(batch.commit(), RegError::Success);
    const regfile::ParseResult parsed = regfile::parse(readText(file));
    const regfile::Node* node = parsed.root.find({u"Software", u"Kez"});
    ASSERT_TRUE(node && node->findValue(u"Mine") && node->findValue(u"Theirs0") && node->findValue(u"Theirs2"));
}

// A write starts from what it last read only while the file still holds exactly that; an edit
// in place that keeps the size, made with nothing read since, is not overwritten.
TEST_F(RegistryFile, AWriteAfterAnUnreadChangeKeepsThatChange)
{
    for (const bool batched : {false, true}) {
        SCOPED_TRACE(batched ? "batched" : "one value");
        const RegKey key = create(u"Software\\Kez");
        set(key, u"Theirs", RegType::Dword, dwordBytes(1));
        set(key, u"Mine", RegType::Dword, dwordBytes(1));
        std::string text = readText(file);
        const std::string before = "\"Theirs\"=dword:00000001";
        const std::size_t at = text.find(before);
        ASSERT_NE(at, std::string::npos);
        text.replace(at, before.size(), "\"Theirs\"=dword:00000009");
        {
            std::fstream inPlace(file, std::ios::binary | std::ios::in | std::ios::out);
            inPlace.write(text.data(), std::streamsize(text.size()));
        }
        {
            std::optional<RegistryBatch> batch;
            if (batched)
                batch.emplace(registry());
            set(key, u"Mine", RegType::Dword, dwordBytes(2));
        }
        const regfile::ParseResult parsed = regfile::parse(readText(file));
        const regfile::Node* node = parsed.root.find({u"Software", u"Kez"});
        ASSERT_TRUE(node && node->findValue(u"Theirs") && node->findValue(u"Mine"));
        EXPECT_EQ(node->findValue(u"Theirs")->data, dwordBytes(9));
        EXPECT_EQ(node->findValue(u"Mine")->data, dwordBytes(2));
    }
}

TEST_F(RegistryFile, ABatchedSaveKilledAtAnyMomentLeavesAllOldOrAllNewValues)
{
    for (int round = 1; round <= 12; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const fs::path fifo = makeFifo(root.path / ("ready" + std::to_string(round)));
        Child writer("registry_writer batchloop \"Software\\Kez\\Saved\" r" + std::to_string(round) + " " + quoted(fifo));
        const int fd = openFifoForWriting(fifo, writer); // the first save is done
        ASSERT_GE(fd, 0) << writer.started.description;
        // Kill at a different point of a save each round.
        std::this_thread::sleep_for(std::chrono::microseconds(round * 700));
        writer.kill();
        writer.finish();
        ::close(fd);

        const std::vector<std::string> found = slots(readText(file), u"Saved");
        ASSERT_EQ(found.size(), 16u);
        EXPECT_TRUE(allSame(found)) << found.front() << " ... " << found.back();
        EXPECT_EQ(found.front().rfind("r" + std::to_string(round) + ":", 0), 0u) << found.front();
    }
}

TEST_F(RegistryFile, TwoProgramsSavingAtOnceLeaveOneWholeSetNeverAMixture)
{
    constexpr int kRounds = 30;
    const fs::path goFirst = makeFifo(root.path / "first"), goSecond = makeFifo(root.path / "second");
    Child first("registry_writer batchburst \"Software\\Kez\\Both\" AAAA " + std::to_string(kRounds) + " " +
                quoted(goFirst));
    Child second("registry_writer batchburst \"Software\\Kez\\Both\" BB " + std::to_string(kRounds) + " " +
                 quoted(goSecond));
    const int fds[] = {openFifoForWriting(goFirst, first), openFifoForWriting(goSecond, second)};
    ASSERT_TRUE(fds[0] >= 0 && fds[1] >= 0);
    ::close(fds[0]);
    ::close(fds[1]);
    // Every version of the file seen while they save holds one program's set.
    int seen = 0;
    while (first.running() || second.running()) {
        std::string text;
        if (std::ifstream in{file, std::ios::binary}) {
            text.assign(std::istreambuf_iterator<char>(in), {});
            const std::vector<std::string> found = slots(text, u"Both");
            if (!found.empty()) {
                ++seen;
                ASSERT_TRUE(allSame(found)) << found.front() << " ... " << found.back();
            }
        }
    }
    ASSERT_EQ(first.finish(), std::optional<std::uint32_t>(0));
    ASSERT_EQ(second.finish(), std::optional<std::uint32_t>(0));
    const std::vector<std::string> found = slots(readText(file), u"Both");
    ASSERT_EQ(found.size(), 16u);
    EXPECT_TRUE(allSame(found) && (found.front() == "AAAA" || found.front() == "BB")) << found.front();
    EXPECT_GT(seen, 0);
}

TEST_F(RegistryFile, ReadBatchesWhileAnotherProgramSavesEachSeeOneWholeSave)
{
    const fs::path fifo = makeFifo(root.path / "ready");
    // Small saves: each read batch that meets a new one parses the whole file.
    Child writer("registry_writer batchloop \"Software\\Kez\\Race\" w " + quoted(fifo) + " 0");
    const int fd = openFifoForWriting(fifo, writer); // the first save is done
    ASSERT_GE(fd, 0) << writer.started.description;
    // At least 5,000 reads, and on until the other program has saved 30 times in between.
    constexpr int kReads = 5000, kChanges = 30;
    int reads = 0, mixed = 0, changes = 0;
    std::optional<Bytes> last;
    for (; (reads < kReads || changes < kChanges) && reads < 40 * kReads; ++reads) {
        RegistryReadBatch reading(registry());
        RegKey key = 0;
        ASSERT_EQ(registry().openKey(kHKeyCurrentUser, u"Software\\Kez\\Race", RegAccess::QueryValue, &key),
                  RegError::Success);
        const std::optional<Bytes> first = get(key, u"Slot0");
        bool whole = first.has_value();
        for (int slot = 1; slot < 16; ++slot)
            whole = whole && get(key, u16("Slot" + std::to_string(slot))) == first;
        registry().closeKey(key);
        mixed += !whole;
        changes += whole && last && *last != *first;
        last = first;
    }
    writer.kill();
    writer.finish();
    ::close(fd);
    EXPECT_EQ(mixed, 0) << "of " << reads << " reads";
    EXPECT_GE(changes, kChanges) << "the other program saved during the reads";
}

// A read batch reads the version of the file its first read found, with this program's own
// changes on top, whatever another program stores meanwhile; a read after it sees the newest.
TEST_F(RegistryFile, AReadBatchKeepsItsVersionAndAddsOnlyThisProgramsOwnChanges)
{
    const RegKey key = create(u"Software\\Kez");
    set(key, u"Theirs0", RegType::Dword, dwordBytes(7));
    const auto theyWrite = [&](const std::string& key, const std::string& prefix) {
        ASSERT_EQ(run("registry_writer burst \"" + key + "\" " + prefix + " 2 /dev/null"),
                  std::optional<std::uint32_t>(0));
    };
    std::optional<RegistryReadBatch> reading(registry());
    EXPECT_EQ(get(key, u"Theirs0"), dwordBytes(7));
    theyWrite("Software\\Kez", "Theirs");
    theyWrite("Software\\Kez\\New", "Value");
    EXPECT_EQ(get(key, u"Theirs0"), dwordBytes(7));
    EXPECT_EQ(get(key, u"Theirs1"), std::nullopt);
    EXPECT_FALSE(open(u"Software\\Kez\\New"));

    set(key, u"Mine", RegType::Dword, dwordBytes(5));
    EXPECT_EQ(get(key, u"Mine"), dwordBytes(5)) << "a value stored during the read batch";
    {
        RegistryBatch saving(registry());
        set(key, u"Mine", RegType::Dword, dwordBytes(6));
        EXPECT_EQ(get(key, u"Mine"), dwordBytes(6)) << "a batch's value before it is stored";
        EXPECT_EQ(saving.commit(), RegError::Success);
    }
    EXPECT_EQ(get(key, u"Mine"), dwordBytes(6));
    EXPECT_EQ(get(key, u"Theirs0"), dwordBytes(7));

    // A batch that cannot be stored leaves the read batch as it was.
    const fs::path lock = folder / "HKEY_CURRENT_USER.reg.lock";
    fs::remove(lock);
    fs::create_symlink(root.path / "elsewhere", lock);
    {
        RegistryBatch failing(registry());
        set(key, u"Mine", RegType::Dword, dwordBytes(9));
        set(create(u"Software\\Kez\\Lost"), u"Value", RegType::Dword, dwordBytes(1));
        EXPECT_EQ(get(key, u"Mine"), dwordBytes(9));
        EXPECT_EQ(failing.commit(), RegError::AccessDenied);
    }
    fs::remove(lock);
    EXPECT_EQ(get(key, u"Mine"), dwordBytes(6));
    EXPECT_FALSE(open(u"Software\\Kez\\Lost"));
    EXPECT_EQ(get(key, u"Theirs0"), dwordBytes(7));

    reading.reset();
    EXPECT_EQ(get(key, u"Theirs0"), dwordBytes(0));
    EXPECT_EQ(get(key, u"Theirs1"), dwordBytes(1));
    EXPECT_EQ(get(key, u"Mine"), dwordBytes(6));
    EXPECT_TRUE(open(u"Software\\Kez\\New"));
    EXPECT_FALSE(open(u"Software\\Kez\\Lost"));
    const regfile::ParseResult parsed = regfile::parse(readText(file));
    const regfile::Node* node = parsed.root.find({u"Software", u"Kez"});
    ASSERT_TRUE(node && node->findValue(u"Theirs1") && node->findValue(u"Mine"));
    EXPECT_EQ(node->findValue(u"Mine")->data, dwordBytes(6)) << "stored onto the newest file";
}

// Inside a batch a read batch takes the file with the batch's changes on top; the batch goes on
// seeing the newest file once the read batch has ended, and may end before or after it.
TEST_F(RegistryFile, AReadBatchInsideABatchHoldsItsVersionOnlyWhileItIsOpen)
{
    const RegKey key = create(u"Software\\Kez");
    set(key, u"Theirs0", RegType::Dword, dwordBytes(7));
    ASSERT_EQ(registry().beginBatch(), RegError::Success);
    set(key, u"Mine", RegType::Dword, dwordBytes(1));
    ASSERT_EQ(registry().beginReadBatch(), RegError::Success);
    EXPECT_EQ(get(key, u"Mine"), dwordBytes(1));
    ASSERT_EQ(run("registry_writer burst \"Software\\Kez\" Theirs 1 /dev/null"), std::optional<std::uint32_t>(0));
    EXPECT_EQ(get(key, u"Theirs0"), dwordBytes(7));
    set(key, u"Mine", RegType::Dword, dwordBytes(2));
    EXPECT_EQ(get(key, u"Mine"), dwordBytes(2));
    ASSERT_EQ(registry().endReadBatch(), RegError::Success);
    EXPECT_EQ(get(key, u"Theirs0"), dwordBytes(0)) << "the batch alone reads the newest file";
    EXPECT_EQ(get(key, u"Mine"), dwordBytes(2));

    ASSERT_EQ(registry().beginReadBatch(), RegError::Success);
    EXPECT_EQ(get(key, u"Theirs0"), dwordBytes(0));
    ASSERT_EQ(registry().commitBatch(), RegError::Success);
    EXPECT_EQ(get(key, u"Mine"), dwordBytes(2));
    ASSERT_EQ(registry().endReadBatch(), RegError::Success);
    const regfile::ParseResult parsed = regfile::parse(readText(file));
    const regfile::Node* node = parsed.root.find({u"Software", u"Kez"});
    ASSERT_TRUE(node && node->findValue(u"Theirs0") && node->findValue(u"Mine"));
    EXPECT_EQ(node->findValue(u"Theirs0")->data, dwordBytes(0));
    EXPECT_EQ(node->findValue(u"Mine")->data, dwordBytes(2));
}

TEST_F(RegistryFile, KeysDeeperThan512LevelsAreRefused)
{
    std::u16string path = u"Software";
    for (int level = 2; level <= 512; ++level)
        path += u"\\K";
    RegKey key = 0;
    EXPECT_EQ(registry().createKey(kHKeyCurrentUser, path, RegAccess::AllAccess, &key), RegError::Success);
    opened.push_back(key);
    RegKey deeper = 0;
    EXPECT_EQ(registry().createKey(key, u"Deeper", RegAccess::AllAccess, &deeper), RegError::InvalidParameter);
    EXPECT_EQ(registry().createKey(kHKeyCurrentUser, path + u"\\Deeper", RegAccess::AllAccess, &deeper),
              RegError::InvalidParameter);
}

TEST_F(RegistryFile, AFileWithAKeyTooDeepIsReadForTheRestAndKeptBeside)
{
    for (const std::size_t levels : {513u, 300000u}) {
        SCOPED_TRACE(levels);
        fs::remove_all(folder);
        std::string deep = "[HKEY_CURRENT_USER";
        for (std::size_t level = 0; level < levels; ++level)
            deep += "\\K";
        const std::string text = kHeader + "[HKEY_CURRENT_USER\\Software\\Kez]\n\"Good\"=dword:00000001\n\n" + deep +
                                 "]\n\"Lost\"=dword:00000002\n";
        writeFile(file, text);
        const std::optional<RegKey> key = open(u"Software\\Kez");
        ASSERT_TRUE(key);
        EXPECT_EQ(get(*key, u"Good"), dwordBytes(1));
        set(*key, u"New", RegType::Dword, dwordBytes(3));
        const std::vector<std::string> kept = filesStartingWith("HKEY_CURRENT_USER.reg.corrupt-");
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_EQ(readText(folder / kept[0]), text);
        EXPECT_LT(fs::file_size(file), 1000u) << "the deep key is not written back";
    }
}

TEST_F(RegistryFile, TheSettingsFolderIsMadePrivateAndALinkOrAStrangersFolderIsRefused)
{
    fs::create_directories(folder);
    fs::permissions(folder, fs::perms::all);
    set(create(u"Software\\Kez"), u"Value", RegType::Dword, dwordBytes(1));
    EXPECT_EQ(fs::status(folder).permissions() & fs::perms::mask, fs::perms::owner_all);

    // A planted link in place of the lock file or of the folder is never followed.
    const fs::path elsewhere = root.path / "elsewhere";
    fs::create_directories(elsewhere);
    fs::remove(folder / "HKEY_CURRENT_USER.reg.lock");
    fs::create_symlink(elsewhere / "planted", folder / "HKEY_CURRENT_USER.reg.lock");
    RegKey key = 0;
    ASSERT_EQ(registry().openKey(kHKeyCurrentUser, u"Software\\Kez", RegAccess::AllAccess, &key), RegError::Success);
    opened.push_back(key);
    const Bytes two = dwordBytes(2);
    EXPECT_EQ(registry().setValue(key, u"Value", RegType::Dword, two.data(), 4), RegError::AccessDenied);
    EXPECT_FALSE(fs::exists(elsewhere / "planted"));
    fs::remove(folder / "HKEY_CURRENT_USER.reg.lock");

    EXPECT_EQ(registry().setValue(key, u"Value", RegType::Dword, two.data(), 4), RegError::Success);

    // Elsewhere the folder is a link, or belongs to someone else: refused, nothing written there.
    const fs::path linked = root.path / "linked";
    fs::create_directories(linked);
    fs::create_directory_symlink(elsewhere, linked / "KezConverter");
    {
        ScopedEnv otherHome("XDG_CONFIG_HOME", linked.string());
        EXPECT_EQ(registry().createKey(kHKeyCurrentUser, u"Software", RegAccess::AllAccess, &key), RegError::AccessDenied);
    }
    EXPECT_TRUE(fs::is_empty(elsewhere));
    if (::geteuid() == 0) { // only root can hand a folder to someone else
        const fs::path strangers = root.path / "strangers";
        fs::create_directories(strangers / "KezConverter");
        ASSERT_EQ(::chown((strangers / "KezConverter").c_str(), 4242, 4242), 0);
        ScopedEnv otherHome("XDG_CONFIG_HOME", strangers.string());
        EXPECT_EQ(registry().createKey(kHKeyCurrentUser, u"Software", RegAccess::AllAccess, &key), RegError::AccessDenied);
        EXPECT_TRUE(fs::is_empty(strangers / "KezConverter"));
    }
    EXPECT_EQ(get(key, u"Value"), dwordBytes(2));
}

#endif // _WIN32
