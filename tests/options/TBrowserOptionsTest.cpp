#include "app/TBrowserOptions.h"
#include "errors/KezError.h"
#include "options/RegistrySpy.h"
#include "options/miRegistryTools.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

using namespace miRegistryTools;
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

TEST_F(BrowserOptions, ADestinationPlaceOfTwoReadsAsTheSameFolder)
{
    WriteLongValue(kHKeyCurrentUser, kKey, QStringLiteral("DestPlace"), 2);
    EXPECT_EQ(read().DestPlace, 0);
    WriteLongValue(kHKeyCurrentUser, kKey, QStringLiteral("DestPlace"), 1);
    EXPECT_EQ(read().DestPlace, 1);
    WriteLongValue(kHKeyCurrentUser, kKey, QStringLiteral("DestPlace"), -1);
    EXPECT_EQ(read().DestPlace, 0);
}

TEST_F(BrowserOptions, CheckBoxesStoredAsWordsAreUnderstood)
{
    WriteStrValue(kHKeyCurrentUser, kKey, QStringLiteral("SrcOnlyKez"), QStringLiteral("No"));
    WriteStrValue(kHKeyCurrentUser, kKey, QStringLiteral("ConvertImmediately"), QStringLiteral("sometimes"));
    const TBrowserOptions options = read();
    EXPECT_FALSE(options.SrcOnlyKez);
    EXPECT_TRUE(options.ConvertImmediately);
}

TEST_F(BrowserOptions, WritingAndReadingBackGivesTheSameSettings)
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
}

TEST_F(BrowserOptions, WritingStoresTheFourValuesInOrderWithTheirTypes)
{
    RegistrySpy spy;
    platform::ScopedService<platform::Registry> substitute(spy);
    TBrowserOptionsAccess::Write(defaults, kKey);
    const QString key = kKey + QLatin1Char('|');
    EXPECT_EQ(spy.writes, (QStringList{key + QStringLiteral("SrcOnlyKez|4"), key + QStringLiteral("DestPlace|4"),
                                       key + QStringLiteral("DestFolder|1"),
                                       key + QStringLiteral("ConvertImmediately|4")}));
    EXPECT_EQ(ReadLongValueDef(kHKeyCurrentUser, kKey, QStringLiteral("SrcOnlyKez"), -1), 1);
    EXPECT_EQ(ReadLongValueDef(kHKeyCurrentUser, kKey, QStringLiteral("ConvertImmediately"), -1), 1);
}

TEST_F(BrowserOptions, AnUnexpectedFailureNamesTheSettingsOnItsTrail)
{
    RegistrySpy spy;
    spy.throwOnOpen = true;
    platform::ScopedService<platform::Registry> substitute(spy);
    TBrowserOptions options;
    try {
        options.ReadFromRegistry(kHKeyCurrentUser, kKey, defaults);
        ADD_FAILURE() << "the failure was swallowed";
    } catch (const KezError& failure) {
        EXPECT_TRUE(failure.source().contains(QStringLiteral("::TBrowserOptions.ReadFromRegistry]\r\n")))
            << failure.source().toStdString();
    }
}
