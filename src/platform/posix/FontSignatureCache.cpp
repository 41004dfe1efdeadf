#include "platform/posix/FontSignatureCache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

// One face a line, fields separated by tabs:
//   size, modification time (ns), face index, TrueType 0/1, six signature words (hex), face, file
// A face or file whose name holds a tab or a line break is not kept.
namespace platform::posix {
namespace {

constexpr const char* kHeader = "KezConverter font cache 1";

std::string cacheFolder()
{
    const char* cache = std::getenv("XDG_CACHE_HOME");
    std::string base = cache && *cache == '/' ? cache : "";
    if (base.empty()) {
        const char* home = std::getenv("HOME");
        if (!home || *home != '/')
            return {};
        base = std::string(home) + "/.cache";
    }
    return base + "/KezConverter";
}

bool storable(const std::string& aText) { return aText.find_first_of("\t\n\r") == std::string::npos; }

std::vector<std::string> split(const std::string& aLine)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t tab; (tab = aLine.find('\t', start)) != std::string::npos; start = tab + 1)
        fields.push_back(aLine.substr(start, tab - start));
    fields.push_back(aLine.substr(start));
    return fields;
}

bool parseNumber(const std::string& aText, long long& aValue, int aBase = 10)
{
    if (aText.empty() || aText.size() > 20)
        return false;
    char* end = nullptr;
    errno = 0;
    aValue = std::strtoll(aText.c_str(), &end, aBase);
    return errno == 0 && end == aText.c_str() + aText.size();
}

bool parseWord(const std::string& aText, std::uint32_t& aWord)
{
    long long value = 0;
    if (aText.size() != 8 || !parseNumber(aText, value, 16) || value < 0 || value > 0xFFFFFFFFLL)
        return false;
    aWord = std::uint32_t(value);
    return true;
}

bool parseLine(const std::string& aLine, std::string& aKey, CachedFace& aFace)
{
    const std::vector<std::string> fields = split(aLine);
    if (fields.size() != 12)
        return false;
    long long index = 0;
    long long trueType = 0;
    if (!parseNumber(fields[0], aFace.size) || !parseNumber(fields[1], aFace.modifiedNs) ||
        !parseNumber(fields[2], index) || index < 0 || index > 0xFFFF || !parseNumber(fields[3], trueType) ||
        (trueType != 0 && trueType != 1))
        return false;
    for (int i = 0; i < 4; ++i)
        if (!parseWord(fields[4 + i], aFace.font.signature.unicodeSubsets[i]))
            return false;
    for (int i = 0; i < 2; ++i)
        if (!parseWord(fields[8 + i], aFace.font.signature.codePages[i]))
            return false;
    aFace.font.trueType = trueType == 1;
    aFace.font.face = fields[10];
    if (fields[11].empty() || fields[11][0] != '/')
        return false;
    aKey = faceKey(fields[11], int(index));
    return true;
}

} // namespace

std::string faceKey(const std::string& aFile, int aIndex)
{
    std::string key = aFile;
    key += '\0';
    key += std::to_string(aIndex);
    return key;
}

std::unordered_map<std::string, CachedFace> loadFontCache()
{
    std::unordered_map<std::string, CachedFace> faces;
    const std::string folder = cacheFolder();
    if (folder.empty())
        return faces;
    std::ifstream in(folder + "/fonts.cache", std::ios::binary);
    std::string line;
    if (!std::getline(in, line) || line != kHeader)
        return faces;
    while (std::getline(in, line)) {
        std::string key;
        CachedFace face;
        if (parseLine(line, key, face))
            faces.emplace(std::move(key), std::move(face));
    }
    return faces;
}

void saveFontCache(const std::unordered_map<std::string, CachedFace>& aFaces)
{
    const std::string folder = cacheFolder();
    if (folder.empty())
        return;
    const std::string parent = folder.substr(0, folder.rfind('/'));
    ::mkdir(parent.c_str(), 0700);
    ::mkdir(folder.c_str(), 0700);

    std::ostringstream out;
    out << kHeader << '\n';
    for (const auto& [key, face] : aFaces) {
        const size_t zero = key.find('\0');
        const std::string file = key.substr(0, zero);
        if (!storable(file) || !storable(face.font.face))
            continue;
        char words[64];
        const FontSignature& s = face.font.signature;
        std::snprintf(words, sizeof words, "%08X\t%08X\t%08X\t%08X\t%08X\t%08X", s.unicodeSubsets[0],
                      s.unicodeSubsets[1], s.unicodeSubsets[2], s.unicodeSubsets[3], s.codePages[0], s.codePages[1]);
        out << face.size << '\t' << face.modifiedNs << '\t' << key.substr(zero + 1) << '\t'
            << (face.font.trueType ? 1 : 0) << '\t' << words << '\t' << face.font.face << '\t' << file << '\n';
    }
    const std::string text = out.str();

    std::string temporary = folder + "/fonts.cache.XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return;
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += size_t(n);
    }
    const bool complete = ::close(fd) == 0 && written == text.size();
    if (!complete || ::rename(temporary.c_str(), (folder + "/fonts.cache").c_str()) != 0)
        ::unlink(temporary.c_str());
}

} // namespace platform::posix
