#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

class QWidget;

// Option flags of the open-file dialog, with the platform's values.
namespace OpenFileFlags {
inline constexpr quint32 NoChangeDir = 0x8;
inline constexpr quint32 AllowMultiSelect = 0x200;
inline constexpr quint32 PathMustExist = 0x800;
inline constexpr quint32 FileMustExist = 0x1000;
inline constexpr quint32 Explorer = 0x80000;
} // namespace OpenFileFlags

// The size of the open-file request as the ANSI call knows it without the fields added later
// (OPENFILENAME_SIZE_VERSION_400A): every field the program fills lies within it.
inline constexpr quint32 kOpenFileNameSize = 76;

// The platform's extended error for a selection that does not fit the file buffer.
inline constexpr quint32 kFnErrBufferTooSmall = 0x3003;

// The fields of the platform's open-file request that the program fills. Strings are bytes in
// the "ANSI" code page (UTF-8 here), each ended by NUL; the filter is a ZZ buffer of pairs
// (display text, pattern).
struct OpenFileNameRequest {
    quint32 lStructSize = kOpenFileNameSize;
    QWidget* hwndOwner = nullptr;
    const char* lpstrFilter = nullptr;
    quint32 nFilterIndex = 0; // in and out, 1-based; 0: the first filter
    char* lpstrFile = nullptr; // in: the proposed name; out: the selection
    quint32 nMaxFile = 0;
    const char* lpstrInitialDir = nullptr;
    const char* lpstrTitle = nullptr;
    quint32 Flags = 0;
    const char* lpstrDefExt = nullptr;
};

struct OpenFileNameResult {
    bool chosen = false;
    // 0 when the user cancelled; otherwise the platform's extended error code.
    quint32 extendedError = 0;
    // With kFnErrBufferTooSmall: the bytes the selection needs.
    quint32 requiredSize = 0;
};

// The platform's open-file dialog. Tests install a fake; the program uses a Qt file dialog.
class OpenFileNameDialog {
public:
    virtual ~OpenFileNameDialog() = default;

    // Shows the dialog and waits for it. On success lpstrFile holds one full path, or, with
    // AllowMultiSelect and several files chosen, the folder followed by each name, every string
    // ended by NUL and one more NUL at the end; nFilterIndex holds the filter last chosen.
    // A selection that does not fit nMaxFile bytes fails with kFnErrBufferTooSmall and its
    // requiredSize; the dialog then keeps it for RefetchSelection.
    virtual OpenFileNameResult GetOpenFileName(OpenFileNameRequest& aRequest) = 0;

    // After kFnErrBufferTooSmall: fills the larger buffer of aRequest with the selection just
    // made, without asking the user again.
    virtual OpenFileNameResult RefetchSelection(OpenFileNameRequest& aRequest) = 0;
};

// The dialog that FileOpenSaveDialog shows: the Qt one in the program, a fake in tests (through
// ScopedOverride).
std::shared_ptr<OpenFileNameDialog>& openFileNameDialog();

// How the Qt file dialog is made to speak the platform's formats.
namespace QtOpenFileFormats {
// The filter pairs of a ZZ buffer as Qt name filters, "display text (patterns)": ";" between the
// platform's patterns becomes a blank, and "*.*" (every file there) becomes "*".
QStringList NameFilters(const char* aFilter);
// The selection in the platform's buffer format, ended by a double NUL. Files from different
// folders (which the platform cannot return) are given against the root folder, so none is lost.
QByteArray SelectionBuffer(const QStringList& aChosen, bool aMultiple);
} // namespace QtOpenFileFormats

// The open-file dialog: set the properties, run it, read the chosen files as full paths.
class FileOpenSaveDialog {
public:
    static constexpr qint32 kFileBufferSize = 32760;

    QWidget* hwndOwner = nullptr;
    QString Title;
    // Pairs separated by "|": display text, pattern, display text, pattern, ...
    QString Filter;
    // 1-based; after a successful run, the filter the user ended with.
    qint32 FilterIndex = 0;
    // Before the run, the proposed name; after a successful run, the chosen file (with several,
    // the first name without its folder).
    QString File;
    QString InitialDir;
    quint32 FlagsOfOpenSave = 0;
    QString DefaultExt;
    // 0, or after a failed run the platform's extended error code (0 when cancelled).
    quint32 LastErrorCode = 0;

    // True when the user chose at least one file. A cancelled or failed run keeps the previous results.
    bool RunOpenFileDialog();
    qint32 FilesCount() const { return mFilesCount; }
    // The full path of chosen file aIndex (0-based); fails with a subscript error outside the range.
    QString Files(qint32 aIndex) const;

private:
    friend struct FileOpenSaveDialogTestAccess;

    // The byte buffers the dialog works with. Strings go in and out as "ANSI" (UTF-8) bytes.
    static char* SaveStringToZByteArray(const QString& aText, QByteArray& aBytes);
    static char* SaveStringToZByteBuffer(const QString& aText, QByteArray& aBytes, qint32 aSize);
    static QString LoadStringFromZByteBuffer(QByteArray& aBytes);
    static qint32 CountZZStrings(const QByteArray& aBytes, qint32 aSize, qint32& aCount);
    static QString ExpandOneStringFromZZStrings(const QByteArray& aBytes, qint32 aSize, qint32& aPosition);
    static void ExpandZZBuffer(const QByteArray& aBytes, qint32 aSize, QStringList& aStrings, qint32& aCount);

    void MakeOneFileResult(const QString& aFile);

    qint32 mFilesCount = 0;
    QStringList mFiles;
};
