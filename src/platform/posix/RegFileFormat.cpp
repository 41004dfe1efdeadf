#include "platform/posix/RegFileFormat.h"
#include "platform/posix/FoldName.h"
#include "platform/posix/Utf8.h"

#include <algorithm>
#include <cstdio>

namespace platform::regfile {
namespace {

using posix::foldName;
using posix::fromUtf8;
using posix::toUtf8;

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kOldHeader = "REGEDIT4";
constexpr std::uint32_t kSz = 1;
constexpr std::uint32_t kBinary = 3;
constexpr std::uint32_t kDword = 4;

bool isHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool parseHexNumber(std::string_view s, std::size_t maxDigits, std::uint32_t& out)
{
    if (s.empty() || s.size() > maxDigits)
        return false;
    out = 0;
    for (char c : s) {
        const int d = hexDigit(c);
        if (d < 0)
            return false;
        out = (out << 4) | std::uint32_t(d);
    }
    return true;
}

// "b1,b2,..." with blanks allowed around each byte; an empty list is no bytes.
bool parseHexBytes(std::string_view s, std::vector<std::uint8_t>& out)
{
    s = trim(s);
    if (s.empty())
        return true;
    while (true) {
        const std::size_t comma = s.find(',');
        const std::string_view item = trim(s.substr(0, comma));
        std::uint32_t byte = 0;
        if (item.size() > 2 || !parseHexNumber(item, 2, byte))
            return false;
        out.push_back(std::uint8_t(byte));
        if (comma == std::string_view::npos)
            return true;
        s.remove_prefix(comma + 1);
    }
}

// A quoted text with the two escapes \\ and \". On success pos is just past the closing quote.
bool parseQuoted(std::string_view line, std::size_t& pos, std::u16string& out)
{
    if (pos >= line.size() || line[pos] != '"')
        return false;
    std::string utf8;
    for (std::size_t i = pos + 1; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            pos = i + 1;
            return fromUtf8(utf8, out);
        }
        if (c == '\\') {
            if (i + 1 >= line.size() || (line[i + 1] != '\\' && line[i + 1] != '"'))
                return false;
            utf8.push_back(line[++i]);
        } else {
            utf8.push_back(c);
        }
    }
    return false;
}

void appendQuoted(std::string& out, std::u16string_view text)
{
    out.push_back('"');
    for (char c : toUtf8(text)) {
        if (c == '\\' || c == '"')
            out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
}

std::vector<std::uint8_t> utf16Bytes(std::u16string_view text, bool withNul)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve((text.size() + 1) * 2);
    for (char16_t c : text) {
        bytes.push_back(std::uint8_t(c & 0xFF));
        bytes.push_back(std::uint8_t(c >> 8));
    }
    if (withNul) {
        bytes.push_back(0);
        bytes.push_back(0);
    }
    return bytes;
}

// REG_SZ data that the quoted form keeps exactly: text, one terminating NUL and nothing else.
bool quotableText(const std::vector<std::uint8_t>& data, std::u16string& text)
{
    if (data.size() < 2 || data.size() % 2 != 0 || data[data.size() - 1] != 0 || data[data.size() - 2] != 0)
        return false;
    text.clear();
    for (std::size_t i = 0; i + 2 < data.size(); i += 2)
        text.push_back(char16_t(data[i] | (data[i + 1] << 8)));
    return isStorableName(text, false);
}

constexpr char kHexDigits[] = "0123456789abcdef";

void appendHexByte(std::string& out, std::uint8_t byte)
{
    out.push_back(kHexDigits[byte >> 4]);
    out.push_back(kHexDigits[byte & 0xF]);
}

// Lower-case hexadecimal without leading zeros unless aWidth asks for them.
void appendHexNumber(std::string& out, std::uint32_t number, int aWidth)
{
    char digits[8];
    int count = 0;
    do {
        digits[count++] = kHexDigits[number & 0xF];
        number >>= 4;
    } while (number != 0);
    for (int pad = count; pad < aWidth; ++pad)
        out.push_back('0');
    while (count > 0)
        out.push_back(digits[--count]);
}

void appendHexList(std::string& out, const std::vector<std::uint8_t>& data)
{
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i)
            out.push_back(',');
        appendHexByte(out, data[i]);
    }
}

