#include "core/options/TBrowserOptions.h"
#include "core/errors/mErrorHandling.h"
#include "core/options/miRegistryTools.h"

using mErrorHandling::PassOn;

namespace {
constexpr const char* kModule = "TBrowserOptions";
}

void TBrowserOptions::FillWithDefaults()
{
    PassOn(kModule, "FillWithDefaults", [&] {
        SrcOnlyKez = true;
        DestPlace = 0;
        DestFolder.clear();
        ConvertImmediately = true;
    });
}

void TBrowserOptions::ReadFromRegistry(platform::RegKey aRoot, const QString& aKeyPath, const TBrowserOptions& aDefault)
{
    using namespace miRegistryTools;
    PassOn(kModule, "ReadFromRegistry", [&] {
        RegistryReadBatch batch;
        SrcOnlyKez = ReadBoolValueDef(aRoot, aKeyPath, QStringLiteral("SrcOnlyKez"), aDefault.SrcOnlyKez);
        DestPlace = ReadLongValueRangeDef(aRoot, aKeyPath, QStringLiteral("DestPlace"), 0, 1, aDefault.DestPlace);
        DestFolder = ReadStrValueDef(aRoot, aKeyPath, QStringLiteral("DestFolder"), aDefault.DestFolder);
        ConvertImmediately =
            ReadBoolValueDef(aRoot, aKeyPath, QStringLiteral("ConvertImmediately"), aDefault.ConvertImmediately);
    });
}

void TBrowserOptions::WriteToRegistry(platform::RegKey aRoot, const QString& aKeyPath) const
{
    using namespace miRegistryTools;
    PassOn(kModule, "WriteToRegistry", [&] {
        RegistryBatch batch;
        WriteBoolValue(aRoot, aKeyPath, QStringLiteral("SrcOnlyKez"), SrcOnlyKez);
        WriteLongValue(aRoot, aKeyPath, QStringLiteral("DestPlace"), DestPlace);
        WriteStrValue(aRoot, aKeyPath, QStringLiteral("DestFolder"), DestFolder);
        WriteBoolValue(aRoot, aKeyPath, QStringLiteral("ConvertImmediately"), ConvertImmediately);
        batch.CommitOrRaise(aKeyPath);
    });
}
