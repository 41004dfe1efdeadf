#include "errors/KezError.h"
#include "fs/DeepFolder.h"
#include "fs/mFileSystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace mFileSystem;

namespace {

constexpr quint32 kAllFiles = Attribute::ReadOnly | Attribute::Hidden | Attribute::System | Attribute::Archive;

class FolderTree : public ::testing::Test {
protected:
    QTemporaryDir dir;

    QString path(const QString& aRelative) const { return dir.path() + QLatin1Char('/') + aRelative; }

    QString file(const QString& aRelative)
    {
        const QString full = path(aRelative);
        QDir().mkpath(QFileInfo(full).absolutePath());
        QFile out(full);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly)) << qPrintable(full);
        out.write("x");
        return full;
    }

    QString folder(const QString& aRelative)
    {
        QDir().mkpath(path(aRelative));
        return path(aRelative);
    }

    QStringList scan(const QString& aMasks, bool aRecursive = true, quint32 aAttributes = kAllFiles)
    {
        return CollectFileNamesInFolder(dir.path(), aMasks, aRecursive, aAttributes);
    }

    static QStringList sorted(QStringList aList)
    {
        aList.sort();
        return aList;
    }
};

} // namespace

TEST(PathMergeRule, JoinsWithOneBackslash)
{
    const QChar backslash = QLatin1Char('\\');
    EXPECT_EQ(PathMerge(QStringLiteral("C:\\T"), QStringLiteral("a.kez"), backslash), QStringLiteral("C:\\T\\a.kez"));
    EXPECT_EQ(PathMerge(QStringLiteral("C:\\"), QStringLiteral("a.kez"), backslash), QStringLiteral("C:\\a.kez"));
    EXPECT_EQ(PathMerge(QString(), QStringLiteral("a.kez"), backslash), QStringLiteral("a.kez"));
    EXPECT_EQ(PathMerge(QStringLiteral("C:\\T"), QStringLiteral("\\a.kez"), backslash), QStringLiteral("C:\\T\\a.kez"));
    // Nothing is removed: a separator on both sides stays doubled.
    EXPECT_EQ(PathMerge(QStringLiteral("C:\\T\\"), QStringLiteral("\\a.kez"), backslash),
              QStringLiteral("C:\\T\\\\a.kez"));
    // A slash is no separator on that side.
    EXPECT_EQ(PathMerge(QStringLiteral("C:/T/"), QStringLiteral("a.kez"), backslash), QStringLiteral("C:/T/\\a.kez"));
}

TEST(PathMergeRule, UsesThePlatformSeparatorByDefault)
{
    EXPECT_EQ(PathMerge(QStringLiteral("/t"), QStringLiteral("a.kez")), QStringLiteral("/t/a.kez"));
    EXPECT_EQ(PathMerge(QStringLiteral("/"), QStringLiteral("a.kez")), QStringLiteral("/a.kez"));
    EXPECT_EQ(PathMerge(QString(), QStringLiteral("a.kez")), QStringLiteral("a.kez"));
    EXPECT_EQ(PathMerge(QStringLiteral("/t/"), QStringLiteral("/a.kez")), QStringLiteral("/t//a.kez"));
    EXPECT_EQ(PathMerge(QStringLiteral("/Тексты с \"кавычками\""), QStringLiteral("Псалом 1.kez")),
              QStringLiteral("/Тексты с \"кавычками\"/Псалом 1.kez"));
}

