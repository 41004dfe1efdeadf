#pragma once
#include <memory>
#include <string_view>

// What the fonts installed here can show: asked only when a source has a number or a Typikon
// sign, so that other conversions never pay for reading the font configuration.
namespace kezcc {

class InstalledFonts {
public:
    virtual ~InstalledFonts() = default;
    // Whether a face of this family is installed (the family itself, not a substitute).
    virtual bool hasFamily(std::u16string_view aFace) = 0;
    // Whether the face a reader gets when it asks for this family (itself, or the one that
    // stands in for it) has a glyph for the character.
    virtual bool covers(std::u16string_view aFace, char32_t aCharacter) = 0;
};

// The system's fonts through fontconfig, loaded at the first question (FONTCONFIG_FILE and the
// rest of fontconfig's environment apply). Without fontconfig nothing is installed.
std::unique_ptr<InstalledFonts> systemFonts();

} // namespace kezcc
