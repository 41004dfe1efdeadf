// The list of source files waiting for conversion.
#include "app/BrowserForm.h"

#include <QListWidget>
#include <QMimeData>

// Placeholder bodies: the source list is built in its own change.
void BrowserForm::SetHelpStringsInSrcList(bool) { theSrcList->clear(); }
bool BrowserForm::IsSrcFileInList(const QString& aFileName) const { return SrcFiles.Contains(aFileName); }
bool BrowserForm::IsApplicableFile(const QString& aFileName) { return aFileName.right(4).toLower() == QStringLiteral(".kez"); }
void BrowserForm::AddSrcFile(const QString& aFileName)
{
    if (SrcFiles.Add(aFileName))
        theSrcList->addItem(aFileName);
}
qint32 BrowserForm::GetListNumberBySrcFile(const QString&) { return -1; }
void BrowserForm::RemoveSrcFile(const QString& aFileName) { SrcFiles.Remove(aFileName); }
void BrowserForm::AddFolderFiles(const QString&) {}
void BrowserForm::ClearAllSrcFilesList() {}
void BrowserForm::theAddSrcFile_Click() {}
void BrowserForm::theDeleteSrcFile_Click() {}
void BrowserForm::mnClearList_Click() {}
void BrowserForm::theSrcList_MouseDown(Qt::MouseButton, const QPoint&) {}
bool BrowserForm::theSrcList_OLEDragOver(const QMimeData* aData) { return aData && aData->hasUrls(); }
void BrowserForm::theSrcList_OLEDragDrop(const QMimeData*) {}
void BrowserForm::theSelectFolder_Click() {}
