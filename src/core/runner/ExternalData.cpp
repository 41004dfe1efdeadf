#include "core/runner/ExternalData.h"
#include "core/errors/mErrorHandling.h"
#include "core/options/OptionsTable.h"
#include "core/options/TLuKezOptions.h"

using mErrorHandling::PassOn;

namespace miKezConverterRunner {
namespace {

constexpr const char* kModule = "miKezConverterRunner";

} // namespace

void SaveFontToExternal(uchar* aDestination, const TOptionsFont& aFont)
{
    PassOn(kModule, "SaveFontToExternal", [&] {
        using namespace ExternalData;
        SaveStringToPascalString(aDestination + FontOffset::Face, aFont.Face, kFaceCapacity);
        WriteInt32(aDestination, FontOffset::Size, aFont.Size);
        WriteInt32(aDestination, FontOffset::Bold, aFont.Bold ? 1 : 0);
        WriteInt32(aDestination, FontOffset::Italic, aFont.Italic ? 1 : 0);
        WriteInt32(aDestination, FontOffset::ForeColorIndex, aFont.ForeColorIndex);
        WriteInt32(aDestination, FontOffset::BackColorIndex, aFont.BackColorIndex);
        for (qint32 i = 0; i < 3; ++i)
            WriteInt32(aDestination, FontOffset::Reserved + 4 * i, 0);
    });
}

void SaveKezOptionsToExternal(const TLuKezOptions& aOptions, uchar* aRecord)
{
    PassOn(kModule, "SaveKezOptionsToExternal", [&] {
        // Each option at its field, in record order; the dialog's flags are not sent.
        for (const OptionsTable::Option& option : OptionsTable::Options()) {
            if (option.Number)
                ExternalData::WriteInt32(aRecord, option.Number->RecordOffset, aOptions.*option.Number->Member);
            else if (option.Font)
                SaveFontToExternal(aRecord + option.Font->RecordOffset, aOptions.*option.Font->Member);
        }
    });
}

void SaveAllToExternal(uchar* aRecord, const TLuKezOptions& aOptions, const QString& aSourceFile,
                       const QString& aOutputFile)
{
    PassOn(kModule, "SaveAllToExternal", [&] {
        using namespace ExternalData;
        WriteInt32(aRecord, Offset::Signature, qint32(kSignature));
        WriteInt32(aRecord, Offset::Version, kVersion);
        WriteInt32(aRecord, Offset::Size, kRecordSize);
        SaveKezOptionsToExternal(aOptions, aRecord);
        SaveStringToPascalString(aRecord + Offset::SourcePath, aSourceFile, kPathCapacity);
        SaveStringToPascalString(aRecord + Offset::OutputPath, aOutputFile, kPathCapacity);
        WriteInt32(aRecord, Offset::ResultCode, kNotConfirmed);
    });
}

} // namespace miKezConverterRunner
