#pragma once
#include <QString>

// The line break of every text the program writes for the user (messages, the error report):
// carriage return and line feed, as the texts are shown and copied on Windows.
inline const QString kCrLf = QStringLiteral("\r\n");
