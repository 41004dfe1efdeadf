// What the program expects of the registry, on the backend built for this platform: the
// settings file on POSIX, the real registry on Windows (under Wine here). On Windows the keys go
// below HKEY_CURRENT_USER\Software\KezConverter Tests, named by process and test so that runs
// never meet each other's keys.
#include "platform/Registry.h"
#include "platform/support/PlatformTestSupport.h"

using namespace platform;
using namespace testsupport;

namespace {

class RegistryContract : public ::testing::Test {
protected:
    void SetUp() override
    {
        base = u"Software\\KezConverter Tests\\" +
               u16(std::to_string(processId()) + "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override
    {
        for (RegKey key : opened)
            registry().closeKey(key);
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
    // As the program reads: size and type first, then the data into a buffer of exactly that size.
    std::optional<Bytes> get(RegKey key, const std::u16string& name, std::uint32_t* type = nullptr)
    {
        std::uint32_t size = 0, firstType = 0, secondType = 0;
        if (registry().queryValue(key, name, &firstType, nullptr, &size) != RegError::Success)
            return std::nullopt;
        Bytes data(size);
        std::uint32_t read = size;
        EXPECT_EQ(registry().queryValue(key, name, &secondType, data.data(), &read), RegError::Success);
        EXPECT_EQ(read, size);
        EXPECT_EQ(secondType, firstType);
        if (type)
            *type = firstType;
        return data;
    }

#ifndef _WIN32
    TempFolder folder;
    ScopedEnv configHome{"XDG_CONFIG_HOME", folder.path.string()};
#endif
    std::u16string base;
    std::vector<RegKey> opened;
};

} // namespace

TEST_F(RegistryContract, CreatingAKeyCreatesEveryMissingKeyOnItsPathAndKeepsAnExistingOne)
{
    RegKey key = 0;
    EXPECT_EQ(open(u"\\A", &key), RegError::FileNotFound);
    set(create(u"\\A\\B\\C"), u"Kept", RegType::Dword, dwordBytes(7));
    for (const char16_t* path : {u"", u"\\A", u"\\A\\B", u"\\A\\B\\C"})
        EXPECT_EQ(open(path, &key), RegError::Success);
    EXPECT_EQ(open(u"\\A\\B\\C\\D", &key), RegError::FileNotFound);
    EXPECT_EQ(get(create(u"\\A\\B\\C"), u"Kept"), dwordBytes(7));
}

TEST_F(RegistryContract, KeyAndValueNamesCompareWithoutCase)
{
    const RegKey key = create(u"\\MixedCase\\Настройки");
    set(key, u"Папка", RegType::Sz, textBytes(u"first"));
    set(key, u"ПАПКА", RegType::Sz, textBytes(u"second"));
    RegKey found = 0;
    ASSERT_EQ(open(u"\\MIXEDCASE\\НАСТРОЙКИ", &found), RegError::Success);
    EXPECT_EQ(get(found, u"папка"), textBytes(u"second"));
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
        {u"Образец", RegType::Sz, textBytes(u"Церковнославянский: \u0473\u0483 Ἐν ἀρχῇ \U0001D11E")},
        {u"", RegType::Sz, textBytes(u"the key's default value")},
        {u"Expandable", RegType::ExpandSz, textBytes(u"%PATH%\\bin")},
        {u"List", RegType::MultiSz, Bytes{'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}},
        {u"Number", RegType::Dword, dwordBytes(0xFFFFFFFF)},
        {u"Blob", RegType::Binary, Bytes{0, 1, 0x7F, 0x80, 0xFF}},
        {u"EmptyBlob", RegType::Binary, Bytes{}},
        {u"Wide", RegType::Qword, Bytes{1, 2, 3, 4, 5, 6, 7, 8}},
        {u"Other", 0x1234, Bytes{9, 8, 7}}, // any type number is stored as given
    };
    EXPECT_FALSE(get(key, u""));
    set(key, u"Retyped", RegType::Sz, textBytes(u"text"));
    set(key, u"Retyped", RegType::Dword, dwordBytes(5));
    for (const Case& c : cases)
        set(key, c.name, c.type, c.data);
    for (const Case& c : cases) {
        std::uint32_t type = 0;
        EXPECT_EQ(get(key, c.name, &type), c.data) << std::string(c.name.begin(), c.name.end());
        EXPECT_EQ(type, c.type);
    }
    std::uint32_t type = 0;
    EXPECT_EQ(get(key, u"Retyped", &type), dwordBytes(5));
    EXPECT_EQ(type, RegType::Dword);
}

TEST_F(RegistryContract, QueryReportsSizeMoreDataAndMissingValues)
{
    const RegKey key = create(u"\\Query");
    set(key, u"Blob", RegType::Binary, Bytes{1, 2, 3, 4, 5});
    std::uint32_t type = 0, size = 3;
    Bytes buffer(16, 0xEE);
    EXPECT_EQ(registry().queryValue(key, u"Blob", &type, buffer.data(), &size), RegError::MoreData);
    EXPECT_EQ(size, 5u);
    size = 16;
    ASSERT_EQ(registry().queryValue(key, u"Blob", &type, buffer.data(), &size), RegError::Success);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 5), (Bytes{1, 2, 3, 4, 5}));
    // Neither type nor size wanted: only whether the value exists.
    EXPECT_EQ(registry().queryValue(key, u"Blob", nullptr, nullptr, nullptr), RegError::Success);
    EXPECT_EQ(registry().queryValue(key, u"Absent", nullptr, nullptr, &size), RegError::FileNotFound);
}

TEST_F(RegistryContract, MissingArgumentsAreInvalidParameters)
{
    const RegKey key = create(u"\\Invalid");
    set(key, u"Value", RegType::Dword, dwordBytes(1));
    std::uint8_t buffer[4];
    EXPECT_EQ(registry().queryValue(key, u"Value", nullptr, buffer, nullptr), RegError::InvalidParameter);
    EXPECT_EQ(registry().openKey(kHKeyCurrentUser, base + u"\\Invalid", RegAccess::QueryValue, nullptr),
              RegError::InvalidParameter);
}

TEST_F(RegistryContract, AClosedHandleIsInvalid)
{
    RegKey key = 0;
    ASSERT_EQ(registry().createKey(kHKeyCurrentUser, base + u"\\Closed", RegAccess::AllAccess, &key), RegError::Success);
    EXPECT_EQ(registry().closeKey(key), RegError::Success);
    EXPECT_EQ(registry().closeKey(key), RegError::InvalidHandle);
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
    std::uint32_t size = 0;
    EXPECT_EQ(registry().queryValue(create(u"\\Access", RegAccess::SetValue), u"Value", nullptr, nullptr, &size),
              RegError::AccessDenied);
    EXPECT_EQ(get(reading, u"Value"), dwordBytes(1));
}

TEST_F(RegistryContract, WhatABatchWritesIsReadBackDuringItAndAfterIt)
{
    ASSERT_EQ(registry().beginBatch(), RegError::Success);
    const RegKey key = create(u"\\Batch\\Inner");
    set(key, u"First", RegType::Dword, dwordBytes(1));
    {
        RegistryBatch nested(registry());
        set(key, u"Second", RegType::Sz, textBytes(u"второй"));
        set(key, u"First", RegType::Dword, dwordBytes(3));
    }
    EXPECT_EQ(get(key, u"First"), dwordBytes(3)) << "a nested batch leaves the outer one open";
    EXPECT_EQ(get(key, u"Second"), textBytes(u"второй"));
    ASSERT_EQ(registry().commitBatch(), RegError::Success);

    RegKey again = 0;
    ASSERT_EQ(open(u"\\BATCH\\inner", &again), RegError::Success);
    EXPECT_EQ(get(again, u"First"), dwordBytes(3));
    EXPECT_EQ(get(again, u"Second"), textBytes(u"второй"));
    EXPECT_EQ(registry().commitBatch(), RegError::InvalidParameter) << "no batch is open any more";
}

TEST_F(RegistryContract, AnEmptyBatchAndARepeatedCommitChangeNothing)
{
    set(create(u"\\Empty"), u"Value", RegType::Dword, dwordBytes(4));
    RegistryBatch batch(registry());
    EXPECT_EQ(batch.commit(), RegError::Success);
    EXPECT_EQ(batch.commit(), RegError::InvalidParameter);
    RegKey key = 0;
    ASSERT_EQ(open(u"\\Empty", &key), RegError::Success);
    EXPECT_EQ(get(key, u"Value"), dwordBytes(4));
}

// What holds on every backend: a read batch sees this program's own writes at once, nests, may
// open and end across a batch, and must be matched.
TEST_F(RegistryContract, AReadBatchSeesThisProgramsOwnWritesAndMustBeMatched)
{
    const RegKey key = create(u"\\Read");
    set(key, u"Value", RegType::Dword, dwordBytes(1));
    {
        RegistryReadBatch reading(registry());
        EXPECT_EQ(get(key, u"Value"), dwordBytes(1));
        set(key, u"Value", RegType::Dword, dwordBytes(2));
        EXPECT_EQ(get(key, u"Value"), dwordBytes(2));
        RegistryBatch batch(registry());
        set(key, u"Value", RegType::Dword, dwordBytes(3));
        EXPECT_EQ(get(key, u"Value"), dwordBytes(3));
        EXPECT_EQ(batch.commit(), RegError::Success);
        RegistryReadBatch nested(registry());
        set(create(u"\\Read\\Inner"), u"New", RegType::Dword, dwordBytes(4));
        RegKey inner = 0;
        ASSERT_EQ(open(u"\\Read\\Inner", &inner), RegError::Success);
        EXPECT_EQ(get(inner, u"New"), dwordBytes(4));
        EXPECT_EQ(get(key, u"Value"), dwordBytes(3));
    }
    ASSERT_EQ(registry().beginReadBatch(), RegError::Success);
    ASSERT_EQ(registry().beginBatch(), RegError::Success);
    set(key, u"Value", RegType::Dword, dwordBytes(5));
    ASSERT_EQ(registry().endReadBatch(), RegError::Success);
    EXPECT_EQ(get(key, u"Value"), dwordBytes(5));
    ASSERT_EQ(registry().beginReadBatch(), RegError::Success);
    ASSERT_EQ(registry().commitBatch(), RegError::Success);
    EXPECT_EQ(get(key, u"Value"), dwordBytes(5));
    ASSERT_EQ(registry().endReadBatch(), RegError::Success);
    EXPECT_EQ(registry().endReadBatch(), RegError::InvalidParameter) << "no read batch is open any more";
    EXPECT_EQ(get(key, u"Value"), dwordBytes(5));
}
