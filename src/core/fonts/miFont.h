#pragma once
#include "core/fonts/TInstalledFont.h"

#include <QString>

#include <memory>

// The installed TrueType families.
namespace miFont {

// Longest face name a family can have: LOGFONT's face field, less its terminating zero.
inline constexpr int kMaxFaceLength = 31;

// A new catalogue of the installed TrueType families, sorted; the first entry of a face wins.
// Null (after a report) when the enumeration fails as a whole.
std::unique_ptr<InstalledFontCollection> GetInstalledFonts();

// A new catalogue with the same families in ascending order of their lower-cased faces, compared
// by UTF-16 code unit. Null (after a report) on failure.
std::unique_ptr<InstalledFontCollection> SortFontList(const InstalledFontCollection& aList);

} // namespace miFont
