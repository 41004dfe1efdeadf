#include "platform/posix/FormatTable.h"

namespace platform::posix {
namespace {

std::string unescapeName(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[++i];
            out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Up to four hexadecimal digits and nothing else.
bool parseNumber(std::string_view text, ClipFormat& out)
{
    if (text.empty() || text.size() > 4)
        return false;
    out = 0;
    for (const char c : text) {
        const int digit = c >= '0' && c <= '9' ? c - '0'
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                 : -1;
        if (digit < 0)
            return false;
        out = out * 16 + ClipFormat(digit);
    }
    return true;
}

} // namespace

std::vector<FormatTableEntry> parseFormatTable(std::string_view text)
{
    std::vector<FormatTableEntry> entries;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        const std::size_t blank = line.find(' ');
        ClipFormat format = 0;
        if (blank == std::string_view::npos || !parseNumber(line.substr(0, blank), format) ||
            format < kFirstRegisteredFormat || format > kLastRegisteredFormat)
            continue;
        std::string name = unescapeName(line.substr(blank + 1));
        if (!name.empty())
            entries.push_back({format, std::move(name)});
    }
    return entries;
}

std::string escapeFormatName(std::string_view name)
{
    std::string out;
    for (const char c : name) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

} // namespace platform::posix
