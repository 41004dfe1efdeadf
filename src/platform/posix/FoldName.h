#pragma once
#include <string>
#include <string_view>

// The one rule by which the POSIX stores compare names without regard to case (registry keys
// and values, clipboard formats): each character upper-cased by Unicode's simple mapping, as
// Windows compares such names. Lone surrogates stay as they are.
namespace platform::posix {

std::u16string foldName(std::u16string_view name);
// The same into out, whose storage is reused: for look-ups that fold many names.
void foldNameInto(std::u16string_view name, std::u16string& out);

} // namespace platform::posix
