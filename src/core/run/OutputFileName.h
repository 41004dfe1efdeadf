#pragma once
#include <QChar>
#include <QString>

// The path of the RTF file made from a source: the source's folder, or the fixed folder exactly
// as typed, a separator appended when missing, the base name by the last-dot rule, ".rtf".
QString OutputFileName(const QString& aSourceFile, bool aFixedFolder, const QString& aFixedFolderText,
                       QChar aSeparator);
