// The font cache's folder and file, kept like the other stores: what is planted in place of
// either is never followed or trusted, costs bounded time and memory, and is replaced by the
// next save; nothing is written outside the user's own folder.
#ifndef _WIN32

#include "platform/posix/FontSignatureCache.h"
#include "platform/support/PlatformTestSupport.h"

#include <unistd.h>

using namespace platform;
using namespace testsupport;

namespace {

constexpr const char* kHeader = "KezConverter font cache 1\n";
const fs::path kFontFile = "/fonts/face.ttf";

// One cache line for a face of kFontFile (index aIndex).
std::string line(const std::string& aFace, int aIndex = 0)
{
    return "100\t200\t" + std::to_string(aIndex) + "\t1\t00000001\t00000000\t00000000\t00000000\t00000001\t00000000\t" +
           aFace + "\t" + kFontFile.string() + "\n";
}

std::unordered_map<std::string, posix::CachedFace> oneFace(const std::string& aFace)
{
    posix::CachedFace face;
    face.size = 100;
    face.modifiedNs = 200;
    face.font.face = aFace;
    face.font.trueType = true;
    return {{posix::faceKey(kFontFile.string(), 0), face}};
}

// What a load in a new process found: the faces, whether it ended within the time, and by how
// much its peak memory grew.
struct Probe {
    bool ended = false;
    std::vector<std::string> faces;
    long grewKb = -1;
};

class FontCacheStore : public ::testing::Test {
protected:
    Probe probe()
    {
        const fs::path out = root.path / "probe.txt";
        fs::remove(out);
        Probe result;
        Child child(quoted(fs::path(KEZ_TEST_BIN_DIR) / programName("font_cache_probe")) + " " + quoted(out));
        result.ended = child.handle && service<Process>().wait(child.handle, 20000) == kWaitObject0;
        if (!result.ended) {
            child.kill();
            return result;
        }
        std::istringstream lines(fs::exists(out) ? readText(out) : std::string());
        for (std::string text; std::getline(lines, text);) {
            if (text.rfind("grew ", 0) == 0)
                result.grewKb = std::stol(text.substr(5));
            else
                result.faces.push_back(text);
        }
        return result;
    }

    // A bounded load that finds nothing, then a save that puts a regular file of ours in place.
    void expectIgnoredThenReplaced()
    {
        const Probe loaded = probe();
        ASSERT_TRUE(loaded.ended) << "the load ends within the time";
        EXPECT_EQ(loaded.faces.size(), 0u);
        EXPECT_GE(loaded.grewKb, 0);
        EXPECT_LT(loaded.grewKb, 8 * 1024) << "the load's memory is bounded";
        posix::saveFontCache(oneFace("Mine"));
        struct stat st {};
        ASSERT_EQ(::lstat(file.c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode));
        EXPECT_EQ(st.st_uid, ::geteuid());
        EXPECT_EQ(probe().faces, std::vector<std::string>{"Mine"});
    }

    // Files of someone else's are planted as root, handing them over to another user.
    bool handOver(const fs::path& aPath)
    {
        return ::geteuid() == 0 && ::lchown(aPath.c_str(), 65534, 65534) == 0;
    }

    TempFolder root;
    ScopedEnv cacheHome{"XDG_CACHE_HOME", (root.path / "cache").string()};
    fs::path folder = root.path / "cache" / "KezConverter";
    fs::path file = folder / "fonts.cache";
    fs::path elsewhere = root.path / "elsewhere";
};

} // namespace

TEST_F(FontCacheStore, WhatIsSavedIsLoadedAndALineTooLongIsPassedOver)
{
    posix::saveFontCache(oneFace("Saved"));
    EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(probe().faces, std::vector<std::string>{"Saved"});

    std::ofstream(file, std::ios::binary | std::ios::trunc)
        << kHeader << line("Before", 0) << line(std::string(1 << 20, 'N'), 1) << line("After", 2);
    const auto faces = posix::loadFontCache();
    std::vector<std::size_t> lengths;
    for (const auto& [key, face] : faces)
        lengths.push_back(face.font.face == "Before" || face.font.face == "After" ? 0 : face.font.face.size());
    EXPECT_EQ(lengths, (std::vector<std::size_t>{0, 0})) << "both short faces and nothing else";

    // A face whose line would be too long is not saved either.
    posix::saveFontCache(oneFace(std::string(1 << 20, 'N')));
    EXPECT_LT(fs::file_size(file), 1000u);
}

TEST_F(FontCacheStore, AFolderThatIsALinkOrSomeoneElsesIsNeitherReadNorWritten)
{
    fs::create_directories(elsewhere);
    std::ofstream(elsewhere / "fonts.cache", std::ios::binary) << kHeader << line("Planted");
    fs::permissions(elsewhere, fs::perms::all);
    const bool foreign = handOver(elsewhere / "fonts.cache") && handOver(elsewhere);
    fs::create_directories(folder.parent_path());
    fs::create_directory_symlink(elsewhere, folder);
    const Probe linked = probe();
    ASSERT_TRUE(linked.ended);
    EXPECT_TRUE(linked.faces.empty());
    posix::saveFontCache(oneFace("Mine"));
    EXPECT_TRUE(fs::is_symlink(folder));
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(elsewhere))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"fonts.cache"}) << "nothing written through the link";
    EXPECT_EQ(readText(elsewhere / "fonts.cache"), kHeader + line("Planted"));

    // The folder itself someone else's, and open to all.
    fs::remove(folder);
    fs::rename(elsewhere, folder);
    if (!foreign)
        GTEST_SKIP() << "only root can hand a folder to another user";
    const Probe strangers = probe();
    ASSERT_TRUE(strangers.ended);
    EXPECT_TRUE(strangers.faces.empty());
    posix::saveFontCache(oneFace("Mine"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    EXPECT_EQ(readText(file), kHeader + line("Planted"));
    EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::all) << "left as it was";
}

TEST_F(FontCacheStore, ACacheFileOfSomeoneElsesIsNotTrusted)
{
    fs::create_directories(folder);
    std::ofstream(file, std::ios::binary) << kHeader << line("Planted") << line(std::string(1 << 20, 'P'), 1);
    if (!handOver(file))
        GTEST_SKIP() << "only root can hand a file to another user";
    expectIgnoredThenReplaced();
}

TEST_F(FontCacheStore, APipeInPlaceOfTheFileIsNotWaitedOn)
{
    fs::create_directories(folder);
    makeFifo(file);
    expectIgnoredThenReplaced();
}

TEST_F(FontCacheStore, ALinkToAnEndlessDeviceIsNotFollowed)
{
    fs::create_directories(folder);
    fs::create_symlink("/dev/zero", file);
    expectIgnoredThenReplaced();
}

TEST_F(FontCacheStore, OneHugeLineIsNotRead)
{
    fs::create_directories(folder);
    std::ofstream(file, std::ios::binary) << kHeader << line("Before");
    // 256 MiB more without a line break, as a hole: cheap to make, costly to read.
    ASSERT_EQ(::truncate(file.c_str(), off_t(256) << 20), 0);
    expectIgnoredThenReplaced();
}

#endif // _WIN32
