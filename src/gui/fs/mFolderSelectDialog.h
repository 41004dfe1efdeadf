#pragma once
#include <QString>

#include <functional>
#include <optional>

class QWidget;

// The platform's folder browser, opened at a given folder.
namespace mFolderSelectDialog {

// Browse flags, with the platform's values.
inline constexpr quint32 kReturnOnlyFileSystemFolders = 1;
inline constexpr quint32 kNewDialogStyle = 64;

// What the browser is asked to show.
struct BrowseRequest {
    QWidget* hwndOwner = nullptr;
    QString lpszTitle;
    quint32 ulFlags = 0;
    // Selected when the browser opens, if it exists; empty: no selection.
    QString initialSelection;
};

// Shows the browser and waits for it. Returns the chosen item's file-system path (which may
// carry a NUL and rubbish after it, as a path buffer does); an empty path when the item has none;
// nothing when the user cancelled.
using FolderBrowser = std::function<std::optional<QString>(const BrowseRequest& aRequest)>;

// The browser that RunSHBrowseForFolder shows: the Qt one in the program, a fake in tests
// (through ScopedOverride).
FolderBrowser& folderBrowser();

// Shows the browser at aFolder. True when a file-system folder was chosen; aFolder then holds it.
// Cancelled, or an item without a file-system path: False, aFolder unchanged.
bool RunSHBrowseForFolder(QString& aFolder, QWidget* aOwner, const QString& aTitle, quint32 aFlags);

// The part of aText before the first aDelimiter, or all of it when there is none.
QString TextBeforeDelimiter(const QString& aText, const QString& aDelimiter);

} // namespace mFolderSelectDialog
