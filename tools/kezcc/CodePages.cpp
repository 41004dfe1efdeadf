#include "CodePages.h"

#include <array>

namespace kezcc {
namespace {

// Upper halves of the two code pages; the lower halves are ASCII.
constexpr std::array<char16_t, 128> kWindows1251 = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C,
    0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122, 0x0459, 0x203A,
    0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9,
    0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415,
    0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431,
    0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D,
    0x044E, 0x044F};

constexpr std::array<char16_t, 128> kDos866 = {
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D,
    0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B,
    0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439,
    0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C,
    0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x0440, 0x0441,
    0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
    0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4,
    0x25A0, 0x00A0};

static_assert(kWindows1251[0xC0 - 0x80] == 0x0410 && kWindows1251[0xFF - 0x80] == 0x044F);
static_assert(kDos866[0xE0 - 0x80] == 0x0440 && kDos866[0xF1 - 0x80] == 0x0451);

QString decodeWith(const QByteArray& aBytes, const std::array<char16_t, 128>& aUpperHalf)
{
    QString text(aBytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < aBytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(aBytes[i]);
        out[i] = byte < 0x80 ? char16_t(byte) : aUpperHalf[byte - 0x80];
    }
    return text;
}

// How often each letter а..я occurs in Russian text, per mille (ё follows separately).
constexpr std::array<int, 32> kRussianLetterWeight = {80, 16, 45, 17, 30, 85, 9,  16, 74, 12, 35, 44, 32, 67, 110, 28,
                                                      47, 55, 63, 26, 3,  10, 5,  14, 7,  4,  1,  19, 17, 3,  6,   20};
constexpr int kYoWeight = 1;

int letterWeight(char16_t aCharacter)
{
    if (aCharacter >= 0x0410 && aCharacter <= 0x042F)
        return kRussianLetterWeight[aCharacter - 0x0410];
    if (aCharacter >= 0x0430 && aCharacter <= 0x044F)
        return kRussianLetterWeight[aCharacter - 0x0430];
    if (aCharacter == 0x0401 || aCharacter == 0x0451)
        return kYoWeight;
    return 0;
}

// The right reading pairs frequent bytes with frequent letters; a wrong one scatters them over
// rare letters, punctuation and box drawing.
qint64 plausibility(const QByteArray& aBytes, const std::array<char16_t, 128>& aUpperHalf)
{
    qint64 score = 0;
    for (const char c : aBytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80)
            score += letterWeight(aUpperHalf[byte - 0x80]);
    }
    return score;
}

} // namespace

QString decodeWindows1251(const QByteArray& aBytes) { return decodeWith(aBytes, kWindows1251); }

QString decodeDos866(const QByteArray& aBytes) { return decodeWith(aBytes, kDos866); }

bool isValidUtf8(const QByteArray& aBytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(aBytes.constData());
    const qsizetype n = aBytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char lead = p[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        int length;
        char32_t cp;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            cp = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            cp = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            cp = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > n)
            return false;
        for (int k = 1; k < length; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

TextEncoding detectEncoding(const QByteArray& aBytes)
{
    if (isValidUtf8(aBytes))
        return TextEncoding::Utf8;
    return plausibility(aBytes, kDos866) > plausibility(aBytes, kWindows1251) ? TextEncoding::Dos866
                                                                                : TextEncoding::Windows1251;
}

QString decodeSource(const QByteArray& aBytes, SourceEncoding aEncoding)
{
    if (aEncoding == SourceEncoding::Windows1251)
        return decodeWindows1251(aBytes);
    if (aEncoding == SourceEncoding::Dos866)
        return decodeDos866(aBytes);
    switch (detectEncoding(aBytes)) {
    case TextEncoding::Windows1251:
        return decodeWindows1251(aBytes);
    case TextEncoding::Dos866:
        return decodeDos866(aBytes);
    case TextEncoding::Utf8:
        break;
    }
    QString text = QString::fromUtf8(aBytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

} // namespace kezcc