// Appends one value's line without its line break.
void appendValueLine(std::string& out, const Value& value, std::u16string& text)
{
    if (value.name.empty())
        out.push_back('@');
    else
        appendQuoted(out, value.name);
    out.push_back('=');
    if (value.type == kSz && quotableText(value.data, text)) {
        appendQuoted(out, text);
    } else if (value.type == kDword && value.data.size() == 4) {
        const std::uint32_t n = std::uint32_t(value.data[0]) | (std::uint32_t(value.data[1]) << 8) |
                                (std::uint32_t(value.data[2]) << 16) | (std::uint32_t(value.data[3]) << 24);
        out += "dword:";
        appendHexNumber(out, n, 8);
    } else if (value.type == kBinary) {
        out += "hex:";
        appendHexList(out, value.data);
    } else {
        out += "hex(";
        appendHexNumber(out, value.type, 1);
        out += "):";
        appendHexList(out, value.data);
    }
}

// Parses "[HKEY_CURRENT_USER\...]" into the path below the root.
bool parseKeyLine(std::string_view line, std::vector<std::u16string>& path)
{
    if (line.size() < 2 || line.front() != '[' || line.back() != ']')
        return false;
    std::u16string inner;
    if (!fromUtf8(line.substr(1, line.size() - 2), inner))
        return false;
    std::vector<std::u16string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = inner.find(u'\\', start);
        parts.push_back(inner.substr(start, slash == std::u16string::npos ? std::u16string::npos : slash - start));
        if (slash == std::u16string::npos)
            break;
        start = slash + 1;
    }
    if (foldName(parts.front()) != foldName(u"HKEY_CURRENT_USER"))
        return false;
    if (parts.size() - 1 > kMaxKeyDepth)
        return false;
    path.assign(parts.begin() + 1, parts.end());
    for (const auto& part : path)
        if (part.empty() || !isStorableName(part, true))
            return false;
    return true;
}

// Parses the data after "=". hex lists may go on over lines ending in "\"; nextLine supplies them.
template <class NextLine>
bool parseData(std::string_view data, std::uint32_t& type, std::vector<std::uint8_t>& bytes, NextLine&& nextLine)
{
    data = trim(data);
    if (!data.empty() && data.front() == '"') {
        std::size_t pos = 0;
        std::u16string text;
        if (!parseQuoted(data, pos, text) || !trim(data.substr(pos)).empty())
            return false;
        type = kSz;
        bytes = utf16Bytes(text, true);
        return true;
    }
    if (data.substr(0, 6) == "dword:") {
        std::uint32_t n = 0;
        if (!parseHexNumber(data.substr(6), 8, n))
            return false;
        type = kDword;
        bytes = {std::uint8_t(n), std::uint8_t(n >> 8), std::uint8_t(n >> 16), std::uint8_t(n >> 24)};
        return true;
    }
    std::string_view list;
    if (data.substr(0, 4) == "hex:") {
        type = kBinary;
        list = data.substr(4);
    } else if (data.substr(0, 4) == "hex(") {
        const std::size_t close = data.find("):");
        if (close == std::string_view::npos || !parseHexNumber(data.substr(4, close - 4), 8, type))
            return false;
        list = data.substr(close + 2);
    } else {
        return false;
    }
    std::string joined;
    while (!list.empty() && list.back() == '\\') {
        joined.append(list.substr(0, list.size() - 1));
        std::string_view more;
        if (!nextLine(more))
            return false;
        list = trim(more);
    }
    joined.append(list);
    bytes.clear();
    return parseHexBytes(joined, bytes);
}

} // namespace

bool isStorableName(std::u16string_view name, bool isKeyName)
{
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char16_t c = name[i];
        if (c < 0x20 || c == 0x7F || (isKeyName && c == u'\\'))
            return false;
        if (isHighSurrogate(c)) {
            if (i + 1 >= name.size() || !isLowSurrogate(name[i + 1]))
                return false;
            ++i;
        } else if (isLowSurrogate(c)) {
            return false;
        }
    }
    return true;
}

namespace {

// Look-ups fold into one buffer per thread instead of a new string each.
const std::u16string& foldedForLookUp(std::u16string_view name)
{
    thread_local std::u16string buffer;
    posix::foldNameInto(name, buffer);
    return buffer;
}

} // namespace

Node* Node::findChild(std::u16string_view childName)
{
    const auto it = childIndex.find(foldedForLookUp(childName));
    return it == childIndex.end() ? nullptr : children[it->second].get();
}

const Node* Node::findChild(std::u16string_view childName) const
{
    return const_cast<Node*>(this)->findChild(childName);
}

Node& Node::childOrCreate(std::u16string_view childName)
{
    if (Node* existing = findChild(childName))
        return *existing;
    auto child = std::make_unique<Node>();
    child->name = std::u16string(childName);
    child->folded = foldName(childName);
    childIndex.emplace(child->folded, children.size());
    children.push_back(std::move(child));
    return *children.back();
}

Value* Node::findValue(std::u16string_view valueName)
{
    const auto it = valueIndex.find(foldedForLookUp(valueName));
    return it == valueIndex.end() ? nullptr : &values[it->second];
}

