// The POSIX registry's settings file: where it lives, its text, damaged files, other programs
// writing at the same time and writers killed in the middle of a write.
#ifndef _WIN32

#include "platform/Registry.h"
#include "platform/Services.h"
#include "platform/posix/RegFileFormat.h"
#include "platform/support/PlatformTestSupport.h"
#include "platform/support/RegistryBytes.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

using namespace platform;
using namespace testsupport;

namespace {

const std::string kWriter = std::string(KEZ_TEST_BIN_DIR) + "/registry_writer";

std::string readFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& file, const std::string& text)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}

// Another program, talked to through its standard input and output.
class Child {
public:
    explicit Child(const std::vector<std::string>& args)
    {
        int input[2];
        int output[2];
        if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0)
            return;
        mPid = ::fork();
        if (mPid == 0) {
            ::dup2(input[0], 0);
            ::dup2(output[1], 1);
            std::vector<char*> argv;
            for (const auto& arg : args)
                argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(input[0]);
        ::close(output[1]);
        mInput = input[1];
        mOutput = ::fdopen(output[0], "r");
    }
    ~Child()
    {
        if (mPid > 0 && !mWaited) {
            ::kill(mPid, SIGKILL);
            wait();
        }
        if (mInput >= 0)
            ::close(mInput);
        if (mOutput)
            std::fclose(mOutput);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // One line without its end; empty when the program has ended.
    std::string readLine()
    {
        char buffer[256];
        if (!mOutput || !std::fgets(buffer, sizeof buffer, mOutput))
            return {};
        std::string line(buffer);
        if (!line.empty() && line.back() == '\n')
            line.pop_back();
        return line;
    }
    void send(const std::string& text) { EXPECT_EQ(::write(mInput, text.data(), text.size()), ssize_t(text.size())); }
    void kill() { ::kill(mPid, SIGKILL); }
    int wait()
    {
        int status = 0;
        ::waitpid(mPid, &status, 0);
        mWaited = true;
        return status;
    }

private:
    pid_t mPid = -1;
    bool mWaited = false;
    int mInput = -1;
    FILE* mOutput = nullptr;
};

class RegistryFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::signal(SIGPIPE, SIG_IGN);
        root = freshTempFolder(std::string("regfile-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        configHome.emplace("XDG_CONFIG_HOME", (root / "config").string());
        folder = root / "config" / "KezConverter";
        file = folder / "HKEY_CURRENT_USER.reg";
    }
    void TearDown() override
    {
        for (RegKey key : opened)
            registry().closeKey(key);
        configHome.reset();
        std::error_code ignored;
        fs::remove_all(root, ignored);
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
        for (const auto& entry : fs::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind(prefix, 0) == 0)
                names.push_back(name);
        }
        return names;
    }

    fs::path root;
    fs::path folder;
    fs::path file;
    std::optional<ScopedEnv> configHome;
    std::vector<RegKey> opened;
};

} // namespace

TEST_F(RegistryFile, SettingsLiveInTheConfigFolderOfXdgConfigHome)
{
    EXPECT_FALSE(fs::exists(root / "config")) << "reading must not create anything";
    set(create(u"Software\\Kez"), u"Value", RegType::Dword, dwordBytes(1));
    EXPECT_TRUE(fs::is_regular_file(file));
}

TEST_F(RegistryFile, WithoutAnAbsoluteXdgConfigHomeTheFileIsBelowHomeDotConfig)
{
    ScopedEnv home("HOME", (root / "home").string());
    for (const char* value : {"", "relative/config"}) {
        ScopedEnv xdg("XDG_CONFIG_HOME", value);
        set(create(u"Software\\Kez"), u"Value", RegType::Dword, dwordBytes(1));
    }
    EXPECT_TRUE(fs::is_regular_file(root / "home" / ".config" / "KezConverter" / "HKEY_CURRENT_USER.reg"));
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(RegistryFile, TheFileUsesTheRegistryExportSyntax)
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

    EXPECT_EQ(readFile(file), "Windows Registry Editor Version 5.00\n"
                              "\n"
                              "[HKEY_CURRENT_USER\\Software]\n"
                              "\n"
                              "[HKEY_CURRENT_USER\\Software\\Kez]\n"
                              "\n"
                              "[HKEY_CURRENT_USER\\Software\\Kez\\Sub]\n"
                              "@=\"default\"\n"
                              "\"Folder\"=\"C:\\\\dir \\\"x\\\"\"\n"
                              "\"Count\"=dword:0000002a\n"
                              "\"Path\"=hex(2):25,00,41,00,25,00,00,00\n"
                              "\"List\"=hex(7):61,00,00,00,62,00,00,00,00,00\n"
                              "\"Blob\"=hex:01,ff\n"
                              "\"Empty\"=hex:\n"
                              "\"Big\"=hex(b):01,00,00,00,00,00,00,00\n"
                              "\n");
}

