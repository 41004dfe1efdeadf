#pragma once
#include "protocol/ConverterCodes.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The record exchanged with the converter: fixed size, fixed offsets, 32-bit little-endian
// integers, counted UTF-16LE strings in fields of fixed capacity. The one place for its layout;
// the program, the bundled converter and the test converter all use it.
// Plain layout, standard C++ only (the bundled converter has no Qt): what fills the record from
// the options lives with the runner.
namespace ExternalData {

inline constexpr std::int32_t kRecordSize = 7656;
inline constexpr std::int32_t kFontSize = 160;
inline constexpr std::uint32_t kSignature = 0x85D6A123u;
inline constexpr std::int32_t kVersion = 1;

// Capacities of the counted-string fields, in bytes.
inline constexpr std::int32_t kFaceCapacity = 128;
inline constexpr std::int32_t kPathCapacity = 2048;
inline constexpr std::int32_t kMessageCapacity = 2048;

// The most code units a field of the given capacity holds: 62 for a face, 1022 for a path.
constexpr std::int32_t MaxUnits(std::int32_t aCapacity) { return aCapacity < 4 ? 0 : (aCapacity - 4) / 2; }

inline constexpr std::int32_t kMaxPathUnits = MaxUnits(kPathCapacity);

// Result code the program leaves in the record: the converter never confirmed it ran.
inline constexpr std::int32_t kNotConfirmed = ConverterCodes::kNotConfirmed;

namespace Offset {
inline constexpr std::int32_t Signature = 0;
inline constexpr std::int32_t Version = 4;
inline constexpr std::int32_t Size = 8;
inline constexpr std::int32_t SourceEncoding = 12;
inline constexpr std::int32_t Ucs8Text = 16;
inline constexpr std::int32_t CSDigitMode = 176;
inline constexpr std::int32_t CSERoosText = 180;
inline constexpr std::int32_t CSOtherText = 340;
inline constexpr std::int32_t CSSpaceOutMode = 500;
inline constexpr std::int32_t CSSpaceOutText = 504;
inline constexpr std::int32_t RusMode = 664;
inline constexpr std::int32_t RussText = 668;
inline constexpr std::int32_t GreekMode = 828;
inline constexpr std::int32_t GreekText = 832;
inline constexpr std::int32_t LatinText = 992;
inline constexpr std::int32_t ErrorMode = 1152;
inline constexpr std::int32_t ErrorText = 1156;
inline constexpr std::int32_t NonSupportText = 1316;
inline constexpr std::int32_t NSModeFunction = 1476;
inline constexpr std::int32_t NSModeVariants = 1480;
inline constexpr std::int32_t NSModeSpecComm = 1484;
inline constexpr std::int32_t NSModeCommands = 1488;
inline constexpr std::int32_t FtnBottomImpl = 1492;
inline constexpr std::int32_t FtnBottomBack = 1496;
inline constexpr std::int32_t FtnMarginImpl = 1500;
inline constexpr std::int32_t FtnMarginBack = 1504;
inline constexpr std::int32_t SourcePath = 1508;
inline constexpr std::int32_t OutputPath = 3556;
inline constexpr std::int32_t ResultCode = 5604;
inline constexpr std::int32_t ResultMessage = 5608;
} // namespace Offset

// Inside a 160-byte font sub-record.
namespace FontOffset {
inline constexpr std::int32_t Face = 0;
inline constexpr std::int32_t Size = 128;
inline constexpr std::int32_t Bold = 132;
inline constexpr std::int32_t Italic = 136;
inline constexpr std::int32_t ForeColorIndex = 140;
inline constexpr std::int32_t BackColorIndex = 144;
inline constexpr std::int32_t Reserved = 148;
} // namespace FontOffset

// The nine font sub-records in record order.
inline constexpr std::array<std::int32_t, 9> kFontOffsets = {
    Offset::Ucs8Text,  Offset::CSERoosText, Offset::CSOtherText, Offset::CSSpaceOutText, Offset::RussText,
    Offset::GreekText, Offset::LatinText,   Offset::ErrorText,   Offset::NonSupportText};

static_assert(Offset::ResultMessage + kMessageCapacity == kRecordSize);
static_assert(Offset::NonSupportText + kFontSize == Offset::NSModeFunction);
static_assert(Offset::SourcePath + kPathCapacity == Offset::OutputPath);
static_assert(Offset::OutputPath + kPathCapacity == Offset::ResultCode);

inline std::int32_t ReadInt32(const unsigned char* aRecord, std::int32_t aOffset)
{
    const unsigned char* bytes = aRecord + aOffset;
    return std::int32_t(std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
                        std::uint32_t(bytes[3]) << 24);
}
inline void WriteInt32(unsigned char* aRecord, std::int32_t aOffset, std::int32_t aValue)
{
    for (int i = 0; i < 4; ++i)
        aRecord[aOffset + i] = static_cast<unsigned char>(std::uint32_t(aValue) >> (8 * i));
}

// True when the counted string in a field of this capacity has a count from 0 to MaxUnits: what a
// well-formed record holds. Reading a counted string is lenient about a large count; a reader
// that must not accept a damaged record checks this first.
inline bool IsWellFormedCountedString(const unsigned char* aField, std::int32_t aCapacity)
{
    if (aCapacity < 4)
        return false;
    const std::int32_t count = ReadInt32(aField, 0);
    return count >= 0 && count <= MaxUnits(aCapacity);
}

// Writes the text as a counted string into a field of aCapacity bytes; nothing when the capacity
// is below 4. A text longer than the field holds is cut to its first MaxUnits code units. Only
// the count and the code units are written.
inline void WriteCountedString(unsigned char* aField, std::u16string_view aText, std::int32_t aCapacity)
{
    if (aCapacity < 4)
        return;
    const std::int32_t count = std::int32_t(std::min<std::size_t>(aText.size(), std::size_t(MaxUnits(aCapacity))));
    WriteInt32(aField, 0, count);
    for (std::int32_t i = 0; i < count; ++i) {
        aField[4 + 2 * i] = static_cast<unsigned char>(aText[std::size_t(i)] & 0xFF);
        aField[5 + 2 * i] = static_cast<unsigned char>(aText[std::size_t(i)] >> 8);
    }
}

// The text of a counted string whose count is not negative; a count larger than the field holds
// reads what the field holds.
inline std::u16string ReadCountedString(const unsigned char* aField, std::int32_t aCapacity)
{
    const std::int32_t count = aCapacity < 4 ? 0 : std::max(0, std::min(ReadInt32(aField, 0), MaxUnits(aCapacity)));
    std::u16string text(std::size_t(count), u'\0');
    for (std::int32_t i = 0; i < count; ++i)
        text[std::size_t(i)] = char16_t(aField[4 + 2 * i] | aField[5 + 2 * i] << 8);
    return text;
}

} // namespace ExternalData
