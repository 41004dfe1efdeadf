#include "platform/posix/FontTableReader.h"

#include <cstring>

// The layouts are those of the OpenType tables; every offset taken from the file is checked
// against the file's size before it is used.
namespace platform::posix {
namespace {

constexpr std::uint32_t tag(const char (&aName)[5])
{
    return std::uint32_t(std::uint8_t(aName[0])) << 24 | std::uint32_t(std::uint8_t(aName[1])) << 16 |
           std::uint32_t(std::uint8_t(aName[2])) << 8 | std::uint32_t(std::uint8_t(aName[3]));
}

std::uint16_t u16(const std::uint8_t* aBytes) { return std::uint16_t(aBytes[0] << 8 | aBytes[1]); }

std::uint32_t u32(const std::uint8_t* aBytes)
{
    return std::uint32_t(aBytes[0]) << 24 | std::uint32_t(aBytes[1]) << 16 | std::uint32_t(aBytes[2]) << 8 |
           std::uint32_t(aBytes[3]);
}

struct Table {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    bool listed = false; // the directory has an entry for the tag
    bool present() const { return length != 0; }
};

// The tables this reader looks at. Of the entries FreeType keeps (those within the file), the
// first of a tag counts, as in FreeType: a zero-length first entry stands for a missing table,
// and a later entry of the same tag does not take its place.
struct Directory {
    Table os2, name, head, hhea, maxp, glyf, loca, cff, cff2;
    // Embedded bitmaps: with them, FreeType calls a face whose only outline is '.notdef' a
    // bitmap-only one.
    Table eblc, bloc, cblc, sbix;

    Table* slotFor(std::uint32_t aTag)
    {
        switch (aTag) {
        case tag("OS/2"): return &os2;
        case tag("name"): return &name;
        case tag("head"): return &head;
        case tag("hhea"): return &hhea;
        case tag("maxp"): return &maxp;
        case tag("glyf"): return &glyf;
        case tag("loca"): return &loca;
        case tag("CFF "): return &cff;
        case tag("CFF2"): return &cff2;
        case tag("EBLC"): return &eblc;
        case tag("bloc"): return &bloc;
        case tag("CBLC"): return &cblc;
        case tag("sbix"): return &sbix;
        default: return nullptr;
        }
    }
};

// Where the table directory of face aIndex starts.
std::optional<std::uint64_t> directoryOffset(const FontBytes& aBytes, int aIndex)
{
    std::uint8_t header[12];
    if (aIndex < 0 || !aBytes.read(0, sizeof header, header))
        return std::nullopt;
    if (u32(header) != tag("ttcf"))
        return aIndex == 0 ? std::optional<std::uint64_t>(0) : std::nullopt;
    if (std::uint32_t(aIndex) >= u32(header + 8))
        return std::nullopt;
    std::uint8_t offset[4];
    if (!aBytes.read(12 + 4 * std::uint64_t(aIndex), sizeof offset, offset))
        return std::nullopt;
    return u32(offset);
}

std::optional<Directory> readDirectory(const FontBytes& aBytes, std::uint64_t aOffset)
{
    std::uint8_t header[12];
    if (!aBytes.read(aOffset, sizeof header, header))
        return std::nullopt;
    const std::uint32_t version = u32(header);
    if (version != 0x00010000 && version != tag("OTTO") && version != tag("true"))
        return std::nullopt;
    const std::size_t count = u16(header + 4);
    std::vector<std::uint8_t> records(count * 16);
    if (count == 0 || !aBytes.read(aOffset + 12, records.size(), records.data()))
        return std::nullopt;
    Directory directory;
    const std::uint64_t fileSize = aBytes.size();
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* record = records.data() + 16 * i;
        const Table table{u32(record + 8), u32(record + 12)};
        // Entries reaching past the end of the file do not exist for FreeType.
        if (table.offset > fileSize || table.length > fileSize - table.offset)
            continue;
        Table* slot = directory.slotFor(u32(record));
        if (slot && !slot->listed)
            *slot = Table{table.offset, table.length, true};
    }
    return directory;
}

FontSignature signatureOf(const FontBytes& aBytes, const Table& aOs2)
{
    FontSignature signature;
    if (!aOs2.present())
        return signature;
    std::uint8_t bytes[100];
    if (!aBytes.read(aOs2.offset, 2, bytes))
        return signature;
    const std::uint16_t version = u16(bytes);
    if (version == 0xFFFF)
        return signature;
    // FreeType reads each version's fields from the file, not bounded by the table's own
    // length, and drops the whole table when any of them is cut off.
    const std::size_t needed = 78 + (version >= 1 ? 8 : 0) + (version >= 2 ? 10 : 0) + (version >= 5 ? 4 : 0);
    if (!aBytes.read(aOs2.offset, needed, bytes))
        return signature;
    for (int i = 0; i < 4; ++i)
        signature.unicodeSubsets[i] = u32(bytes + 42 + 4 * i);
    if (version >= 1) {
        signature.codePages[0] = u32(bytes + 78);
        signature.codePages[1] = u32(bytes + 82);
    }
    return signature;
}

// Name ID 1 of the Windows platform, US English preferred, else the first such entry; nothing
// when the table is not of the plain layout (format 0) or is damaged.
std::optional<std::string> familyNameOf(const FontBytes& aBytes, const Table& aName)
{
    std::uint8_t header[6];
    if (!aName.present() || aName.length < sizeof header || !aBytes.read(aName.offset, sizeof header, header))
        return std::nullopt;
    if (u16(header) != 0)
        return std::nullopt;
    const std::size_t count = u16(header + 2);
    const std::uint64_t storageStart = aName.offset + 6 + 12 * std::uint64_t(count);
    const std::uint64_t storageLimit = aName.offset + aName.length;
    if (storageStart > storageLimit)
        return std::nullopt;
    std::vector<std::uint8_t> records(count * 12);
    if (!aBytes.read(aName.offset + 6, records.size(), records.data()))
        return std::nullopt;
    const std::uint64_t strings = aName.offset + u16(header + 4);

    std::optional<std::string> anyLanguage;
    std::vector<std::uint8_t> text;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* record = records.data() + 12 * i;
        const std::uint16_t platformId = u16(record);
        const std::uint16_t encodingId = u16(record + 2);
        const std::uint16_t languageId = u16(record + 4);
        const std::uint16_t nameId = u16(record + 6);
        const std::uint16_t length = u16(record + 8);
        const std::uint64_t offset = strings + u16(record + 10);
        if (nameId != 1 || platformId != 3 || (encodingId != 0 && encodingId != 1 && encodingId != 10))
            continue;
        // Empty entries and entries outside the string storage do not exist for FreeType.
        if (length == 0 || offset < storageStart || offset + length > storageLimit)
            continue;
        const bool usEnglish = languageId == 0x0409;
        if (!usEnglish && anyLanguage)
            continue;
        text.resize(length);
        if (!aBytes.read(offset, length, text.data()))
            return std::nullopt;
        std::string decoded = utf16BigEndianToUtf8(text.data(), text.size());
        if (usEnglish)
            return decoded;
        anyLanguage = std::move(decoded);
    }
    return anyLanguage.value_or(std::string());
}

