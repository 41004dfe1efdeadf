#pragma once
#include <QString>
#include <QtGlobal>

// The counted strings of the converter's record: a 32-bit little-endian count of UTF-16 code
// units, then the units, in a field of fixed capacity. Shared by the program and the converters.
namespace miKezConverterRunner {

// Writes the text as a counted string into a field of aCapacity bytes; nothing when the capacity
// is below 4. A text longer than the field holds is cut to its first MaxUnits code units.
// Only the count and the code units are written.
void SaveStringToPascalString(uchar* aDestination, const QString& aText, qint32 aCapacity);

// The text of a counted string in a field of aCapacity bytes; a count larger than the field
// holds reads what the field holds. A negative count is a malformed record: a run-time failure.
QString LoadPascalStringToString(const uchar* aSource, qint32 aCapacity);

} // namespace miKezConverterRunner
