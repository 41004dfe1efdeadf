#include "ChurchSlavonic.h"
#include "CodePages.h"

#include <algorithm>
#include <array>

namespace kezcc {
namespace {

constexpr char32_t kThousands = 0x0482;
constexpr char32_t kTitlo = 0x0483;

// Letters of units, tens and hundreds, 1 to 9.
constexpr std::array<char32_t, 9> kUnits = {0x0430, 0x0432, 0x0433, 0x0434, 0x0454, 0x0455, 0x0437, 0x0438, 0x0473};
// 70 and 800 as today's books print them: broad on (U+047B) and ot (U+047F), not о and ѡ.
constexpr std::array<char32_t, 9> kTens = {0x0456, 0x043A, 0x043B, 0x043C, 0x043D, 0x046F, 0x047B, 0x043F, 0x0447};
constexpr std::array<char32_t, 9> kHundreds = {0x0440, 0x0441, 0x0442, 0x0475, 0x0444, 0x0445, 0x0471, 0x047F, 0x0446};

// 1..999 as letters, without marks, after aLetters; units come before і in 11..19.
void groupLetters(int aValue, std::u32string& letters)
{
    const int hundreds = aValue / 100, tens = aValue / 10 % 10, units = aValue % 10;
    if (hundreds > 0)
        letters += kHundreds[hundreds - 1];
    if (tens == 1 && units > 0) {
        letters += kUnits[units - 1];
        letters += kTens[0];
        return;
    }
    if (tens > 0)
        letters += kTens[tens - 1];
    if (units > 0)
        letters += kUnits[units - 1];
}

struct SignInfo {
    std::u32string_view name;
    char32_t character;
    std::u32string_view standIn;
};

// As the Menaion's chapter on the signs has them: three dots in a half-circle for the six stichera
// (black) and the doxology (red), a cross alone for the polyeleos, a cross with a half-circle
// where a vigil is served, a cross in a circle for a great feast.
constexpr std::array<SignInfo, 5> kSigns = {{{U"six", 0x1F543, U"(\u00B7)"},
                                             {U"doxology", 0x1F543, U"(:)"},
                                             {U"polyeleos", 0x1F542, U"+"},
                                             {U"vigil", 0x1F541, U"(+"},
                                             {U"great", 0x1F540, U"(+)"}}};

int hexValue(char32_t aCharacter)
{
    if (aCharacter >= u'0' && aCharacter <= u'9')
        return int(aCharacter - u'0');
    const char32_t folded = aCharacter | 0x20;
    if (folded >= u'a' && folded <= u'f')
        return int(folded - u'a') + 10;
    return -1;
}

char32_t markOf(char32_t aMnemonic)
{
    switch (aMnemonic) {
    case u'\'': return 0x0301; // oxia
    case u'`': return 0x0300;  // varia
    case u'^': return 0x0311;  // kamora
    case u'~': return kTitlo;
    case u'=': return 0x0487;  // pokrytie
    case u')': return 0x0486;  // psili
    case u'(': return 0x0485;  // dasia
    default: return 0;
    }
}

// Where the eROOS font draws what code page 1251 lacks: where the ROOS fonts do, and the rest on
// letters Church Slavonic does not use.
char32_t eroosMoved(char32_t aCharacter)
{
    switch (aCharacter) {
    case 0x046F: return 0x0453; // ѯ -> ѓ
    case 0x0471: return 0x0452; // ѱ -> ђ
    case 0x0461: return 0x045E; // ѡ -> ў
    case 0x047F: return 0x0459; // ѿ -> љ
    case 0x047B: return 0x040E; // ѻ -> Ў
    case kThousands: return 0x0402; // ҂ -> Ђ
    case kTitlo: return 0x0403;     // titlo -> Ѓ
    case 0x1F543: return 0x0409;    // semicircle with dots -> Љ
    case 0x1F541: return 0x040A;    // cross with a half-circle (vigil) -> Њ
    case 0x1F542: return 0x0408;    // cross (polyeleos) -> Ј
    case 0x1F540: return 0x0458;    // cross in a circle -> ј
    default: return roosPlace(aCharacter) != aCharacter ? roosPlace(aCharacter) : 0;
    }
}

} // namespace

std::u32string numberLetters(int aValue)
{
    std::u32string letters;
    numberLetters(aValue, letters);
    return letters;
}

void numberLetters(int aValue, std::u32string& letters)
{
    letters.clear();
    groupLetters(aValue / 1000, letters);
    // A thousands sign before each letter of the thousands.
    for (std::size_t i = 0; i < letters.size(); i += 2)
        letters.insert(i, 1, kThousands);
    groupLetters(aValue % 1000, letters);
    // The titlo goes over the last letter but one; thousands signs are not letters.
    std::size_t baseLetters = 0;
    for (const char32_t c : letters)
        baseLetters += c != kThousands;
    const std::size_t over = baseLetters >= 2 ? baseLetters - 2 : 0;
    std::size_t seen = 0;
    for (std::size_t i = 0; i < letters.size(); ++i) {
        if (letters[i] != kThousands && seen++ == over) {
            letters.insert(i + 1, 1, kTitlo);
            break;
        }
    }
}

std::optional<int> numberOf(std::u32string_view aText)
{
    const auto blank = [](char32_t aCharacter) { return aCharacter == u' ' || aCharacter == u'\t'; };
    while (!aText.empty() && blank(aText.front()))
        aText.remove_prefix(1);
    while (!aText.empty() && blank(aText.back()))
        aText.remove_suffix(1);
    if (aText.empty() || aText.size() > 6)
        return std::nullopt;
    int value = 0;
    for (const char32_t c : aText) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + int(c - u'0');
    }
    if (value < 1 || value > kLargestChurchSlavonicNumber)
        return std::nullopt;
    return value;
}

