#include "platform/FontEnumeration.h"
#include "platform/support/PlatformTestSupport.h"
#include "platform/support/TestFontManifest.h"

#include <algorithm>
#include <map>

using namespace testsupport;
using platform::EnumeratedFont;
using platform::FontSignature;

// The test fonts (tests/fonts/make_test_fonts.py): on POSIX seen through a private fontconfig
// configuration, on Windows installed into the Wine prefix by the Windows stage.
namespace {

const fs::path kFontDir = fs::u8path(KEZ_TEST_FONT_DIR);

std::vector<ManifestEntry> readManifest(const fs::path& aFolder = kFontDir) { return readFontManifest(aFolder); }

std::vector<EnumeratedFont> enumerate() { return platform::service<platform::FontEnumeration>().enumerate(); }

std::vector<EnumeratedFont> withFace(const std::vector<EnumeratedFont>& aFonts, const std::string& aFace)
{
    std::vector<EnumeratedFont> found;
    std::copy_if(aFonts.begin(), aFonts.end(), std::back_inserter(found),
                 [&](const EnumeratedFont& aFont) { return aFont.face == aFace; });
    return found;
}

// GDI hands out at most 31 characters of a face name (the test names that long are ASCII).
std::string windowsFace(const std::string& aFace) { return kWindows ? aFace.substr(0, 31) : aFace; }

std::string configFor(const fs::path& aFonts, const fs::path& aCache)
{
    return "<?xml version=\"1.0\"?>\n<fontconfig>\n  <dir>" + aFonts.string() + "</dir>\n  <cachedir>" +
           aCache.string() + "</cachedir>\n</fontconfig>\n";
}

// On POSIX: a private configuration over the given folder (or the test fonts), for one test.
class FontEnumerationTest : public ::testing::Test {
protected:
    void useConfig(const fs::path& aConfig) { config.emplace("FONTCONFIG_FILE", aConfig.string()); }
    void SetUp() override
    {
        if (!kWindows)
            useConfig(kFontDir / "fonts.conf");
    }
    std::optional<ScopedEnv> config;
};

} // namespace

TEST_F(FontEnumerationTest, EveryTestFaceComesOnceWithTheSignatureOfItsOs2Table)
{
    const std::vector<ManifestEntry> manifest = readManifest();
    ASSERT_GE(manifest.size(), 10u) << "test fonts missing in " << kFontDir;
    const std::vector<EnumeratedFont> fonts = enumerate();
    for (const ManifestEntry& entry : manifest) {
        SCOPED_TRACE(entry.file);
        // Windows does not load a TrueType file without an OS/2 table at all.
        if (kWindows && entry.signature == FontSignature{})
            continue;
        const std::vector<EnumeratedFont> found = withFace(fonts, windowsFace(entry.face));
        ASSERT_FALSE(found.empty()) << entry.face;
        for (const EnumeratedFont& font : found) {
            EXPECT_TRUE(font.trueType);
            for (int i = 0; i < 4; ++i)
                EXPECT_EQ(font.signature.unicodeSubsets[i], entry.signature.unicodeSubsets[i]) << "word " << i;
            // Windows makes up code pages for a face whose table names none.
            if (!kWindows || entry.signature.codePages[0] != 0) {
                for (int i = 0; i < 2; ++i)
                    EXPECT_EQ(font.signature.codePages[i], entry.signature.codePages[i]) << "code page word " << i;
            }
        }
    }
}

TEST_F(FontEnumerationTest, FaceIsTheNameTableFamilyNotTheTypographicFamily)
{
    const std::vector<EnumeratedFont> fonts = enumerate();
    EXPECT_FALSE(withFace(fonts, "Test Sans Condensed").empty());
    EXPECT_TRUE(withFace(fonts, "Test Sans").empty());
    EXPECT_FALSE(withFace(fonts, "\xD0\xA2\xD0\xB5\xD1\x81\xD1\x82\xD0\xBE\xD0\xB2\xD1\x8B\xD0\xB9 "
                                 "\xD0\xA8\xD1\x80\xD0\xB8\xD1\x84\xD1\x82")
                     .empty()); // Тестовый Шрифт
}

