// What the program expects of the registry, checked against the backend built for this
// platform: the settings file on POSIX, the real registry on Windows (under Wine here).
// On Windows the keys go below HKEY_CURRENT_USER\Software\KezConverter Tests, named by process
// and test so that runs never meet each other's keys.
#include "platform/Registry.h"
#include "platform/Services.h"
#include "platform/support/PlatformTestSupport.h"
#include "platform/support/RegistryBytes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

using namespace platform;
using namespace testsupport;

namespace {

class RegistryContract : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
#ifndef _WIN32
        folder = freshTempFolder("registry-" + test);
        configHome.emplace("XDG_CONFIG_HOME", folder.string());
#endif
        base = u"Software\\KezConverter Tests\\" + u16(std::to_string(processId()) + "-" + test);
    }
    void TearDown() override
    {
        for (RegKey key : opened)
            registry().closeKey(key);
#ifndef _WIN32
        configHome.reset();
        std::error_code ignored;
        fs::remove_all(folder, ignored);
#endif
    }

    static Registry& registry() { return service<Registry>(); }

    RegKey create(const std::u16string& path, std::uint32_t access = RegAccess::AllAccess)
    {
        RegKey key = 0;
        EXPECT_EQ(registry().createKey(kHKeyCurrentUser, base + path, access, &key), RegError::Success);
        opened.push_back(key);
        return key;
    }

    RegResult open(const std::u16string& path, RegKey* key, std::uint32_t access = RegAccess::AllAccess)
    {
        const RegResult result = registry().openKey(kHKeyCurrentUser, base + path, access, key);
        if (result == RegError::Success)
            opened.push_back(*key);
        return result;
    }

    void set(RegKey key, const std::u16string& name, std::uint32_t type, const Bytes& data)
    {
        ASSERT_EQ(registry().setValue(key, name, type, data.data(), std::uint32_t(data.size())), RegError::Success);
    }

    // Size and type first, then the data into a buffer of exactly that size.
    std::optional<Bytes> get(RegKey key, const std::u16string& name, std::uint32_t* type = nullptr)
    {
        std::uint32_t size = 0;
        std::uint32_t firstType = 0;
        if (registry().queryValue(key, name, &firstType, nullptr, &size) != RegError::Success)
            return std::nullopt;
        Bytes data(size);
        std::uint32_t secondType = 0;
        std::uint32_t read = size;
        EXPECT_EQ(registry().queryValue(key, name, &secondType, data.data(), &read), RegError::Success);
        EXPECT_EQ(read, size);
        EXPECT_EQ(secondType, firstType);
        if (type)
            *type = firstType;
        return data;
    }

    fs::path folder;
    std::optional<ScopedEnv> configHome;
    std::u16string base;
    std::vector<RegKey> opened;
};

} // namespace

TEST_F(RegistryContract, OpeningAMissingKeyReportsNotFound)
{
    RegKey key = 0;
    EXPECT_EQ(open(u"\\Missing", &key), RegError::FileNotFound);
}

TEST_F(RegistryContract, CreatingAKeyCreatesEveryMissingKeyOnItsPath)
{
    create(u"\\A\\B\\C");
    RegKey key = 0;
    EXPECT_EQ(open(u"", &key), RegError::Success);
    EXPECT_EQ(open(u"\\A", &key), RegError::Success);
    EXPECT_EQ(open(u"\\A\\B", &key), RegError::Success);
    EXPECT_EQ(open(u"\\A\\B\\C", &key), RegError::Success);
    EXPECT_EQ(open(u"\\A\\B\\C\\D", &key), RegError::FileNotFound);
}

TEST_F(RegistryContract, CreatingAnExistingKeyOpensItWithItsValues)
{
    set(create(u"\\Existing"), u"Kept", RegType::Dword, dwordBytes(7));
    const RegKey again = create(u"\\Existing");
    EXPECT_EQ(get(again, u"Kept"), dwordBytes(7));
}

TEST_F(RegistryContract, ValuesOutliveTheHandleThatWroteThem)
{
    const RegKey key = create(u"\\Lasting");
    set(key, u"Number", RegType::Dword, dwordBytes(0x12345678));
    ASSERT_EQ(registry().closeKey(key), RegError::Success);
    opened.pop_back();

    RegKey reopened = 0;
    ASSERT_EQ(open(u"\\Lasting", &reopened, RegAccess::QueryValue), RegError::Success);
    EXPECT_EQ(get(reopened, u"Number"), dwordBytes(0x12345678));
}

TEST_F(RegistryContract, KeyNamesCompareWithoutCase)
{
    set(create(u"\\MixedCase\\Sub"), u"Value", RegType::Dword, dwordBytes(1));
    RegKey key = 0;
    ASSERT_EQ(open(u"\\MIXEDCASE\\sub", &key), RegError::Success);
    EXPECT_EQ(get(key, u"Value"), dwordBytes(1));
}

