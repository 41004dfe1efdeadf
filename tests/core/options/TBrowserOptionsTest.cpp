#include "core/options/TBrowserOptions.h"
#include "core/options/RegistrySpy.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

using platform::kHKeyCurrentUser;

// The settings are written only by the program's own modules; the tests are one of them.
struct TBrowserOptionsAccess {
    static void Write(const TBrowserOptions& aOptions, const QString& aKeyPath)
    {
        aOptions.WriteToRegistry(kHKeyCurrentUser, aKeyPath);
    }
};

namespace {

const QString kKey = QStringLiteral("Software\\Torvane Software\\KEZConv\\Browser");

class BrowserOptions : public ::testing::Test {
protected:
    BrowserOptions() { defaults.FillWithDefaults(); }

    TBrowserOptions read()
    {
        TBrowserOptions options;
        options.ReadFromRegistry(kHKeyCurrentUser, kKey, defaults);
        return options;
    }

    TestEnvironment environment;
    TBrowserOptions defaults;
};

} // namespace

TEST_F(BrowserOptions, NothingStoredGivesKezOnlySameFolderNoFolderAndImmediateConversion)
{
    const TBrowserOptions options = read();
    EXPECT_TRUE(options.SrcOnlyKez);
    EXPECT_EQ(options.DestPlace, 0);
    EXPECT_TRUE(options.DestFolder.isEmpty());
    EXPECT_TRUE(options.ConvertImmediately);
}

TEST_F(BrowserOptions, ADestinationPlaceOutsideZeroToOneReadsAsTheSameFolder)
{
    for (const auto& [stored, place] : {std::pair{2, 0}, std::pair{1, 1}, std::pair{-1, 0}}) {
        Store(kKey, QStringLiteral("DestPlace"), stored);
        EXPECT_EQ(read().DestPlace, place) << stored;
    }
}

TEST_F(BrowserOptions, CheckBoxesAreReadAsBooleansIncludingWords)
{
    Store(kKey, QStringLiteral("SrcOnlyKez"), QStringLiteral("No"));
    Store(kKey, QStringLiteral("ConvertImmediately"), QStringLiteral("sometimes"));
    const TBrowserOptions options = read();
    EXPECT_FALSE(options.SrcOnlyKez);
    EXPECT_TRUE(options.ConvertImmediately);
}

TEST_F(BrowserOptions, WritingAndReadingBackGivesTheSameSettingsWithTheFolderAsText)
{
    TBrowserOptions written;
    written.SrcOnlyKez = false;
    written.DestPlace = 1;
    written.DestFolder = QStringLiteral("/home/user/Документы/RTF \"готово\"");
    written.ConvertImmediately = false;
    TBrowserOptionsAccess::Write(written, kKey);

    const TBrowserOptions options = read();
    EXPECT_FALSE(options.SrcOnlyKez);
    EXPECT_EQ(options.DestPlace, 1);
    EXPECT_EQ(options.DestFolder, written.DestFolder);
    EXPECT_FALSE(options.ConvertImmediately);
    EXPECT_EQ(StoredType(kKey, QStringLiteral("DestFolder")), platform::RegType::Sz);
    for (const char* name : {"SrcOnlyKez", "DestPlace", "ConvertImmediately"})
        EXPECT_EQ(StoredType(kKey, QString::fromLatin1(name)), platform::RegType::Dword) << name;
}
