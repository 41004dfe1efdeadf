#pragma once
// The converter hand-over's names in one place: the clipboard format, and every result code the
// program logs. Plain C++ so that the platform tests and the converters can use it too.
//
// The program's own codes describe the hand-over (-1 .. -11); the bundled converter's codes
// describe the conversion and start at -100, so a logged code tells which side failed.

#include <cstdint>

namespace ConverterCodes {

// The registered clipboard format the record travels under, both ways.
inline constexpr char kFormatName[] = "KezCC_ExternalData";

// Written by the program; a reply still holding it means the converter never confirmed it ran.
inline constexpr std::int32_t kNotConfirmed = -1;
inline constexpr std::int32_t kGlobalAllocFailed = -2;
inline constexpr std::int32_t kLaunchFailed = -3;
inline constexpr std::int32_t kReplyUnreadable = -4;
inline constexpr std::int32_t kClipboardPlaceFailed = -10;
inline constexpr std::int32_t kPathTooLong = -11;

// The bundled converter's replies. 0 is success; a success may still carry a message (counts of
// mark-up errors and undecodable bytes).
namespace Kezcc {
inline constexpr std::int32_t Converted = 0;
inline constexpr std::int32_t MalformedRequest = -101;
inline constexpr std::int32_t SourceUnreadable = -102;
inline constexpr std::int32_t OutputUnwritable = -103;
inline constexpr std::int32_t NoRequest = -104;
inline constexpr std::int32_t SourceNotRegularFile = -105;
inline constexpr std::int32_t InternalFailure = -109;
} // namespace Kezcc

} // namespace ConverterCodes
