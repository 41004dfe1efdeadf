#pragma once
#include "runner/ConverterCodes.h"

#include <QtEndian>
#include <QtGlobal>

#include <array>

// The record exchanged with the converter: fixed size, fixed offsets, 32-bit little-endian
// integers, counted UTF-16LE strings in fields of fixed capacity. The one place for its layout;
// the program, the bundled converter and the test converter all use it.
// Plain layout: what fills the record from the options lives with the runner.
namespace ExternalData {

inline constexpr qint32 kRecordSize = 7656;
inline constexpr qint32 kFontSize = 160;
inline constexpr quint32 kSignature = 0x85D6A123u;
inline constexpr qint32 kVersion = 1;

// Capacities of the counted-string fields, in bytes.
inline constexpr qint32 kFaceCapacity = 128;
inline constexpr qint32 kPathCapacity = 2048;
inline constexpr qint32 kMessageCapacity = 2048;

// The most code units a field of the given capacity holds: 62 for a face, 1022 for a path.
constexpr qint32 MaxUnits(qint32 aCapacity) { return aCapacity < 4 ? 0 : (aCapacity - 4) / 2; }

inline constexpr qint32 kMaxPathUnits = MaxUnits(kPathCapacity);

// Result code the program leaves in the record: the converter never confirmed it ran.
inline constexpr qint32 kNotConfirmed = ConverterCodes::kNotConfirmed;

namespace Offset {
inline constexpr qint32 Signature = 0;
inline constexpr qint32 Version = 4;
inline constexpr qint32 Size = 8;
inline constexpr qint32 SourceEncoding = 12;
inline constexpr qint32 Ucs8Text = 16;
inline constexpr qint32 CSDigitMode = 176;
inline constexpr qint32 CSERoosText = 180;
inline constexpr qint32 CSOtherText = 340;
inline constexpr qint32 CSSpaceOutMode = 500;
inline constexpr qint32 CSSpaceOutText = 504;
inline constexpr qint32 RusMode = 664;
inline constexpr qint32 RussText = 668;
inline constexpr qint32 GreekMode = 828;
inline constexpr qint32 GreekText = 832;
inline constexpr qint32 LatinText = 992;
inline constexpr qint32 ErrorMode = 1152;
inline constexpr qint32 ErrorText = 1156;
inline constexpr qint32 NonSupportText = 1316;
inline constexpr qint32 NSModeFunction = 1476;
inline constexpr qint32 NSModeVariants = 1480;
inline constexpr qint32 NSModeSpecComm = 1484;
inline constexpr qint32 NSModeCommands = 1488;
inline constexpr qint32 FtnBottomImpl = 1492;
inline constexpr qint32 FtnBottomBack = 1496;
inline constexpr qint32 FtnMarginImpl = 1500;
inline constexpr qint32 FtnMarginBack = 1504;
inline constexpr qint32 SourcePath = 1508;
inline constexpr qint32 OutputPath = 3556;
inline constexpr qint32 ResultCode = 5604;
inline constexpr qint32 ResultMessage = 5608;
} // namespace Offset

// Inside a 160-byte font sub-record.
namespace FontOffset {
inline constexpr qint32 Face = 0;
inline constexpr qint32 Size = 128;
inline constexpr qint32 Bold = 132;
inline constexpr qint32 Italic = 136;
inline constexpr qint32 ForeColorIndex = 140;
inline constexpr qint32 BackColorIndex = 144;
inline constexpr qint32 Reserved = 148;
} // namespace FontOffset

// The nine font sub-records in record order.
inline constexpr std::array<qint32, 9> kFontOffsets = {
    Offset::Ucs8Text,  Offset::CSERoosText, Offset::CSOtherText, Offset::CSSpaceOutText, Offset::RussText,
    Offset::GreekText, Offset::LatinText,   Offset::ErrorText,   Offset::NonSupportText};

static_assert(Offset::ResultMessage + kMessageCapacity == kRecordSize);
static_assert(Offset::NonSupportText + kFontSize == Offset::NSModeFunction);
static_assert(Offset::SourcePath + kPathCapacity == Offset::OutputPath);
static_assert(Offset::OutputPath + kPathCapacity == Offset::ResultCode);

inline qint32 ReadInt32(const uchar* aRecord, qint32 aOffset) { return qFromLittleEndian<qint32>(aRecord + aOffset); }
inline void WriteInt32(uchar* aRecord, qint32 aOffset, qint32 aValue) { qToLittleEndian<qint32>(aValue, aRecord + aOffset); }

// True when the counted string in a field of this capacity has a count from 0 to MaxUnits: what a
// well-formed record holds. Reading a counted string is lenient about a large count; a reader
// that must not accept a damaged record checks this first.
inline bool IsWellFormedCountedString(const uchar* aField, qint32 aCapacity)
{
    if (aCapacity < 4)
        return false;
    const qint32 count = ReadInt32(aField, 0);
    return count >= 0 && count <= MaxUnits(aCapacity);
}

} // namespace ExternalData
