// The settings file reader: any bytes parse without a fault, and what it keeps is written in a
// form that reads back to the same tree.
#include "platform/posix/RegFileFormat.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    namespace rf = platform::regfile;
    const rf::ParseResult parsed = rf::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::string written = rf::serialize(parsed.root);
    const rf::ParseResult again = rf::parse(written);
    if (!again.defectLines.empty() || rf::serialize(again.root) != written)
        std::abort();
    return 0;
}
