// The files the program is started with join the list as a drop of the same paths would.
#include "gui/main/CommandLineFiles.h"
#include "support/MainWindowFixture.h"
#include "core/common/LineBreak.h"
#include "platform/FileNameCodec.h"
#include "platform/FolderSearch.h"
#include "platform/Services.h"
#include "support/DropFiles.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

namespace {

// The file system's own listing, but a folder named "closed" cannot be read, as a folder the user
// may not read cannot (permissions do not stop the superuser the tests may run as).
class ClosedFolderSearch : public platform::FolderSearch {
public:
    platform::FindStatus list(const std::u16string& aFolder, platform::FindInfo aInfo, platform::FindScope aScope,
                              platform::FolderListing& aListing, platform::FindFailure& aFailure) const override
    {
        if (aFolder.ends_with(u"/closed")) {
            aFailure = {13, true, "Отказано в доступе (ошибка 13)"};
            return platform::FindStatus::Failed;
        }
        return mReal.list(aFolder, aInfo, aScope, aListing, aFailure);
    }
    std::uint32_t attributesOf(const std::u16string& aPath) const override { return mReal.attributesOf(aPath); }

private:
    platform::FolderSearch& mReal = platform::service<platform::FolderSearch>();
};

class CommandLineFilesTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        start();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        tick("theSrcOnlyKez", true);
        tick("theConvertImmediately", false);
    }

    QString file(const QString& aRelative)
    {
        const QString full = tree.path() + QLatin1Char('/') + aRelative;
        QDir().mkpath(QFileInfo(full).absolutePath());
        QFile out(full);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly)) << qPrintable(full);
        out.write("text\n");
        return full;
    }
    QTimer* startTimer() { return child<QTimer>("theConvertionStartTimer"); }

    QTemporaryDir tree;
};

// Leaves the current folder as it found it.
class CurrentFolder {
public:
    explicit CurrentFolder(const QString& aFolder) { QDir::setCurrent(aFolder); }
    ~CurrentFolder() { QDir::setCurrent(mSaved); }

private:
    QString mSaved = QDir::currentPath();
};

} // namespace

TEST(CommandLineFiles, ArgumentsAreDecodedAsFileNamesAndRelativeOnesMadeAbsolute)
{
    const char* alone[] = {"KezConverter"};
    EXPECT_TRUE(CommandLineFiles::PathsOf(1, alone).isEmpty());

    QTemporaryDir folder;
    const CurrentFolder inside(folder.path());
    const QString here = QFileInfo(folder.path()).canonicalFilePath();
    const char* argv[] = {"KezConverter", "/Тексты//a.kez", "sub/../Псалом.kez", "./\xff.kez", "../b.kez"};
    const QStringList paths = CommandLineFiles::PathsOf(5, argv);
    ASSERT_EQ(paths.size(), 4);
    EXPECT_EQ(paths[0], QStringLiteral("/Тексты/a.kez"));
    EXPECT_EQ(paths[1], here + QStringLiteral("/Псалом.kez"));
    // A name that is no UTF-8 names the same file when it is encoded back.
    EXPECT_EQ(QByteArray::fromStdString(platform::encodeFileName(paths[2].toStdU16String())),
              QFile::encodeName(here) + "/\xff.kez");
    EXPECT_EQ(paths[3], QFileInfo(here).absolutePath() + QStringLiteral("/b.kez"));
}

TEST_F(CommandLineFilesTest, OpenedPathsAddWhatADropOfThemAdds)
{
    const QString a = file(QStringLiteral("a.kez"));
    const QString notes = file(QStringLiteral("notes.txt"));
    const QString inFolder = file(QStringLiteral("Тексты/b.KEZ"));
    file(QStringLiteral("Тексты/c.txt"));
    const QString deeper = file(QStringLiteral("Тексты/sub/d.kez"));
    const QString folder = tree.path() + QStringLiteral("/Тексты");
    const QStringList given = {a, notes, folder, a, inFolder};

    CommandLineFiles::Open(*form, given);
    const QStringList opened = entries();
    EXPECT_EQ(opened, (QStringList{a, inFolder, deeper}));
    EXPECT_EQ(lines(), opened);
    EXPECT_TRUE(form->LogText().isEmpty());

    child<QAction>("mnClearList")->trigger();
    ASSERT_TRUE(DropLocalFiles(list()->viewport(), given));
    EXPECT_EQ(entries(), opened);

    // With "Только *.kez" unticked a folder gives every file, as a dropped one does.
    child<QAction>("mnClearList")->trigger();
    tick("theSrcOnlyKez", false);
    CommandLineFiles::Open(*form, {folder});
    EXPECT_EQ(entries().size(), 3);
}

