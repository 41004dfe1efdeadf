#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The HKEY_CURRENT_USER hive as a tree, and its text form: the registry-export syntax
// ("Windows Registry Editor Version 5.00", [key] lines, "Name"="text", dword:, hex:, hex(N):),
// encoded as UTF-8. Names compare case-insensitively and keep their case.
namespace platform::regfile {

inline constexpr std::string_view kRootName = "HKEY_CURRENT_USER";

// As on Windows: a key may lie at most this many levels below the root. A deeper key in the
// file makes its line unreadable.
inline constexpr std::size_t kMaxKeyDepth = 512;

// Whether a key or value name can be written to the file and read back unchanged: no control
// characters, no unpaired surrogates; key names additionally without "\".
bool isStorableName(std::u16string_view name, bool isKeyName);

struct Value {
    std::u16string name;
    std::u16string folded;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
};

// Look-ups go through indexes by folded name, so reading a file is linear in its size.
struct Node {
    std::u16string name;
    std::u16string folded;
    std::vector<Value> values;                  // in the order they were first set
    std::vector<std::unique_ptr<Node>> children; // in the order they were created
    std::unordered_map<std::u16string, std::size_t> valueIndex;
    std::unordered_map<std::u16string, std::size_t> childIndex;

    Node* findChild(std::u16string_view name);
    const Node* findChild(std::u16string_view name) const;
    Node& childOrCreate(std::u16string_view name);

    Value* findValue(std::u16string_view name);
    const Value* findValue(std::u16string_view name) const;
    // Replaces type and data; a new value is added at the end, an existing one keeps its name.
    void setValue(std::u16string_view name, std::uint32_t type, std::vector<std::uint8_t> data);

    // The key at path below this one, or null.
    const Node* find(const std::vector<std::u16string>& path) const;
    Node* find(const std::vector<std::u16string>& path);
    // Creates every missing key on path.
    Node& createPath(const std::vector<std::u16string>& path);

    // A deep copy of this key and everything below it.
    Node copy() const;
};

struct ParseResult {
    Node root;
    // 1-based numbers of the lines that could not be understood and were left out.
    std::vector<std::size_t> defectLines;
};

// Reads everything that parses; a line that does not is reported and skipped (with the values
// below a key line that does not parse).
ParseResult parse(std::string_view text);

std::string serialize(const Node& root);

} // namespace platform::regfile
