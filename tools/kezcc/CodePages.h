#pragma once
#include <QByteArray>
#include <QString>

// Source encodings the converter reads, as the options number them.
namespace kezcc {

// The option values: 0 = detect, 1 = Windows-1251, 2 = DOS-866.
enum class SourceEncoding : qint32 { Detect = 0, Windows1251 = 1, Dos866 = 2 };

enum class TextEncoding { Utf8, Windows1251, Dos866 };

QString decodeWindows1251(const QByteArray& aBytes);
QString decodeDos866(const QByteArray& aBytes);

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(const QByteArray& aBytes);

// For "detect": UTF-8 when the bytes are valid UTF-8, otherwise whichever of the two Cyrillic
// code pages reads as more plausible Russian (Windows-1251 on a tie).
TextEncoding detectEncoding(const QByteArray& aBytes);

// The text of a source file. Detect drops a leading UTF-8 byte order mark.
QString decodeSource(const QByteArray& aBytes, SourceEncoding aEncoding);

} // namespace kezcc