TEST_F(CommandLineFilesTest, APathThatNamesNothingIsLoggedInWordsAndTheOthersAreAdded)
{
    const QString a = file(QStringLiteral("a.kez"));
    const QString missing = tree.path() + QStringLiteral("/нет такого.kez");
    const QString throughFile = a + QStringLiteral("/x.kez");
    const QString b = file(QStringLiteral("b.kez"));

    CommandLineFiles::Open(*form, {missing, a, throughFile, b});
    EXPECT_EQ(entries(), (QStringList{a, b}));
    EXPECT_EQ(form->LogText(), "Не удалось добавить в список: " + missing + kCrLf + "Нет такого файла или папки (ошибка 2)" +
                                   kCrLf + "Не удалось добавить в список: " + throughFile + kCrLf +
                                   "Это не папка (ошибка 20)" + kCrLf);
}

TEST_F(CommandLineFilesTest, WithTheImmediateRunTickedTheOpenedFilesAreConvertedAsAfterADrop)
{
    FakeConverterOnPath fake;
    tick("theConvertImmediately", true);
    // Nothing to open: the program starts as it always did.
    CommandLineFiles::Open(*form, {});
    EXPECT_FALSE(startTimer()->isActive());
    EXPECT_TRUE(form->LogText().isEmpty());

    const QString a = file(QStringLiteral("Псалом 1.kez"));
    CommandLineFiles::Open(*form, {a});
    EXPECT_EQ(entries(), QStringList{a});
    EXPECT_TRUE(startTimer()->isActive());
    QTRY_VERIFY(entries().isEmpty());
    const QString rtf = tree.path() + QStringLiteral("/Псалом 1.rtf");
    EXPECT_TRUE(QFile::exists(rtf));
    EXPECT_EQ(form->LogText(), "Успешно: " + a + " -> " + rtf + kCrLf);
}

// A folder that cannot be read, among the paths given or deep in one of them, is named in the log;
// every other path and file is added, whatever the order, and the immediate run starts.
TEST_F(CommandLineFilesTest, AnUnreadableFolderIsLoggedAndKeepsNoOtherPathOutNorTheRunFromStarting)
{
    FakeConverterOnPath fake;
    ClosedFolderSearch search;
    const platform::ScopedService<platform::FolderSearch> closedFolders(search);
    const QString closed = QFileInfo(file(QStringLiteral("texts/closed/secret.kez"))).absolutePath();
    const QString texts = tree.path() + QStringLiteral("/texts");
    const QString notAdded = "Не удалось добавить в список: " + closed + kCrLf + "Отказано в доступе (ошибка 13)" + kCrLf;
    for (const bool folderFirst : {true, false}) {
        SCOPED_TRACE(folderFirst ? "folder first" : "file first");
        const qsizetype logged = form->LogText().size();
        tick("theConvertImmediately", true);
        const QString a = file(QStringLiteral("a.kez"));
        const QString b = file(QStringLiteral("texts/b.kez"));
        CommandLineFiles::Open(*form, folderFirst ? QStringList{texts, a} : QStringList{a, texts});
        EXPECT_EQ(entries(), folderFirst ? (QStringList{b, a}) : (QStringList{a, b}));
        EXPECT_TRUE(form->LogText().mid(logged).startsWith(notAdded)) << form->LogText().toStdString();
        EXPECT_TRUE(startTimer()->isActive());
        QTRY_VERIFY(entries().isEmpty());
        EXPECT_TRUE(QFile::exists(tree.path() + QStringLiteral("/a.rtf")));
        EXPECT_TRUE(QFile::exists(texts + QStringLiteral("/b.rtf")));
        QFile::remove(tree.path() + QStringLiteral("/a.rtf"));
        QFile::remove(texts + QStringLiteral("/b.rtf"));
    }
}
