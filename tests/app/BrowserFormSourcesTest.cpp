#include "app/BrowserForm.h"
#include "app/miKezConverterMain.h"
#include "errors/mErrorHandling.h"
#include "fs/DeepFolder.h"
#include "fs/FakeOpenFileDialog.h"
#include "fs/mFolderSelectDialog.h"
#include "support/DropFiles.h"
#include "support/FormControls.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <gtest/gtest.h>

#include <memory>

#include <sys/stat.h>

namespace {

const QStringList kHelpLines = {
    QString(),
    QStringLiteral("  Файлы для конвертации можно перетаскивать сюда из Проводника"),
    QStringLiteral("  или добавлять при помощи кнопки \"Добавить\" ----->."),
    QString(),
    QStringLiteral("  Также сюда можно перетаскивать целые папки с файлами."),
};

class BrowserFormSources : public ::testing::Test {
protected:
    void SetUp() override
    {
        mErrorHandling::SetPresenter([this](const QString& aMessage, const QString& aSource, qint32 aCode) {
            reports.append(QStringLiteral("%1 | %2 | %3").arg(aMessage, aSource).arg(aCode));
        });
        miKezConverterMain::CreateAndReadOptions();
        form = std::make_unique<BrowserForm>();
        form->Execute();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        // Both boxes are ticked by default; each test ticks what it needs.
        tick("theSrcOnlyKez", false);
        tick("theConvertImmediately", false);
    }
    void TearDown() override
    {
        SetOpenFileNameDialog(nullptr);
        mFolderSelectDialog::SetFolderBrowser({});
        form.reset();
        miKezConverterMain::ReleaseOptions();
        mErrorHandling::SetPresenter({});
    }

    template <class T>
    T* child(const char* aName)
    {
        return FindControl<T>(form.get(), aName);
    }
    QListWidget* list() { return child<QListWidget>("theSrcList"); }

    void tick(const char* aName, bool aTicked)
    {
        QCheckBox* box = child<QCheckBox>(aName);
        if (box->isChecked() != aTicked)
            QTest::mouseClick(box, Qt::LeftButton);
        ASSERT_EQ(box->isChecked(), aTicked) << aName;
    }

    QStringList lines()
    {
        QStringList out;
        for (int i = 0; i < list()->count(); ++i)
            out.append(list()->item(i)->text());
        return out;
    }
    QList<int> selectedRows()
    {
        QList<int> rows;
        for (int i = 0; i < list()->count(); ++i)
            if (list()->item(i)->isSelected())
                rows.append(i);
        return rows;
    }
    QStringList entries() const
    {
        QStringList out;
        for (const QString& entry : form->SourceFiles())
            out.append(entry);
        return out;
    }

    QString file(const QString& aRelative)
    {
        const QString full = tree.path() + QLatin1Char('/') + aRelative;
        QDir().mkpath(QFileInfo(full).absolutePath());
        QFile out(full);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly)) << qPrintable(full);
        return full;
    }
    QString folder(const QString& aRelative)
    {
        const QString full = tree.path() + QLatin1Char('/') + aRelative;
        QDir().mkpath(full);
        return full;
    }

    bool drop(QMimeData& aData) { return DropMimeData(list()->viewport(), aData); }
    bool dropFiles(const QStringList& aPaths) { return DropLocalFiles(list()->viewport(), aPaths); }

    void clickLine(int aRow, Qt::KeyboardModifiers aModifiers = Qt::NoModifier)
    {
        QListWidgetItem* line = list()->item(aRow);
        ASSERT_NE(line, nullptr);
        list()->scrollToItem(line);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, aModifiers, list()->visualItemRect(line).center());
    }
    void clickDelete()
    {
        QPushButton* button = child<QPushButton>("theDeleteSrcFile");
        QTRY_VERIFY(button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
    }
    void addFiles(const QStringList& aPaths)
    {
        for (const QString& path : aPaths)
            form->AddSrcFile(path);
    }

    TestEnvironment environment;
    QTemporaryDir tree;
    std::unique_ptr<BrowserForm> form;
    QStringList reports;
};

} // namespace

