#include "core/fonts/TInstalledFont.h"
#include "protocol/FontClassRules.h"

namespace {

bool hasBits(quint32 aWord, quint32 aBits) { return (aWord & aBits) == aBits; }

} // namespace

bool TInstalledFont::IsAppropriateFor(qint32 aFontClass) const
{
    switch (aFontClass) {
    case fcAny:
        return true;
    case fcUcs:
        return FontClassRules::IsUcsFace(Face.toStdU16String());
    case fcERoos:
        return FontClassRules::IsERoosFace(Face.toStdU16String());
    case fcRoos:
        return FontClassRules::IsRoosFace(Face.toStdU16String());
    case fcCyrillicCodePage:
        return hasBits(CpCover0, 1u << 2);
    case fcCyrillicUnicode:
        return hasBits(UniCover0, 1u << 9);
    case fcGreekCodePage:
        return hasBits(CpCover0, 1u << 3);
    case fcGreekExtended:
        return hasBits(UniCover0, 1u << 30);
    case fcLatin: // Basic Latin, Latin-1 Supplement, Extended-A, Extended-B, Extended Additional
        return hasBits(UniCover0, (1u << 0) | (1u << 1) | (1u << 2) | (1u << 3) | (1u << 29));
    default:
        return false;
    }
}
