#pragma once
#include <QByteArray>
#include <QString>

// What the converter does with one request, apart from the clipboard: check the record, read
// the source, write the RTF, and say how it went.
namespace kezcc {

struct Outcome {
    qint32 code = 0;    // 0 = converted; negative (never -1) = failed, message says why
    QString message;
};

namespace ResultCode {
inline constexpr qint32 Converted = 0;
inline constexpr qint32 MalformedRequest = -2;
inline constexpr qint32 SourceUnreadable = -3;
inline constexpr qint32 OutputUnwritable = -4;
inline constexpr qint32 NoRequest = -6;
inline constexpr qint32 InternalFailure = -9;
} // namespace ResultCode

// Converts what the request record (the bytes found on the clipboard) asks for. The output file
// appears whole or not at all.
Outcome convertRequest(const QByteArray& aRequest);

// The outcome of a request that never arrived.
Outcome noRequestOutcome();

// The outcome of a conversion that failed unexpectedly.
Outcome internalFailureOutcome(const QString& aDescription);

// The reply record: the request with the result filled in, or a fresh record when the request
// was too short to be one.
QByteArray makeReply(const QByteArray& aRequest, const Outcome& aOutcome);

} // namespace kezcc