TEST_F(BrowserFormSources, EmptyListShowsFiveDarkBlueHelpLines)
{
    EXPECT_EQ(lines(), kHelpLines);
    EXPECT_EQ(list()->palette().color(QPalette::Text), QColor(0, 0, 128));
    EXPECT_TRUE(form->SourceFiles().IsEmpty());
    EXPECT_FALSE(child<QPushButton>("theDeleteSrcFile")->isEnabled());
}

TEST_F(BrowserFormSources, FirstFileReplacesTheHelpLinesInTheWindowTextColour)
{
    form->AddSrcFile(QStringLiteral("/Тексты/Псалом 1.kez"));
    EXPECT_EQ(lines(), QStringList{QStringLiteral("/Тексты/Псалом 1.kez")});
    EXPECT_EQ(list()->palette().color(QPalette::Text), QApplication::palette(list()).color(QPalette::Text));
    EXPECT_NE(list()->palette().color(QPalette::Text), QColor(0, 0, 128));
}

TEST_F(BrowserFormSources, PathInOtherLetterCaseIsTheSameEntryAndKeepsTheFirstSpelling)
{
    form->AddSrcFile(QStringLiteral("/Texts/a.kez"));
    form->AddSrcFile(QStringLiteral("/texts/A.KEZ"));
    form->AddSrcFile(QStringLiteral("/Тексты/Б.kez"));
    form->AddSrcFile(QStringLiteral("/тексты/б.KEZ"));
    EXPECT_EQ(lines(), (QStringList{QStringLiteral("/Texts/a.kez"), QStringLiteral("/Тексты/Б.kez")}));
    EXPECT_EQ(entries(), lines());
    EXPECT_TRUE(form->IsSrcFileInList(QStringLiteral("/TEXTS/a.kez")));
    EXPECT_FALSE(form->IsSrcFileInList(QStringLiteral("/Texts/a.kez ")));
}

TEST_F(BrowserFormSources, ApplicableFilesEndInKezWhateverTheCase)
{
    EXPECT_TRUE(form->IsApplicableFile(QStringLiteral("Psalm.KEZ")));
    EXPECT_TRUE(form->IsApplicableFile(QStringLiteral(".kez")));
    EXPECT_FALSE(form->IsApplicableFile(QStringLiteral("notes.txt")));
    EXPECT_FALSE(form->IsApplicableFile(QStringLiteral("a.kez.bak")));
    EXPECT_FALSE(form->IsApplicableFile(QStringLiteral("kez")));
}

TEST_F(BrowserFormSources, LineNumberIsFoundWithoutRegardToLetterCase)
{
    addFiles({QStringLiteral("/a.kez"), QStringLiteral("/Б.kez")});
    EXPECT_EQ(form->GetListNumberBySrcFile(QStringLiteral("/A.KEZ")), 0);
    EXPECT_EQ(form->GetListNumberBySrcFile(QStringLiteral("/б.kez")), 1);
    EXPECT_EQ(form->GetListNumberBySrcFile(QStringLiteral("/c.kez")), -1);
}

TEST_F(BrowserFormSources, RemovingAFileTakesItFromBothStoresAndIgnoresOthers)
{
    addFiles({QStringLiteral("/a.kez"), QStringLiteral("/b.kez"), QStringLiteral("/c.kez")});
    form->RemoveSrcFile(QStringLiteral("/B.KEZ"));
    form->RemoveSrcFile(QStringLiteral("/not-there.kez"));
    EXPECT_EQ(lines(), (QStringList{QStringLiteral("/a.kez"), QStringLiteral("/c.kez")}));
    EXPECT_EQ(entries(), lines());
}

TEST_F(BrowserFormSources, HelpLinesAreNoEntries)
{
    form->RemoveSrcFile(kHelpLines.at(1));
    EXPECT_EQ(lines(), kHelpLines);
    form->mnClearList_Click();
    EXPECT_EQ(lines(), kHelpLines);
}

