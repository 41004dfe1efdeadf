#include "core/run/SourceList.h"
#include "core/run/CommandLinePaths.h"
#include "core/fs/mFileSystem.h"

#include <utility>

SourceList::SourceList(Qt::CaseSensitivity aFileNameCase, View aView)
    : SrcFiles(aFileNameCase), mView(std::move(aView))
{
}

QStringList SourceList::FolderFiles(const QString& aFolder, bool aOnlyKez, QStringList* aNotAdded)
{
    using namespace mFileSystem::Attribute;
    QList<mFileSystem::UnreadableFolder> unreadable;
    const QStringList files =
        mFileSystem::CollectFileNamesInFolder(aFolder, aOnlyKez ? QStringLiteral("*.kez") : QStringLiteral("*"), true,
                                              ReadOnly | Hidden | System | Archive, aNotAdded ? &unreadable : nullptr);
    for (const mFileSystem::UnreadableFolder& folder : unreadable)
        aNotAdded->append(CommandLineFiles::NotAddedMessage(folder.Folder, folder.Reason));
    return files;
}

const QStringList& SourceList::HelpLines()
{
    static const QStringList lines = {
        QString(),
        QStringLiteral("  Файлы для конвертации можно перетаскивать сюда из Проводника"),
        QStringLiteral("  или добавлять при помощи кнопки \"Добавить\" ----->."),
        QString(),
        QStringLiteral("  Также сюда можно перетаскивать целые папки с файлами."),
    };
    return lines;
}

void SourceList::StartEmpty()
{
    SrcFiles.Clear();
    ShowHelp(true);
}

void SourceList::ShowHelp(bool aShow)
{
    mLines = aShow ? HelpLines() : QStringList();
    mHelpShown = aShow;
    mSearchFrom = 0;
    mView.showOnly(mLines, aShow);
}

void SourceList::Reserve(qsizetype aCount)
{
    SrcFiles.Reserve(aCount);
    mLines.reserve(aCount);
}

bool SourceList::Add(const QString& aFile)
{
    if (!SrcFiles.Add(aFile))
        return false;
    // The first file takes the place of the help lines (or of whatever else is shown).
    if (SrcFiles.Count() == 1)
        ShowHelp(false);
    mLines.append(aFile);
    mView.append(aFile);
    return true;
}

qsizetype SourceList::AddAll(const QStringList& aFiles)
{
    QStringList added;
    added.reserve(aFiles.size());
    for (const QString& file : aFiles)
        if (SrcFiles.Add(file))
            added.append(file);
    if (added.isEmpty())
        return 0;
    if (SrcFiles.Count() == added.size())
        ShowHelp(false);
    mLines.append(added);
    mView.appendAll(added);
    return added.size();
}

qint32 SourceList::LineOf(const QString& aFile) const
{
    const auto matches = [&](qsizetype aLine) { return SrcFiles.SameKey(mLines.at(aLine), aFile); };
    const qsizetype count = mLines.size();
    if (mHelpShown) {
        // Help lines repeat: the first that matches.
        for (qsizetype line = 0; line < count; ++line)
            if (matches(line))
                return qint32(line);
        return -1;
    }
    // Every line is a file's, and the rule lets no two files match one text, so the search may
    // go out both ways from where the last line was removed.
    const qsizetype from = qMin(mSearchFrom, count);
    for (qsizetype step = 0; from + step < count || from - step > 0; ++step) {
        if (from + step < count && matches(from + step))
            return qint32(from + step);
        if (from - step > 0 && matches(from - step - 1))
            return qint32(from - step - 1);
    }
    return -1;
}

bool SourceList::Remove(const QString& aFile)
{
    if (!SrcFiles.Remove(aFile))
        return false;
    const qint32 line = LineOf(aFile);
    if (line >= 0) {
        mLines.removeAt(line);
        mSearchFrom = line;
        mView.remove(line);
    }
    return true;
}

void SourceList::RemoveAll()
{
    // Oldest first: each is then the first line, found at once.
    const QStringList lines = mLines;
    for (const QString& line : lines)
        Remove(line);
}

qint32 SourceList::RemoveLines(const QList<qint32>& aSelected)
{
    QStringList texts;
    texts.reserve(aSelected.size());
    for (const qint32 line : aSelected)
        if (line >= 0 && line < mLines.size())
            texts.append(mLines.at(line));
    qint32 position = aSelected.size() == 1 && texts.size() == 1 ? aSelected.first() : -1;
    for (const QString& text : texts)
        Remove(text);
    if (position >= 0 && position > mLines.size() - 1)
        position = qint32(mLines.size() - 1);
    return position;
}