TEST(WildcardMask, StarAndQuestionMarkIgnoreLetterCase)
{
    EXPECT_TRUE(MatchesMask(QStringLiteral("Psalm.KEZ"), QStringLiteral("*.kez")));
    EXPECT_TRUE(MatchesMask(QStringLiteral(".kez"), QStringLiteral("*.kez")));
    EXPECT_FALSE(MatchesMask(QStringLiteral("notes.txt"), QStringLiteral("*.kez")));
    EXPECT_FALSE(MatchesMask(QStringLiteral("a.kez.bak"), QStringLiteral("*.kez")));
    EXPECT_TRUE(MatchesMask(QStringLiteral("ab.kez"), QStringLiteral("a?.kez")));
    EXPECT_FALSE(MatchesMask(QStringLiteral("abc.kez"), QStringLiteral("a?.kez")));
    EXPECT_FALSE(MatchesMask(QStringLiteral("a.kez"), QStringLiteral("a?.kez")));
    EXPECT_TRUE(MatchesMask(QStringLiteral("anything"), QStringLiteral("*")));
    EXPECT_TRUE(MatchesMask(QStringLiteral("a.b.c"), QStringLiteral("*.*")));
    EXPECT_TRUE(MatchesMask(QStringLiteral("abcabd"), QStringLiteral("*abd")));
    EXPECT_FALSE(MatchesMask(QStringLiteral("x"), QString()));
}

TEST(WildcardMask, NonLatinLettersIgnoreCaseAndCountAsOneCharacter)
{
    EXPECT_TRUE(MatchesMask(QStringLiteral("ПСАЛОМ 1.kez"), QStringLiteral("псалом*.KEZ")));
    EXPECT_TRUE(MatchesMask(QStringLiteral("Ёж.kez"), QStringLiteral("?ж.kez")));
    EXPECT_TRUE(MatchesMask(QStringLiteral("Ωμέγα.kez"), QStringLiteral("ω*.kez")));
    // A letter outside the basic plane is still one character for "?".
    EXPECT_TRUE(MatchesMask(QStringLiteral("\U0001D11E.kez"), QStringLiteral("?.kez")));
    EXPECT_TRUE(MatchesMask(QStringLiteral("Псалом.kez"), QStringLiteral("*.kez")));
}

TEST_F(FolderTree, FolderOrFileOrNothing)
{
    const QString a = folder(QStringLiteral("a"));
    const QString b = file(QStringLiteral("b.kez"));
    EXPECT_TRUE(IsFolderName(a));
    EXPECT_TRUE(IsFolderName(a + QLatin1Char('/')));
    EXPECT_FALSE(IsFolderName(b));
    EXPECT_FALSE(IsFolderName(path(QStringLiteral("missing"))));
    EXPECT_FALSE(IsFolderName(QString()));
    ASSERT_EQ(::symlink(QFile::encodeName(a).constData(), QFile::encodeName(path(QStringLiteral("link"))).constData()), 0);
    EXPECT_TRUE(IsFolderName(path(QStringLiteral("link"))));
}

TEST_F(FolderTree, ScanIsBreadthFirstLevelByLevel)
{
    const QStringList depth0 = {file(QStringLiteral("r1.kez")), file(QStringLiteral("r2.kez"))};
    const QString a1 = file(QStringLiteral("a/a1.kez"));
    const QString b1 = file(QStringLiteral("b/b1.kez"));
    const QString c1 = file(QStringLiteral("a/c/c1.kez"));
    const QString d1 = file(QStringLiteral("b/d/d1.kez"));

    const QStringList found = scan(QStringLiteral("*.kez"));
    ASSERT_EQ(found.size(), 6);
    EXPECT_EQ(sorted(found.mid(0, 2)), sorted(depth0));
    EXPECT_EQ(sorted(found.mid(2, 2)), sorted(QStringList{a1, b1}));
    EXPECT_EQ(sorted(found.mid(4, 2)), sorted(QStringList{c1, d1}));
    // Subfolders are visited in the order they were found.
    EXPECT_EQ(found.indexOf(a1) < found.indexOf(b1), found.indexOf(c1) < found.indexOf(d1));
}

