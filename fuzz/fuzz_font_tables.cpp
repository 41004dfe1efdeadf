// The font table reader over any bytes: never a read outside them, and every face name it
// accepts is valid UTF-8.
#include "platform/posix/FontTableReader.h"

#include <cstdint>
#include <cstdlib>

namespace {
bool validUtf8(const std::string& aText)
{
    for (std::size_t i = 0; i < aText.size();) {
        const unsigned char lead = static_cast<unsigned char>(aText[i]);
        const std::size_t length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
        if (length == 0 || i + length > aText.size())
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(aText[i + k]) & 0xC0) != 0x80)
                return false;
        i += length;
    }
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const platform::posix::MemoryFontBytes bytes(data, size);
    // A single font, and the first faces of a collection.
    for (int index = 0; index < 3; ++index)
        if (const auto face = platform::posix::readSfntFace(bytes, index))
            if (!validUtf8(face->face))
                std::abort();
    return 0;
}
