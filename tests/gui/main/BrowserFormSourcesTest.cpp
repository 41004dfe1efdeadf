#include "support/MainWindowFixture.h"
#include "core/common/ScopedOverride.h"
#include "core/errors/mErrorHandling.h"
#include "support/DeepFolder.h"
#include "gui/fs/FakeOpenFileDialog.h"
#include "gui/fs/mFolderSelectDialog.h"
#include "platform/FileNameCodec.h"
#include "support/DropFiles.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <fcntl.h>
#include <filesystem>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QStringList kHelpLines = {
    QString(),
    QStringLiteral("  Файлы для конвертации можно перетаскивать сюда из Проводника"),
    QStringLiteral("  или добавлять при помощи кнопки \"Добавить\" ----->."),
    QString(),
    QStringLiteral("  Также сюда можно перетаскивать целые папки с файлами."),
};

class BrowserFormSources : public MainWindowTest {
protected:
    // The error window's stand-in for this test; the previous presenter comes back after it.
    std::optional<ScopedOverride<mErrorHandling::Presenter>> mReportsInstalled;

    void SetUp() override
    {
        mReportsInstalled.emplace(mErrorHandling::presenter(), [this](const QString& aMessage, const QString& aSource, qint32 aCode) {
            reports.append(QStringLiteral("%1 | %2 | %3").arg(aMessage, aSource).arg(aCode));
        });
        start();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        // Both boxes are ticked by default; each test ticks what it needs.
        tick("theSrcOnlyKez", false);
        tick("theConvertImmediately", false);
    }
    void TearDown() override
    {
        closeWindow();
        mReportsInstalled.reset();
    }

    QList<int> selectedRows()
    {
        QList<int> rows;
        for (int i = 0; i < list()->count(); ++i)
            if (list()->item(i)->isSelected())
                rows.append(i);
        return rows;
    }
    QString file(const QString& aRelative)
    {
        const QString full = tree.path() + QLatin1Char('/') + aRelative;
        QDir().mkpath(QFileInfo(full).absolutePath());
        QFile out(full);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly)) << qPrintable(full);
        return full;
    }
    bool drop(QMimeData& aData) { return DropMimeData(list()->viewport(), aData); }
    bool dropFiles(const QStringList& aPaths) { return DropLocalFiles(list()->viewport(), aPaths); }
    void clickLine(int aRow, Qt::KeyboardModifiers aModifiers = Qt::NoModifier)
    {
        QListWidgetItem* line = list()->item(aRow);
        list()->scrollToItem(line);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, aModifiers, list()->visualItemRect(line).center());
    }
    void clearList() { child<QAction>("mnClearList")->trigger(); }
    std::shared_ptr<FakeOpenFileDialog> fakeOpenDialog()
    {
        auto dialog = std::make_shared<FakeOpenFileDialog>();
        openDialog.emplace(openFileNameDialog(), dialog);
        return dialog;
    }

    std::optional<ScopedOverride<std::shared_ptr<OpenFileNameDialog>>> openDialog;
    QTemporaryDir tree;
    QStringList reports;
};

} // namespace

TEST_F(BrowserFormSources, DarkBlueHelpLinesShowUntilTheFirstFileAndNeverReturn)
{
    EXPECT_EQ(lines(), kHelpLines);
    EXPECT_EQ(list()->palette().color(QPalette::Text), QColor(0, 0, 128));
    EXPECT_TRUE(entries().isEmpty());
    // The help lines are no entries: neither removing nor clearing touches them.
    form->RemoveSrcFile(kHelpLines.at(1));
    clearList();
    EXPECT_EQ(lines(), kHelpLines);

    form->AddSrcFile(QStringLiteral("/Тексты/Псалом 1.kez"));
    EXPECT_EQ(lines(), QStringList{QStringLiteral("/Тексты/Псалом 1.kez")});
    EXPECT_EQ(list()->palette().color(QPalette::Text), QApplication::palette(list()).color(QPalette::Text));
    clearList();
    EXPECT_TRUE(lines().isEmpty());
    EXPECT_TRUE(entries().isEmpty());
}

