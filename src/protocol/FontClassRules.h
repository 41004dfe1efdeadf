#pragma once
#include <cstddef>
#include <string_view>

// The font classes decided by a face's name alone, shared by the program's font catalogue and
// the bundled converter, which must agree on what an eROOS face is. Plain C++: the converter
// has no Qt.
namespace FontClassRules {

// Whether aFace holds aLowerNeedle (lower-case ASCII), letter case ignored. Folding ASCII alone
// is enough: no other character lower-cases to the letters of these names.
constexpr bool ContainsIgnoringCase(std::u16string_view aFace, std::u16string_view aLowerNeedle)
{
    if (aLowerNeedle.size() > aFace.size())
        return false;
    for (std::size_t start = 0; start + aLowerNeedle.size() <= aFace.size(); ++start) {
        std::size_t i = 0;
        while (i < aLowerNeedle.size()) {
            const char16_t unit = aFace[start + i];
            const char16_t folded = unit >= u'A' && unit <= u'Z' ? char16_t(unit + (u'a' - u'A')) : unit;
            if (folded != aLowerNeedle[i])
                break;
            ++i;
        }
        if (i == aLowerNeedle.size())
            return true;
    }
    return false;
}

// Unicode Church Slavonic fonts.
constexpr bool IsUcsFace(std::u16string_view aFace) { return ContainsIgnoringCase(aFace, u"ucs"); }

// Church Slavonic eROOS fonts: 8-bit fonts drawing the numbers' letters and the Typikon signs.
constexpr bool IsERoosFace(std::u16string_view aFace) { return ContainsIgnoringCase(aFace, u"eroos"); }

// ROOS fonts: "roos" but not "eroos".
constexpr bool IsRoosFace(std::u16string_view aFace)
{
    return ContainsIgnoringCase(aFace, u"roos") && !IsERoosFace(aFace);
}

static_assert(IsERoosFace(u"Orthodox.tt eRoos") && !IsRoosFace(u"Orthodox.tt eRoos"));
static_assert(IsRoosFace(u"Sample ROOS") && !IsERoosFace(u"Sample Roos") && IsUcsFace(u"TEST UCS"));

} // namespace FontClassRules