std::optional<TypikonSign> signNamed(std::u32string_view aName)
{
    for (std::size_t i = 0; i < kSigns.size(); ++i) {
        if (kSigns[i].name == aName)
            return TypikonSign(i);
    }
    return std::nullopt;
}

char32_t signCharacter(TypikonSign aSign) { return kSigns[std::size_t(aSign)].character; }

std::u32string_view signStandIn(TypikonSign aSign) { return kSigns[std::size_t(aSign)].standIn; }

bool signIsRed(TypikonSign aSign) { return aSign != TypikonSign::Six; }

std::u32string decodeChurchSlavonicMarks(std::u32string_view aText)
{
    std::u32string text;
    decodeChurchSlavonicMarks(aText, text);
    return text;
}

void decodeChurchSlavonicMarks(std::u32string_view aText, std::u32string& text)
{
    text.clear();
    for (std::size_t i = 0; i < aText.size(); ++i) {
        // Up to the next backslash in one piece.
        const std::size_t backslash = std::min(aText.find(u'\\', i), aText.size());
        text.append(aText.data() + i, backslash - i);
        i = backslash;
        if (i + 1 >= aText.size()) {
            if (i < aText.size())
                text += aText[i];
            continue;
        }
        const char32_t next = aText[i + 1];
        if (const char32_t mark = markOf(next)) {
            text += mark;
            ++i;
            continue;
        }
        if (next == u'u' && i + 5 < aText.size()) {
            int code = 0;
            for (std::size_t k = i + 2; k < i + 6 && code >= 0; ++k)
                code = hexValue(aText[k]) < 0 ? -1 : code * 16 + hexValue(aText[k]);
            // Controls and surrogate halves are no text.
            if (code >= 0x20 && !(code >= 0x7F && code <= 0x9F) && !(code >= 0xD800 && code <= 0xDFFF)) {
                text += char32_t(code);
                i += 5;
                continue;
            }
        }
        // Left whole for the mark-up reader ("\\", "\}" ...).
        text += aText[i];
        text += next;
        ++i;
    }
}

char32_t eroosPlace(char32_t aCharacter)
{
    static const CodePageEncoder cp1251(CodePage::Windows1251);
    if (const char32_t moved = eroosMoved(aCharacter))
        return moved;
    return cp1251.byteOf(aCharacter) != 0 ? aCharacter : 0;
}

} // namespace kezcc