TEST_F(BrowserFormSources, DropOfANonKezFileAddsNothing)
{
    EXPECT_TRUE(dropFiles({file(QStringLiteral("notes.txt"))}));
    EXPECT_EQ(lines(), kHelpLines);
    EXPECT_TRUE(form->SourceFiles().IsEmpty());
}

TEST_F(BrowserFormSources, DropOfAKezFileAddsItWhateverTheCase)
{
    const QString psalm = file(QStringLiteral("Псалмы \"избранные\"/Psalm.KEZ"));
    EXPECT_TRUE(dropFiles({psalm, file(QStringLiteral("notes.txt"))}));
    EXPECT_EQ(lines(), QStringList{psalm});
    EXPECT_EQ(entries(), QStringList{psalm});
    EXPECT_TRUE(reports.isEmpty()) << qPrintable(reports.join(QLatin1Char('\n')));
}

TEST_F(BrowserFormSources, DropOfAFolderAddsEveryFileIncludingHiddenOnesWhenKezOnlyIsOff)
{
    const QString root = folder(QStringLiteral("Тексты"));
    QStringList expected = {file(QStringLiteral("Тексты/a.kez")), file(QStringLiteral("Тексты/notes.txt")),
                            file(QStringLiteral("Тексты/.hidden.kez")), file(QStringLiteral("Тексты/sub/b.KEZ")),
                            file(QStringLiteral("Тексты/sub/readme"))};
    ASSERT_EQ(::chmod(QFile::encodeName(expected.at(1)).constData(), 0444), 0); // read-only too
    ASSERT_FALSE(child<QCheckBox>("theSrcOnlyKez")->isChecked());

    EXPECT_TRUE(dropFiles({root}));
    QStringList added = lines();
    EXPECT_EQ(entries(), added);
    added.sort();
    expected.sort();
    EXPECT_EQ(added, expected);
}

TEST_F(BrowserFormSources, DropOfAFolderAddsOnlyKezFilesWhenKezOnlyIsOn)
{
    const QString root = folder(QStringLiteral("Тексты"));
    const QString a = file(QStringLiteral("Тексты/a.kez"));
    file(QStringLiteral("Тексты/notes.txt"));
    const QString b = file(QStringLiteral("Тексты/sub/b.KEZ"));
    file(QStringLiteral("Тексты/sub/readme"));
    tick("theSrcOnlyKez", true);

    EXPECT_TRUE(dropFiles({root}));
    // The folder's own files come before those of its subfolders.
    EXPECT_EQ(lines(), (QStringList{a, b}));
}

TEST_F(BrowserFormSources, DropOfAFolderThatCannotBeListedReportsAndAddsNothingFromIt)
{
    const QString before = file(QStringLiteral("before.kez"));
    const QString root = folder(QStringLiteral("root"));
    file(QStringLiteral("root/a.kez"));
    ASSERT_TRUE(deepfolder::Make(root));
    dropFiles({before, root});
    deepfolder::Remove(root);
    // What came before the folder stays; nothing of the folder is added.
    EXPECT_EQ(lines(), QStringList{before});
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports.first().contains(QStringLiteral("BrowserForm.theSrcList_OLEDragDrop")));
    EXPECT_TRUE(reports.first().contains(QStringLiteral("BrowserForm.AddFolderFiles")));
    EXPECT_TRUE(reports.first().contains(QStringLiteral("mFileSystem.CollectFileNamesInFolder")));
    EXPECT_TRUE(reports.first().endsWith(QStringLiteral(" | 75")));
    // The list repaints again after the failed drop.
    EXPECT_TRUE(list()->updatesEnabled());
}

TEST_F(BrowserFormSources, DragOverOffersCopyOnlyForAListOfFiles)
{
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(file(QStringLiteral("a.kez")))});
    EXPECT_TRUE(drop(files));

    QMimeData text;
    text.setText(QStringLiteral("/tmp/a.kez"));
    EXPECT_FALSE(drop(text));

    QMimeData web;
    web.setUrls({QUrl(QStringLiteral("https://example.org/a.kez"))});
    EXPECT_FALSE(drop(web));
    EXPECT_EQ(entries(), QStringList{tree.path() + QStringLiteral("/a.kez")});
}

