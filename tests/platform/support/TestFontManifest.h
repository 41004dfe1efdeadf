#pragma once
// The manifest tests/fonts/make_test_fonts.py writes beside the test fonts: for each font, its
// file, face name and the OS/2 words it was built with.
#include "platform/FontEnumeration.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace testsupport {

struct ManifestEntry {
    std::string file;
    std::string face;
    platform::FontSignature signature;
};

inline std::vector<ManifestEntry> readFontManifest(const std::filesystem::path& aFolder)
{
    std::vector<ManifestEntry> entries;
    std::ifstream in(aFolder / "manifest.tsv");
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> fields;
        std::istringstream split(line);
        for (std::string field; std::getline(split, field, '\t');)
            fields.push_back(field);
        if (fields.size() != 9)
            continue;
        ManifestEntry entry{fields[0], fields[1], {}};
        for (int i = 0; i < 4; ++i)
            entry.signature.unicodeSubsets[i] = std::uint32_t(std::stoul(fields[3 + i], nullptr, 16));
        for (int i = 0; i < 2; ++i)
            entry.signature.codePages[i] = std::uint32_t(std::stoul(fields[7 + i], nullptr, 16));
        entries.push_back(entry);
    }
    return entries;
}

} // namespace testsupport
