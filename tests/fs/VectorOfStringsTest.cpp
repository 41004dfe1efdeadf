#include "errors/KezError.h"
#include "fs/VectorOfStrings.h"

#include <gtest/gtest.h>

#include <limits>

// Lets a test put the vector at the edge of the 32-bit range without allocating that much.
struct VectorOfStringsTestAccess {
    static void SetCounts(VectorOfStrings& aVector, qint32 aCount, qint32 aCapacity)
    {
        aVector.mCount = aCount;
        aVector.mCapacity = aCapacity;
    }
};

namespace {

template <class Body>
qint32 failureNumberOf(Body&& aBody)
{
    try {
        aBody();
    } catch (const KezError& failure) {
        return failure.number();
    }
    return 0;
}

QStringList itemsOf(const VectorOfStrings& aVector)
{
    QStringList items;
    for (qint32 i = 0; i < aVector.Count(); ++i)
        items.append(aVector.Items(i));
    return items;
}

VectorOfStrings vectorOf(const QStringList& aItems)
{
    VectorOfStrings vector;
    for (const QString& item : aItems)
        vector.Add(item);
    return vector;
}

} // namespace

TEST(VectorOfStringsGrowth, NewVectorHasNoStorageUntilTheFirstAdd)
{
    VectorOfStrings vector;
    EXPECT_EQ(vector.Count(), 0);
    EXPECT_EQ(vector.Capacity(), 0);
    EXPECT_EQ(failureNumberOf([&] { (void)vector.Items(0); }), KezErrorNumber::SubscriptOutOfRange);
    vector.Add(QStringLiteral("a"));
    EXPECT_EQ(vector.Count(), 1);
    EXPECT_EQ(vector.Capacity(), 16);
}

TEST(VectorOfStringsGrowth, SeventeenthAddDoublesCapacityAndKeepsOrder)
{
    VectorOfStrings vector;
    QStringList expected;
    for (int i = 0; i < 16; ++i) {
        expected.append(QString::number(i));
        vector.Add(expected.last());
    }
    EXPECT_EQ(vector.Capacity(), 16);
    expected.append(QStringLiteral("16"));
    vector.Add(expected.last());
    EXPECT_EQ(vector.Capacity(), 32);
    EXPECT_EQ(itemsOf(vector), expected);
}

TEST(VectorOfStringsGrowth, CapacityKeepsDoubling)
{
    VectorOfStrings vector;
    for (int i = 0; i < 33; ++i)
        vector.Add(QString::number(i));
    EXPECT_EQ(vector.Capacity(), 64);
    for (int i = 33; i < 65; ++i)
        vector.Add(QString::number(i));
    EXPECT_EQ(vector.Capacity(), 128);
    EXPECT_EQ(vector.Count(), 65);
    EXPECT_EQ(vector.Items(64), QStringLiteral("64"));
}

TEST(VectorOfStringsGrowth, CountPastThirtyTwoBitsIsAnOverflow)
{
    VectorOfStrings vector;
    vector.Add(QStringLiteral("a"));
    const qint32 max = std::numeric_limits<qint32>::max();
    VectorOfStringsTestAccess::SetCounts(vector, max, max);
    EXPECT_EQ(failureNumberOf([&] { vector.Add(QStringLiteral("b")); }), KezErrorNumber::Overflow);
    EXPECT_EQ(vector.Count(), max);
}

TEST(VectorOfStringsGrowth, CapacityPastThirtyTwoBitsIsAnOverflowAndChangesNothing)
{
    VectorOfStrings vector;
    vector.Add(QStringLiteral("a"));
    const qint32 half = qint32(1) << 30;
    VectorOfStringsTestAccess::SetCounts(vector, half, half);
    EXPECT_EQ(failureNumberOf([&] { vector.Add(QStringLiteral("b")); }), KezErrorNumber::Overflow);
    EXPECT_EQ(vector.Count(), half);
    EXPECT_EQ(vector.Capacity(), half);
}

TEST(VectorOfStringsItems, StorageHasOneSlotMoreThanTheCapacity)
{
    VectorOfStrings vector = vectorOf({QStringLiteral("a")});
    EXPECT_EQ(vector.Items(16), QString());
    vector.SetItems(16, QStringLiteral("spare"));
    EXPECT_EQ(vector.Items(16), QStringLiteral("spare"));
    EXPECT_EQ(vector.Count(), 1);
}

TEST(VectorOfStringsItems, IndexOutsideTheStorageFailsAndChangesNothing)
{
    VectorOfStrings vector = vectorOf({QStringLiteral("a")});
    EXPECT_EQ(failureNumberOf([&] { (void)vector.Items(17); }), KezErrorNumber::SubscriptOutOfRange);
    EXPECT_EQ(failureNumberOf([&] { (void)vector.Items(-1); }), KezErrorNumber::SubscriptOutOfRange);
    EXPECT_EQ(failureNumberOf([&] { vector.SetItems(-1, QStringLiteral("x")); }),
              KezErrorNumber::SubscriptOutOfRange);
    EXPECT_EQ(failureNumberOf([&] { vector.SetItems(17, QStringLiteral("x")); }),
              KezErrorNumber::SubscriptOutOfRange);
    EXPECT_EQ(itemsOf(vector), QStringList{QStringLiteral("a")});
}

TEST(VectorOfStringsItems, SetReplacesTheItem)
{
    VectorOfStrings vector = vectorOf({QStringLiteral("a"), QStringLiteral("b")});
    vector.SetItems(1, QStringLiteral("c"));
    EXPECT_EQ(itemsOf(vector), (QStringList{QStringLiteral("a"), QStringLiteral("c")}));
}

