#include "platform/posix/FoldName.h"

#include <locale.h>
#include <wctype.h>

namespace platform::posix {
namespace {

// The C library's Unicode case table; glibc always has C.UTF-8.
locale_t unicodeLocale()
{
    static const locale_t locale = [] {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"})
            if (locale_t l = newlocale(LC_CTYPE_MASK, name, locale_t(0)))
                return l;
        return locale_t(0);
    }();
    return locale;
}

char32_t upper(char32_t c)
{
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') ? c - 32 : c;
    if (c >= 0xD800 && c <= 0xDFFF)
        return c;
    const locale_t locale = unicodeLocale();
    return locale ? char32_t(towupper_l(wint_t(c), locale)) : c;
}

} // namespace

void foldNameInto(std::u16string_view name, std::u16string& out)
{
    // Names are nearly always ASCII: those fold in place without the case table.
    out.assign(name);
    std::size_t i = 0;
    for (; i < out.size() && out[i] < 0x80; ++i)
        if (out[i] >= u'a' && out[i] <= u'z')
            out[i] = char16_t(out[i] - 32);
    if (i == out.size())
        return;
    out.resize(i);
    for (; i < name.size(); ++i) {
        char32_t c = name[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < name.size() && name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (char32_t(name[i + 1]) - 0xDC00);
            ++i;
        }
        c = upper(c);
        if (c >= 0x10000) {
            out.push_back(char16_t(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            out.push_back(char16_t(c));
        }
    }
}

std::u16string foldName(std::u16string_view name)
{
    std::u16string out;
    foldNameInto(name, out);
    return out;
}

} // namespace platform::posix
