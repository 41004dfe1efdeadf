#include "app/OutputFileName.h"

#include <gtest/gtest.h>

namespace {
const QChar kWindows = QLatin1Char('\\');
const QChar kPosix = QLatin1Char('/');
} // namespace

TEST(OutputFileName, SameFolderKeepsTheSourceFolderAndSwapsTheExtension)
{
    EXPECT_EQ(OutputFileName(QStringLiteral("D:\\texts\\Psalter.kez"), false, QStringLiteral("E:\\out"), kWindows),
              QStringLiteral("D:\\texts\\Psalter.rtf"));
    EXPECT_EQ(OutputFileName(QStringLiteral("/home/u/texts/Psalter.kez"), false, QStringLiteral("/out"), kPosix),
              QStringLiteral("/home/u/texts/Psalter.rtf"));
}

TEST(OutputFileName, FixedFolderWithOrWithoutTrailingSeparatorGivesTheSamePath)
{
    EXPECT_EQ(OutputFileName(QStringLiteral("D:\\texts\\Psalter.kez"), true, QStringLiteral("E:\\out"), kWindows),
              QStringLiteral("E:\\out\\Psalter.rtf"));
    EXPECT_EQ(OutputFileName(QStringLiteral("D:\\texts\\Psalter.kez"), true, QStringLiteral("E:\\out\\"), kWindows),
              QStringLiteral("E:\\out\\Psalter.rtf"));
    EXPECT_EQ(OutputFileName(QStringLiteral("/texts/Psalter.kez"), true, QStringLiteral("/out"), kPosix),
              QStringLiteral("/out/Psalter.rtf"));
    EXPECT_EQ(OutputFileName(QStringLiteral("/texts/Psalter.kez"), true, QStringLiteral("/out/"), kPosix),
              QStringLiteral("/out/Psalter.rtf"));
}

TEST(OutputFileName, EmptyFixedFolderGivesASeparatorBeforeTheName)
{
    EXPECT_EQ(OutputFileName(QStringLiteral("D:\\texts\\Psalter.kez"), true, QString(), kWindows),
              QStringLiteral("\\Psalter.rtf"));
    EXPECT_EQ(OutputFileName(QStringLiteral("/texts/Psalter.kez"), true, QString(), kPosix),
              QStringLiteral("/Psalter.rtf"));
}

TEST(OutputFileName, TheLastDotAfterTheFirstCharacterEndsTheBaseName)
{
    EXPECT_EQ(OutputFileName(QStringLiteral("C:\\t\\a.b.kez"), false, {}, kWindows), QStringLiteral("C:\\t\\a.b.rtf"));
    EXPECT_EQ(OutputFileName(QStringLiteral("C:\\t\\README"), false, {}, kWindows), QStringLiteral("C:\\t\\README.rtf"));
    EXPECT_EQ(OutputFileName(QStringLiteral("C:\\t\\.kez"), false, {}, kWindows), QStringLiteral("C:\\t\\.kez.rtf"));
    EXPECT_EQ(OutputFileName(QStringLiteral("Psalter.kez"), false, {}, kWindows), QStringLiteral("\\Psalter.rtf"));
    // The fixed folder is taken as typed: blanks are not trimmed.
    EXPECT_EQ(OutputFileName(QStringLiteral("/t/a.kez"), true, QStringLiteral(" /out "), kPosix),
              QStringLiteral(" /out /a.rtf"));
}
