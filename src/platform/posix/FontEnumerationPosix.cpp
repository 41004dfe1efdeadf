#include "platform/FontEnumeration.h"
#include "platform/Services.h"
#include "platform/posix/FontSignatureCache.h"
#include "platform/posix/FontTableReader.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H
#include FT_TRUETYPE_TABLES_H

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// fontconfig lists the font files (from its own cache); each face's table directory, 'name' and
// 'OS/2' tables give what GDI would report: the family name of the name table and the OS/2
// coverage words. FreeType opens only the faces those bytes leave in doubt. What was read from a
// file is kept, in memory and in the user's cache folder, while the file keeps its size and
// modification time.
namespace platform {
namespace {

// The family entry (name ID 1) of the Windows platform, US English preferred; empty when the
// face has none.
std::string windowsFamilyName(FT_Face aFace)
{
    std::optional<std::string> anyLanguage;
    const FT_UInt count = FT_Get_Sfnt_Name_Count(aFace);
    for (FT_UInt i = 0; i < count; ++i) {
        FT_SfntName name;
        if (FT_Get_Sfnt_Name(aFace, i, &name) != 0)
            continue;
        if (name.name_id != TT_NAME_ID_FONT_FAMILY || name.platform_id != TT_PLATFORM_MICROSOFT)
            continue;
        if (name.encoding_id != TT_MS_ID_SYMBOL_CS && name.encoding_id != TT_MS_ID_UNICODE_CS &&
            name.encoding_id != TT_MS_ID_UCS_4)
            continue;
        if (name.language_id == TT_MS_LANGID_ENGLISH_UNITED_STATES)
            return posix::utf16BigEndianToUtf8(name.string, name.string_len);
        if (!anyLanguage)
            anyLanguage = posix::utf16BigEndianToUtf8(name.string, name.string_len);
    }
    return anyLanguage.value_or(std::string());
}

FontSignature signatureOf(FT_Face aFace)
{
    FontSignature signature;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(aFace, FT_SFNT_OS2));
    if (!os2 || os2->version == 0xFFFF)
        return signature;
    signature.unicodeSubsets[0] = std::uint32_t(os2->ulUnicodeRange1);
    signature.unicodeSubsets[1] = std::uint32_t(os2->ulUnicodeRange2);
    signature.unicodeSubsets[2] = std::uint32_t(os2->ulUnicodeRange3);
    signature.unicodeSubsets[3] = std::uint32_t(os2->ulUnicodeRange4);
    if (os2->version >= 1) {
        signature.codePages[0] = std::uint32_t(os2->ulCodePageRange1);
        signature.codePages[1] = std::uint32_t(os2->ulCodePageRange2);
    }
    return signature;
}

std::string stringOf(FcPattern* aPattern, const char* aObject)
{
    FcChar8* value = nullptr;
    if (FcPatternGetString(aPattern, aObject, 0, &value) != FcResultMatch || !value)
        return {};
    return reinterpret_cast<const char*>(value);
}

// How far a face is from its family's regular one (upright, normal weight and width): any
// slant outweighs every weight, and weight every width. A variable font's range counts from its
// nearest end.
double distanceFromRegular(FcPattern* aPattern)
{
    const auto distance = [aPattern](const char* aObject, double aRegular) {
        FcValue value;
        if (FcPatternGet(aPattern, aObject, 0, &value) != FcResultMatch)
            return 0.0;
        double low = aRegular;
        double high = aRegular;
        if (value.type == FcTypeInteger)
            low = high = value.u.i;
        else if (value.type == FcTypeDouble)
            low = high = value.u.d;
        else if (value.type == FcTypeRange)
            FcRangeGetDouble(value.u.r, &low, &high);
        return aRegular < low ? low - aRegular : aRegular > high ? aRegular - high : 0.0;
    };
    const bool slanted = distance(FC_SLANT, FC_SLANT_ROMAN) > 0;
    return (slanted ? 1e6 : 0.0) + distance(FC_WEIGHT, FC_WEIGHT_REGULAR) * 1e3 + distance(FC_WIDTH, FC_WIDTH_NORMAL);
}

std::string foldedFace(const std::string& aFace)
{
    std::string folded = aFace;
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return folded;
}

// Windows reports a family with the signature of its regular face, whichever face comes first:
// every TrueType record of a family takes the signature of the family's face nearest to regular
// (the first listed of equals), so that a Bold or Italic face with narrower ranges listed first
// does not decide what the family covers.
void signFamiliesByTheirRegularFace(std::vector<std::optional<EnumeratedFont>>& aFonts,
                                    const std::vector<double>& aDistances)
{
    std::unordered_map<std::string, size_t> regular;
    for (size_t i = 0; i < aFonts.size(); ++i) {
        if (!aFonts[i] || !aFonts[i]->trueType)
            continue;
        const auto [chosen, added] = regular.emplace(foldedFace(aFonts[i]->face), i);
        if (!added && aDistances[i] < aDistances[chosen->second])
            chosen->second = i;
    }
    for (std::optional<EnumeratedFont>& font : aFonts)
        if (font && font->trueType)
            font->signature = aFonts[regular.at(foldedFace(font->face))]->signature;
}

using posix::CachedFace;

CachedFace stampOf(const char* aPath)
{
    CachedFace stamp;
    struct stat info;
    if (::stat(aPath, &info) != 0)
        return stamp;
    stamp.size = (long long)info.st_size;
    stamp.modifiedNs = (long long)info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec;
    return stamp;
}

// One font file, open while its faces are read.
class FontFile final : public posix::FontBytes {
public:
    explicit FontFile(const std::string& aPath) : mFd(::open(aPath.c_str(), O_RDONLY | O_CLOEXEC))
    {
        struct stat info;
        if (mFd >= 0 && ::fstat(mFd, &info) == 0)
            mSize = std::uint64_t(info.st_size);
    }
    ~FontFile() override
    {
        if (mFd >= 0)
            ::close(mFd);
    }
    FontFile(const FontFile&) = delete;
    FontFile& operator=(const FontFile&) = delete;

