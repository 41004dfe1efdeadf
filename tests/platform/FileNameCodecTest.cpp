#include "platform/FileNameCodec.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <random>
#include <string>

using platform::decodeFileName;
using platform::encodeFileName;

namespace {

struct DecodeCase {
    const char* label;
    std::string bytes;
    std::u16string name;
};

class FileNameDecoding : public ::testing::TestWithParam<DecodeCase> {};

} // namespace

TEST_P(FileNameDecoding, DecodesAndEncodesBackToTheSameBytes)
{
    const DecodeCase& c = GetParam();
    EXPECT_EQ(decodeFileName(c.bytes), c.name);
    EXPECT_EQ(encodeFileName(c.name), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Names, FileNameDecoding,
    ::testing::Values(DecodeCase{"ascii", "psalm001.kez", u"psalm001.kez"},
                      DecodeCase{"cyrillic", "\xd0\x9f\xd1\x81\xd0\xb0\xd0\xbb.kez", u"\u041f\u0441\u0430\u043b.kez"},
                      DecodeCase{"beyond the BMP", "\xf0\x9f\x93\x9c", u"\U0001F4DC"},
                      DecodeCase{"a lone high byte", "\xff.kez", u"\xDCFF.kez"},
                      DecodeCase{"cp1251 text", "\xcf\xf1\xe0\xeb", u"\xDCCF\xDCF1\xDCE0\xDCEB"},
                      DecodeCase{"overlong slash", "\xc0\xaf", u"\xDCC0\xDCAF"},
                      DecodeCase{"overlong three bytes", "\xe0\x80\xaf", u"\xDCE0\xDC80\xDCAF"},
                      DecodeCase{"encoded surrogate", "\xed\xa0\x80", u"\xDCED\xDCA0\xDC80"},
                      DecodeCase{"past U+10FFFF", "\xf4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"},
                      DecodeCase{"cut short at the end", "a\xd0", u"a\xDCD0"},
                      DecodeCase{"stray continuation", "\x80x", u"\xDC80x"},
                      DecodeCase{"replacement character itself", "\xef\xbf\xbd.kez", u"\uFFFD.kez"}),
    [](const ::testing::TestParamInfo<DecodeCase>& info) {
        std::string name;
        for (const char c : std::string(info.param.label))
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST(FileNameCodec, EveryShortByteStringSurvivesTheRoundTrip)
{
    for (int first = 0; first < 256; ++first) {
        const std::string one(1, char(first));
        ASSERT_EQ(encodeFileName(decodeFileName(one)), one) << first;
        for (int second = 0; second < 256; ++second) {
            const std::string two{char(first), char(second)};
            ASSERT_EQ(encodeFileName(decodeFileName(two)), two) << first << ' ' << second;
        }
    }
    // Longer strings from the bytes where UTF-8 sequences begin, end or go wrong.
    const unsigned char edges[] = {0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2,
                                   0xDF, 0xE0, 0xEC, 0xED, 0xEE, 0xEF, 0xF0, 0xF3, 0xF4, 0xF5, 0xFF};
    std::mt19937 random(20261208);
    for (int i = 0; i < 200000; ++i) {
        std::string bytes(3 + random() % 5, '\0');
        for (char& c : bytes)
            c = char(edges[random() % sizeof edges]);
        ASSERT_EQ(encodeFileName(decodeFileName(bytes)), bytes);
    }
}

TEST(FileNameCodec, DistinctByteNamesStayDistinctNames)
{
    // A name whose byte is no UTF-8 and a name holding the replacement character are two files.
    EXPECT_NE(decodeFileName("\xff.kez"), decodeFileName("\xef\xbf\xbd.kez"));
    EXPECT_NE(decodeFileName("\xcf"), decodeFileName("\xd0\x9f"));
}

TEST(FileNameCodec, SurrogatesThatNoDecodedNameHoldsAreStillWritten)
{
    EXPECT_EQ(encodeFileName(u"\xD800x"), "\xed\xa0\x80x");
    EXPECT_EQ(encodeFileName(u"\xDC10"), "\xed\xb0\x90");
}
