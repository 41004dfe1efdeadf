// The main window's settings as the start reads them, while another program saves the options.
#include "core/options/TBrowserOptions.h"
#include "gui/main/miKezConverterMain.h"
#include "core/options/OptionsSaver.h"
#include "core/options/RegistrySpy.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

TEST(StartupRead, EveryStartReadsOneWholeSaveAndTheWindowsKeyFromTheSameVersion)
{
    TestEnvironment environment;
    const OptionsSaver saver(miKezConverterMain::kMainKey);
    ASSERT_TRUE(saver.ready);
    RegistrySpy spy;
    platform::ScopedService<platform::Registry> scoped(spy);
    const SavesRead starts = ReadWhileSaving(300, []() -> const TLuKezOptions& {
        miKezConverterMain::CreateAndReadOptions();
        return miKezConverterMain::gKezOptions();
    });
    miKezConverterMain::ReleaseOptions();
    EXPECT_EQ(starts.mixed, 0) << "of " << starts.reads;
    EXPECT_GE(starts.changes, 20) << "the other program saved during the starts";
    EXPECT_EQ(spy.readBatches, starts.reads) << "one version for all settings of a start";
    EXPECT_EQ(spy.queriesOutsideReadBatch, 0);
}
