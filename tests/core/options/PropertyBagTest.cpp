// The host's store of a control's design-time properties.
#include "core/options/PropertyBag.h"

#include <gtest/gtest.h>

namespace {

TEST(PropertyBag, AValueEqualToItsDefaultIsNotWritten)
{
    PropertyBag bag;
    bag.WriteProperty(QStringLiteral("ColorIndex"), 0, 0);
    bag.WriteProperty(QStringLiteral("Enabled"), true, true);
    bag.WriteProperty(QStringLiteral("Caption"), QString(), QString());
    EXPECT_TRUE(bag.Values().isEmpty());

    bag.WriteProperty(QStringLiteral("BackIndex"), 7, 0);
    EXPECT_EQ(bag.Values(), (QVariantMap{{QStringLiteral("BackIndex"), 7}}));
}

TEST(PropertyBag, NamesMatchWithoutRegardToCase)
{
    const PropertyBag bag(QVariantMap{{QStringLiteral("colorINDEX"), 5}});
    EXPECT_EQ(bag.ReadProperty(QStringLiteral("ColorIndex"), 0), QVariant(5));
    EXPECT_EQ(bag.ReadProperty(QStringLiteral("BackIndex"), 0), QVariant(0));
}

TEST(PropertyBag, WritingReplacesEveryOtherSpellingAndDefaultsDropStaleEntries)
{
    PropertyBag bag(QVariantMap{{QStringLiteral("colorindex"), 5}, {QStringLiteral("Caption"), QStringLiteral("x")}});
    bag.WriteProperty(QStringLiteral("ColorIndex"), 9, 0);
    bag.WriteProperty(QStringLiteral("CAPTION"), QString(), QString());
    EXPECT_EQ(bag.Values(), (QVariantMap{{QStringLiteral("ColorIndex"), 9}}));
}

TEST(PropertyBag, StoredValuesAreConvertedToTheDefaultsType)
{
    const PropertyBag bag(QVariantMap{{QStringLiteral("Index"), QStringLiteral("12")},
                                      {QStringLiteral("Flag"), 0},
                                      {QStringLiteral("Text"), 42}});
    EXPECT_EQ(bag.ReadProperty(QStringLiteral("Index"), 0), QVariant(12));
    EXPECT_EQ(bag.ReadProperty(QStringLiteral("Flag"), true), QVariant(false));
    EXPECT_EQ(bag.ReadProperty(QStringLiteral("Text"), QString()), QVariant(QStringLiteral("42")));
}

TEST(PropertyBag, AValueThatIsNotANumberOrDoesNotFitTakesTheDefault)
{
    const PropertyBag bag(QVariantMap{{QStringLiteral("Words"), QStringLiteral("двенадцать")},
                                      {QStringLiteral("Wide"), qlonglong(1) << 32},
                                      {QStringLiteral("Empty"), QVariant()}});
    EXPECT_EQ(bag.ReadProperty(QStringLiteral("Words"), 3), QVariant(3));
    EXPECT_EQ(bag.ReadProperty(QStringLiteral("Wide"), 3), QVariant(3));
    EXPECT_EQ(bag.ReadProperty(QStringLiteral("Empty"), 3), QVariant(3));
}

} // namespace