TEST_F(FolderTree, EveryMaskOfAFolderComesBeforeItsSubfolders)
{
    const QString rootKez = file(QStringLiteral("r.kez"));
    const QString rootTxt = file(QStringLiteral("r.txt"));
    const QString subKez = file(QStringLiteral("s/s.kez"));
    const QString subTxt = file(QStringLiteral("s/s.txt"));
    file(QStringLiteral("s/s.doc"));
    EXPECT_EQ(scan(QStringLiteral("*.kez;*.txt")), (QStringList{rootKez, rootTxt, subKez, subTxt}));
    // Each mask is a search of its own: a file two masks match is found twice.
    EXPECT_EQ(scan(QStringLiteral("*.kez;*.KEZ"), false), (QStringList{rootKez, rootKez}));
    // An empty mask stays in the list and matches nothing.
    EXPECT_EQ(scan(QStringLiteral("*.kez;"), false), QStringList{rootKez});
}

TEST_F(FolderTree, MaskDecidesWhichFilesAreFound)
{
    const QString kez = file(QStringLiteral("sub/Psalm.KEZ"));
    const QString notes = file(QStringLiteral("sub/notes.txt"));
    EXPECT_EQ(scan(QStringLiteral("*.kez")), QStringList{kez});
    EXPECT_EQ(sorted(scan(QStringLiteral("*"))), sorted(QStringList{kez, notes}));
}

TEST_F(FolderTree, NonRecursiveScanStaysInTheFolder)
{
    const QString top = file(QStringLiteral("top.kez"));
    file(QStringLiteral("sub/deep.kez"));
    EXPECT_EQ(scan(QStringLiteral("*.kez"), false), QStringList{top});
}

TEST_F(FolderTree, HiddenFilesNeedTheHiddenAttribute)
{
    const QString hidden = file(QStringLiteral(".hidden.kez"));
    const QString plain = file(QStringLiteral("plain.kez"));
    EXPECT_EQ(sorted(scan(QStringLiteral("*"))), sorted(QStringList{hidden, plain}));
    EXPECT_EQ(scan(QStringLiteral("*"), true, Attribute::ReadOnly | Attribute::Archive), QStringList{plain});
}

TEST_F(FolderTree, HiddenFoldersAreNotEntered)
{
    file(QStringLiteral(".git/inside.kez"));
    const QString visible = file(QStringLiteral("visible/inside.kez"));
    EXPECT_EQ(scan(QStringLiteral("*")), QStringList{visible});
}

TEST_F(FolderTree, FoldersNeedTheDirectoryAttribute)
{
    const QString sub = folder(QStringLiteral("sub"));
    const QString kez = file(QStringLiteral("x.kez"));
    EXPECT_EQ(scan(QStringLiteral("*"), false), QStringList{kez});
    EXPECT_EQ(scan(QStringLiteral("s*"), false, Attribute::Directory), QStringList{sub});
}

TEST_F(FolderTree, MissingFolderOrAFileGivesNothing)
{
    const QString kez = file(QStringLiteral("x.kez"));
    EXPECT_TRUE(CollectFileNamesInFolder(path(QStringLiteral("missing")), QStringLiteral("*"), true, kAllFiles).isEmpty());
    EXPECT_TRUE(CollectFileNamesInFolder(kez, QStringLiteral("*"), true, kAllFiles).isEmpty());
}

TEST_F(FolderTree, FolderWithTrailingSeparatorGetsNoSecondOne)
{
    const QString kez = file(QStringLiteral("x.kez"));
    EXPECT_EQ(CollectFileNamesInFolder(dir.path() + QLatin1Char('/'), QStringLiteral("*"), true, kAllFiles),
              QStringList{kez});
}

TEST_F(FolderTree, NamesWithAnyCharactersComeBackUnchanged)
{
    const QString odd = file(QStringLiteral("Тексты с \"кавычками\" и 'апострофами'/Псалом 1 ; $HOME *.kez"));
    const QString spaced = file(QStringLiteral("  начало и конец  .KEZ"));
    EXPECT_EQ(sorted(scan(QStringLiteral("*.kez"))), sorted(QStringList{odd, spaced}));
}

