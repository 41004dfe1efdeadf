#pragma once
#include "platform/Clipboard.h"

#include <string>
#include <string_view>
#include <vector>

// The clipboard store's name table: one "C000 name" line per registered format, the number in
// hexadecimal, the name with "\", line feed and carriage return escaped so that any bytes fit.
namespace platform::posix {

inline constexpr ClipFormat kLastRegisteredFormat = 0xFFFF;

struct FormatTableEntry {
    ClipFormat format;
    std::string name;
};

// The entries of the lines that parse; other lines are skipped (and kept in the file by the
// writer, which only ever appends).
std::vector<FormatTableEntry> parseFormatTable(std::string_view text);

std::string escapeFormatName(std::string_view name);

} // namespace platform::posix