TEST_F(RegistryContract, CyrillicKeyNamesCompareWithoutCase)
{
    set(create(u"\\Настройки"), u"Value", RegType::Dword, dwordBytes(2));
    RegKey key = 0;
    ASSERT_EQ(open(u"\\НАСТРОЙКИ", &key), RegError::Success);
    EXPECT_EQ(get(key, u"Value"), dwordBytes(2));
}

TEST_F(RegistryContract, ValueNamesCompareWithoutCaseAndAWriteReplacesTheOneValue)
{
    const RegKey key = create(u"\\Values");
    set(key, u"Папка", RegType::Sz, textBytes(u"first"));
    set(key, u"ПАПКА", RegType::Sz, textBytes(u"second"));
    EXPECT_EQ(get(key, u"папка"), textBytes(u"second"));
}

TEST_F(RegistryContract, AValueOfAnotherTypeReplacesTheOldOne)
{
    const RegKey key = create(u"\\Retyped");
    set(key, u"Value", RegType::Sz, textBytes(u"text"));
    set(key, u"Value", RegType::Dword, dwordBytes(5));
    std::uint32_t type = 0;
    EXPECT_EQ(get(key, u"Value", &type), dwordBytes(5));
    EXPECT_EQ(type, RegType::Dword);
}

TEST_F(RegistryContract, QueryWithoutABufferReportsTypeAndSize)
{
    const RegKey key = create(u"\\Sizes");
    set(key, u"Text", RegType::Sz, textBytes(u"abc"));
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    ASSERT_EQ(registry().queryValue(key, u"Text", &type, nullptr, &size), RegError::Success);
    EXPECT_EQ(type, RegType::Sz);
    EXPECT_EQ(size, 8u); // three UTF-16 units and the NUL
    // Neither type nor size wanted: only whether the value exists.
    EXPECT_EQ(registry().queryValue(key, u"Text", nullptr, nullptr, nullptr), RegError::Success);
}

TEST_F(RegistryContract, ABufferTooSmallReportsMoreDataAndTheSizeNeeded)
{
    const RegKey key = create(u"\\Small");
    set(key, u"Blob", RegType::Binary, Bytes{1, 2, 3, 4, 5});
    Bytes buffer(3, 0xEE);
    std::uint32_t size = 3;
    std::uint32_t type = 0;
    EXPECT_EQ(registry().queryValue(key, u"Blob", &type, buffer.data(), &size), RegError::MoreData);
    EXPECT_EQ(size, 5u);

    Bytes large(16, 0xEE);
    size = 16;
    ASSERT_EQ(registry().queryValue(key, u"Blob", &type, large.data(), &size), RegError::Success);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(Bytes(large.begin(), large.begin() + 5), (Bytes{1, 2, 3, 4, 5}));
}

