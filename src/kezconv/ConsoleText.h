#pragma once
#include <QString>

#include <cstdio>

// Writes kezconv's words to one of its standard streams at once (no buffering behind a result).
// Names that are no UTF-8 are written with the bytes they came with. False when the text could
// not be written: whoever read the stream has gone.
bool writeConsoleText(FILE* aStream, const QString& aText);