// Paths compare as the file system compares names: on POSIX two names differing only in letter
// case are two files, and both must be converted.
TEST_F(BrowserFormSources, PathsInOtherLetterCaseAreTwoEntriesOnACaseSensitiveFileSystem)
{
    ASSERT_EQ(form->SourceFiles().CaseSensitivity(), Qt::CaseSensitive);
    for (const char* path : {"/Texts/a.kez", "/texts/A.KEZ", "/Тексты/Б.kez", "/Тексты/Б.kez", "/тексты/б.KEZ"})
        form->AddSrcFile(QString::fromUtf8(path));
    EXPECT_EQ(lines(), (QStringList{"/Texts/a.kez", "/texts/A.KEZ", "/Тексты/Б.kez", "/тексты/б.KEZ"}));
    EXPECT_EQ(entries(), lines());
    EXPECT_FALSE(form->IsSrcFileInList(QStringLiteral("/TEXTS/a.kez")));
    EXPECT_EQ(form->GetListNumberBySrcFile(QStringLiteral("/тексты/б.KEZ")), 3);
    EXPECT_EQ(form->GetListNumberBySrcFile(QStringLiteral("/тексты/б.kez")), -1);

    form->RemoveSrcFile(QStringLiteral("/тексты/б.KEZ"));
    form->RemoveSrcFile(QStringLiteral("/TEXTS/A.KEZ"));
    EXPECT_EQ(lines(), (QStringList{"/Texts/a.kez", "/texts/A.KEZ", "/Тексты/Б.kez"}));
    EXPECT_EQ(entries(), lines());
}

TEST_F(BrowserFormSources, RemovingOneOfTwoNamesThatFoldAlikeLeavesTheOtherLine)
{
    // A capital I with a dot, and an i followed by a combining dot above: lower-casing makes
    // them one text, the file system keeps two files.
    const QString dotted = QStringLiteral("/t/\u0130.kez");
    const QString combining = QStringLiteral("/t/i\u0307.kez");
    form->AddSrcFile(dotted);
    form->AddSrcFile(combining);
    EXPECT_EQ(entries(), (QStringList{dotted, combining}));
    form->RemoveSrcFile(combining);
    EXPECT_EQ(lines(), QStringList{dotted});
    EXPECT_EQ(entries(), lines());

    // Deleting both selected lines removes both, whatever the rule takes for one name.
    form->AddSrcFile(QStringLiteral("/t/x.kez"));
    form->AddSrcFile(QStringLiteral("/t/X.kez"));
    clickLine(1);
    clickLine(2, Qt::ControlModifier);
    child<QPushButton>("theDeleteSrcFile")->click();
    EXPECT_EQ(lines(), QStringList{dotted});
    EXPECT_EQ(entries(), lines());
}

TEST_F(BrowserFormSources, DroppedFilesAreAddedOnlyWhenTheyEndInKez)
{
    EXPECT_TRUE(dropFiles({file(QStringLiteral("notes.txt"))}));
    EXPECT_EQ(lines(), kHelpLines);
    const QString psalm = file(QStringLiteral("Псалмы \"избранные\"/Psalm.KEZ"));
    EXPECT_TRUE(dropFiles({psalm, file(QStringLiteral("notes.txt"))}));
    EXPECT_EQ(lines(), QStringList{psalm});
    EXPECT_EQ(entries(), QStringList{psalm});
    EXPECT_TRUE(reports.isEmpty()) << qPrintable(reports.join(QLatin1Char('\n')));
}

TEST_F(BrowserFormSources, ADroppedFolderAddsEveryFileOrWithKezOnlyItsKezFilesLevelByLevel)
{
    QStringList all = {file(QStringLiteral("Тексты/a.kez")), file(QStringLiteral("Тексты/notes.txt")),
                       file(QStringLiteral("Тексты/.hidden.kez")), file(QStringLiteral("Тексты/sub/b.KEZ")),
                       file(QStringLiteral("Тексты/sub/readme"))};
    ASSERT_EQ(::chmod(QFile::encodeName(all.at(1)).constData(), 0444), 0); // read-only too
    const QString root = tree.path() + QStringLiteral("/Тексты");
    EXPECT_TRUE(dropFiles({root}));
    QStringList added = lines();
    EXPECT_EQ(entries(), added);
    added.sort();
    all.sort();
    EXPECT_EQ(added, all);

    clearList();
    tick("theSrcOnlyKez", true);
    EXPECT_TRUE(dropFiles({root}));
    // The folder's own files come before those of its subfolders.
    QStringList kez = lines();
    ASSERT_EQ(kez.size(), 3);
    EXPECT_EQ(kez.takeLast(), root + "/sub/b.KEZ");
    kez.sort();
    EXPECT_EQ(kez, (QStringList{root + "/.hidden.kez", root + "/a.kez"}));
}

// A folder of the drop that cannot be listed is named in the log; what can be read is added.
TEST_F(BrowserFormSources, ADroppedFolderThatCannotBeListedIsLoggedAndKeepsNothingElseOut)
{
    const QString before = file(QStringLiteral("before.kez"));
    const QString root = QFileInfo(file(QStringLiteral("root/a.kez"))).absolutePath();
    const QString after = file(QStringLiteral("after.kez"));
    ASSERT_TRUE(deepfolder::Make(root));
    dropFiles({before, root, after});
    deepfolder::Remove(root);
    EXPECT_EQ(lines(), (QStringList{before, root + QStringLiteral("/a.kez"), after}));
    EXPECT_TRUE(reports.isEmpty()) << reports.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(form->LogText().startsWith(QStringLiteral("Не удалось добавить в список: ") + root))
        << form->LogText().toStdString();
    EXPECT_TRUE(list()->updatesEnabled());
}

