#include "core/common/KeyedCollection.h"

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

TEST(KeyedCollection, KeysFoldLetterCaseInAnyScriptAndTheFirstSpellingStays)
{
    KeyedCollection collection;
    const struct {
        const char* added;
        bool isNew;
    } cases[] = {{"C:\\Texts\\a.kez", true}, {"c:\\texts\\A.KEZ", false}, {"/Тексты/Псалом.kez", true},
                 {"/тексты/ПСАЛОМ.KEZ", false}, {"/Ωδή.kez", true}, {"/ωΔΉ.kez", false},
                 // Final sigma folds like sigma.
                 {"/Λόγος.kez", true}, {"/ΛΌΓΟΣ.kez", false}, {"", true}, {"", false}};
    for (const auto& c : cases)
        EXPECT_EQ(collection.Add(QString::fromUtf8(c.added)), c.isNew) << c.added;
    EXPECT_EQ(valuesOf(collection),
              (QStringList{"C:\\Texts\\a.kez", "/Тексты/Псалом.kez", "/Ωδή.kez", "/Λόγος.kez", ""}));

    collection.Clear();
    collection.Add(QStringLiteral("Straße"));
    EXPECT_TRUE(collection.Contains(QStringLiteral("STRAẞE")));  // capital sharp s folds to ß
    EXPECT_FALSE(collection.Contains(QStringLiteral("STRASSE"))); // simple folding: ß is not ss
    EXPECT_FALSE(collection.Contains(QStringLiteral("Straße ")));
    EXPECT_FALSE(collection.Contains(QString()));
    // A letter outside the basic plane (Deseret) folds as a whole.
    collection.Add(QStringLiteral("\U00010400.kez"));
    EXPECT_TRUE(collection.Contains(QStringLiteral("\U00010428.KEZ")));
}

TEST(KeyedCollection, SameKeyAnswersByTheCollectionsOwnRule)
{
    const KeyedCollection folding(Qt::CaseInsensitive);
    const KeyedCollection exact(Qt::CaseSensitive);
    const struct {
        const char* first;
        const char* second;
        bool sameWhenFolding;
    } cases[] = {{"/t/a.kez", "/T/A.KEZ", true},
                 {"/Тексты/Б.kez", "/тексты/б.KEZ", true},
                 // Lower-casing makes these one text; folding, like the file systems, does not.
                 {"/t/\u0130.kez", "/t/i\u0307.kez", false},
                 {"/t/a.kez", "/t/a.kez ", false},
                 {"/t/a.kez", "/t/a.kez", true}};
    for (const auto& c : cases) {
        const QString first = QString::fromUtf8(c.first);
        const QString second = QString::fromUtf8(c.second);
        EXPECT_EQ(folding.SameKey(first, second), c.sameWhenFolding) << c.first << " " << c.second;
        EXPECT_EQ(exact.SameKey(first, second), first == second) << c.first << " " << c.second;
        // Whatever SameKey says, Contains says the same of an added key.
        KeyedCollection added(Qt::CaseInsensitive);
        added.Add(first);
        EXPECT_EQ(added.Contains(second), c.sameWhenFolding);
    }
}

TEST(KeyedCollection, ValueAndKeyMayDiffer)
{
    KeyedCollection collection;
    EXPECT_TRUE(collection.Add(QStringLiteral("shown"), QStringLiteral("Key")));
    EXPECT_TRUE(collection.Contains(QStringLiteral("KEY")));
    EXPECT_FALSE(collection.Contains(QStringLiteral("shown")));
    EXPECT_EQ(collection.First(), QStringLiteral("shown"));
}

TEST(KeyedCollection, RemovingKeepsTheOrderOfTheRestAndARemovedKeyComesBackAsTheNewest)
{
    KeyedCollection collection;
    for (const char* name : {"a", "b", "c", "d"})
        collection.Add(QString::fromLatin1(name));
    EXPECT_TRUE(collection.Remove(QStringLiteral("B")));
    EXPECT_FALSE(collection.Remove(QStringLiteral("b")));
    EXPECT_FALSE(collection.Remove(QStringLiteral("x")));
    EXPECT_TRUE(collection.Remove(QStringLiteral("a")));
    EXPECT_EQ(collection.First(), QStringLiteral("c"));
    EXPECT_TRUE(collection.Add(QStringLiteral("A")));
    EXPECT_EQ(valuesOf(collection), (QStringList{"c", "d", "A"}));
    EXPECT_EQ(collection.Count(), 3);
    collection.Clear();
    EXPECT_TRUE(collection.IsEmpty());
    EXPECT_FALSE(collection.Contains(QStringLiteral("c")));
    EXPECT_TRUE(valuesOf(collection).isEmpty());
}

TEST(KeyedCollection, ManyAddsAndRemovalsFromTheMiddleAndTheFrontKeepEveryKeyFindable)
{
    KeyedCollection collection;
    collection.Reserve(100);
    QStringList expected;
    for (int i = 0; i < 5000; ++i) {
        expected.append(QStringLiteral("/Тексты/Файл %1.KEZ").arg(i));
        ASSERT_TRUE(collection.Add(expected.last()));
    }
    // Take every third one, then from the front, as deleting and converting do.
    for (int i = 0; i < 5000; i += 3) {
        ASSERT_TRUE(collection.Remove(QStringLiteral("/тексты/файл %1.kez").arg(i)));
        expected.removeOne(QStringLiteral("/Тексты/Файл %1.KEZ").arg(i));
    }
    while (collection.First() != QStringLiteral("/Тексты/Файл 2500.KEZ")) {
        ASSERT_EQ(collection.First(), expected.first());
        ASSERT_TRUE(collection.Remove(collection.First()));
        expected.removeFirst();
    }
    EXPECT_EQ(valuesOf(collection), expected);
    EXPECT_EQ(collection.Count(), expected.size());
    for (const QString& path : expected)
        ASSERT_TRUE(collection.Contains(path.toUpper())) << qPrintable(path);
    for (int i = 0; i < 2500; ++i)
        ASSERT_FALSE(collection.Contains(QStringLiteral("/Тексты/Файл %1.KEZ").arg(i)));
}