TEST_F(BrowserFormSources, DropWithImmediateConversionArmsTheStartTimer)
{
    QTimer* timer = child<QTimer>("theConvertionStartTimer");
    dropFiles({file(QStringLiteral("a.kez"))});
    EXPECT_FALSE(timer->isActive());

    tick("theConvertImmediately", true);
    const QString b = file(QStringLiteral("b.kez"));
    dropFiles({b});
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 250);
    timer->stop();
    // The run does not start within the drop: the dropped file still waits.
    EXPECT_TRUE(form->IsSrcFileInList(b));
}

TEST_F(BrowserFormSources, AddingThroughTheDialogWithImmediateConversionRunsAtOnce)
{
    auto dialog = std::make_shared<FakeOpenFileDialog>();
    dialog->selection = QByteArray("/T\0a.kez\0b.kez\0\0", 16);
    SetOpenFileNameDialog(dialog);
    tick("theConvertImmediately", true);
    QTest::mouseClick(child<QPushButton>("theAddSrcFile"), Qt::LeftButton);
    // Converted (or failed) within the click: nothing waits and the log tells of both files.
    EXPECT_TRUE(form->SourceFiles().IsEmpty());
    EXPECT_TRUE(form->LogText().contains(QStringLiteral("a.kez")));
    EXPECT_TRUE(form->LogText().contains(QStringLiteral("b.kez")));
    EXPECT_FALSE(child<QTimer>("theConvertionStartTimer")->isActive());
}

TEST_F(BrowserFormSources, DeletingTheOnlySelectedLineSelectsTheLineThatTookItsPlace)
{
    addFiles({QStringLiteral("/a.kez"), QStringLiteral("/b.kez"), QStringLiteral("/c.kez")});
    clickLine(1);
    clickDelete();
    EXPECT_EQ(lines(), (QStringList{QStringLiteral("/a.kez"), QStringLiteral("/c.kez")}));
    EXPECT_EQ(entries(), lines());
    EXPECT_EQ(selectedRows(), QList<int>{1});
    EXPECT_EQ(list()->currentRow(), 1);
}

TEST_F(BrowserFormSources, DeletingTheSelectedLastLineSelectsTheNewLastLine)
{
    addFiles({QStringLiteral("/a.kez"), QStringLiteral("/b.kez"), QStringLiteral("/c.kez")});
    clickLine(2);
    clickDelete();
    EXPECT_EQ(lines(), (QStringList{QStringLiteral("/a.kez"), QStringLiteral("/b.kez")}));
    EXPECT_EQ(selectedRows(), QList<int>{1});
}

TEST_F(BrowserFormSources, DeletingSeveralLinesLeavesNothingSelected)
{
    addFiles({QStringLiteral("/a.kez"), QStringLiteral("/b.kez"), QStringLiteral("/c.kez"), QStringLiteral("/d.kez")});
    clickLine(0);
    clickLine(2, Qt::ControlModifier);
    ASSERT_EQ(selectedRows(), (QList<int>{0, 2}));
    clickDelete();
    EXPECT_EQ(lines(), (QStringList{QStringLiteral("/b.kez"), QStringLiteral("/d.kez")}));
    EXPECT_EQ(entries(), lines());
    EXPECT_TRUE(selectedRows().isEmpty());
}

TEST_F(BrowserFormSources, DeletingTheLastFileLeavesTheListEmptyWithoutHelpLines)
{
    addFiles({QStringLiteral("/a.kez")});
    clickLine(0);
    clickDelete();
    EXPECT_TRUE(lines().isEmpty());
    EXPECT_TRUE(form->SourceFiles().IsEmpty());
}

