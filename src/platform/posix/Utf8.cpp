#include "platform/posix/Utf8.h"

#include "platform/Utf8Sequence.h"

namespace platform::posix {
namespace {
using utf8::appendUtf16;
using utf8::appendUtf8;
using utf8::forEachCodePoint;
using utf8::isSurrogate;
} // namespace

bool fromUtf8(std::string_view text, std::u16string& out)
{
    out.clear();
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = 0;
        const std::size_t length = utf8::decodeSequence(text, i, c);
        if (length == 0)
            return false;
        appendUtf16(out, c);
        i += length;
    }
    return true;
}

std::string toUtf8(std::u16string_view utf16)
{
    std::string out;
    out.reserve(utf16.size());
    forEachCodePoint(utf16, [&](char32_t c) { appendUtf8(out, isSurrogate(c) ? 0xFFFD : c); });
    return out;
}

} // namespace platform::posix
