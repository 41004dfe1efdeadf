#include "core/options/TOptionsFont.h"
#include "core/errors/mErrorHandling.h"
#include "core/options/miRegistryTools.h"

using mErrorHandling::PassOn;

namespace {
constexpr const char* kModule = "TOptionsFont";
}

void TOptionsFont::AssignFrom(const TOptionsFont& aSource)
{
    PassOn(kModule, "AssignFrom", [&] {
        Face = aSource.Face;
        Size = aSource.Size;
        Bold = aSource.Bold;
        Italic = aSource.Italic;
        ForeColorIndex = aSource.ForeColorIndex;
        BackColorIndex = aSource.BackColorIndex;
    });
}

void TOptionsFont::FillWith(const QString& aFace, qint32 aSize, bool aBold, bool aItalic, qint32 aForeColorIndex,
                            qint32 aBackColorIndex)
{
    PassOn(kModule, "FillWith", [&] {
        Face = aFace;
        Size = aSize;
        Bold = aBold;
        Italic = aItalic;
        ForeColorIndex = aForeColorIndex;
        BackColorIndex = aBackColorIndex;
    });
}

void TOptionsFont::ReadFromRegistry(platform::RegKey aRoot, const QString& aKeyPath, const TOptionsFont& aDefaults)
{
    using namespace miRegistryTools;
    PassOn(kModule, "ReadFromRegistry", [&] {
        RegistryReadBatch batch;
        Face = ReadStrValueDef(aRoot, aKeyPath, QStringLiteral("FaceName"), aDefaults.Face);
        Size = ReadLongValueDef(aRoot, aKeyPath, QStringLiteral("Pitch"), aDefaults.Size);
        Bold = ReadBoolValueDef(aRoot, aKeyPath, QStringLiteral("Bold"), aDefaults.Bold);
        Italic = ReadBoolValueDef(aRoot, aKeyPath, QStringLiteral("Italic"), aDefaults.Italic);
        ForeColorIndex = ReadLongValueDef(aRoot, aKeyPath, QStringLiteral("Fore"), aDefaults.ForeColorIndex);
        BackColorIndex = ReadLongValueDef(aRoot, aKeyPath, QStringLiteral("Back"), aDefaults.BackColorIndex);
    });
}

void TOptionsFont::WriteToRegistry(platform::RegKey aRoot, const QString& aKeyPath) const
{
    using namespace miRegistryTools;
    // Write results are ignored: a failed write leaves the previous value.
    PassOn(kModule, "WriteToRegistry", [&] {
        RegistryBatch batch;
        WriteStrValue(aRoot, aKeyPath, QStringLiteral("FaceName"), Face);
        WriteLongValue(aRoot, aKeyPath, QStringLiteral("Pitch"), Size);
        WriteBoolValue(aRoot, aKeyPath, QStringLiteral("Bold"), Bold);
        WriteBoolValue(aRoot, aKeyPath, QStringLiteral("Italic"), Italic);
        WriteLongValue(aRoot, aKeyPath, QStringLiteral("Fore"), ForeColorIndex);
        WriteLongValue(aRoot, aKeyPath, QStringLiteral("Back"), BackColorIndex);
    });
}