TEST_F(BrowserFormSources, DragOverOffersCopyOnlyForAListOfFiles)
{
    QMimeData files, text, web;
    files.setUrls({QUrl::fromLocalFile(file(QStringLiteral("a.kez")))});
    text.setText(QStringLiteral("/tmp/b.kez"));
    web.setUrls({QUrl(QStringLiteral("https://example.org/c.kez"))});
    EXPECT_TRUE(drop(files));
    EXPECT_FALSE(drop(text));
    EXPECT_FALSE(drop(web));
    EXPECT_EQ(entries(), QStringList{tree.path() + QStringLiteral("/a.kez")});
}

namespace {

// Data that counts how often its list of files is read.
class CountingMimeData : public QMimeData {
public:
    mutable int reads = 0;

protected:
    QVariant retrieveData(const QString& aType, QMetaType aWanted) const override
    {
        if (aType == QStringLiteral("text/uri-list"))
            ++reads;
        return QMimeData::retrieveData(aType, aWanted);
    }
};

QByteArray bytesName(const QString& aFolder, const char* aName) { return QFile::encodeName(aFolder) + '/' + aName; }

void makeByteNamedFile(const QByteArray& aPath)
{
    const int fd = ::open(aPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0) << aPath.constData();
    ::close(fd);
}

} // namespace

