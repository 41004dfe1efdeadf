#include "platform/posix/FontSignatureCache.h"
#include "platform/posix/Files.h"

#include <sys/file.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

// One face a line, fields separated by tabs:
//   size, modification time (ns), face index, TrueType 0/1, six signature words (hex), face, file
// A face or file whose name holds a tab or a line break, or whose line would be longer than
// kMaxLineBytes, is not kept.
//
// The cache lives in a folder of this user's own, opened without following links and made
// private, like the settings; the file in it is reached without following a link and read only
// when it is a regular file of this user's within kMaxFileBytes. Anything else reads as an empty
// cache and is replaced by the next save.
namespace platform::posix {
namespace {

constexpr const char* kHeader = "KezConverter font cache 1";
constexpr const char* kFileName = "fonts.cache";
constexpr const char* kLockName = "fonts.cache.lock";
// A face takes some 150 bytes: these leave room for any real catalogue and its longest paths.
constexpr std::size_t kMaxFileBytes = std::size_t(32) << 20;
constexpr std::size_t kMaxLineBytes = 16 * 1024;
constexpr std::size_t kFields = 12;

UniqueFd openCacheFolder()
{
    const std::string base = userFolder("XDG_CACHE_HOME", ".cache");
    return base.empty() ? UniqueFd() : openPrivateFolder(base, {"KezConverter"});
}

bool storable(const std::string& aText) { return aText.find_first_of("\t\n\r") == std::string::npos; }

// The fields of a line; more than kFields make it no line of ours.
bool split(std::string_view aLine, std::vector<std::string_view>& aFields)
{
    aFields.clear();
    while (aFields.size() < kFields) {
        const std::size_t tab = aLine.find('\t');
        aFields.push_back(aLine.substr(0, tab));
        if (tab == std::string_view::npos)
            return aFields.size() == kFields;
        aLine.remove_prefix(tab + 1);
    }
    return false;
}

bool parseNumber(std::string_view aText, long long& aValue, int aBase = 10)
{
    if (aText.empty() || aText.size() > 20)
        return false;
    const std::string text(aText);
    char* end = nullptr;
    errno = 0;
    aValue = std::strtoll(text.c_str(), &end, aBase);
    return errno == 0 && end == text.c_str() + text.size();
}

bool parseWord(std::string_view aText, std::uint32_t& aWord)
{
    long long value = 0;
    if (aText.size() != 8 || !parseNumber(aText, value, 16) || value < 0 || value > 0xFFFFFFFFLL)
        return false;
    aWord = std::uint32_t(value);
    return true;
}

bool parseLine(std::string_view aLine, std::string& aKey, CachedFace& aFace)
{
    std::vector<std::string_view> fields;
    if (aLine.size() > kMaxLineBytes || !split(aLine, fields))
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
    aFace.font.face = std::string(fields[10]);
    if (fields[11].empty() || fields[11][0] != '/')
        return false;
    aKey = faceKey(std::string(fields[11]), int(index));
    return true;
}

// The line of one face, or nothing when it cannot be kept.
bool formatLine(const std::string& aKey, const CachedFace& aFace, std::string& aOut)
{
    const size_t zero = aKey.find('\0');
    const std::string file = aKey.substr(0, zero);
    if (!storable(file) || !storable(aFace.font.face))
        return false;
    char numbers[160];
    const FontSignature& s = aFace.font.signature;
    std::snprintf(numbers, sizeof numbers, "%lld\t%lld\t%s\t%d\t%08X\t%08X\t%08X\t%08X\t%08X\t%08X\t", aFace.size,
                  aFace.modifiedNs, aKey.substr(zero + 1).c_str(), aFace.font.trueType ? 1 : 0, s.unicodeSubsets[0],
                  s.unicodeSubsets[1], s.unicodeSubsets[2], s.unicodeSubsets[3], s.codePages[0], s.codePages[1]);
    std::string line = numbers + aFace.font.face + '\t' + file;
    if (line.size() > kMaxLineBytes || aOut.size() + line.size() >= kMaxFileBytes)
        return false;
    aOut += line;
    aOut += '\n';
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
    const UniqueFd folder = openCacheFolder();
    std::string text;
    if (!folder.valid() || !readOwnFileAt(folder.get(), kFileName, text, kMaxFileBytes))
        return faces;
    std::string_view rest = text;
    bool first = true;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (first) {
            if (line != kHeader)
                return faces;
            first = false;
            continue;
        }
        std::string key;
        CachedFace face;
        if (parseLine(line, key, face))
            faces.emplace(std::move(key), std::move(face));
    }
    return faces;
}

void saveFontCache(const std::unordered_map<std::string, CachedFace>& aFaces)
{
    const UniqueFd folder = openCacheFolder();
    if (!folder.valid())
        return;
    std::string text = std::string(kHeader) + '\n';
    for (const auto& [key, face] : aFaces)
        formatLine(key, face, text);
    // Another process saving now writes much the same; the cache only saves time.
    const UniqueFd lock = lockAt(folder.get(), kLockName, LOCK_EX | LOCK_NB);
    if (!lock.valid())
        return;
    removeTemporariesAt(folder.get(), kFileName);
    replaceFileAt(folder.get(), kFileName, text, false);
}

} // namespace platform::posix