TEST_F(RegistryFile, TextsAreStoredAsUtf8)
{
    set(create(u"Software\\Настройки"), u"Папка", RegType::Sz, textBytes(u"Документы \u0473"));
    const std::string text = readFile(file);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Настройки]"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Папка\"=\"Документы \u0473\""), std::string::npos) << text;
}

TEST_F(RegistryFile, TextThatOneLineCannotHoldIsWrittenAsHexAndReadsBackExactly)
{
    const RegKey key = create(u"Software\\Kez");
    const Bytes twoLines = textBytes(u"first\r\nsecond");
    const Bytes withoutNul{'a', 0, 'b', 0};
    const Bytes loneSurrogate = textBytes(std::u16string(1, char16_t(0xD800)));
    set(key, u"TwoLines", RegType::Sz, twoLines);
    set(key, u"NoNul", RegType::Sz, withoutNul);
    set(key, u"Lone", RegType::Sz, loneSurrogate);

    const std::string text = readFile(file);
    EXPECT_NE(text.find("\"TwoLines\"=hex(1):"), std::string::npos) << text;
    EXPECT_NE(text.find("\"NoNul\"=hex(1):61,00,62,00\n"), std::string::npos) << text;
    EXPECT_TRUE(regfile::parse(text).defectLines.empty());
    EXPECT_EQ(get(key, u"TwoLines"), twoLines);
    EXPECT_EQ(get(key, u"NoNul"), withoutNul);
    EXPECT_EQ(get(key, u"Lone"), loneSurrogate);
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
    EXPECT_TRUE(regfile::parse(readFile(file)).defectLines.empty());
    const std::optional<RegKey> key = open(u"software\\KEZ");
    ASSERT_TRUE(key);
    EXPECT_EQ(get(*key, u"number"), dwordBytes(0xABCD));
    EXPECT_EQ(get(*key, u"Blob"), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(get(*key, u""), textBytes(u"dflt"));
    EXPECT_EQ(get(*key, u"Quote"), textBytes(u"a \"b\" \\c"));
}

TEST_F(RegistryFile, NamesKeepTheCaseTheyWereCreatedWith)
{
    set(create(u"Software\\MixedCase"), u"ValueName", RegType::Dword, dwordBytes(1));
    const RegKey upper = create(u"SOFTWARE\\MIXEDCASE\\Child");
    set(upper, u"VALUENAME", RegType::Dword, dwordBytes(2));
    const RegKey again = create(u"software\\mixedcase");
    set(again, u"VALUENAME", RegType::Dword, dwordBytes(3));

    const std::string text = readFile(file);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\MixedCase]\n\"ValueName\"=dword:00000003\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\MixedCase\\Child]\n\"VALUENAME\"=dword:00000002\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("MIXEDCASE"), std::string::npos) << text;
}

TEST_F(RegistryFile, AnEmptyKeyIsKept)
{
    create(u"Software\\Kez\\Empty");
    EXPECT_NE(readFile(file).find("[HKEY_CURRENT_USER\\Software\\Kez\\Empty]\n"), std::string::npos);
    EXPECT_TRUE(open(u"Software\\Kez\\Empty"));
}

TEST_F(RegistryFile, NamesTheFileCannotHoldAreRefused)
{
    RegKey key = 0;
    EXPECT_EQ(registry().createKey(kHKeyCurrentUser, u"Software\\Line\nBreak", RegAccess::AllAccess, &key),
              RegError::InvalidParameter);
    const RegKey good = create(u"Software\\Kez");
    const Bytes data = dwordBytes(1);
    EXPECT_EQ(registry().setValue(good, u"Line\nBreak", RegType::Dword, data.data(), 4), RegError::InvalidParameter);
}

