#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Which Unicode subsets and Windows code pages a face covers: the OS/2 table's
// ulUnicodeRange1..4 and ulCodePageRange1..2, as FONTSIGNATURE holds them. Zero where the face
// has no OS/2 table.
struct FontSignature {
    std::uint32_t unicodeSubsets[4] = {0, 0, 0, 0};
    std::uint32_t codePages[2] = {0, 0};

    bool operator==(const FontSignature&) const = default;
};

// One enumerated face.
struct EnumeratedFont {
    std::string face; // UTF-8; the family name Windows shows for the face
    bool trueType = false; // TrueType or OpenType outlines; bitmap and Type 1 faces are not
    FontSignature signature;
    std::string file; // UTF-8 path of the font file where the system names it (POSIX); else empty

    bool operator==(const EnumeratedFont&) const = default;
};

// The installed fonts, as EnumFontFamiliesEx with DEFAULT_CHARSET reports them: one record per
// enumerated entry, in enumeration order. A face may come more than once (Windows reports it
// once per character set); sorting and removing repeats is the caller's business. Every record of
// a family carries the signature of the family's regular face (upright, normal weight, else the
// nearest), whichever of its faces comes first.
class FontEnumeration {
public:
    virtual ~FontEnumeration() = default;

    // Every call looks afresh: a font installed or removed since the last call shows. Never
    // throws; a face that cannot be read is left out.
    virtual std::vector<EnumeratedFont> enumerate() const = 0;
};

} // namespace platform
