// The clipboard store's name table: any bytes parse without a fault, every entry is a registered
// format, and an entry written for any name reads back as that name.
#include "platform/posix/FormatTable.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    namespace px = platform::posix;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const px::FormatTableEntry& entry : px::parseFormatTable(text))
        if (entry.format < platform::kFirstRegisteredFormat || entry.format > px::kLastRegisteredFormat ||
            entry.name.empty())
            std::abort();
    if (!text.empty()) {
        const auto entries = px::parseFormatTable("C123 " + px::escapeFormatName(text) + "\n");
        if (entries.size() != 1 || entries[0].format != 0xC123 || entries[0].name != text)
            std::abort();
    }
    return 0;
}
