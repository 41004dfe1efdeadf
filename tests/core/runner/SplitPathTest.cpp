#include "core/runner/miKezConverterRunner.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <optional>

using miKezConverterRunner::SplitToPathFilebaseAndFileExt;

namespace {

QStringList split(const QString& aFull, std::optional<QChar> aSeparator = std::nullopt)
{
    QString folder = QStringLiteral("?"), base = QStringLiteral("?"), ext = QStringLiteral("?");
    if (aSeparator)
        SplitToPathFilebaseAndFileExt(aFull, folder, base, ext, *aSeparator);
    else
        SplitToPathFilebaseAndFileExt(aFull, folder, base, ext);
    return {folder, base, ext};
}

} // namespace

// The Windows rule, and the same rule on POSIX paths: every "\" below becomes the separator.
TEST(SplitPath, FolderWithItsSeparatorBaseAndExtensionAfterTheLastDot)
{
    const struct {
        const char16_t *full, *folder, *base, *ext;
    } cases[] = {
        {u"C:\\dir\\name.kez", u"C:\\dir\\", u"name", u"kez"},
        {u"name.tar.kez", u"", u"name.tar", u"kez"},
        {u"C:\\dir\\.profile", u"C:\\dir\\", u".profile", u""},
        {u"C:\\dir\\", u"C:\\dir\\", u"", u""},
        {u"C:\\dir.d\\README", u"C:\\dir.d\\", u"README", u""},
        {u"\\a.", u"\\", u"a", u""},
        {u"", u"", u"", u""},
        {u"D:\\Тексты\\Псалтирь.KEZ", u"D:\\Тексты\\", u"Псалтирь", u"KEZ"},
    };
    for (const QChar separator : {QChar(u'\\'), QChar(u'/')}) {
        const auto path = [&](const char16_t* aText) { return QString::fromUtf16(aText).replace(u'\\', separator); };
        for (const auto& c : cases)
            EXPECT_EQ(split(path(c.full), separator), (QStringList{path(c.folder), QString::fromUtf16(c.base),
                                                                   QString::fromUtf16(c.ext)}))
                << QString::fromUtf16(c.full).toStdString() << " with " << char(separator.unicode());
    }
}

TEST(SplitPath, OnlyTheGivenSeparatorSplitsAndThePlatformsOwnIsTheDefault)
{
    EXPECT_EQ(split(QStringLiteral("C:/dir/name.kez"), QChar(u'\\')),
              (QStringList{QString(), QStringLiteral("C:/dir/name"), QStringLiteral("kez")}));
    const QString separator{QChar(platform::pathSeparator())};
    EXPECT_EQ(split(QStringLiteral("top") + separator + QStringLiteral("n.kez")),
              (QStringList{QStringLiteral("top") + separator, QStringLiteral("n"), QStringLiteral("kez")}));
}
