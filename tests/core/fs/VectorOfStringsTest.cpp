#include "support/FailureNumber.h"
#include "core/fs/VectorOfStrings.h"

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

const qint32 kSubscript = KezErrorNumber::SubscriptOutOfRange;

} // namespace

TEST(VectorOfStrings, CapacityStartsAtSixteenOnTheFirstAddAndDoublesWhenFull)
{
    VectorOfStrings vector;
    EXPECT_EQ(vector.Capacity(), 0);
    EXPECT_EQ(FailureNumberOf([&] { (void)vector.Items(0); }), kSubscript);
    QStringList expected;
    for (int i = 0; i < 65; ++i) {
        expected.append(QString::number(i));
        vector.Add(expected.last());
        const int capacity = i < 16 ? 16 : i < 32 ? 32 : i < 64 ? 64 : 128;
        ASSERT_EQ(vector.Capacity(), capacity) << "after " << i + 1 << " adds";
    }
    EXPECT_EQ(itemsOf(vector), expected);
}

TEST(VectorOfStrings, GrowingPastThirtyTwoBitsIsAnOverflowAndChangesNothing)
{
    const qint32 max = std::numeric_limits<qint32>::max(), half = qint32(1) << 30;
    for (const qint32 count : {max, half}) {
        VectorOfStrings vector;
        vector.Add(QStringLiteral("a"));
        VectorOfStringsTestAccess::SetCounts(vector, count, count);
        EXPECT_EQ(FailureNumberOf([&] { vector.Add(QStringLiteral("b")); }), KezErrorNumber::Overflow) << count;
        EXPECT_EQ(vector.Count(), count);
        EXPECT_EQ(vector.Capacity(), count);
    }
}

TEST(VectorOfStrings, SubscriptsReachOneSpareSlotPastTheCapacityAndNoFurther)
{
    VectorOfStrings vector = vectorOf({QStringLiteral("a"), QStringLiteral("b")});
    vector.SetItems(1, QStringLiteral("c"));
    vector.SetItems(16, QStringLiteral("spare"));
    EXPECT_EQ(vector.Items(16), QStringLiteral("spare"));
    for (const qint32 index : {-1, 17}) {
        EXPECT_EQ(FailureNumberOf([&] { (void)vector.Items(index); }), kSubscript) << index;
        EXPECT_EQ(FailureNumberOf([&] { vector.SetItems(index, QStringLiteral("x")); }), kSubscript) << index;
    }
    EXPECT_EQ(itemsOf(vector), (QStringList{QStringLiteral("a"), QStringLiteral("c")}));
}

TEST(VectorOfStrings, InsertClampsTheIndexAndShiftsTheRestUp)
{
    const struct {
        qint32 index;
        QStringList expected;
    } cases[] = {{-5, {"x", "a", "b"}}, {1, {"a", "x", "b"}}, {2, {"a", "b", "x"}}, {10, {"a", "b", "x"}}};
    for (const auto& c : cases) {
        VectorOfStrings vector = vectorOf({QStringLiteral("a"), QStringLiteral("b")});
        vector.Insert(c.index, QStringLiteral("x"));
        EXPECT_EQ(itemsOf(vector), c.expected) << c.index;
    }
}

TEST(VectorOfStrings, BeEmptyKeepsCapacityAndOldStringsButClearGoesBackToSixteenEmptySlots)
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

    for (int i = 0; i < 40; ++i)
        vector.Add(QString::number(i));
    vector.Clear();
    EXPECT_EQ(vector.Count(), 0);
    EXPECT_EQ(vector.Capacity(), 16);
    EXPECT_EQ(vector.Items(3), QString());
    EXPECT_EQ(vector.Items(16), QString());
    EXPECT_EQ(FailureNumberOf([&] { (void)vector.Items(17); }), kSubscript);
    EXPECT_EQ(vector.IndexOf(QString(), true), -1);
}

TEST(VectorOfStrings, KeySearchIgnoresCaseAndSpacesAroundExactSearchNeitherAndBothFindTheFirst)
{
    const VectorOfStrings vector = vectorOf({QStringLiteral("abc"), QStringLiteral("ABC"), QStringLiteral("ABC"),
                                             QStringLiteral("  Псалом.KEZ")});
    const struct {
        const char* key;
        bool asKey;
        qint32 found;
    } cases[] = {{"  ABC ", true, 0}, {"  ABC ", false, -1}, {"ABC", false, 1}, {"Abc", false, -1},
                 {"псалом.kez", true, 3}, {"\tabc", true, -1}, {"abc\u00A0", true, -1}, {"a bc", true, -1}};
    for (const auto& c : cases)
        EXPECT_EQ(vector.IndexOf(QString::fromUtf8(c.key), c.asKey), c.found) << c.key << (c.asKey ? " as key" : "");
    EXPECT_EQ(VectorOfStrings().IndexOf(QString(), false), -1);
}