void appendUtf8(std::string& aOut, char32_t aCode)
{
    if (aCode < 0x80) {
        aOut += char(aCode);
    } else if (aCode < 0x800) {
        aOut += char(0xC0 | (aCode >> 6));
        aOut += char(0x80 | (aCode & 0x3F));
    } else if (aCode < 0x10000) {
        aOut += char(0xE0 | (aCode >> 12));
        aOut += char(0x80 | ((aCode >> 6) & 0x3F));
        aOut += char(0x80 | (aCode & 0x3F));
    } else {
        aOut += char(0xF0 | (aCode >> 18));
        aOut += char(0x80 | ((aCode >> 12) & 0x3F));
        aOut += char(0x80 | ((aCode >> 6) & 0x3F));
        aOut += char(0x80 | (aCode & 0x3F));
    }
}

} // namespace

bool MemoryFontBytes::read(std::uint64_t aOffset, std::size_t aLength, std::uint8_t* aOut) const
{
    if (aOffset > mBytes.size() || aLength > mBytes.size() - aOffset)
        return false;
    if (aLength != 0)
        std::memcpy(aOut, mBytes.data() + aOffset, aLength);
    return true;
}

std::optional<SfntFace> readSfntFace(const FontBytes& aBytes, int aIndex)
{
    const std::optional<std::uint64_t> start = directoryOffset(aBytes, aIndex);
    if (!start)
        return std::nullopt;
    const std::optional<Directory> directory = readDirectory(aBytes, *start);
    if (!directory)
        return std::nullopt;
    // Without these FreeType may refuse the face or take it for bitmaps only: let it decide.
    const Directory& d = *directory;
    const bool outlines = (d.glyf.present() && d.loca.present()) || d.cff.present() || d.cff2.present();
    if (!outlines || d.head.length < 54 || !d.hhea.present() || !d.maxp.present())
        return std::nullopt;
    // An empty entry of an outline table: whether FreeType finds outlines elsewhere is its call.
    for (const Table* table : {&d.glyf, &d.loca, &d.cff, &d.cff2})
        if (table->listed && !table->present())
            return std::nullopt;
    // TrueType outlines beside embedded bitmaps: FreeType looks at the glyphs themselves (only
    // '.notdef' drawn makes the face bitmap-only).
    if (d.glyf.present() && (d.eblc.listed || d.bloc.listed || d.cblc.listed || d.sbix.listed))
        return std::nullopt;
    std::optional<std::string> face = familyNameOf(aBytes, directory->name);
    if (!face)
        return std::nullopt;
    return SfntFace{std::move(*face), signatureOf(aBytes, directory->os2)};
}

std::string utf16BigEndianToUtf8(const std::uint8_t* aBytes, std::size_t aLength)
{
    std::string out;
    for (std::size_t i = 0; i + 1 < aLength; i += 2) {
        char32_t code = char32_t(aBytes[i] << 8 | aBytes[i + 1]);
        if (code >= 0xD800 && code < 0xDC00 && i + 3 < aLength) {
            const char32_t low = char32_t(aBytes[i + 2] << 8 | aBytes[i + 3]);
            if (low >= 0xDC00 && low < 0xE000) {
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (code >= 0xD800 && code < 0xE000)
            code = 0xFFFD;
        appendUtf8(out, code);
    }
    return out;
}

} // namespace platform::posix