const Value* Node::findValue(std::u16string_view valueName) const
{
    return const_cast<Node*>(this)->findValue(valueName);
}

void Node::setValue(std::u16string_view valueName, std::uint32_t type, std::vector<std::uint8_t> data)
{
    Value* value = findValue(valueName);
    if (!value) {
        values.push_back(Value{std::u16string(valueName), foldName(valueName), 0, {}});
        value = &values.back();
        valueIndex.emplace(value->folded, values.size() - 1);
    }
    value->type = type;
    value->data = std::move(data);
}

const Node* Node::find(const std::vector<std::u16string>& path) const
{
    const Node* node = this;
    for (const auto& part : path) {
        node = node->findChild(part);
        if (!node)
            return nullptr;
    }
    return node;
}

Node* Node::find(const std::vector<std::u16string>& path)
{
    return const_cast<Node*>(static_cast<const Node*>(this)->find(path));
}

Node& Node::createPath(const std::vector<std::u16string>& path)
{
    Node* node = this;
    for (const auto& part : path)
        node = &node->childOrCreate(part);
    return *node;
}

Node Node::copy() const
{
    Node result;
    result.name = name;
    result.folded = folded;
    result.values = values;
    result.valueIndex = valueIndex;
    result.childIndex = childIndex;
    result.children.reserve(children.size());
    for (const auto& child : children)
        result.children.push_back(std::make_unique<Node>(child->copy()));
    return result;
}

ParseResult parse(std::string_view text)
{
    ParseResult result;
    result.root.name = std::u16string(u"HKEY_CURRENT_USER");
    result.root.folded = foldName(result.root.name);
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);

    std::size_t lineNumber = 0;
    std::size_t pos = 0;
    auto nextLine = [&](std::string_view& line) {
        if (pos >= text.size())
            return false;
        const std::size_t end = text.find('\n', pos);
        line = text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
        pos = end == std::string_view::npos ? text.size() : end + 1;
        ++lineNumber;
        return true;
    };

    bool seenContent = false;
    Node* current = nullptr;
    bool skippingKey = false; // values below a key line that did not parse are left out quietly
    std::string_view raw;
    while (nextLine(raw)) {
        const std::size_t startLine = lineNumber;
        const std::string_view line = trim(raw);
        if (line.empty() || line.front() == ';')
            continue;
        if (!seenContent) {
            seenContent = true;
            if (line == kHeader || line == kOldHeader)
                continue;
            result.defectLines.push_back(startLine);
        }
        if (line.front() == '[') {
            std::vector<std::u16string> path;
            if (parseKeyLine(line, path)) {
                current = &result.root.createPath(path);
                skippingKey = false;
            } else {
                result.defectLines.push_back(startLine);
                current = nullptr;
                skippingKey = true;
            }
            continue;
        }
        if (line.front() == '"' || line.front() == '@') {
            std::u16string name;
            std::size_t at = 0;
            bool ok = true;
            if (line.front() == '@')
                at = 1;
            else
                ok = parseQuoted(line, at, name) && isStorableName(name, false);
            const std::string_view rest = trim(line.substr(std::min(at, line.size())));
            std::uint32_t type = 0;
            std::vector<std::uint8_t> bytes;
            ok = ok && !rest.empty() && rest.front() == '=' && parseData(rest.substr(1), type, bytes, nextLine);
            if (ok && current)
                current->setValue(name, type, std::move(bytes));
            else if (!ok || !skippingKey)
                result.defectLines.push_back(startLine);
            continue;
        }
        result.defectLines.push_back(startLine);
    }
    return result;
}

// Depth first with a stack of its own, so no depth of tree can exhaust the call stack.
std::string serialize(const Node& root)
{
    std::string out(kHeader);
    out += "\n\n";
    struct Step {
        const Node* node;
        std::size_t pathLength; // of the parent's key path
    };
    std::vector<Step> pending{{&root, 0}};
    std::string keyPath;
    std::u16string text;
    while (!pending.empty()) {
        const Step step = pending.back();
        pending.pop_back();
        keyPath.resize(step.pathLength);
        const bool isRoot = step.node == &root;
        keyPath += isRoot ? std::string(kRootName) : "\\" + toUtf8(step.node->name);
        if (!isRoot || !step.node->values.empty()) {
            out.push_back('[');
            out += keyPath;
            out += "]\n";
            for (const Value& value : step.node->values) {
                appendValueLine(out, value, text);
                out.push_back('\n');
            }
            out.push_back('\n');
        }
        for (auto child = step.node->children.rbegin(); child != step.node->children.rend(); ++child)
            pending.push_back({child->get(), keyPath.size()});
    }
    return out;
}

} // namespace platform::regfile
