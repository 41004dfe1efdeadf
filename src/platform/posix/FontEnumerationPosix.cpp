#include "platform/FontEnumeration.h"
#include "platform/Services.h"
#include "platform/posix/FontSignatureCache.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H
#include FT_TRUETYPE_TABLES_H

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// fontconfig lists the font files (from its own cache); FreeType reads from each face what
// GDI would report: the family name of the name table and the OS/2 coverage words. What was
// read from a file is kept, in memory and in the user's cache folder, while the file keeps its
// size and modification time.
namespace platform {
namespace {

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

// Name-table strings of the Windows platform are UTF-16, big-endian.
std::string utf16BigEndianToUtf8(const FT_Byte* aBytes, FT_UInt aLength)
{
    std::string out;
    for (FT_UInt i = 0; i + 1 < aLength; i += 2) {
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
            return utf16BigEndianToUtf8(name.string, name.string_len);
        if (!anyLanguage)
            anyLanguage = utf16BigEndianToUtf8(name.string, name.string_len);
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
        FcObjectSet* fields = FcObjectSetBuild(FC_FILE, FC_INDEX, FC_FAMILY, FC_OUTLINE, FC_FONTFORMAT, nullptr);
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
        result.reserve(size_t(listed->nfont));
        for (int i = 0; i < listed->nfont; ++i)
            if (std::optional<EnumeratedFont> font = read(listed->fonts[i], seen, changed))
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
        if (!loadedFromCurrentName(config) || (!mFingerprint.empty() && fingerprint != mFingerprint)) {
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

    std::optional<EnumeratedFont> read(FcPattern* aPattern, std::unordered_map<std::string, CachedFace>& aSeen,
                                       bool& aChanged) const
    {
        const std::string file = stringOf(aPattern, FC_FILE);
        int index = 0;
        FcPatternGetInteger(aPattern, FC_INDEX, 0, &index);
        // Named instances of a variable font (index above 0xFFFF) belong to its family already.
        if (file.empty() || index < 0 || index > 0xFFFF)
            return std::nullopt;
        const std::string format = stringOf(aPattern, FC_FONTFORMAT);
        FcBool outline = FcFalse;
        FcPatternGetBool(aPattern, FC_OUTLINE, 0, &outline);
        if (!outline || format == "Type 1" || format == "CID Type 1") {
            EnumeratedFont font;
            font.face = stringOf(aPattern, FC_FAMILY);
            return font;
        }

        std::string key = posix::faceKey(file, index);
        CachedFace stamp = stampOf(file.c_str());
        if (auto known = mCache.find(key); known != mCache.end() && known->second.size == stamp.size &&
                                           known->second.modifiedNs == stamp.modifiedNs) {
            aSeen.emplace(key, known->second);
            return known->second.font;
        }
        std::optional<EnumeratedFont> font = readFace(file, index);
        if (!font)
            return std::nullopt;
        if (font->face.empty())
            font->face = stringOf(aPattern, FC_FAMILY);
        stamp.font = *font;
        aSeen.emplace(std::move(key), std::move(stamp));
        aChanged = true;
        return font;
    }

    std::optional<EnumeratedFont> readFace(const std::string& aFile, int aIndex) const
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
