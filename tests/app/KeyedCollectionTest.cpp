#include "app/KeyedCollection.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

QStringList valuesOf(const KeyedCollection& aCollection)
{
    QStringList values;
    for (const QString& value : aCollection)
        values.append(value);
    return values;
}

} // namespace

TEST(KeyedCollectionKeys, LetterCaseDoesNotMatterInAnyScript)
{
    KeyedCollection collection;
    EXPECT_TRUE(collection.Add(QStringLiteral("C:\\Texts\\a.kez")));
    EXPECT_FALSE(collection.Add(QStringLiteral("c:\\texts\\A.KEZ")));
    EXPECT_TRUE(collection.Add(QStringLiteral("/Тексты/Псалом.kez")));
    EXPECT_FALSE(collection.Add(QStringLiteral("/тексты/ПСАЛОМ.KEZ")));
    EXPECT_TRUE(collection.Add(QStringLiteral("/Ωδή.kez")));
    EXPECT_FALSE(collection.Add(QStringLiteral("/ωΔΉ.kez")));
    EXPECT_TRUE(collection.Contains(QStringLiteral("/ωδή.kez")));
    // Final sigma folds like sigma.
    EXPECT_TRUE(collection.Add(QStringLiteral("/Λόγος.kez")));
    EXPECT_FALSE(collection.Add(QStringLiteral("/ΛΌΓΟΣ.kez")));
    EXPECT_EQ(valuesOf(collection), (QStringList{QStringLiteral("C:\\Texts\\a.kez"), QStringLiteral("/Тексты/Псалом.kez"),
                                                 QStringLiteral("/Ωδή.kez"), QStringLiteral("/Λόγος.kez")}));
}

TEST(KeyedCollectionKeys, FoldsAsQStringDoesAndKeepsOtherDifferences)
{
    KeyedCollection collection;
    collection.Add(QStringLiteral("Straße"));
    EXPECT_TRUE(collection.Contains(QStringLiteral("STRAẞE")));  // capital sharp s folds to ß
    EXPECT_FALSE(collection.Contains(QStringLiteral("STRASSE"))); // simple folding: ß is not ss
    EXPECT_FALSE(collection.Contains(QStringLiteral("Straße ")));
    EXPECT_FALSE(collection.Contains(QStringLiteral("Strase")));
    EXPECT_FALSE(collection.Contains(QString()));
    // A letter outside the basic plane (Deseret) folds as a whole.
    collection.Add(QStringLiteral("\U00010400.kez"));
    EXPECT_TRUE(collection.Contains(QStringLiteral("\U00010428.KEZ")));
    EXPECT_EQ(KeyedCollection::KeyOf(QStringLiteral("\U00010400")), QStringLiteral("\U00010428"));
}

TEST(KeyedCollectionKeys, EmptyKeyIsAKeyLikeAnyOther)
{
    KeyedCollection collection;
    EXPECT_TRUE(collection.Add(QString()));
    EXPECT_FALSE(collection.Add(QString()));
    EXPECT_TRUE(collection.Contains(QString()));
    EXPECT_TRUE(collection.Remove(QString()));
    EXPECT_TRUE(collection.IsEmpty());
}

TEST(KeyedCollectionKeys, ValueAndKeyMayDiffer)
{
    KeyedCollection collection;
    EXPECT_TRUE(collection.Add(QStringLiteral("shown"), QStringLiteral("Key")));
    EXPECT_TRUE(collection.Contains(QStringLiteral("KEY")));
    EXPECT_FALSE(collection.Contains(QStringLiteral("shown")));
    EXPECT_EQ(collection.First(), QStringLiteral("shown"));
}

TEST(KeyedCollectionOrder, RemovingKeepsTheOrderOfTheRest)
{
    KeyedCollection collection;
    for (const char* name : {"a", "b", "c", "d"})
        collection.Add(QString::fromLatin1(name));
    EXPECT_TRUE(collection.Remove(QStringLiteral("B")));
    EXPECT_FALSE(collection.Remove(QStringLiteral("b")));
    EXPECT_FALSE(collection.Remove(QStringLiteral("x")));
    EXPECT_EQ(valuesOf(collection), (QStringList{QStringLiteral("a"), QStringLiteral("c"), QStringLiteral("d")}));
    EXPECT_TRUE(collection.Remove(QStringLiteral("a")));
    EXPECT_EQ(collection.First(), QStringLiteral("c"));
    EXPECT_EQ(collection.Count(), 2);
    // A removed key may come back, and then it is the newest.
    EXPECT_TRUE(collection.Add(QStringLiteral("A")));
    EXPECT_EQ(valuesOf(collection), (QStringList{QStringLiteral("c"), QStringLiteral("d"), QStringLiteral("A")}));
}

TEST(KeyedCollectionOrder, ClearEmptiesEverything)
{
    KeyedCollection collection;
    collection.Add(QStringLiteral("a"));
    collection.Add(QStringLiteral("b"));
    collection.Clear();
    EXPECT_TRUE(collection.IsEmpty());
    EXPECT_EQ(collection.Count(), 0);
    EXPECT_FALSE(collection.Contains(QStringLiteral("a")));
    EXPECT_TRUE(valuesOf(collection).isEmpty());
    EXPECT_TRUE(collection.Add(QStringLiteral("a")));
}

TEST(KeyedCollectionLarge, ManyAddsAndRemovalsKeepEveryKeyFindable)
{
    KeyedCollection collection;
    collection.Reserve(100);
    QStringList expected;
    for (int i = 0; i < 5000; ++i) {
        const QString path = QStringLiteral("/Тексты/Файл %1.KEZ").arg(i);
        ASSERT_TRUE(collection.Add(path));
        expected.append(path);
    }
    // Take every third one, from the middle and from the front, as deleting and converting do.
    for (int i = 0; i < 5000; i += 3) {
        ASSERT_TRUE(collection.Remove(QStringLiteral("/тексты/файл %1.kez").arg(i)));
        expected.removeOne(QStringLiteral("/Тексты/Файл %1.KEZ").arg(i));
    }
    while (collection.First() != QStringLiteral("/Тексты/Файл 2500.KEZ")) {
        const QString first = collection.First();
        ASSERT_TRUE(collection.Remove(first));
        expected.removeFirst();
    }
    EXPECT_EQ(collection.Count(), expected.size());
    EXPECT_EQ(valuesOf(collection), expected);
    for (const QString& path : expected)
        ASSERT_TRUE(collection.Contains(path.toUpper())) << qPrintable(path);
    for (int i = 0; i < 2500; ++i)
        ASSERT_FALSE(collection.Contains(QStringLiteral("/Тексты/Файл %1.KEZ").arg(i)));
    for (const QString& path : expected)
        ASSERT_FALSE(collection.Add(path.toLower()));
}

TEST(KeyedCollectionLarge, RemovingEverythingOneByOneFromTheFront)
{
    KeyedCollection collection;
    for (int i = 0; i < 3000; ++i)
        collection.Add(QString::number(i));
    for (int i = 0; i < 3000; ++i) {
        ASSERT_EQ(collection.First(), QString::number(i));
        ASSERT_TRUE(collection.Remove(QString::number(i)));
    }
    EXPECT_TRUE(collection.IsEmpty());
    EXPECT_TRUE(valuesOf(collection).isEmpty());
}
