#include "DigitFonts.h"

#include "protocol/OptionValues.h"
#include "protocol/FontClassRules.h"

namespace kezcc {

namespace Digits = OptionValues::CSDigitMode;

DigitFonts::DigitFonts(int aMode, std::u16string aERoosFace, std::u16string aOrdinaryFace, Lookup aLookup)
    : mMode(aMode), mERoosFace(std::move(aERoosFace)), mOrdinaryFace(std::move(aOrdinaryFace)),
      mLookup(std::move(aLookup))
{
    mCyrillic.fill(-1);
    mSigns.fill(-1);
}

InstalledFonts* DigitFonts::fonts()
{
    if (!mLookedUp) {
        mLookedUp = true;
        if (mLookup)
            mFonts = mLookup();
    }
    return mFonts.get();
}

// The face the request names, installed, and an eROOS face by the font catalogue's rule.
bool DigitFonts::eroosInstalled()
{
    if (mERoosInstalled < 0)
        mERoosInstalled = FontClassRules::IsERoosFace(mERoosFace) && fonts() && fonts()->hasFamily(mERoosFace);
    return mERoosInstalled == 1;
}

bool DigitFonts::ordinaryCovers(std::u32string_view aCharacters)
{
    if (!fonts())
        return false;
    for (const char32_t c : aCharacters) {
        std::int8_t* known = c >= 0x0400 && c <= 0x04FF     ? &mCyrillic[c - 0x0400]
                             : c >= 0x1F540 && c <= 0x1F543 ? &mSigns[c - 0x1F540]
                                                            : nullptr;
        const bool has = known && *known >= 0 ? *known == 1 : fonts()->covers(mOrdinaryFace, c);
        if (known)
            *known = has ? 1 : 0;
        if (!has)
            return false;
    }
    return true;
}

// What the ordinary font alone gives: a number's letters as they are, a sign as itself where the
// font has it, else its stand-in.
DigitFont DigitFonts::ordinaryOrStandIn(std::u32string_view aCharacters, bool aSign)
{
    if (!aSign || ordinaryCovers(aCharacters))
        return DigitFont::Ordinary;
    mStandIns = true;
    return DigitFont::StandIn;
}

DigitFont DigitFonts::numberFont(std::u32string_view aLetters) { return choose(aLetters, false); }

DigitFont DigitFonts::signFont(char32_t aSign) { return choose(std::u32string_view(&aSign, 1), true); }

DigitFont DigitFonts::choose(std::u32string_view aCharacters, bool aSign)
{
    if (mMode == Digits::OrdinaryThenERoos) {
        if (ordinaryCovers(aCharacters))
            return DigitFont::Ordinary;
        if (eroosInstalled()) {
            mERoosInstead = true;
            return DigitFont::ERoos;
        }
        mERoosMissed = true;
    } else if (mMode == Digits::ERoosThenOrdinary) {
        if (eroosInstalled())
            return DigitFont::ERoos;
        mERoosMissed = true;
    }
    return ordinaryOrStandIn(aCharacters, aSign);
}

Text DigitFonts::remarks() const
{
    Text text;
    const auto add = [&text](const Text& aRemark) { appendRemark(text, aRemark); };
    if (mERoosMissed) {
        // The font catalogue's rule, so the options dialog would not offer the face for eROOS either.
        const Text what = FontClassRules::IsERoosFace(mERoosFace) ? u"Шрифт eROOS «" + mERoosFace + u"» не установлен"
                                                                  : u"«" + mERoosFace + u"» не шрифт eROOS";
        add(what + u": числа и знаки Типикона записаны шрифтом «" + mOrdinaryFace + u"»");
    }
    if (mERoosInstead)
        add(u"Шрифт «" + mOrdinaryFace + u"» показывает не все числа и знаки Типикона: они записаны шрифтом eROOS «" +
            mERoosFace + u"»");
    if (mStandIns)
        add(u"В шрифте «" + mOrdinaryFace + u"» нет знаков Типикона: вместо них записаны замены из обычных знаков");
    return text;
}

} // namespace kezcc
