#pragma once
#include "InstalledFonts.h"
#include "Text.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// Which font each Church Slavonic number and Typikon sign is written in: the order CSDigitMode
// gives, falling back by what is installed here. The fonts are looked up once, at the first
// number or sign that needs them.
namespace kezcc {

enum class DigitFont {
    Ordinary, // Unicode in CSOtherText
    ERoos,    // eROOS places in CSERoosText
    StandIn,  // a sign's ASCII stand-in in CSOtherText
};

class DigitFonts {
public:
    using Lookup = std::function<std::unique_ptr<InstalledFonts>()>;

    // aERoosFace and aOrdinaryFace as the RTF names them; aLookup gives the installed fonts
    // (null: none installed).
    DigitFonts(int aMode, std::u16string aERoosFace, std::u16string aOrdinaryFace, Lookup aLookup);

    // A number's letters go to one font together, so that the titlo stays over its letter.
    DigitFont numberFont(std::u32string_view aLetters);
    DigitFont signFont(char32_t aSign);

    // What fell back, for the reply: empty when every number and sign went where the mode puts it first.
    Text remarks() const;

private:
    InstalledFonts* fonts();
    bool eroosInstalled();
    bool ordinaryCovers(std::u32string_view aCharacters);
    // The mode's choice for a number's letters or (aSign) a typikon sign.
    DigitFont choose(std::u32string_view aCharacters, bool aSign);
    DigitFont ordinaryOrStandIn(std::u32string_view aCharacters, bool aSign);

    int mMode;
    std::u16string mERoosFace;
    std::u16string mOrdinaryFace;
    Lookup mLookup;
    std::unique_ptr<InstalledFonts> mFonts;
    bool mLookedUp = false;
    int mERoosInstalled = -1; // not asked yet
    bool mERoosMissed = false;   // eROOS wanted but not installed
    bool mERoosInstead = false;  // eROOS for what the ordinary font lacks
    bool mStandIns = false;
    // What the ordinary face was found to have, by character: -1 not asked yet. Cyrillic and the
    // signs, the characters numbers and signs are made of.
    std::array<std::int8_t, 0x100> mCyrillic;
    std::array<std::int8_t, 4> mSigns;
};

} // namespace kezcc
