// The main window's side of the list of source files waiting for conversion (the bookkeeping
// lives in SourceList), and the destination folder's button.
#include "gui/main/BrowserForm.h"
#include "gui/main/WrappingCheckBox.h"
#include "core/errors/mErrorHandling.h"
#include "core/fs/DroppedPaths.h"
#include "gui/fs/FileOpenSaveDialog.h"
#include "core/fs/mFileSystem.h"
#include "gui/fs/mFolderSelectDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTimer>

#include <algorithm>
#include <memory>

using mErrorHandling::PassOn;
using mErrorHandling::TopLevel;

namespace {

constexpr const char* kModule = "BrowserForm";
const QColor kHelpTextColour(0, 0, 128);

void setListTextColour(QListWidget* aList, const QColor& aColour)
{
    QPalette palette = aList->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Text, aColour);
    aList->setPalette(palette);
}

// Keeps the list from repainting while many lines arrive.
class ListUpdatesPaused {
public:
    explicit ListUpdatesPaused(QListWidget* aList) : mList(aList), mWasEnabled(aList->updatesEnabled())
    {
        mList->setUpdatesEnabled(false);
    }
    ~ListUpdatesPaused() { mList->setUpdatesEnabled(mWasEnabled); }
    ListUpdatesPaused(const ListUpdatesPaused&) = delete;
    ListUpdatesPaused& operator=(const ListUpdatesPaused&) = delete;

private:
    QListWidget* mList;
    bool mWasEnabled;
};

} // namespace

SourceList::View BrowserForm::SrcListView()
{
    SourceList::View view;
    view.showOnly = [this](const QStringList& aLines, bool aHelp) { ShowSrcListLines(aLines, aHelp); };
    view.append = [this](const QString& aLine) { theSrcList->addItem(aLine); };
    view.appendAll = [this](const QStringList& aLines) { theSrcList->addItems(aLines); };
    view.remove = [this](qsizetype aLine) { std::unique_ptr<QListWidgetItem>(theSrcList->takeItem(int(aLine))).reset(); };
    return view;
}

void BrowserForm::ShowSrcListLines(const QStringList& aLines, bool aHelp)
{
    theSrcList->clear();
    // Every line is one text line: lets the list lay out a long list without measuring each.
    theSrcList->setUniformItemSizes(true);
    setListTextColour(theSrcList, aHelp ? kHelpTextColour : QApplication::palette(theSrcList).color(QPalette::Text));
    theSrcList->addItems(aLines);
}

void BrowserForm::SetHelpStringsInSrcList(bool aShow)
{
    PassOn(kModule, "SetHelpStringsInSrcList", [&] { mSources.ShowHelp(aShow); });
}

bool BrowserForm::IsSrcFileInList(const QString& aFileName) const { return mSources.Contains(aFileName); }

bool BrowserForm::IsApplicableFile(const QString& aFileName)
{
    return PassOn(kModule, "IsApplicableFile",
                  [&] { return aFileName.endsWith(QLatin1String(".kez"), Qt::CaseInsensitive); });
}

void BrowserForm::AddSrcFile(const QString& aFileName)
{
    // A path already in the list, as the file system compares names, is refused.
    PassOn(kModule, "AddSrcFile", [&] { mSources.Add(aFileName); });
}

qint32 BrowserForm::GetListNumberBySrcFile(const QString& aFileName)
{
    return PassOn(kModule, "GetListNumberBySrcFile", [&] { return mSources.LineOf(aFileName); });
}

void BrowserForm::RemoveSrcFile(const QString& aFileName)
{
    PassOn(kModule, "RemoveSrcFile", [&] { mSources.Remove(aFileName); });
}

void BrowserForm::AddSrcFiles(const QStringList& aFileNames)
{
    PassOn(kModule, "AddSrcFile", [&] {
        const ListUpdatesPaused paused(theSrcList);
        mSources.Reserve(mSources.Files().Count() + aFileNames.size());
        mSources.AddAll(aFileNames);
    });
}

void BrowserForm::AddFolderFiles(const QString& aFolderName)
{
    PassOn(kModule, "AddFolderFiles", [&] {
        // A folder below that cannot be read keeps no other file out: it is named in the log.
        QStringList notAdded;
        AddSrcFiles(SourceList::FolderFiles(aFolderName, theSrcOnlyKez->isChecked(), &notAdded));
        for (const QString& message : notAdded)
            AddMessage(message);
    });
}