    bool isOpen() const { return mFd >= 0; }
    std::uint64_t size() const override { return mSize; }

    bool read(std::uint64_t aOffset, std::size_t aLength, std::uint8_t* aOut) const override
    {
        if (mFd < 0 || aOffset > mSize || aLength > mSize - aOffset)
            return false;
        while (aLength > 0) {
            const ssize_t n = ::pread(mFd, aOut, aLength, off_t(aOffset));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false; // shortened meanwhile
            aOut += n;
            aOffset += std::uint64_t(n);
            aLength -= size_t(n);
        }
        return true;
    }

private:
    int mFd;
    std::uint64_t mSize = 0;
};

class PosixFontEnumeration final : public FontEnumeration {
public:
    ~PosixFontEnumeration() override
    {
        if (mFreeType)
            FT_Done_FreeType(mFreeType);
    }

    std::vector<EnumeratedFont> enumerate() const override
    {
        std::lock_guard<std::mutex> lock(mMutex);
        std::vector<EnumeratedFont> result;
        FcConfig* config = upToDateConfig();
        if (!config)
            return result;
        FcPattern* all = FcPatternCreate();
        FcObjectSet* fields = FcObjectSetBuild(FC_FILE, FC_INDEX, FC_FAMILY, FC_OUTLINE, FC_FONTFORMAT, FC_SLANT,
                                               FC_WEIGHT, FC_WIDTH, nullptr);
        FcFontSet* listed = (all && fields) ? FcFontList(config, all, fields) : nullptr;
        if (fields)
            FcObjectSetDestroy(fields);
        if (all)
            FcPatternDestroy(all);
        if (!listed)
            return result;

        if (!mCacheLoaded) {
            mCache = posix::loadFontCache();
            mCacheLoaded = true;
        }
        std::unordered_map<std::string, CachedFace> seen;
        bool changed = false;
        // The faces of one file (a collection) are read together, the file opened once; the
        // records keep fontconfig's order.
        const int count = listed->nfont;
        const size_t total = count > 0 ? size_t(count) : 0;
        std::vector<std::string> files(total);
        std::vector<int> order(total);
        for (int i = 0; i < count; ++i) {
            files[size_t(i)] = stringOf(listed->fonts[i], FC_FILE);
            order[size_t(i)] = i;
        }
        std::stable_sort(order.begin(), order.end(),
                         [&](int aLeft, int aRight) { return files[size_t(aLeft)] < files[size_t(aRight)]; });
        std::vector<std::optional<EnumeratedFont>> fonts(total);
        for (size_t first = 0; first < order.size();) {
            const std::string& file = files[size_t(order[first])];
            const CachedFace stamp = stampOf(file.c_str());
            std::unique_ptr<FontFile> opened;
            for (; first < order.size() && files[size_t(order[first])] == file; ++first) {
                const int i = order[first];
                fonts[size_t(i)] = read(listed->fonts[i], file, stamp, opened, seen, changed);
            }
        }
        std::vector<double> distances(total);
        for (int i = 0; i < count; ++i)
            distances[size_t(i)] = distanceFromRegular(listed->fonts[i]);
        signFamiliesByTheirRegularFace(fonts, distances);
        result.reserve(total);
        for (std::optional<EnumeratedFont>& font : fonts)
            if (font)
                result.push_back(std::move(*font));
        FcFontSetDestroy(listed);
        // Files no longer listed drop out.
        changed = changed || seen.size() != mCache.size();
        mCache.swap(seen);
        if (changed)
            posix::saveFontCache(mCache);
        return result;
    }

private:
    // The current configuration, loaded afresh when a font folder, a configuration file or the
    // configuration's own name (FONTCONFIG_FILE) changed since the last look. fontconfig itself
    // checks only whole seconds and only every half minute.
    FcConfig* upToDateConfig() const
    {
        FcConfig* config = FcConfigGetCurrent();
        if (!config)
            return nullptr;
        std::string fingerprint = watchedState(config);
        // On the first look, fontconfig's own check (whole seconds) tells whether anything changed
        // since the configuration was loaded at start.
        const bool changed = mFingerprint.empty() ? !FcConfigUptoDate(config) : fingerprint != mFingerprint;
        if (!loadedFromCurrentName(config) || changed) {
            FcInitReinitialize();
            config = FcConfigGetCurrent();
            if (!config)
                return nullptr;
            fingerprint = watchedState(config);
        }
        mFingerprint = std::move(fingerprint);
        return config;
    }

