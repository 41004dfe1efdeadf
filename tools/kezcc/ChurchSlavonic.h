#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Church Slavonic in the converter: its numbers written with letters, the Typikon signs, the
// ASCII-safe way of writing its marks, and where the eROOS fonts draw them.
namespace kezcc {

inline constexpr int kLargestChurchSlavonicNumber = 999999;

// The number in letters: hundreds, tens, units (11-19 as units before і), each letter of the
// thousands after a thousands sign U+0482, and a titlo U+0483 over the last letter but one (over
// the only letter of a one-letter number). 1 <= aValue <= kLargestChurchSlavonicNumber.
std::u32string numberLetters(int aValue);
// The same into aLetters (replaced), whose room is kept from call to call.
void numberLetters(int aValue, std::u32string& aLetters);

// The number a mark-up argument names ("1234", blanks and tabs around allowed), if it is one in range.
std::optional<int> numberOf(std::u32string_view aText);

// The feast signs of the Typikon, lowest to highest.
enum class TypikonSign : std::uint8_t { Six, Doxology, Polyeleos, Vigil, Great };

std::optional<TypikonSign> signNamed(std::u32string_view aName);
// The sign as Unicode (U+1F540-U+1F543; six and doxology share their shape, not their colour).
char32_t signCharacter(TypikonSign aSign);
// What stands for it where only an ordinary font may be used.
std::u32string_view signStandIn(TypikonSign aSign);
// All signs but the lowest are printed red.
bool signIsRed(TypikonSign aSign);

// Church Slavonic text as written in a source: "\'" oxia, "\`" varia, "\^" kamora, "\~" titlo,
// "\=" pokrytie, "\)" psili, "\(" dasia, "\uXXXX" any character by its code; every other
// backslash pair is left for the mark-up reader.
std::u32string decodeChurchSlavonicMarks(std::u32string_view aText);
// The same into aText (replaced), whose room is kept from call to call.
void decodeChurchSlavonicMarks(std::u32string_view aSource, std::u32string& aText);

// The byte place where the eROOS font draws a character (in code page 1251 terms, as the ROOS
// fonts do), 0 when it has none: the letters of code page 1251 stay, the rest move to letters
// Church Slavonic numbers do not use.
char32_t eroosPlace(char32_t aCharacter);

} // namespace kezcc
