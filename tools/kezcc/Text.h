#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// The converter's words: UTF-16, as the reply record holds them. Standard C++ only, so that the
// converter, started once for every file, loads no more than the C++ library.
namespace kezcc {

using Text = std::u16string;

// A number in decimal.
Text number(std::int64_t aValue);

// UTF-8 (the system's error texts, an exception's words) as text.
Text fromUtf8(std::string_view aBytes);

// The text cut to aMaxUnits code units, its end marked by "…" when anything was cut.
Text fitted(const Text& aText, std::size_t aMaxUnits);

// Adds one remark to a reply's remarks, "; " between two.
void appendRemark(Text& aRemarks, const Text& aRemark);

} // namespace kezcc
