#pragma once
#include <QString>

// The texts of the error window, built from a report without any window.
namespace ErrorReportText {

// A line of 50 EM DASH characters.
QString DashLine();

// The section before the first separator (code 1).
QString ShortText(const QString& aMessage);

// Every section, the trail under "Стек:" and the error code, divided by dash lines.
QString FullText(const QString& aMessage, const QString& aSource, qint32 aErrorCode);

// "Код ошибки: N (0xHEX)", a negative code as its 32-bit two's complement.
QString ErrorCodeLine(qint32 aErrorCode);

} // namespace ErrorReportText