TEST_F(RegistryFile, ADamagedFileKeepsWhatParsesAndItsOriginalIsKeptBesideIt)
{
    const std::string damaged = "Windows Registry Editor Version 5.00\n"
                                "\n"
                                "[HKEY_CURRENT_USER\\Software\\Kez]\n"
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
    ASSERT_TRUE(key);
    EXPECT_EQ(get(*key, u"Good"), dwordBytes(1));
    EXPECT_FALSE(get(*key, u"Broken"));
    EXPECT_FALSE(get(*key, u"Text"));
    const std::optional<RegKey> sub = open(u"Software\\Kez\\Sub");
    ASSERT_TRUE(sub);
    EXPECT_EQ(get(*sub, u"After"), textBytes(u"still here"));
    // Reading changes nothing on disk.
    EXPECT_EQ(readFile(file), damaged);
    EXPECT_TRUE(filesStartingWith("HKEY_CURRENT_USER.reg.corrupt-").empty());

    set(*key, u"New", RegType::Dword, dwordBytes(2));
    const std::vector<std::string> kept = filesStartingWith("HKEY_CURRENT_USER.reg.corrupt-");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(readFile(folder / kept[0]), damaged);

    const std::string repaired = readFile(file);
    const regfile::ParseResult parsed = regfile::parse(repaired);
    EXPECT_TRUE(parsed.defectLines.empty()) << repaired;
    EXPECT_EQ(get(*key, u"Good"), dwordBytes(1));
    EXPECT_EQ(get(*key, u"New"), dwordBytes(2));
    EXPECT_EQ(get(*sub, u"After"), textBytes(u"still here"));

    // The repaired file is not preserved again.
    set(*key, u"Newer", RegType::Dword, dwordBytes(3));
    EXPECT_EQ(filesStartingWith("HKEY_CURRENT_USER.reg.corrupt-").size(), 1u);
}

TEST_F(RegistryFile, AFileThatIsNotTextAtAllIsKeptBesideTheNewOne)
{
    std::string garbage("\xFF\xFE[\0H\0K\0", 8);
    writeFile(file, garbage);
    EXPECT_FALSE(open(u"Software"));
    set(create(u"Software\\Kez"), u"Value", RegType::Dword, dwordBytes(1));
    const std::vector<std::string> kept = filesStartingWith("HKEY_CURRENT_USER.reg.corrupt-");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(readFile(folder / kept[0]), garbage);
}

TEST_F(RegistryFile, ChangesMadeByAnotherProgramAreSeenOnTheNextRead)
{
    const RegKey key = create(u"Software\\Kez");
    set(key, u"Value", RegType::Dword, dwordBytes(1));
    EXPECT_EQ(get(key, u"Value"), dwordBytes(1));

    // Replaced as a whole, the way every writer does it.
    const fs::path temporary = folder / "replacement";
    writeFile(temporary, "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Kez]\n"
                         "\"Value\"=dword:00000002\n");
    fs::rename(temporary, file);
    EXPECT_EQ(get(key, u"Value"), dwordBytes(2));

    // Edited in place.
    writeFile(file, "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Kez]\n"
                    "\"Value\"=dword:00000003\n\"Other\"=dword:00000004\n");
    EXPECT_EQ(get(key, u"Value"), dwordBytes(3));
}

TEST_F(RegistryFile, AWriteKeepsWhatAnotherProgramWroteMeanwhile)
{
    const RegKey key = create(u"Software\\Kez");
    set(key, u"Mine", RegType::Dword, dwordBytes(1));
    writeFile(file, readFile(file) + "[HKEY_CURRENT_USER\\Software\\Theirs]\n\"Value\"=dword:00000007\n");
    set(key, u"MineAgain", RegType::Dword, dwordBytes(2));
    const std::optional<RegKey> theirs = open(u"Software\\Theirs");
    ASSERT_TRUE(theirs);
    EXPECT_EQ(get(*theirs, u"Value"), dwordBytes(7));
}

TEST_F(RegistryFile, TemporaryFilesOfAKilledWriterAreRemovedByTheNextWrite)
{
    writeFile(folder / "HKEY_CURRENT_USER.reg.tmp-99999-1", "half a file");
    set(create(u"Software\\Kez"), u"Value", RegType::Dword, dwordBytes(1));
    EXPECT_TRUE(filesStartingWith("HKEY_CURRENT_USER.reg.tmp-").empty());
}

