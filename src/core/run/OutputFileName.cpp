#include "core/run/OutputFileName.h"
#include "core/runner/miKezConverterRunner.h"

QString OutputFileName(const QString& aSourceFile, bool aFixedFolder, const QString& aFixedFolderText,
                       QChar aSeparator)
{
    QString folder;
    QString base;
    QString extension;
    miKezConverterRunner::SplitToPathFilebaseAndFileExt(aSourceFile, folder, base, extension, aSeparator);
    if (aFixedFolder)
        folder = aFixedFolderText;
    if (!folder.endsWith(aSeparator))
        folder += aSeparator;
    return folder + base + QStringLiteral(".rtf");
}
