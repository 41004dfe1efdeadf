#include "core/fonts/DecodeCharRefs.h"

namespace {

int hexDigit(QChar aChar)
{
    const char16_t c = aChar.unicode();
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

} // namespace

QString DecodeCharRefs(const QString& aText)
{
    QString decoded;
    decoded.reserve(aText.size());
    qsizetype at = 0;
    while (at < aText.size()) {
        if (aText.at(at) != u'&' || at + 1 >= aText.size() || aText.at(at + 1) != u'#') {
            decoded += aText.at(at++);
            continue;
        }
        const qsizetype semicolon = aText.indexOf(u';', at + 2);
        const qsizetype end = semicolon < 0 ? aText.size() : semicolon;
        quint32 value = 0;
        bool tooLarge = false;
        for (qsizetype i = at + 2; i < end; ++i) {
            const int digit = hexDigit(aText.at(i));
            if (digit < 0)
                break;
            value = value * 16 + quint32(digit);
            if (value > 0xFFFF) {
                tooLarge = true;
                break;
            }
        }
        if (!tooLarge)
            decoded += QChar(char16_t(value));
        if (semicolon < 0)
            break;
        at = semicolon + 1;
    }
    return decoded;
}