TEST_F(FontEnumerationTest, RepeatedEnumerationGivesTheSameRecords)
{
    const std::vector<EnumeratedFont> first = enumerate();
    EXPECT_EQ(enumerate(), first);
}

#ifndef _WIN32
TEST_F(FontEnumerationTest, PrivateConfigurationSeesOnlyItsOwnFolder)
{
    std::vector<std::string> faces;
    for (const EnumeratedFont& font : enumerate())
        faces.push_back(font.face);
    std::sort(faces.begin(), faces.end());
    faces.erase(std::unique(faces.begin(), faces.end()), faces.end());
    std::vector<std::string> expected;
    for (const ManifestEntry& entry : readManifest())
        expected.push_back(entry.face);
    std::sort(expected.begin(), expected.end());
    expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
    EXPECT_EQ(faces, expected);
}

TEST_F(FontEnumerationTest, FontInstalledOrRemovedShowsAtTheNextEnumeration)
{
    TempFolder root;
    fs::create_directories(root.path / "fonts");
    fs::copy_file(kFontDir / "files" / "test-ucs.ttf", root.path / "fonts" / "test-ucs.ttf");
    std::ofstream(root.path / "fonts.conf") << configFor(root.path / "fonts", root.path / "cache");
    useConfig(root.path / "fonts.conf");
    ASSERT_EQ(enumerate().size(), 1u);

    fs::copy_file(kFontDir / "files" / "test-greek.ttf", root.path / "fonts" / "test-greek.ttf");
    EXPECT_EQ(withFace(enumerate(), "Test Greek").size(), 1u);

    fs::remove(root.path / "fonts" / "test-ucs.ttf");
    const std::vector<EnumeratedFont> left = enumerate();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].face, "Test Greek");
}

TEST_F(FontEnumerationTest, FileRewrittenInPlaceIsReadAgain)
{
    TempFolder root;
    fs::create_directories(root.path / "fonts");
    const fs::path font = root.path / "fonts" / "face.ttf";
    fs::copy_file(kFontDir / "files" / "sample-roos.ttf", font);
    std::ofstream(root.path / "fonts.conf") << configFor(root.path / "fonts", root.path / "cache");
    useConfig(root.path / "fonts.conf");
    ASSERT_EQ(withFace(enumerate(), "Sample Roos").size(), 1u);

    // Same name, new content: the folder does not change, the file's size and time do.
    fs::copy_file(kFontDir / "files" / "test-greek.ttf", font, fs::copy_options::overwrite_existing);
    const std::vector<EnumeratedFont> fonts = enumerate();
    ASSERT_EQ(fonts.size(), 1u);
    EXPECT_EQ(fonts[0].face, "Test Greek");
    EXPECT_EQ(fonts[0].signature.codePages[0], 1u << 3);
}

TEST_F(FontEnumerationTest, FilesCutShortOrOverwrittenWithGarbageAreLeftOut)
{
    TempFolder root;
    fs::create_directories(root.path / "fonts");
    const fs::path cut = root.path / "fonts" / "cut.ttf";
    const fs::path garbage = root.path / "fonts" / "garbage.otf";
    fs::copy_file(kFontDir / "files" / "sample-roos.ttf", cut);
    fs::copy_file(kFontDir / "files" / "test-otf.otf", garbage);
    fs::copy_file(kFontDir / "files" / "test-greek.ttf", root.path / "fonts" / "greek.ttf");
    std::ofstream(root.path / "fonts.conf") << configFor(root.path / "fonts", root.path / "cache");
    useConfig(root.path / "fonts.conf");
    ASSERT_EQ(enumerate().size(), 3u);

    // Rewritten in place, the folder unchanged: fontconfig still lists both as before.
    const std::string whole = readText(cut);
    std::ofstream(cut, std::ios::binary | std::ios::trunc) << whole.substr(0, 40);
    std::string noise(readText(garbage).size(), '\0');
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 131 + 7) % 251);
    std::ofstream(garbage, std::ios::binary | std::ios::trunc) << noise;

    const std::vector<EnumeratedFont> fonts = enumerate();
    ASSERT_EQ(fonts.size(), 1u);
    EXPECT_EQ(fonts[0].face, "Test Greek");
}

