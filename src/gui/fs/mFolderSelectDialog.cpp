#include "gui/fs/mFolderSelectDialog.h"
#include "core/errors/mErrorHandling.h"
#include "core/fs/mFileSystem.h"

#include <QFileDialog>

using mErrorHandling::PassOn;

namespace mFolderSelectDialog {
namespace {

constexpr const char* kModule = "mFolderSelectDialog";

// The browser has been set up: open it in the start folder, when that exists, so that accepting
// at once keeps it.
void BrowseCallback(QFileDialog& aDialog, const QString& aFolder)
{
    if (aFolder.isEmpty() || !mFileSystem::IsFolderName(aFolder))
        return;
    aDialog.setDirectory(aFolder);
}

std::optional<QString> showQtFolderBrowser(const BrowseRequest& aRequest)
{
    QFileDialog dialog(aRequest.hwndOwner, aRequest.lpszTitle);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    BrowseCallback(dialog, aRequest.initialSelection);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    // Only a folder of the file system has a path to give back.
    if (chosen.isEmpty() || !mFileSystem::IsFolderName(chosen.first()))
        return QString();
    return chosen.first();
}

} // namespace

FolderBrowser& folderBrowser()
{
    static FolderBrowser browser = showQtFolderBrowser;
    return browser;
}

QString TextBeforeDelimiter(const QString& aText, const QString& aDelimiter)
{
    const qsizetype at = aText.indexOf(aDelimiter);
    return at < 0 ? aText : aText.left(at);
}

bool RunSHBrowseForFolder(QString& aFolder, QWidget* aOwner, const QString& aTitle, quint32 aFlags)
{
    return PassOn(kModule, "RunSHBrowseForFolder", [&] {
        BrowseRequest request;
        request.hwndOwner = aOwner;
        request.lpszTitle = aTitle;
        request.ulFlags = aFlags | kReturnOnlyFileSystemFolders;
        request.initialSelection = aFolder;
        const std::optional<QString> item = folderBrowser()(request);
        if (!item)
            return false;
        const QString path = QDir::toNativeSeparators(TextBeforeDelimiter(*item, QString(QChar(0))));
        if (path.isEmpty())
            return false;
        aFolder = path;
        return true;
    });
}

} // namespace mFolderSelectDialog
