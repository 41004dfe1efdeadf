#include "runner/miKezConverterRunner.h"

#include <gtest/gtest.h>

using miKezConverterRunner::SplitToPathFilebaseAndFileExt;

namespace {

struct Split {
    QString folder, base, ext;
    bool operator==(const Split&) const = default;
};

void PrintTo(const Split& aSplit, std::ostream* aOut)
{
    *aOut << '[' << aSplit.folder.toStdString() << "|" << aSplit.base.toStdString() << "|" << aSplit.ext.toStdString()
          << ']';
}

Split split(const QString& aFull, QChar aSeparator)
{
    Split result{QStringLiteral("?"), QStringLiteral("?"), QStringLiteral("?")};
    SplitToPathFilebaseAndFileExt(aFull, result.folder, result.base, result.ext, aSeparator);
    return result;
}

// The same cases with either separator: the Windows rule, and the same rule on POSIX paths.
class SplitPathTest : public ::testing::TestWithParam<QChar> {
protected:
    QString path(const QString& aWindowsPath) const
    {
        QString result = aWindowsPath;
        return result.replace(QLatin1Char('\\'), GetParam());
    }
    Split expected(const QString& aFolder, const QString& aBase, const QString& aExt) const
    {
        return Split{path(aFolder), aBase, aExt};
    }
};

} // namespace

TEST_P(SplitPathTest, FullPathGivesFolderWithSeparatorBaseAndExtension)
{
    EXPECT_EQ(split(path(QStringLiteral("C:\\dir\\name.kez")), GetParam()),
              expected(QStringLiteral("C:\\dir\\"), QStringLiteral("name"), QStringLiteral("kez")));
}

TEST_P(SplitPathTest, NameWithoutFolderSplitsAtItsLastDot)
{
    EXPECT_EQ(split(QStringLiteral("name.tar.kez"), GetParam()),
              expected(QString(), QStringLiteral("name.tar"), QStringLiteral("kez")));
}

TEST_P(SplitPathTest, LeadingDotIsPartOfTheBase)
{
    EXPECT_EQ(split(path(QStringLiteral("C:\\dir\\.profile")), GetParam()),
              expected(QStringLiteral("C:\\dir\\"), QStringLiteral(".profile"), QString()));
}

TEST_P(SplitPathTest, FolderAloneHasNoBaseAndNoExtension)
{
    EXPECT_EQ(split(path(QStringLiteral("C:\\dir\\")), GetParam()),
              expected(QStringLiteral("C:\\dir\\"), QString(), QString()));
}

TEST_P(SplitPathTest, NameWithoutDotHasNoExtension)
{
    EXPECT_EQ(split(path(QStringLiteral("C:\\dir.d\\README")), GetParam()),
              expected(QStringLiteral("C:\\dir.d\\"), QStringLiteral("README"), QString()));
}

TEST_P(SplitPathTest, TrailingDotGivesAnEmptyExtension)
{
    EXPECT_EQ(split(path(QStringLiteral("\\a.")), GetParam()), expected(QStringLiteral("\\"), QStringLiteral("a"), QString()));
}

TEST_P(SplitPathTest, EmptyPathGivesThreeEmptyParts)
{
    EXPECT_EQ(split(QString(), GetParam()), expected(QString(), QString(), QString()));
}

TEST_P(SplitPathTest, ComparisonsAreCaseSensitiveAndCyrillicIsKept)
{
    EXPECT_EQ(split(path(QStringLiteral("D:\\Тексты\\Псалтирь.KEZ")), GetParam()),
              expected(QStringLiteral("D:\\Тексты\\"), QStringLiteral("Псалтирь"), QStringLiteral("KEZ")));
}

INSTANTIATE_TEST_SUITE_P(Separators, SplitPathTest, ::testing::Values(QChar(u'\\'), QChar(u'/')),
                         [](const ::testing::TestParamInfo<QChar>& aInfo) {
                             return aInfo.param == QChar(u'\\') ? std::string("Backslash") : std::string("Slash");
                         });

TEST(SplitPathDefaults, OtherSeparatorIsAnOrdinaryCharacter)
{
    EXPECT_EQ(split(QStringLiteral("C:/dir/name.kez"), QChar(u'\\')),
              (Split{QString(), QStringLiteral("C:/dir/name"), QStringLiteral("kez")}));
}

TEST(SplitPathDefaults, DefaultSeparatorIsThePlatformsOwn)
{
    QString folder, base, ext;
    const QString separator(QChar(platform::pathSeparator()));
    SplitToPathFilebaseAndFileExt(QStringLiteral("top") + separator + QStringLiteral("n.kez"), folder, base, ext);
    EXPECT_EQ(folder, QStringLiteral("top") + separator);
    EXPECT_EQ(base, QStringLiteral("n"));
    EXPECT_EQ(ext, QStringLiteral("kez"));
}