TEST_F(FontEnumerationTest, FamilyTakesItsRegularFacesSignatureWhicheverFaceComesFirst)
{
    // Bold, Italic and Regular each with coverage of its own; the files named so that each face
    // in turn comes first.
    const std::string faces[3] = {"styled-bold.ttf", "styled-italic.ttf", "styled-regular.ttf"};
    FontSignature regular;
    regular.unicodeSubsets[0] = 0x2000028F; // Latin, Greek, Cyrillic
    regular.unicodeSubsets[1] = 1u << 30;   // Greek Extended
    regular.codePages[0] = (1u << 0) | (1u << 2) | (1u << 3);
    for (int first = 0; first < 3; ++first) {
        SCOPED_TRACE(faces[first]);
        TempFolder root;
        fs::create_directories(root.path / "fonts");
        for (int k = 0; k < 3; ++k)
            fs::copy_file(kFontDir / "styled" / faces[(first + k) % 3],
                          root.path / "fonts" / (std::to_string(k) + "-" + faces[(first + k) % 3]));
        std::ofstream(root.path / "fonts.conf") << configFor(root.path / "fonts", root.path / "cache");
        useConfig(root.path / "fonts.conf");
        const std::vector<EnumeratedFont> found = withFace(enumerate(), "Test Styled");
        ASSERT_EQ(found.size(), 3u);
        for (const EnumeratedFont& font : found)
            EXPECT_EQ(font.signature, regular);
    }
}

// What a new process enumerates: the faces font_list writes.
std::string facesInNewProcess(const fs::path& aOut)
{
    const std::optional<std::uint32_t> code =
        run(quoted(fs::path(KEZ_TEST_BIN_DIR) / programName("font_list")) + " " + quoted(aOut));
    EXPECT_EQ(code, std::optional<std::uint32_t>(0));
    return readText(aOut);
}

TEST_F(FontEnumerationTest, NewProcessTakesUnchangedFilesFromTheDiskCacheAndRereadsChangedOnes)
{
    TempFolder root;
    fs::create_directories(root.path / "fonts");
    const fs::path font = root.path / "fonts" / "face.ttf";
    fs::copy_file(kFontDir / "files" / "sample-roos.ttf", font);
    std::ofstream(root.path / "fonts.conf") << configFor(root.path / "fonts", root.path / "fc-cache");
    useConfig(root.path / "fonts.conf");
    ScopedEnv cacheHome("XDG_CACHE_HOME", (root.path / "cache").string());
    const fs::path cache = root.path / "cache" / "KezConverter" / "fonts.cache";
    const fs::path out = root.path / "faces.txt";

    EXPECT_EQ(facesInNewProcess(out), "Sample Roos\n");
    ASSERT_TRUE(fs::exists(cache));
    EXPECT_EQ(fs::status(cache.parent_path()).permissions() & fs::perms::all, fs::perms::owner_all);

    // Served from the cache: a name changed there shows, the file itself is not opened again.
    std::string text = readText(cache);
    text.replace(text.find("Sample Roos"), 11, "Cached Roos");
    std::ofstream(cache, std::ios::binary | std::ios::trunc) << text;
    EXPECT_EQ(facesInNewProcess(out), "Cached Roos\n");

    // A damaged cache only costs time.
    std::ofstream(cache, std::ios::binary | std::ios::trunc) << "KezConverter font cache 1\nx\ty\n\t\t\n";
    EXPECT_EQ(facesInNewProcess(out), "Sample Roos\n");

    // A file rewritten in place is read again.
    text = readText(cache);
    text.replace(text.find("Sample Roos"), 11, "Cached Roos");
    std::ofstream(cache, std::ios::binary | std::ios::trunc) << text;
    fs::copy_file(kFontDir / "files" / "test-greek.ttf", font, fs::copy_options::overwrite_existing);
    EXPECT_EQ(facesInNewProcess(out), "Test Greek\n");
}

TEST_F(FontEnumerationTest, EmptyFolderEnumeratesNothing)
{
    TempFolder root;
    fs::create_directories(root.path / "fonts");
    std::ofstream(root.path / "fonts.conf") << configFor(root.path / "fonts", root.path / "cache");
    useConfig(root.path / "fonts.conf");
    EXPECT_TRUE(enumerate().empty());
}
#endif
