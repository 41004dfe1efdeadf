#pragma once
#include "platform/Registry.h"

#include <QString>

// How one class of text is set: face, size in points, bold, italic, text and background colour
// indices (0 = automatic). The record enforces no range.
class TOptionsFont {
public:
    QString Face;
    qint32 Size = 0;
    bool Bold = false;
    bool Italic = false;
    qint32 ForeColorIndex = 0;
    qint32 BackColorIndex = 0;

    void AssignFrom(const TOptionsFont& aSource);
    void FillWith(const QString& aFace, qint32 aSize, bool aBold, bool aItalic, qint32 aForeColorIndex,
                  qint32 aBackColorIndex);

    // Each field falls back to the same field of aDefaults when missing or unreadable.
    void ReadFromRegistry(platform::RegKey aRoot, const QString& aKeyPath, const TOptionsFont& aDefaults);
    void WriteToRegistry(platform::RegKey aRoot, const QString& aKeyPath) const;

    bool operator==(const TOptionsFont&) const = default;
};
