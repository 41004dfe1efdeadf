#include "gui/fs/FileOpenSaveDialog.h"
#include "core/errors/mErrorHandling.h"
#include "platform/ExecutableSearch.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include <cstring>

using mErrorHandling::PassOn;
using mErrorHandling::RaiseError;

namespace {

constexpr const char* kModule = "FileOpenSaveDialog";
// A selection grows the buffer a few times at most; a dialog that keeps asking for more is broken.
constexpr int kMaxRefetches = 4;
constexpr qint32 kMaxFileBufferSize = 256 * 1024 * 1024;

void checkSize(const QByteArray& aBytes, qint32 aSize)
{
    if (aSize > aBytes.size())
        RaiseError(KezErrorNumber::SubscriptOutOfRange,
                   QStringLiteral("Размер %1 больше буфера из %2 байт.").arg(aSize).arg(aBytes.size()));
}

// The strings of a ZZ buffer up to the empty one that ends it.
QStringList splitZZ(const char* aBytes)
{
    QStringList strings;
    if (!aBytes)
        return strings;
    while (*aBytes) {
        const size_t length = std::strlen(aBytes);
        strings.append(QString::fromUtf8(aBytes, qsizetype(length)));
        aBytes += length + 1;
    }
    return strings;
}

QString fromZ(const char* aBytes) { return aBytes ? QString::fromUtf8(aBytes) : QString(); }

// The open-file dialog of the program: a Qt file dialog that answers as the platform's does.
class QtOpenFileNameDialog final : public OpenFileNameDialog {
public:
    OpenFileNameResult GetOpenFileName(OpenFileNameRequest& aRequest) override
    {
        mPending.clear();
        QFileDialog dialog(aRequest.hwndOwner, fromZ(aRequest.lpstrTitle), fromZ(aRequest.lpstrInitialDir));
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        if (aRequest.Flags & OpenFileFlags::AllowMultiSelect)
            dialog.setFileMode(QFileDialog::ExistingFiles);
        else if (aRequest.Flags & OpenFileFlags::FileMustExist)
            dialog.setFileMode(QFileDialog::ExistingFile);
        else
            dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(fromZ(aRequest.lpstrDefExt));

        const QStringList nameFilters = QtOpenFileFormats::NameFilters(aRequest.lpstrFilter);
        if (!nameFilters.isEmpty()) {
            // The display texts are shown as the caller wrote them; Qt reads the patterns from
            // the parentheses it is given.
            dialog.setOption(QFileDialog::HideNameFilterDetails, true);
            dialog.setNameFilters(nameFilters);
            const qsizetype index = aRequest.nFilterIndex >= 1 && aRequest.nFilterIndex <= quint32(nameFilters.size())
                                        ? qsizetype(aRequest.nFilterIndex) - 1
                                        : 0;
            dialog.selectNameFilter(nameFilters.at(index));
        }
        const QString proposed = fromZ(aRequest.lpstrFile);
        if (!proposed.isEmpty())
            dialog.selectFile(proposed);

        if (dialog.exec() != QDialog::Accepted)
            return {};
        const QStringList chosen = dialog.selectedFiles();
        if (chosen.isEmpty())
            return {};
        if (!nameFilters.isEmpty())
            aRequest.nFilterIndex = quint32(chosenFilter(nameFilters, dialog.selectedNameFilter()) + 1);
        mPending = QtOpenFileFormats::SelectionBuffer(chosen, aRequest.Flags & OpenFileFlags::AllowMultiSelect);
        return RefetchSelection(aRequest);
    }

    OpenFileNameResult RefetchSelection(OpenFileNameRequest& aRequest) override
    {
        if (mPending.isEmpty())
            return {};
        if (quint32(mPending.size()) > aRequest.nMaxFile)
            return {false, kFnErrBufferTooSmall, quint32(mPending.size())};
        std::memcpy(aRequest.lpstrFile, mPending.constData(), size_t(mPending.size()));
        mPending.clear();
        return {true, 0, 0};
    }

private:
    // With the details hidden, Qt may answer with the display text alone.
    static qsizetype chosenFilter(const QStringList& aNameFilters, const QString& aSelected)
    {
        for (qsizetype i = 0; i < aNameFilters.size(); ++i)
            if (aNameFilters.at(i) == aSelected || aNameFilters.at(i).startsWith(aSelected + QStringLiteral(" (")))
                return i;
        return 0;
    }

    QByteArray mPending;
};

} // namespace

std::shared_ptr<OpenFileNameDialog>& openFileNameDialog()
{
    static std::shared_ptr<OpenFileNameDialog> dialog = std::make_shared<QtOpenFileNameDialog>();
    return dialog;
}