TEST_F(RegistryContract, EveryValueTypeKeepsItsTypeAndBytes)
{
    const RegKey key = create(u"\\Types");
    struct Case {
        std::u16string name;
        std::uint32_t type;
        Bytes data;
    };
    const Case cases[] = {
        {u"Text", RegType::Sz, textBytes(u"C:\\Folder \"quoted\"")},
        {u"EmptyText", RegType::Sz, textBytes(u"")},
        {u"Expandable", RegType::ExpandSz, textBytes(u"%PATH%\\bin")},
        {u"List", RegType::MultiSz, Bytes{'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}},
        {u"Number", RegType::Dword, dwordBytes(0xFFFFFFFF)},
        {u"Blob", RegType::Binary, Bytes{0, 1, 0x7F, 0x80, 0xFF}},
        {u"EmptyBlob", RegType::Binary, Bytes{}},
        {u"Wide", RegType::Qword, Bytes{1, 2, 3, 4, 5, 6, 7, 8}},
        // The registry stores any type number as given.
        {u"Other", 0x1234, Bytes{9, 8, 7}},
    };
    for (const Case& c : cases)
        set(key, c.name, c.type, c.data);
    for (const Case& c : cases) {
        std::uint32_t type = 0;
        EXPECT_EQ(get(key, c.name, &type), c.data) << std::string(c.name.begin(), c.name.end());
        EXPECT_EQ(type, c.type);
    }
}

TEST_F(RegistryContract, TextsOutsideAsciiKeepEveryUnit)
{
    const RegKey key = create(u"\\Unicode");
    const std::u16string text = u"Церковнославянский: \u0473\u0483 Ἐν ἀρχῇ \U0001D11E";
    set(key, u"Образец", RegType::Sz, textBytes(text));
    EXPECT_EQ(get(key, u"Образец"), textBytes(text));
}

TEST_F(RegistryContract, AMissingValueReportsNotFound)
{
    const RegKey key = create(u"\\NoValues");
    std::uint32_t size = 0;
    EXPECT_EQ(registry().queryValue(key, u"Absent", nullptr, nullptr, &size), RegError::FileNotFound);
}

TEST_F(RegistryContract, TheEmptyNameIsTheKeysDefaultValue)
{
    const RegKey key = create(u"\\Default");
    std::uint32_t size = 0;
    EXPECT_EQ(registry().queryValue(key, u"", nullptr, nullptr, &size), RegError::FileNotFound);
    set(key, u"", RegType::Sz, textBytes(u"default"));
    set(key, u"Named", RegType::Sz, textBytes(u"named"));
    EXPECT_EQ(get(key, u""), textBytes(u"default"));
    EXPECT_EQ(get(key, u"Named"), textBytes(u"named"));
}

TEST_F(RegistryContract, DataWithoutItsSizeIsAnInvalidParameter)
{
    const RegKey key = create(u"\\Invalid");
    set(key, u"Value", RegType::Dword, dwordBytes(1));
    std::uint8_t buffer[4];
    EXPECT_EQ(registry().queryValue(key, u"Value", nullptr, buffer, nullptr), RegError::InvalidParameter);
}

TEST_F(RegistryContract, OpeningWithoutAPlaceForTheHandleIsAnInvalidParameter)
{
    create(u"\\Target");
    EXPECT_EQ(registry().openKey(kHKeyCurrentUser, base + u"\\Target", RegAccess::QueryValue, nullptr),
              RegError::InvalidParameter);
}

TEST_F(RegistryContract, ClosingAKeyTwiceReportsAnInvalidHandle)
{
    RegKey key = 0;
    ASSERT_EQ(registry().createKey(kHKeyCurrentUser, base + u"\\Closed", RegAccess::AllAccess, &key),
              RegError::Success);
    EXPECT_EQ(registry().closeKey(key), RegError::Success);
    EXPECT_EQ(registry().closeKey(key), RegError::InvalidHandle);
}

TEST_F(RegistryContract, AClosedHandleCanNoLongerBeUsed)
{
    RegKey key = 0;
    ASSERT_EQ(registry().createKey(kHKeyCurrentUser, base + u"\\Gone", RegAccess::AllAccess, &key), RegError::Success);
    ASSERT_EQ(registry().closeKey(key), RegError::Success);
    const Bytes data = dwordBytes(1);
    EXPECT_EQ(registry().setValue(key, u"Value", RegType::Dword, data.data(), 4), RegError::InvalidHandle);
    RegKey child = 0;
    EXPECT_EQ(registry().openKey(key, u"Child", RegAccess::QueryValue, &child), RegError::InvalidHandle);
}

TEST_F(RegistryContract, AHandleAllowsOnlyTheAccessItWasOpenedWith)
{
    set(create(u"\\Access"), u"Value", RegType::Dword, dwordBytes(1));
    RegKey reading = 0;
    ASSERT_EQ(open(u"\\Access", &reading, RegAccess::QueryValue), RegError::Success);
    const Bytes data = dwordBytes(2);
    EXPECT_EQ(registry().setValue(reading, u"Value", RegType::Dword, data.data(), 4), RegError::AccessDenied);

    const RegKey writing = create(u"\\Access", RegAccess::SetValue);
    std::uint32_t size = 0;
    EXPECT_EQ(registry().queryValue(writing, u"Value", nullptr, nullptr, &size), RegError::AccessDenied);
    EXPECT_EQ(get(reading, u"Value"), dwordBytes(1));
}

TEST_F(RegistryContract, KeysOpenAndCreateBelowAnOpenKey)
{
    const RegKey parent = create(u"\\Parent");
    RegKey child = 0;
    ASSERT_EQ(registry().createKey(parent, u"Child\\Grandchild", RegAccess::AllAccess, &child), RegError::Success);
    opened.push_back(child);
    set(child, u"Value", RegType::Dword, dwordBytes(3));

    RegKey found = 0;
    ASSERT_EQ(registry().openKey(parent, u"child\\GRANDCHILD", RegAccess::QueryValue, &found), RegError::Success);
    opened.push_back(found);
    EXPECT_EQ(get(found, u"Value"), dwordBytes(3));
    EXPECT_EQ(registry().openKey(parent, u"Other", RegAccess::QueryValue, &found), RegError::FileNotFound);
}

TEST_F(RegistryContract, TwoHandlesToOneKeySeeEachOthersWrites)
{
    const RegKey first = create(u"\\Shared");
    RegKey second = 0;
    ASSERT_EQ(open(u"\\Shared", &second), RegError::Success);
    set(first, u"Value", RegType::Dword, dwordBytes(10));
    EXPECT_EQ(get(second, u"Value"), dwordBytes(10));
    set(second, u"Value", RegType::Dword, dwordBytes(11));
    EXPECT_EQ(get(first, u"Value"), dwordBytes(11));
}
