#include "options/TOptionsFont.h"

void TOptionsFont::AssignFrom(const TOptionsFont& aSource)
{
    Face = aSource.Face;
    Size = aSource.Size;
    Bold = aSource.Bold;
    Italic = aSource.Italic;
    ForeColorIndex = aSource.ForeColorIndex;
    BackColorIndex = aSource.BackColorIndex;
}

void TOptionsFont::FillWith(const QString& aFace, qint32 aSize, bool aBold, bool aItalic, qint32 aForeColorIndex,
                            qint32 aBackColorIndex)
{
    Face = aFace;
    Size = aSize;
    Bold = aBold;
    Italic = aItalic;
    ForeColorIndex = aForeColorIndex;
    BackColorIndex = aBackColorIndex;
}

// TODO(settings): registry transfer.
void TOptionsFont::ReadFromRegistry(platform::RegKey, const QString&, const TOptionsFont& aDefaults)
{
    AssignFrom(aDefaults);
}

void TOptionsFont::WriteToRegistry(platform::RegKey, const QString&) const {}
