#include "core/run/OutputFileName.h"

#include <gtest/gtest.h>

TEST(OutputFileName, SameOrFixedFolderWithTheExtensionSwappedAtTheLastDot)
{
    const QChar windows = QLatin1Char('\\'), posix = QLatin1Char('/');
    const struct {
        const char* source;
        bool fixed;
        const char* folder;
        QChar separator;
        const char* output;
    } cases[] = {
        {"D:\\texts\\Psalter.kez", false, "E:\\out", windows, "D:\\texts\\Psalter.rtf"},
        {"/home/u/texts/Psalter.kez", false, "/out", posix, "/home/u/texts/Psalter.rtf"},
        // A fixed folder with or without its trailing separator gives the same path.
        {"D:\\texts\\Psalter.kez", true, "E:\\out", windows, "E:\\out\\Psalter.rtf"},
        {"D:\\texts\\Psalter.kez", true, "E:\\out\\", windows, "E:\\out\\Psalter.rtf"},
        {"/texts/Psalter.kez", true, "/out", posix, "/out/Psalter.rtf"},
        {"/texts/Psalter.kez", true, "/out/", posix, "/out/Psalter.rtf"},
        // An empty fixed folder leaves a separator before the name.
        {"D:\\texts\\Psalter.kez", true, "", windows, "\\Psalter.rtf"},
        {"/texts/Psalter.kez", true, "", posix, "/Psalter.rtf"},
        // The last dot after the first character ends the base name.
        {"C:\\t\\a.b.kez", false, "", windows, "C:\\t\\a.b.rtf"},
        {"C:\\t\\README", false, "", windows, "C:\\t\\README.rtf"},
        {"C:\\t\\.kez", false, "", windows, "C:\\t\\.kez.rtf"},
        {"Psalter.kez", false, "", windows, "\\Psalter.rtf"},
        // The fixed folder is taken as typed: blanks are not trimmed.
        {"/t/a.kez", true, " /out ", posix, " /out /a.rtf"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OutputFileName(QString::fromUtf8(c.source), c.fixed, QString::fromUtf8(c.folder), c.separator),
                  QString::fromUtf8(c.output))
            << c.source << (c.fixed ? " into " : " beside, not into ") << c.folder;
}