TEST_F(FolderTree, LinksAreFollowedButPipesAreNoFiles)
{
    const QString target = file(QStringLiteral("elsewhere/t.kez"));
    const QString link = path(QStringLiteral("link.kez"));
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(path(QStringLiteral("pipe.kez"))).constData(), 0600), 0);
    EXPECT_EQ(scan(QStringLiteral("*.kez")), (QStringList{link, target}));
}

TEST_F(FolderTree, LinkLoopEndsTheScan)
{
    const QString inner = file(QStringLiteral("a/inner.kez"));
    const QString top = file(QStringLiteral("top.kez"));
    ASSERT_EQ(::symlink(QFile::encodeName(dir.path()).constData(),
                        QFile::encodeName(path(QStringLiteral("a/back-to-top"))).constData()),
              0);
    ASSERT_EQ(::symlink("self", QFile::encodeName(path(QStringLiteral("a/self"))).constData()), 0);
    EXPECT_EQ(scan(QStringLiteral("*.kez")), (QStringList{top, inner}));
}

namespace {

// 0: the scan failed with a worded failure and returned nothing; anything else: what went wrong.
int scanUnreadable(const QString& aRoot)
{
    try {
        const QStringList found = CollectFileNamesInFolder(aRoot, QStringLiteral("*"), true, kAllFiles);
        return found.isEmpty() ? 2 : 3;
    } catch (const KezError& failure) {
        if (!failure.description().contains(QStringLiteral("closed")))
            return 4;
        if (!failure.source().contains(QStringLiteral("mFileSystem.CollectFileNamesInFolder")))
            return 5;
        return failure.number() == 70 ? 0 : 6;
    }
}

} // namespace

TEST_F(FolderTree, UnreadableFolderFailsTheWholeScan)
{
    file(QStringLiteral("before.kez"));
    file(QStringLiteral("closed/secret.kez"));
    const QByteArray closed = QFile::encodeName(path(QStringLiteral("closed")));
    ASSERT_EQ(::chmod(closed.constData(), 0), 0);
    // Open again whatever happens, or the temporary folder could not be removed.
    const std::unique_ptr<const char, void (*)(const char*)> reopen(closed.constData(),
                                                                     [](const char* aPath) { ::chmod(aPath, 0700); });
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);

    if (::geteuid() != 0) {
        EXPECT_EQ(scanUnreadable(dir.path()), 0);
    } else {
        // Permissions do not stop the superuser: run the scan as an unprivileged user.
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(77);
            ::_exit(scanUnreadable(dir.path()));
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        if (WEXITSTATUS(status) == 77)
            GTEST_SKIP() << "running as the superuser, who cannot give up its rights here; permissions do not apply";
        EXPECT_EQ(WEXITSTATUS(status), 0) << "2: nothing failed and nothing was found, 3: files were returned, "
                                             "4: the description does not name the folder, 5: no trail, 6: number";
    }
}

TEST_F(FolderTree, FolderPastThePathLengthLimitFailsTheWholeScan)
{
    file(QStringLiteral("before.kez"));
    ASSERT_TRUE(deepfolder::Make(dir.path()));
    try {
        const QStringList found = scan(QStringLiteral("*"));
        ADD_FAILURE() << "the scan returned " << found.size() << " paths instead of failing";
    } catch (const KezError& failure) {
        EXPECT_EQ(failure.number(), 75);
        EXPECT_TRUE(failure.description().contains(QStringLiteral("Не удалось прочитать папку")))
            << qPrintable(failure.description());
        EXPECT_TRUE(failure.source().startsWith(QStringLiteral("[")));
        EXPECT_TRUE(failure.source().contains(QStringLiteral("mFileSystem.CollectFileNamesInFolder")));
    }
    deepfolder::Remove(dir.path());
}
