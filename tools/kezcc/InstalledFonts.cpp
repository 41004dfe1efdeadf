#include "InstalledFonts.h"
#include "platform/Utf8Sequence.h"

#include <fontconfig/fontconfig.h>

#include <dlfcn.h>

#include <map>
#include <string>

namespace kezcc {
namespace {

// A lone surrogate (no name fontconfig knows) becomes U+FFFD.
std::string utf8(std::u16string_view aText)
{
    std::string out;
    platform::utf8::forEachCodePoint(aText, [&out](char32_t aCode) {
        platform::utf8::appendUtf8(out, platform::utf8::isSurrogate(aCode) ? char32_t(0xFFFD) : aCode);
    });
    return out;
}

// fontconfig opened at run time: linking it would load it, and the libraries it needs, at every
// start of a converter that mostly has no number to write.
class FontconfigFonts final : public InstalledFonts {
public:
    FontconfigFonts()
    {
        mLibrary = ::dlopen("libfontconfig.so.1", RTLD_NOW | RTLD_LOCAL);
        if (!mLibrary)
            return;
        const bool found = load(mInit, "FcInitLoadConfigAndFonts") && load(mConfigDestroy, "FcConfigDestroy") &&
                           load(mPatternCreate, "FcPatternCreate") && load(mPatternDestroy, "FcPatternDestroy") &&
                           load(mPatternAddString, "FcPatternAddString") &&
                           load(mPatternGetCharSet, "FcPatternGetCharSet") &&
                           load(mConfigSubstitute, "FcConfigSubstitute") &&
                           load(mDefaultSubstitute, "FcDefaultSubstitute") && load(mFontMatch, "FcFontMatch") &&
                           load(mCharSetHasChar, "FcCharSetHasChar") && load(mFontList, "FcFontList") &&
                           load(mObjectSetCreate, "FcObjectSetCreate") && load(mObjectSetAdd, "FcObjectSetAdd") &&
                           load(mObjectSetDestroy, "FcObjectSetDestroy") && load(mFontSetDestroy, "FcFontSetDestroy");
        if (found)
            mConfig = mInit();
    }

    ~FontconfigFonts() override
    {
        for (auto& [face, match] : mMatches) {
            if (match)
                mPatternDestroy(match);
        }
        if (mConfig)
            mConfigDestroy(mConfig);
        // The library stays loaded: its own clean-up at exit may still refer to it.
    }

    bool hasFamily(std::u16string_view aFace) override
    {
        if (!mConfig)
            return false;
        const std::string family = utf8(aFace);
        FcPattern* pattern = mPatternCreate();
        mPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        FcObjectSet* objects = mObjectSetCreate();
        mObjectSetAdd(objects, FC_FAMILY);
        FcFontSet* fonts = mFontList(mConfig, pattern, objects);
        const bool found = fonts && fonts->nfont > 0;
        if (fonts)
            mFontSetDestroy(fonts);
        mObjectSetDestroy(objects);
        mPatternDestroy(pattern);
        return found;
    }

    bool covers(std::u16string_view aFace, char32_t aCharacter) override
    {
        if (!mConfig)
            return false;
        auto [at, added] = mMatches.try_emplace(std::u16string(aFace), nullptr);
        if (added)
            at->second = match(aFace);
        FcCharSet* characters = nullptr;
        return at->second && mPatternGetCharSet(at->second, FC_CHARSET, 0, &characters) == FcResultMatch &&
               mCharSetHasChar(characters, FcChar32(aCharacter));
    }

private:
    template <typename Function> bool load(Function& aFunction, const char* aName)
    {
        aFunction = reinterpret_cast<Function>(::dlsym(mLibrary, aName));
        return aFunction != nullptr;
    }

    // The face fontconfig chooses for the family, as a reader on this machine gets it.
    FcPattern* match(std::u16string_view aFace)
    {
        const std::string family = utf8(aFace);
        FcPattern* pattern = mPatternCreate();
        mPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        mConfigSubstitute(mConfig, pattern, FcMatchPattern);
        mDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* found = mFontMatch(mConfig, pattern, &result);
        mPatternDestroy(pattern);
        return found;
    }

    void* mLibrary = nullptr;
    FcConfig* mConfig = nullptr;
    std::map<std::u16string, FcPattern*> mMatches;
    decltype(&FcInitLoadConfigAndFonts) mInit = nullptr;
    decltype(&FcConfigDestroy) mConfigDestroy = nullptr;
    decltype(&FcPatternCreate) mPatternCreate = nullptr;
    decltype(&FcPatternDestroy) mPatternDestroy = nullptr;
    decltype(&FcPatternAddString) mPatternAddString = nullptr;
    decltype(&FcPatternGetCharSet) mPatternGetCharSet = nullptr;
    decltype(&FcConfigSubstitute) mConfigSubstitute = nullptr;
    decltype(&FcDefaultSubstitute) mDefaultSubstitute = nullptr;
    decltype(&FcFontMatch) mFontMatch = nullptr;
    decltype(&FcCharSetHasChar) mCharSetHasChar = nullptr;
    decltype(&FcFontList) mFontList = nullptr;
    decltype(&FcObjectSetCreate) mObjectSetCreate = nullptr;
    decltype(&FcObjectSetAdd) mObjectSetAdd = nullptr;
    decltype(&FcObjectSetDestroy) mObjectSetDestroy = nullptr;
    decltype(&FcFontSetDestroy) mFontSetDestroy = nullptr;
};

} // namespace

std::unique_ptr<InstalledFonts> systemFonts() { return std::make_unique<FontconfigFonts>(); }

} // namespace kezcc