QStringList QtOpenFileFormats::NameFilters(const char* aFilter)
{
    const QStringList pairs = splitZZ(aFilter);
    QStringList filters;
    for (qsizetype i = 0; i + 1 < pairs.size(); i += 2) {
        QStringList patterns = pairs.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed();
            if (pattern == QStringLiteral("*.*"))
                pattern = QStringLiteral("*");
        }
        filters.append(pairs.at(i) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')'));
    }
    return filters;
}

QByteArray QtOpenFileFormats::SelectionBuffer(const QStringList& aChosen, bool aMultiple)
{
    QByteArray bytes;
    const auto append = [&bytes](const QString& aText) {
        bytes += aText.toUtf8();
        bytes += '\0';
    };
    if (aChosen.isEmpty()) {
        append(QString());
    } else if (!aMultiple || aChosen.size() == 1) {
        append(QDir::toNativeSeparators(aChosen.first()));
    } else {
        QString folder = QFileInfo(aChosen.first()).absolutePath();
        bool shared = true;
        for (const QString& file : aChosen)
            shared = shared && QFileInfo(file).absolutePath() == folder;
        if (!shared)
            folder = QDir::rootPath();
        append(QDir::toNativeSeparators(folder));
        const QDir base(folder);
        for (const QString& file : aChosen)
            append(QDir::toNativeSeparators(shared ? QFileInfo(file).fileName() : base.relativeFilePath(file)));
    }
    bytes += '\0';
    return bytes;
}

char* FileOpenSaveDialog::SaveStringToZByteArray(const QString& aText, QByteArray& aBytes)
{
    return PassOn(kModule, "SaveStringToZByteArray", [&] {
        const QByteArray text = aText.toUtf8();
        aBytes.resize(text.size() + 1);
        std::memcpy(aBytes.data(), text.constData(), size_t(text.size()));
        aBytes[text.size()] = '\0';
        return aBytes.data();
    });
}

char* FileOpenSaveDialog::SaveStringToZByteBuffer(const QString& aText, QByteArray& aBytes, qint32 aSize)
{
    return PassOn(kModule, "SaveStringToZByteBuffer", [&] {
        if (aSize < 1)
            RaiseError(KezErrorNumber::SubscriptOutOfRange, QStringLiteral("Буфер нулевого размера."));
        checkSize(aBytes, aSize);
        const QByteArray text = aText.toUtf8();
        qsizetype count = qMin<qsizetype>(text.size(), aSize - 1);
        // Never leave half a character behind.
        while (count > 0 && count < text.size() && (static_cast<unsigned char>(text[count]) & 0xC0) == 0x80)
            --count;
        std::memcpy(aBytes.data(), text.constData(), size_t(count));
        aBytes[count] = '\0';
        return aBytes.data();
    });
}

QString FileOpenSaveDialog::LoadStringFromZByteBuffer(QByteArray& aBytes)
{
    return PassOn(kModule, "LoadStringFromZByteBuffer", [&] {
        if (aBytes.isEmpty())
            return QString();
        aBytes[aBytes.size() - 1] = '\0';
        return QString::fromUtf8(aBytes.constData(), qsizetype(std::strlen(aBytes.constData())));
    });
}

qint32 FileOpenSaveDialog::CountZZStrings(const QByteArray& aBytes, qint32 aSize, qint32& aCount)
{
    return PassOn(kModule, "CountZZStrings", [&] {
        checkSize(aBytes, aSize);
        aCount = 0;
        for (qint32 i = 0; i <= aSize - 2; ++i) {
            if (aBytes[i] == '\0') {
                ++aCount;
                if (aBytes[i + 1] == '\0')
                    return i + 1;
            }
        }
        // An unterminated last string counts too.
        ++aCount;
        return aSize;
    });
}

QString FileOpenSaveDialog::ExpandOneStringFromZZStrings(const QByteArray& aBytes, qint32 aSize, qint32& aPosition)
{
    return PassOn(kModule, "ExpandOneStringFromZZStrings", [&] {
        checkSize(aBytes, aSize);
        if (aPosition < 0)
            RaiseError(KezErrorNumber::SubscriptOutOfRange,
                       QStringLiteral("Позиция %1 вне буфера.").arg(aPosition));
        const qint32 start = aPosition;
        for (qint32 i = start; i < aSize; ++i) {
            if (aBytes[i] == '\0') {
                aPosition = i + 1;
                return QString::fromUtf8(aBytes.constData() + start, i - start);
            }
        }
        if (start < aSize) {
            aPosition = aSize + 1;
            return QString::fromUtf8(aBytes.constData() + start, aSize - start);
        }
        return QString();
    });
}