TEST_F(BrowserFormSources, ADragReadsItsListOfFilesOnceHoweverOftenItMoves)
{
    CountingMimeData data;
    data.setUrls({QUrl::fromLocalFile(file(QStringLiteral("a.kez")))});
    QWidget* viewport = list()->viewport();
    const QPoint at = viewport->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    for (int i = 0; i < 20; ++i) {
        QDragMoveEvent move(at + QPoint(0, i % 3), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
        EXPECT_TRUE(move.isAccepted());
    }
    QDropEvent release(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &release);
    EXPECT_EQ(data.reads, 1);
    EXPECT_EQ(entries(), QStringList{tree.path() + QStringLiteral("/a.kez")});

    // The window system keeps one data object for every drag: a new drag is read afresh.
    data.setUrls({QUrl::fromLocalFile(file(QStringLiteral("b.kez")))});
    EXPECT_TRUE(drop(data));
    EXPECT_EQ(entries(), (QStringList{tree.path() + QStringLiteral("/a.kez"), tree.path() + QStringLiteral("/b.kez")}));
}

TEST_F(BrowserFormSources, NamesThatAreNoUtf8AreAddedAsThemselvesAndNamedBackExactly)
{
    // Beside a file whose name holds the replacement character: two files, two entries.
    const QString folder = tree.path() + QStringLiteral("/mixed");
    QDir().mkpath(folder);
    makeByteNamedFile(bytesName(folder, "\xff.kez"));
    makeByteNamedFile(bytesName(folder, "\xef\xbf\xbd.kez"));
    ASSERT_EQ(::mkdir(bytesName(folder, "\xcf\xf1\xe0\xeb\xfb").constData(), 0700), 0); // cp1251
    makeByteNamedFile(bytesName(folder, "\xcf\xf1\xe0\xeb\xfb/in.kez"));
    tick("theSrcOnlyKez", true);
    EXPECT_TRUE(dropFiles({folder}));
    const QStringList added = entries();
    ASSERT_EQ(added.size(), 3) << qPrintable(added.join(QLatin1Char('\n')));
    QList<QByteArray> named;
    for (const QString& path : added) {
        const QByteArray bytes = QByteArray::fromStdString(platform::encodeFileName(path.toStdU16String()));
        struct stat status;
        EXPECT_EQ(::stat(bytes.constData(), &status), 0) << bytes.toHex().constData();
        named.append(bytes);
    }
    EXPECT_TRUE(named.contains(bytesName(folder, "\xff.kez")));
    EXPECT_TRUE(named.contains(bytesName(folder, "\xef\xbf\xbd.kez")));
    EXPECT_TRUE(named.contains(bytesName(folder, "\xcf\xf1\xe0\xeb\xfb/in.kez")));

    // A file dropped by itself, its name percent-encoded in the drop's URL.
    clearList();
    QMimeData data;
    data.setUrls({QUrl::fromEncoded(QByteArray("file://") + QUrl::toPercentEncoding(QString::fromUtf8(
                                                                  QFile::encodeName(folder)), "/") + "/%FF.kez")});
    EXPECT_TRUE(drop(data));
    ASSERT_EQ(entries().size(), 1);
    EXPECT_EQ(QByteArray::fromStdString(platform::encodeFileName(entries().first().toStdU16String())),
              bytesName(folder, "\xff.kez"));
    EXPECT_TRUE(reports.isEmpty()) << qPrintable(reports.join(QLatin1Char('\n')));
    // Qt cannot name these to remove them with the temporary folder.
    std::filesystem::remove_all(QFile::encodeName(folder).toStdString());
}

TEST_F(BrowserFormSources, ManyDroppedPathsOfOneFolderAreToldApartAsFoldersAndFiles)
{
    // Enough paths in one folder for the folder to be listed once instead of asking for each.
    QStringList dropped;
    QStringList expected;
    for (int i = 0; i < 40; ++i) {
        const QString name = QStringLiteral("many/f%1.kez").arg(i, 2, 10, QLatin1Char('0'));
        dropped.append(file(name));
        expected.append(dropped.last());
        if (i % 10 == 0) {
            const QString folder = tree.path() + QStringLiteral("/many/d%1.kez").arg(i);
            QDir().mkpath(folder);
            dropped.append(folder);
            expected.append(file(QStringLiteral("many/d%1.kez/inner.kez").arg(i)));
        }
    }
    dropped.append(tree.path() + QStringLiteral("/many/missing.kez"));
    expected.append(dropped.last());
    ASSERT_TRUE(QFile::link(tree.path() + QStringLiteral("/many/d0.kez"), tree.path() + QStringLiteral("/many/link.kez")));
    dropped.append(tree.path() + QStringLiteral("/many/link.kez"));
    expected.append(tree.path() + QStringLiteral("/many/link.kez/inner.kez"));
    tick("theSrcOnlyKez", true);
    EXPECT_TRUE(dropFiles(dropped));
    EXPECT_EQ(entries(), expected);
}

TEST_F(BrowserFormSources, DeletingReselectsOnlyAfterASingleSelectedLine)
{
    const QStringList abcd = {"/a.kez", "/b.kez", "/c.kez", "/d.kez"};
    const struct {
        QList<int> clicked;
        QStringList left;
        QList<int> selected;
    } cases[] = {{{1}, {"/a.kez", "/c.kez", "/d.kez"}, {1}},   // the line that took its place
                 {{3}, {"/a.kez", "/b.kez", "/c.kez"}, {2}},   // the new last line
                 {{0, 2}, {"/b.kez", "/d.kez"}, {}}};          // several: nothing
    for (const auto& c : cases) {
        clearList();
        for (const QString& path : abcd)
            form->AddSrcFile(path);
        for (int i = 0; i < c.clicked.size(); ++i)
            clickLine(c.clicked[i], i == 0 ? Qt::NoModifier : Qt::ControlModifier);
        QTRY_VERIFY(child<QPushButton>("theDeleteSrcFile")->isEnabled());
        click("theDeleteSrcFile");
        EXPECT_EQ(lines(), c.left);
        EXPECT_EQ(entries(), c.left);
        EXPECT_EQ(selectedRows(), c.selected);
    }
}

TEST_F(BrowserFormSources, TheDialogAddsFilesWhateverTheirExtensionAndCancellingAddsNothing)
{
    auto dialog = fakeOpenDialog();
    click("theAddSrcFile");
    EXPECT_EQ(lines(), kHelpLines);

    dialog->selection = FakeOpenFileDialog::zz({"/T", "notes.txt", "Psalm.kez"});
    click("theAddSrcFile");
    EXPECT_EQ(dialog->shown, 2);
    EXPECT_EQ(dialog->seenTitle, QStringLiteral("Конвертация KEZ-файлов"));
    EXPECT_EQ(dialog->seenFilter, QStringLiteral("Файлы KEZ (*.kez)\0*.kez\0Все файлы (*.*)\0*.*\0\0").toUtf8());
    EXPECT_EQ(dialog->seenDefExt, QStringLiteral("kez"));
    EXPECT_EQ(dialog->seen.Flags, 530952u);
    EXPECT_EQ(lines(), (QStringList{"/T/notes.txt", "/T/Psalm.kez"}));
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(BrowserFormSources, FolderButtonPutsTheChosenFolderIntoTheDestination)
{
    QString initial;
    {
        const ScopedOverride<mFolderSelectDialog::FolderBrowser> browser(
            mFolderSelectDialog::folderBrowser(), [&](const mFolderSelectDialog::BrowseRequest& aRequest) {
                initial = aRequest.initialSelection;
                return std::optional<QString>(QStringLiteral("/data/Выход"));
            });
        click("theDestDirFixed");
        child<QLineEdit>("theDestDir")->setText(QStringLiteral("/data/old"));
        click("theSelectFolder");
    }
    EXPECT_EQ(initial, QStringLiteral("/data/old"));
    EXPECT_EQ(child<QLineEdit>("theDestDir")->text(), QStringLiteral("/data/Выход"));
}
