#pragma once
#include "protocol/ExternalDataLayout.h"
#include "core/runner/PascalString.h"

#include <QString>

#include <array>

class TLuKezOptions;
class TOptionsFont;

// The record procedures of the converter hand-over; they work on a plain buffer.
namespace miKezConverterRunner {

using ExternalRecord = std::array<uchar, ExternalData::kRecordSize>;

// Fills one 160-byte font sub-record.
void SaveFontToExternal(uchar* aDestination, const TOptionsFont& aFont);

// Fills offsets 12 to 1507 of the record.
void SaveKezOptionsToExternal(const TLuKezOptions& aOptions, uchar* aRecord);

// Fills the whole record; the caller zeroes it first.
void SaveAllToExternal(uchar* aRecord, const TLuKezOptions& aOptions, const QString& aSourceFile,
                       const QString& aOutputFile);

} // namespace miKezConverterRunner