TEST_F(RegistryFile, AWriterKilledInTheMiddleOfWritingLeavesEveryValueOldOrNew)
{
    const std::u16string keyPath = u"Software\\Kez\\Crash";
    const RegKey key = create(keyPath);
    set(key, u"Anchor", RegType::Sz, textBytes(u"kept"));
    set(create(u"Software\\Kez\\Other"), u"Neighbour", RegType::Dword, dwordBytes(9));

    for (int generation = 1; generation <= 10; ++generation) {
        Child writer({kWriter, "loop", "Software\\Kez\\Crash", std::to_string(generation)});
        ASSERT_EQ(writer.readLine(), "ready") << "generation " << generation;
        writer.kill();
        writer.wait();

        const std::string text = readFile(file);
        const regfile::ParseResult parsed = regfile::parse(text);
        ASSERT_TRUE(parsed.defectLines.empty()) << "generation " << generation;
        const regfile::Node* crash = parsed.root.find({u"Software", u"Kez", u"Crash"});
        const regfile::Node* other = parsed.root.find({u"Software", u"Kez", u"Other"});
        ASSERT_TRUE(crash && other);
        ASSERT_TRUE(crash->findValue(u"Anchor"));
        EXPECT_EQ(crash->findValue(u"Anchor")->data, textBytes(u"kept"));
        ASSERT_TRUE(other->findValue(u"Neighbour"));
        EXPECT_EQ(other->findValue(u"Neighbour")->data, dwordBytes(9));

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
            const unsigned long index = std::stoul(written.substr(colon + 1));
            EXPECT_LE(writtenGeneration, generation);
            EXPECT_EQ(index % 8, unsigned(slot)) << written;
            if (slot == 0) {
                EXPECT_EQ(writtenGeneration, generation) << written;
            }
        }
    }

    set(key, u"After", RegType::Dword, dwordBytes(1));
    EXPECT_TRUE(filesStartingWith("HKEY_CURRENT_USER.reg.tmp-").empty());
    EXPECT_TRUE(regfile::parse(readFile(file)).defectLines.empty());
}

TEST_F(RegistryFile, TwoProgramsWritingAtTheSameTimeLoseNothing)
{
    constexpr int kCount = 40;
    Child first({kWriter, "burst", "Software\\Kez\\Both", "First", std::to_string(kCount)});
    Child second({kWriter, "burst", "Software\\Kez\\Both", "Second", std::to_string(kCount)});
    ASSERT_EQ(first.readLine(), "ready");
    ASSERT_EQ(second.readLine(), "ready");
    first.send("go\n");
    second.send("go\n");
    const int firstStatus = first.wait();
    const int secondStatus = second.wait();
    ASSERT_TRUE(WIFEXITED(firstStatus) && WEXITSTATUS(firstStatus) == 0);
    ASSERT_TRUE(WIFEXITED(secondStatus) && WEXITSTATUS(secondStatus) == 0);

    const std::optional<RegKey> key = open(u"Software\\Kez\\Both");
    ASSERT_TRUE(key);
    for (int i = 0; i < kCount; ++i) {
        EXPECT_EQ(get(*key, u16("First" + std::to_string(i))), dwordBytes(std::uint32_t(i))) << i;
        EXPECT_EQ(get(*key, u16("Second" + std::to_string(i))), dwordBytes(std::uint32_t(i))) << i;
    }
}

TEST(RegFileFormat, NamesFoldByUnicodeCase)
{
    EXPECT_EQ(regfile::foldName(u"Папка ß ǆ Ω"), regfile::foldName(u"ПАПКА ß ǅ ω"));
    EXPECT_EQ(regfile::foldName(u"Value"), regfile::foldName(u"vALUE"));
    EXPECT_NE(regfile::foldName(u"Value1"), regfile::foldName(u"Value2"));
}

TEST(RegFileFormat, EveryTypeAndByteSurvivesWritingAndReading)
{
    regfile::Node root = regfile::parse({}).root;
    regfile::Node& key = root.createPath({u"Software", u"Kez"});
    Bytes everyByte;
    for (int b = 0; b < 256; ++b)
        everyByte.push_back(std::uint8_t(b));
    key.setValue(u"Every", 0xFFFFFFFF, everyByte);
    key.setValue(u"Odd", RegType::Sz, Bytes{'a'});
    key.setValue(u"ShortNumber", RegType::Dword, Bytes{1, 2});
    const regfile::ParseResult back = regfile::parse(regfile::serialize(root));
    EXPECT_TRUE(back.defectLines.empty());
    const regfile::Node* found = back.root.find({u"software", u"KEZ"});
    ASSERT_TRUE(found);
    ASSERT_TRUE(found->findValue(u"Every"));
    EXPECT_EQ(found->findValue(u"Every")->type, 0xFFFFFFFFu);
    EXPECT_EQ(found->findValue(u"Every")->data, everyByte);
    EXPECT_EQ(found->findValue(u"Odd")->data, Bytes{'a'});
    EXPECT_EQ(found->findValue(u"ShortNumber")->type, RegType::Dword);
    EXPECT_EQ(found->findValue(u"ShortNumber")->data, (Bytes{1, 2}));
}

#endif // _WIN32
