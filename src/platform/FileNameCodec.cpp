#include "platform/FileNameCodec.h"

#include "platform/Utf8Sequence.h"

namespace platform {
namespace {
constexpr char16_t kEscapeBase = 0xDC00;
} // namespace

std::u16string decodeFileName(std::string_view aBytes)
{
    std::u16string name;
    appendDecodedFileName(name, aBytes);
    return name;
}

void appendDecodedFileName(std::u16string& aName, std::string_view aBytes)
{
    aName.reserve(aName.size() + aBytes.size());
    for (std::size_t at = 0; at < aBytes.size();) {
        char32_t code = 0;
        if (const std::size_t length = utf8::decodeSequence(aBytes, at, code)) {
            utf8::appendUtf16(aName, code);
            at += length;
        } else {
            aName += char16_t(kEscapeBase + static_cast<unsigned char>(aBytes[at]));
            ++at;
        }
    }
}

std::string encodeFileName(std::u16string_view aName)
{
    std::string bytes;
    bytes.reserve(aName.size());
    utf8::forEachCodePoint(aName, [&bytes](char32_t aCode) {
        if (aCode >= kEscapeBase + 0x80u && aCode <= kEscapeBase + 0xFFu)
            bytes += char(aCode - kEscapeBase);
        else
            utf8::appendUtf8(bytes, aCode);
    });
    return bytes;
}

} // namespace platform