TEST(VectorOfStringsInsert, NegativeIndexInsertsAtTheFront)
{
    VectorOfStrings vector = vectorOf({QStringLiteral("b")});
    vector.Insert(-5, QStringLiteral("x"));
    EXPECT_EQ(itemsOf(vector), (QStringList{QStringLiteral("x"), QStringLiteral("b")}));
}

TEST(VectorOfStringsInsert, IndexAtOrBeyondTheEndAppends)
{
    VectorOfStrings atEnd = vectorOf({QStringLiteral("a")});
    atEnd.Insert(1, QStringLiteral("x"));
    EXPECT_EQ(itemsOf(atEnd), (QStringList{QStringLiteral("a"), QStringLiteral("x")}));

    VectorOfStrings beyond = vectorOf({QStringLiteral("a")});
    beyond.Insert(10, QStringLiteral("x"));
    EXPECT_EQ(itemsOf(beyond), (QStringList{QStringLiteral("a"), QStringLiteral("x")}));
}

TEST(VectorOfStringsInsert, MiddleInsertShiftsTheRestUp)
{
    VectorOfStrings vector = vectorOf({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    vector.Insert(1, QStringLiteral("y"));
    EXPECT_EQ(itemsOf(vector),
              (QStringList{QStringLiteral("a"), QStringLiteral("y"), QStringLiteral("b"), QStringLiteral("c")}));
}

TEST(VectorOfStringsInsert, InsertIntoEmptyVectorAllocatesAndInsertAtFullCapacityGrows)
{
    VectorOfStrings vector;
    vector.Insert(0, QStringLiteral("0"));
    EXPECT_EQ(vector.Capacity(), 16);
    QStringList expected{QStringLiteral("0")};
    for (int i = 1; i < 16; ++i) {
        vector.Add(QString::number(i));
        expected.append(QString::number(i));
    }
    vector.Insert(0, QStringLiteral("front"));
    expected.prepend(QStringLiteral("front"));
    EXPECT_EQ(vector.Capacity(), 32);
    EXPECT_EQ(itemsOf(vector), expected);
}

TEST(VectorOfStringsEmptying, BeEmptyKeepsCapacityAndOldStrings)
{
    VectorOfStrings vector;
    for (int i = 0; i < 20; ++i)
        vector.Add(QString::number(i));
    vector.BeEmpty();
    EXPECT_EQ(vector.Count(), 0);
    EXPECT_EQ(vector.Capacity(), 32);
    EXPECT_EQ(vector.Items(3), QStringLiteral("3"));
    EXPECT_EQ(vector.IndexOf(QStringLiteral("3"), false), -1);
    vector.Add(QStringLiteral("new"));
    EXPECT_EQ(vector.Items(0), QStringLiteral("new"));
    EXPECT_EQ(vector.Capacity(), 32);
}

TEST(VectorOfStringsEmptying, ClearGoesBackToSixteenEmptySlots)
{
    VectorOfStrings vector;
    for (int i = 0; i < 40; ++i)
        vector.Add(QString::number(i));
    vector.Clear();
    EXPECT_EQ(vector.Count(), 0);
    EXPECT_EQ(vector.Capacity(), 16);
    EXPECT_EQ(vector.Items(3), QString());
    EXPECT_EQ(vector.Items(16), QString());
    EXPECT_EQ(failureNumberOf([&] { (void)vector.Items(17); }), KezErrorNumber::SubscriptOutOfRange);
}

TEST(VectorOfStringsIndexOf, KeysIgnoreBlanksAroundAndLetterCase)
{
    const VectorOfStrings vector = vectorOf({QStringLiteral("x"), QStringLiteral("abc"), QStringLiteral("  Псалом.KEZ")});
    EXPECT_EQ(vector.IndexOf(QStringLiteral("  ABC "), true), 1);
    EXPECT_EQ(vector.IndexOf(QStringLiteral("  ABC "), false), -1);
    EXPECT_EQ(vector.IndexOf(QStringLiteral("псалом.kez"), true), 2);
}

TEST(VectorOfStringsIndexOf, KeysTrimOnlyTheSpaceCharacter)
{
    const VectorOfStrings vector = vectorOf({QStringLiteral("abc")});
    EXPECT_EQ(vector.IndexOf(QStringLiteral("\tabc"), true), -1);
    EXPECT_EQ(vector.IndexOf(QStringLiteral("abc\u00A0"), true), -1);
    EXPECT_EQ(vector.IndexOf(QStringLiteral("a bc"), true), -1);
}

TEST(VectorOfStringsIndexOf, ExactComparisonIsCaseSensitiveAndFindsTheFirst)
{
    const VectorOfStrings vector = vectorOf({QStringLiteral("abc"), QStringLiteral("ABC"), QStringLiteral("ABC")});
    EXPECT_EQ(vector.IndexOf(QStringLiteral("ABC"), false), 1);
    EXPECT_EQ(vector.IndexOf(QStringLiteral("Abc"), false), -1);
    EXPECT_EQ(vector.IndexOf(QStringLiteral("abc"), true), 0);
}

TEST(VectorOfStringsIndexOf, EmptyVectorFindsNothing)
{
    const VectorOfStrings never;
    EXPECT_EQ(never.IndexOf(QString(), false), -1);
    EXPECT_EQ(never.IndexOf(QString(), true), -1);
    VectorOfStrings cleared;
    cleared.Clear();
    EXPECT_EQ(cleared.IndexOf(QString(), true), -1);
}
