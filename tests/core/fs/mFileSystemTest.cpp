#include "core/errors/KezError.h"
#include "core/fs/mFileSystem.h"
#include "platform/FileNameCodec.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace mFileSystem;

namespace {

// Read-only, hidden, system and archive: the set the window scans with.
constexpr quint32 kAllFiles = 39;

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

TEST(PathMergeRule, JoinsWithOneSeparatorButRemovesNone)
{
    const QChar backslash = QLatin1Char('\\');
    const struct {
        const char* folder;
        const char* name;
        QChar separator;
        const char* merged;
    } cases[] = {{"C:\\T", "a.kez", backslash, "C:\\T\\a.kez"},
                 {"C:\\", "a.kez", backslash, "C:\\a.kez"},
                 {"", "a.kez", backslash, "a.kez"},
                 {"C:\\T", "\\a.kez", backslash, "C:\\T\\a.kez"},
                 {"C:\\T\\", "\\a.kez", backslash, "C:\\T\\\\a.kez"},
                 // A slash is no separator when the separator is a backslash.
                 {"C:/T/", "a.kez", backslash, "C:/T/\\a.kez"},
                 {"/t", "a.kez", QDir::separator(), "/t/a.kez"},
                 {"/", "a.kez", QDir::separator(), "/a.kez"},
                 {"/t/", "/a.kez", QDir::separator(), "/t//a.kez"},
                 {"/Тексты \"в\"", "Псалом 1.kez", QDir::separator(), "/Тексты \"в\"/Псалом 1.kez"}};
    for (const auto& c : cases)
        EXPECT_EQ(PathMerge(QString::fromUtf8(c.folder), QString::fromUtf8(c.name), c.separator),
                  QString::fromUtf8(c.merged));
    EXPECT_EQ(PathMerge(QStringLiteral("/t"), QStringLiteral("a.kez")), QStringLiteral("/t/a.kez"));
}

TEST(WildcardMask, StarAndQuestionMarkIgnoreLetterCaseInAnyScript)
{
    const struct {
        const char* name;
        const char* mask;
        bool matches;
    } cases[] = {{"Psalm.KEZ", "*.kez", true},       {".kez", "*.kez", true},      {"notes.txt", "*.kez", false},
                 {"a.kez.bak", "*.kez", false},      {"ab.kez", "a?.kez", true},   {"abc.kez", "a?.kez", false},
                 {"a.kez", "a?.kez", false},         {"anything", "*", true},      {"a.b.c", "*.*", true},
                 {"abcabd", "*abd", true},           {"x", "", false},             {"ПСАЛОМ 1.kez", "псалом*.KEZ", true},
                 {"Ёж.kez", "?ж.kez", true},         {"Ωμέγα.kez", "ω*.kez", true},
                 // A letter outside the basic plane is still one character for "?".
                 {"\U0001D11E.kez", "?.kez", true}};
    for (const auto& c : cases)
        EXPECT_EQ(MatchesMask(QString::fromUtf8(c.name), QString::fromUtf8(c.mask)), c.matches)
            << c.name << " " << c.mask;
}

TEST_F(FolderTree, ScanIsBreadthFirstLevelByLevelAndKeepsNamesUnchanged)
{
    const QStringList depth0 = {file(QStringLiteral("r1.kez")), file(QStringLiteral("  начало и конец  .KEZ"))};
    const QString a1 = file(QStringLiteral("a/a1.kez"));
    const QString b1 = file(QStringLiteral("Тексты \"в кавычках\" и 'апострофах'/Псалом 1 ; $HOME *.kez"));
    const QString c1 = file(QStringLiteral("a/c/c1.kez"));
    const QString d1 = file(QStringLiteral("Тексты \"в кавычках\" и 'апострофах'/d/d1.kez"));

    const QStringList found = scan(QStringLiteral("*.kez"));
    ASSERT_EQ(found.size(), 6);
    EXPECT_EQ(sorted(found.mid(0, 2)), sorted(depth0));
    EXPECT_EQ(sorted(found.mid(2, 2)), sorted(QStringList{a1, b1}));
    EXPECT_EQ(sorted(found.mid(4, 2)), sorted(QStringList{c1, d1}));
    // Subfolders are visited in the order they were found.
    EXPECT_EQ(found.indexOf(a1) < found.indexOf(b1), found.indexOf(c1) < found.indexOf(d1));
}

TEST_F(FolderTree, EachFoldersEntriesComeByNameIgnoringCaseAndFoldersLevelByLevel)
{
    // Created out of order; listed as a file manager sorts them.
    const QString p267 = file(QStringLiteral("psalm267.kez"));
    const QString p101 = file(QStringLiteral("Psalm101.kez"));
    const QString p099 = file(QStringLiteral("psalm099.kez"));
    const QString bInner = file(QStringLiteral("b/2.kez"));
    const QString bFirst = file(QStringLiteral("b/1.kez"));
    const QString aDeep = file(QStringLiteral("A/z/deep.kez"));
    const QString aInner = file(QStringLiteral("A/inner.kez"));
    EXPECT_EQ(scan(QStringLiteral("*.kez")), (QStringList{p099, p101, p267, aInner, bFirst, bInner, aDeep}));
}

TEST_F(FolderTree, NamesThatAreNoUtf8AreFoundAndEnteredAndNameTheirFilesAgain)
{
    const QByteArray root = QFile::encodeName(dir.path());
    ASSERT_EQ(::mkdir((root + "/\xcf\xf1\xe0\xeb\xfb").constData(), 0700), 0);
    for (const char* name : {"/\xff.kez", "/\xef\xbf\xbd.kez", "/\xcf\xf1\xe0\xeb\xfb/\xe0.kez"}) {
        const int fd = ::open((root + name).constData(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    const QStringList found = scan(QStringLiteral("*.kez"));
    ASSERT_EQ(found.size(), 3);
    QList<QByteArray> bytes;
    for (const QString& path : found)
        bytes.append(QByteArray::fromStdString(platform::encodeFileName(path.toStdU16String())));
    // An odd byte sorts as its stand-in, U+DCFF, before the replacement character U+FFFD.
    EXPECT_EQ(bytes.mid(0, 2), (QList<QByteArray>{root + "/\xff.kez", root + "/\xef\xbf\xbd.kez"}));
    EXPECT_EQ(bytes.at(2), root + "/\xcf\xf1\xe0\xeb\xfb/\xe0.kez");
    EXPECT_TRUE(IsFolderName(found.at(2).left(found.at(2).lastIndexOf(QLatin1Char('/')))));
    // Qt cannot name these to remove them with the temporary folder.
    for (const QByteArray& file : bytes)
        ::unlink(file.constData());
    ::rmdir((root + "/\xcf\xf1\xe0\xeb\xfb").constData());
}

TEST_F(FolderTree, FolderNamesOfManyPathsAreThoseOfEachPath)
{
    QStringList paths;
    for (int i = 0; i < 50; ++i) {
        paths.append(i % 7 == 0 ? path(QStringLiteral("many/d%1").arg(i)) : file(QStringLiteral("many/f%1.kez").arg(i)));
        if (i % 7 == 0)
            QDir().mkpath(paths.last());
    }
    ASSERT_EQ(::symlink(QFile::encodeName(path(QStringLiteral("many/d0"))).constData(),
                        QFile::encodeName(path(QStringLiteral("many/link"))).constData()),
              0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(path(QStringLiteral("many/pipe"))).constData(), 0600), 0);
    paths << path(QStringLiteral("many/link")) << path(QStringLiteral("many/pipe")) << path(QStringLiteral("many/gone"))
          << path(QStringLiteral("many/d7/")) << path(QStringLiteral("many")) << dir.path() << QStringLiteral("/")
          << QString() << QStringLiteral("relative-missing");
    QList<bool> each;
    for (const QString& one : paths)
        each.append(IsFolderName(one));
    EXPECT_EQ(AreFolderNames(paths), each);
    EXPECT_EQ(each.count(true), 8 + 1 + 1 + 2 + 1);
}

TEST_F(FolderTree, EachMaskIsASearchOfItsOwnAndAFoldersFilesComeBeforeItsSubfolders)
{
    const QString rootKez = file(QStringLiteral("r.kez"));
    const QString rootTxt = file(QStringLiteral("r.txt"));
    const QString subKez = file(QStringLiteral("s/Psalm.KEZ"));
    const QString subTxt = file(QStringLiteral("s/s.txt"));
    file(QStringLiteral("s/s.doc"));
    EXPECT_EQ(scan(QStringLiteral("*.kez")), (QStringList{rootKez, subKez}));
    EXPECT_EQ(scan(QStringLiteral("*.kez;*.txt")), (QStringList{rootKez, rootTxt, subKez, subTxt}));
    EXPECT_EQ(scan(QStringLiteral("*.kez"), false), QStringList{rootKez});
    // A file two masks match is found twice; an empty mask matches nothing.
    EXPECT_EQ(scan(QStringLiteral("*.kez;*.KEZ;"), false), (QStringList{rootKez, rootKez}));
    // Folders are found only with the directory attribute.
    EXPECT_EQ(scan(QStringLiteral("s*"), false), QStringList{});
    EXPECT_EQ(scan(QStringLiteral("s*"), false, Attribute::Directory), QStringList{path(QStringLiteral("s"))});
}

TEST_F(FolderTree, HiddenFilesNeedTheHiddenAttributeAndHiddenFoldersAreNotEntered)
{
    const QString hidden = file(QStringLiteral(".hidden.kez"));
    const QString plain = file(QStringLiteral("plain.kez"));
    file(QStringLiteral(".git/inside.kez"));
    const QString visible = file(QStringLiteral("visible/inside.kez"));
    EXPECT_EQ(sorted(scan(QStringLiteral("*"))), sorted(QStringList{hidden, plain, visible}));
    EXPECT_EQ(sorted(scan(QStringLiteral("*"), true, Attribute::ReadOnly | Attribute::Archive)),
              sorted(QStringList{plain, visible}));
}

TEST_F(FolderTree, AMissingFolderOrAFileGivesNothingAndATrailingSeparatorIsNotDoubled)
{
    const QString kez = file(QStringLiteral("x.kez"));
    EXPECT_TRUE(CollectFileNamesInFolder(path(QStringLiteral("missing")), QStringLiteral("*"), true, kAllFiles).isEmpty());
    EXPECT_TRUE(CollectFileNamesInFolder(kez, QStringLiteral("*"), true, kAllFiles).isEmpty());
    EXPECT_EQ(CollectFileNamesInFolder(dir.path() + QLatin1Char('/'), QStringLiteral("*"), true, kAllFiles),
              QStringList{kez});
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
