#include "core/fs/DroppedPaths.h"

#include <QMimeData>
#include <QUrl>
#include <gtest/gtest.h>

TEST(DroppedPaths, FileUrlsBecomePathsThatKeepEveryByteOfTheirNames)
{
    const struct {
        const char* url;
        QString path;
    } cases[] = {{"file:///t/a.kez", QStringLiteral("/t/a.kez")},
                 {"file:///t/%D0%9F%D1%81%D0%B0%D0%BB%D0%BE%D0%BC%201.kez", QStringLiteral("/t/Псалом 1.kez")},
                 {"file:///t/%FF.kez", QString::fromUtf16(u"/t/\xDCFF.kez")},
                 {"file:///t/%EF%BF%BD.kez", QString::fromUtf16(u"/t/\uFFFD.kez")},
                 {"file:///t/%CF%F1%E0%EB", QString::fromUtf16(u"/t/\xDCCF\xDCF1\xDCE0\xDCEB")},
                 {"file:///t/100%25.kez", QStringLiteral("/t/100%.kez")}};
    for (const auto& c : cases)
        EXPECT_EQ(DroppedPaths::LocalPathOf(QUrl::fromEncoded(c.url)), c.path) << c.url;
}

TEST(DroppedPaths, OnlyLocalFilesCountInTheirOrderAndTheyAreReadOncePerDrag)
{
    QMimeData data;
    data.setUrls({QUrl::fromEncoded("file:///t/b.kez"), QUrl::fromEncoded("https://example.org/x.kez"),
                  QUrl::fromEncoded("file:///t/a.kez")});
    DroppedPaths dragged;
    EXPECT_EQ(dragged.Of(&data), (QStringList{"/t/b.kez", "/t/a.kez"}));

    // Kept while the drag lasts, read afresh once it has been forgotten.
    data.setUrls({QUrl::fromEncoded("file:///t/c.kez")});
    EXPECT_EQ(dragged.Of(&data), (QStringList{"/t/b.kez", "/t/a.kez"}));
    dragged.Forget();
    EXPECT_EQ(dragged.Of(&data), QStringList{"/t/c.kez"});

    QMimeData text;
    text.setText(QStringLiteral("/t/d.kez"));
    EXPECT_TRUE(dragged.Of(&text).isEmpty());
    EXPECT_TRUE(dragged.Of(nullptr).isEmpty());
}