    // Whether the configuration was loaded from the file fontconfig would load now: someone else
    // in the process (the toolkit) may have loaded it before FONTCONFIG_FILE was set.
    static bool loadedFromCurrentName(FcConfig* aConfig)
    {
        FcChar8* wanted = FcConfigFilename(nullptr);
        if (!wanted)
            return true;
        bool found = false;
        if (FcStrList* files = FcConfigGetConfigFiles(aConfig)) {
            while (FcChar8* file = FcStrListNext(files))
                found = found || std::strcmp(reinterpret_cast<const char*>(file), reinterpret_cast<const char*>(wanted)) == 0;
            FcStrListDone(files);
        }
        FcStrFree(wanted);
        return found;
    }

    static void addFolders(std::string& aOut, FcStrList* aFolders)
    {
        if (!aFolders)
            return;
        while (FcChar8* folder = FcStrListNext(aFolders)) {
            const CachedFace stamp = stampOf(reinterpret_cast<const char*>(folder));
            aOut.append(reinterpret_cast<const char*>(folder));
            aOut += '\n' + std::to_string(stamp.modifiedNs) + '\n';
        }
        FcStrListDone(aFolders);
    }

    static std::string watchedState(FcConfig* aConfig)
    {
        const char* file = std::getenv("FONTCONFIG_FILE");
        std::string state = std::string("config=") + (file ? file : "") + '\n';
        addFolders(state, FcConfigGetConfigDirs(aConfig));
        addFolders(state, FcConfigGetFontDirs(aConfig));
        addFolders(state, FcConfigGetConfigFiles(aConfig));
        return state;
    }

