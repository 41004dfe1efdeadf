#include "platform/FontEnumeration.h"
#include "platform/Services.h"
#include "platform/win32/WideText.h"

#include <windows.h>

#include <cwchar>
#include <vector>

// EnumFontFamiliesExW over the screen with DEFAULT_CHARSET: every face, once per character set.
// The wide form keeps names outside the ANSI code page intact.
namespace platform {
namespace {

int CALLBACK collect(const LOGFONTW* aLogFont, const TEXTMETRICW* aMetrics, DWORD aFontType, LPARAM aList)
{
    auto& list = *reinterpret_cast<std::vector<EnumeratedFont>*>(aList);
    try {
        const auto& entry = *reinterpret_cast<const ENUMLOGFONTEXW*>(aLogFont);
        const wchar_t* name = entry.elfLogFont.lfFaceName;
        EnumeratedFont font;
        font.face = win32::narrow(name, int(wcsnlen(name, LF_FACESIZE)));
        // OpenType with PostScript outlines lacks the TrueType bit but counts as well. Raster
        // entries may come with the short metrics only, so their flags are not read.
        const auto* extended = reinterpret_cast<const NEWTEXTMETRICEXW*>(aMetrics);
        font.trueType = (aFontType & TRUETYPE_FONTTYPE) != 0 ||
                        (!(aFontType & RASTER_FONTTYPE) && (extended->ntmTm.ntmFlags & NTM_PS_OPENTYPE) != 0);
        if (font.trueType) {
            const FONTSIGNATURE& signature = extended->ntmFontSig;
            for (int i = 0; i < 4; ++i)
                font.signature.unicodeSubsets[i] = signature.fsUsb[i];
            font.signature.codePages[0] = signature.fsCsb[0];
            font.signature.codePages[1] = signature.fsCsb[1];
        }
        list.push_back(std::move(font));
    } catch (...) {
        // One entry that cannot be taken is left out; the enumeration goes on.
    }
    return 1;
}

class Win32FontEnumeration final : public FontEnumeration {
public:
    std::vector<EnumeratedFont> enumerate() const override
    {
        std::vector<EnumeratedFont> list;
        HDC screen = GetDC(nullptr);
        if (!screen)
            return list;
        LOGFONTW wanted{};
        wanted.lfCharSet = DEFAULT_CHARSET;
        EnumFontFamiliesExW(screen, &wanted, collect, reinterpret_cast<LPARAM>(&list), 0);
        ReleaseDC(nullptr, screen);
        return list;
    }
};

} // namespace

template <>
FontEnumeration& defaultService<FontEnumeration>()
{
    static Win32FontEnumeration instance;
    return instance;
}

} // namespace platform
