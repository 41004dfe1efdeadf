#include "core/runner/ExternalData.h"
#include "core/errors/mErrorHandling.h"
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
        using namespace ExternalData;
        WriteInt32(aRecord, Offset::SourceEncoding, aOptions.SourceEncoding);
        SaveFontToExternal(aRecord + Offset::Ucs8Text, aOptions.Ucs8Text());
        WriteInt32(aRecord, Offset::CSDigitMode, aOptions.CSDigitMode);
        SaveFontToExternal(aRecord + Offset::CSERoosText, aOptions.CSERoosText());
        SaveFontToExternal(aRecord + Offset::CSOtherText, aOptions.CSOtherText());
        WriteInt32(aRecord, Offset::CSSpaceOutMode, aOptions.CSSpaceOutMode);
        SaveFontToExternal(aRecord + Offset::CSSpaceOutText, aOptions.CSSpaceOutText());
        WriteInt32(aRecord, Offset::RusMode, aOptions.RusMode);
        SaveFontToExternal(aRecord + Offset::RussText, aOptions.RussText());
        WriteInt32(aRecord, Offset::GreekMode, aOptions.GreekMode);
        SaveFontToExternal(aRecord + Offset::GreekText, aOptions.GreekText());
        SaveFontToExternal(aRecord + Offset::LatinText, aOptions.LatinText());
        WriteInt32(aRecord, Offset::ErrorMode, aOptions.ErrorMode);
        SaveFontToExternal(aRecord + Offset::ErrorText, aOptions.ErrorText());
        SaveFontToExternal(aRecord + Offset::NonSupportText, aOptions.NonSupportText());
        WriteInt32(aRecord, Offset::NSModeFunction, aOptions.NSModeFunction);
        WriteInt32(aRecord, Offset::NSModeVariants, aOptions.NSModeVariants);
        WriteInt32(aRecord, Offset::NSModeSpecComm, aOptions.NSModeSpecComm);
        WriteInt32(aRecord, Offset::NSModeCommands, aOptions.NSModeCommands);
        WriteInt32(aRecord, Offset::FtnBottomImpl, aOptions.FtnBottomImpl);
        WriteInt32(aRecord, Offset::FtnBottomBack, aOptions.FtnBottomBack);
        WriteInt32(aRecord, Offset::FtnMarginImpl, aOptions.FtnMarginImpl);
        WriteInt32(aRecord, Offset::FtnMarginBack, aOptions.FtnMarginBack);
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