TEST_F(BrowserFormSources, ClearRemovesEveryFileAndTheHelpLinesNeverComeBack)
{
    addFiles({QStringLiteral("/a.kez"), QStringLiteral("/b.kez"), QStringLiteral("/c.kez")});
    child<QAction>("mnClearList")->trigger();
    EXPECT_TRUE(lines().isEmpty());
    EXPECT_TRUE(form->SourceFiles().IsEmpty());

    form->AddSrcFile(QStringLiteral("/d.kez"));
    EXPECT_EQ(lines(), QStringList{QStringLiteral("/d.kez")});
    child<QAction>("mnClearList")->trigger();
    EXPECT_TRUE(lines().isEmpty());
}

TEST_F(BrowserFormSources, RightButtonOverTheListOpensItsMenu)
{
    QMenu* menu = child<QMenu>("mnListPopup");
    QTest::mousePress(list()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseRelease(list()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_FALSE(menu->isVisible());
    QTest::mousePress(list()->viewport(), Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    QTRY_VERIFY(menu->isVisible());
    EXPECT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions().first()->text(), QStringLiteral("Очистить"));
    menu->hide();
}

TEST_F(BrowserFormSources, AddingThroughTheDialogAddsFilesWhateverTheirExtension)
{
    auto dialog = std::make_shared<FakeOpenFileDialog>();
    dialog->selection = QByteArray("/T\0notes.txt\0Psalm.kez\0\0", 25);
    SetOpenFileNameDialog(dialog);
    QTest::mouseClick(child<QPushButton>("theAddSrcFile"), Qt::LeftButton);

    EXPECT_EQ(dialog->shown, 1);
    EXPECT_EQ(dialog->seenTitle, QStringLiteral("Конвертация KEZ-файлов"));
    EXPECT_EQ(dialog->seenFilter, QStringLiteral("Файлы KEZ (*.kez)\0*.kez\0Все файлы (*.*)\0*.*\0\0").toUtf8());
    EXPECT_EQ(dialog->seenDefExt, QStringLiteral("kez"));
    EXPECT_EQ(dialog->seen.Flags, 530952u);
    EXPECT_EQ(lines(), (QStringList{QStringLiteral("/T/notes.txt"), QStringLiteral("/T/Psalm.kez")}));
}

TEST_F(BrowserFormSources, CancelledDialogAddsNothing)
{
    auto dialog = std::make_shared<FakeOpenFileDialog>();
    SetOpenFileNameDialog(dialog);
    QTest::mouseClick(child<QPushButton>("theAddSrcFile"), Qt::LeftButton);
    EXPECT_EQ(dialog->shown, 1);
    EXPECT_EQ(lines(), kHelpLines);
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(BrowserFormSources, FolderButtonPutsTheChosenFolderIntoTheDestination)
{
    mFolderSelectDialog::BrowseRequest seen;
    std::optional<QString> answer = QStringLiteral("/data/Выход \"rtf\"");
    mFolderSelectDialog::SetFolderBrowser([&](const mFolderSelectDialog::BrowseRequest& aRequest) {
        seen = aRequest;
        return answer;
    });
    QTest::mouseClick(child<QRadioButton>("theDestDirFixed"), Qt::LeftButton);
    QLineEdit* destination = child<QLineEdit>("theDestDir");
    destination->setText(QStringLiteral("/data/old"));

    QTest::mouseClick(child<QToolButton>("theSelectFolder"), Qt::LeftButton);
    EXPECT_EQ(seen.lpszTitle, QStringLiteral("Папка для отконвертированных файлов"));
    EXPECT_EQ(seen.ulFlags, 65u);
    EXPECT_EQ(seen.initialSelection, QStringLiteral("/data/old"));
    EXPECT_EQ(seen.hwndOwner, form.get());
    EXPECT_EQ(destination->text(), QStringLiteral("/data/Выход \"rtf\""));
    EXPECT_TRUE(child<QRadioButton>("theDestDirFixed")->isChecked());

    answer = std::nullopt;
    QTest::mouseClick(child<QToolButton>("theSelectFolder"), Qt::LeftButton);
    EXPECT_EQ(destination->text(), QStringLiteral("/data/Выход \"rtf\""));
}