void FileOpenSaveDialog::ExpandZZBuffer(const QByteArray& aBytes, qint32 aSize, QStringList& aStrings, qint32& aCount)
{
    PassOn(kModule, "ExpandZZBuffer", [&] {
        CountZZStrings(aBytes, aSize, aCount);
        aStrings.clear();
        if (aCount == 0)
            return;
        aStrings.reserve(aCount);
        qint32 position = 0;
        for (qint32 i = 0; i < aCount; ++i)
            aStrings.append(ExpandOneStringFromZZStrings(aBytes, aSize, position));
    });
}

void FileOpenSaveDialog::MakeOneFileResult(const QString& aFile)
{
    PassOn(kModule, "MakeOneFileResult", [&] {
        mFilesCount = 1;
        mFiles = QStringList{aFile};
        File = aFile;
    });
}

QString FileOpenSaveDialog::Files(qint32 aIndex) const
{
    return PassOn(kModule, "Files", [&] {
        if (aIndex < 0 || aIndex >= mFilesCount)
            RaiseError(KezErrorNumber::SubscriptOutOfRange,
                       QStringLiteral("Файла с номером %1 нет: выбрано файлов %2.").arg(aIndex).arg(mFilesCount));
        return mFiles.at(aIndex);
    });
}

bool FileOpenSaveDialog::RunOpenFileDialog()
{
    return PassOn(kModule, "RunOpenFileDialog", [&] {
        LastErrorCode = 0;

        QString filter = Filter;
        if (!filter.endsWith(QLatin1Char('|')))
            filter += QLatin1Char('|');
        filter.replace(QLatin1Char('|'), QChar(0));
        QByteArray filterBytes;
        SaveStringToZByteArray(filter, filterBytes);

        QByteArray fileBytes(kFileBufferSize, '\0');
        SaveStringToZByteBuffer(File, fileBytes, kFileBufferSize);

        QByteArray initialDirBytes;
        QByteArray titleBytes;
        QByteArray defaultExtBytes;
        SaveStringToZByteArray(InitialDir, initialDirBytes);
        SaveStringToZByteArray(Title, titleBytes);
        SaveStringToZByteArray(DefaultExt, defaultExtBytes);

        OpenFileNameRequest request;
        request.lStructSize = kOpenFileNameSize;
        request.hwndOwner = hwndOwner;
        request.lpstrFilter = filterBytes.constData();
        request.nFilterIndex = quint32(FilterIndex);
        request.lpstrFile = fileBytes.data();
        request.nMaxFile = quint32(fileBytes.size());
        request.lpstrInitialDir = initialDirBytes.constData();
        request.lpstrTitle = titleBytes.constData();
        request.Flags = FlagsOfOpenSave;
        request.lpstrDefExt = defaultExtBytes.constData();

        OpenFileNameDialog& dialog = *openFileNameDialog();
        OpenFileNameResult result = dialog.GetOpenFileName(request);
        // A long selection must not vanish: give the dialog the room it asks for.
        for (int attempt = 0; !result.chosen && result.extendedError == kFnErrBufferTooSmall && attempt < kMaxRefetches;
             ++attempt) {
            const qint64 wanted = qMax<qint64>(result.requiredSize, qint64(fileBytes.size()) * 2);
            if (wanted > kMaxFileBufferSize)
                break;
            fileBytes = QByteArray(qsizetype(wanted), '\0');
            request.lpstrFile = fileBytes.data();
            request.nMaxFile = quint32(fileBytes.size());
            result = dialog.RefetchSelection(request);
        }
        if (!result.chosen) {
            LastErrorCode = result.extendedError;
            return false;
        }

        const qint32 size = qint32(fileBytes.size());
        if (FlagsOfOpenSave & OpenFileFlags::AllowMultiSelect) {
            QStringList strings;
            qint32 count = 0;
            ExpandZZBuffer(fileBytes, size, strings, count);
            if (count == 1) {
                MakeOneFileResult(strings.at(0));
            } else if (count >= 2) {
                const QChar separator = QLatin1Char(platform::pathSeparator());
                QString folder = strings.at(0);
                if (!folder.endsWith(separator))
                    folder += separator;
                QStringList files;
                files.reserve(count - 1);
                for (qint32 i = 1; i < count; ++i)
                    files.append(folder + strings.at(i));
                mFiles = files;
                mFilesCount = count - 1;
                File = strings.at(1);
            }
        } else {
            MakeOneFileResult(LoadStringFromZByteBuffer(fileBytes));
        }

        FilterIndex = qint32(request.nFilterIndex);
        InitialDir = LoadStringFromZByteBuffer(initialDirBytes);
        return true;
    });
}