    std::optional<EnumeratedFont> read(FcPattern* aPattern, const std::string& aFile, const CachedFace& aStamp,
                                       std::unique_ptr<FontFile>& aOpened,
                                       std::unordered_map<std::string, CachedFace>& aSeen, bool& aChanged) const
    {
        int index = 0;
        FcPatternGetInteger(aPattern, FC_INDEX, 0, &index);
        // Named instances of a variable font (index above 0xFFFF) belong to its family already.
        if (aFile.empty() || index < 0 || index > 0xFFFF)
            return std::nullopt;
        const std::string format = stringOf(aPattern, FC_FONTFORMAT);
        FcBool outline = FcFalse;
        FcPatternGetBool(aPattern, FC_OUTLINE, 0, &outline);
        if (!outline || format == "Type 1" || format == "CID Type 1") {
            EnumeratedFont font;
            font.face = stringOf(aPattern, FC_FAMILY);
            font.file = aFile;
            return font;
        }

        std::string key = posix::faceKey(aFile, index);
        if (auto known = mCache.find(key); known != mCache.end() && known->second.size == aStamp.size &&
                                           known->second.modifiedNs == aStamp.modifiedNs) {
            aSeen.emplace(key, known->second);
            EnumeratedFont font = known->second.font;
            font.file = aFile;
            return font;
        }
        if (!aOpened)
            aOpened = std::make_unique<FontFile>(aFile);
        std::optional<EnumeratedFont> font = readFace(*aOpened, aFile, index);
        if (!font)
            return std::nullopt;
        if (font->face.empty())
            font->face = stringOf(aPattern, FC_FAMILY);
        font->file = aFile;
        CachedFace entry = aStamp;
        entry.font = *font;
        aSeen.emplace(std::move(key), std::move(entry));
        aChanged = true;
        return font;
    }

    // Straight from the file's tables where they settle it; FreeType where they do not.
    std::optional<EnumeratedFont> readFace(const FontFile& aOpened, const std::string& aFile, int aIndex) const
    {
        if (aOpened.isOpen()) {
            if (std::optional<posix::SfntFace> sfnt = posix::readSfntFace(aOpened, aIndex)) {
                EnumeratedFont font;
                font.face = std::move(sfnt->face);
                font.trueType = true;
                font.signature = sfnt->signature;
                return font;
            }
        }
        return readFaceWithFreeType(aFile, aIndex);
    }

    std::optional<EnumeratedFont> readFaceWithFreeType(const std::string& aFile, int aIndex) const
    {
        if (!mFreeType && FT_Init_FreeType(&mFreeType) != 0) {
            mFreeType = nullptr;
            return std::nullopt;
        }
        FT_Face face = nullptr;
        if (FT_New_Face(mFreeType, aFile.c_str(), aIndex, &face) != 0)
            return std::nullopt;
        EnumeratedFont font;
        font.trueType = FT_IS_SFNT(face) && FT_IS_SCALABLE(face);
        if (FT_IS_SFNT(face)) {
            font.face = windowsFamilyName(face);
            font.signature = signatureOf(face);
        }
        FT_Done_Face(face);
        return font;
    }

    mutable std::mutex mMutex;
    mutable FT_Library mFreeType = nullptr;
    mutable std::unordered_map<std::string, CachedFace> mCache;
    mutable bool mCacheLoaded = false;
    mutable std::string mFingerprint;
};

} // namespace

template <>
FontEnumeration& defaultService<FontEnumeration>()
{
    static PosixFontEnumeration instance;
    return instance;
}

} // namespace platform