void BrowserForm::ClearAllSrcFilesList()
{
    PassOn(kModule, "ClearAllSrcFilesList", [&] {
        const ListUpdatesPaused paused(theSrcList);
        mSources.RemoveAll();
    });
}

void BrowserForm::theAddSrcFile_Click()
{
    TopLevel(kModule, "theAddSrcFile_Click", [&] {
        FileOpenSaveDialog dialog;
        dialog.Filter = QStringLiteral("Файлы KEZ (*.kez)|*.kez|Все файлы (*.*)|*.*");
        dialog.DefaultExt = QStringLiteral("kez");
        dialog.FlagsOfOpenSave = OpenFileFlags::Explorer | OpenFileFlags::FileMustExist | OpenFileFlags::PathMustExist |
                                 OpenFileFlags::AllowMultiSelect | OpenFileFlags::NoChangeDir;
        dialog.hwndOwner = this;
        dialog.Title = QStringLiteral("Конвертация KEZ-файлов");
        if (!dialog.RunOpenFileDialog())
            return;
        QStringList files;
        files.reserve(dialog.FilesCount());
        for (qint32 i = 0; i < dialog.FilesCount(); ++i)
            files.append(dialog.Files(i));
        AddSrcFiles(files);
        if (theConvertImmediately->isChecked())
            ConvertCurrentSrcList();
    });
}

void BrowserForm::theDeleteSrcFile_Click()
{
    TopLevel(kModule, "theDeleteSrcFile_Click", [&] {
        // From the selection's ranges: asking each of a long list's lines costs a pass over them all.
        QList<qint32> selected;
        for (const QModelIndex& line : theSrcList->selectionModel()->selectedIndexes())
            selected.append(line.row());
        std::sort(selected.begin(), selected.end());
        selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
        qint32 position = -1;
        {
            const ListUpdatesPaused paused(theSrcList);
            position = mSources.RemoveLines(selected);
        }
        if (position >= 0) {
            theSrcList->setCurrentRow(position);
            if (QListWidgetItem* line = theSrcList->item(position))
                line->setSelected(true);
        }
    });
}

void BrowserForm::mnClearList_Click()
{
    TopLevel(kModule, "mnClearList_Click", [&] { ClearAllSrcFilesList(); });
}

void BrowserForm::theSrcList_MouseDown(Qt::MouseButton aButton, const QPoint& aGlobalPos)
{
    TopLevel(kModule, "theSrcList_MouseDown", [&] {
        if (aButton == Qt::RightButton)
            mnListPopup->popup(aGlobalPos);
    });
}

bool BrowserForm::theSrcList_OLEDragOver(const QMimeData* aData)
{
    return TopLevel(kModule, "theSrcList_OLEDragOver", [&] { return !mDraggedPaths.Of(aData).isEmpty(); });
}

void BrowserForm::theSrcList_OLEDragDrop(const QMimeData* aData)
{
    TopLevel(kModule, "theSrcList_OLEDragDrop", [&] {
        const QStringList paths = mDraggedPaths.Of(aData);
        if (!paths.isEmpty())
            AddDroppedPaths(paths);
    });
}

void BrowserForm::AddDroppedPaths(const QStringList& aPaths)
{
    PassOn(kModule, "AddDroppedPaths", [&] {
        // Learnt for all paths at once: one listing of their folder serves many of them.
        const QList<bool> folders = mFileSystem::AreFolderNames(aPaths);
        // In drop order, a folder's files in its place. The files between folders reach the list
        // in one step: a line at a time, a large drop costs more in the list than anywhere else.
        QStringList files;
        const auto addFiles = [&] {
            AddSrcFiles(files);
            files.clear();
        };
        for (qsizetype i = 0; i < aPaths.size(); ++i) {
            if (folders[i]) {
                addFiles();
                AddFolderFiles(aPaths[i]);
            } else if (IsApplicableFile(aPaths[i])) {
                files.append(aPaths[i]);
            }
        }
        addFiles();
        if (theConvertImmediately->isChecked())
            theConvertionStartTimer->start();
    });
}

void BrowserForm::theSelectFolder_Click()
{
    TopLevel(kModule, "theSelectFolder_Click", [&] {
        QString folder = theDestDir->text();
        if (mFolderSelectDialog::RunSHBrowseForFolder(folder, this, QStringLiteral("Папка для отконвертированных файлов"),
                                                      mFolderSelectDialog::kNewDialogStyle))
            theDestDir->setText(folder);
    });
}
