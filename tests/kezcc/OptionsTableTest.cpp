#include "KezccConversion.h"

#include "core/common/ScopedOverride.h"
#include "core/errors/mErrorHandling.h"
#include "core/options/OptionsTable.h"
#include "core/options/TLuKezOptions.h"
#include "core/options/miRegistryTools.h"
#include "core/runner/ExternalData.h"
#include "gui/options/KezOptionsFrm.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QStringList>

using OptionsTable::NumberOption;

namespace {

const QString kKey = QStringLiteral("Software\\Torvane Software\\KEZConv\\TableCheck");

// Every number at the low end of its range, the one under test excepted.
void setLowest(TLuKezOptions& aOptions)
{
    aOptions.FillWithDefaults();
    for (const NumberOption& row : OptionsTable::NumberOptions())
        aOptions.*row.Member = row.Minimum;
}

qint32 readBack(const NumberOption& aRow, qint32 aStored, const TLuKezOptions& aDefaults)
{
    miRegistryTools::WriteLongValue(platform::kHKeyCurrentUser, kKey, QString::fromLatin1(aRow.RegistryName), aStored);
    TLuKezOptions read;
    read.ReadFromRegistry(platform::kHKeyCurrentUser, kKey, aDefaults);
    return read.*aRow.Member;
}

// The converter's verdict on a request carrying aValue for the row: empty when accepted.
std::optional<kezcc::Outcome> converterCheck(const NumberOption& aRow, qint32 aValue)
{
    TLuKezOptions sent;
    setLowest(sent);
    sent.*aRow.Member = aValue;
    miKezConverterRunner::ExternalRecord record{};
    miKezConverterRunner::SaveAllToExternal(record.data(), sent, QStringLiteral("/t/a.kez"), QStringLiteral("/t/a.rtf"));
    kezcc::Request request;
    return kezcc::readRequest(std::string_view(reinterpret_cast<const char*>(record.data()), record.size()), request);
}

} // namespace

// Each number of the options table is read, offered by the dialog and checked by the converter
// within the same range: a copy of a range or list that drifts from the table shows here.
TEST(OptionsTable, ReadingTheDialogAndTheConverterAgreeOnEveryRow)
{
    QStringList reports;
    ScopedOverride<mErrorHandling::Presenter> reportsCaught(
        mErrorHandling::presenter(),
        [&](const QString& aMessage, const QString& aSource, qint32) { reports << aSource + QStringLiteral(": ") + aMessage; });
    TLuKezOptions defaults;
    defaults.FillWithDefaults();
    KezOptionsFrm dialog;
    const QList<QComboBox*> lists = dialog.findChildren<QComboBox*>();
    int choices = 0;
    for (const NumberOption& row : OptionsTable::NumberOptions()) {
        SCOPED_TRACE(row.Name);
        ASSERT_LE(row.Minimum, row.Default);
        ASSERT_LE(row.Default, row.Maximum);

        // Reading keeps both ends of the range and takes the default one past either end.
        EXPECT_EQ(readBack(row, row.Minimum, defaults), row.Minimum);
        EXPECT_EQ(readBack(row, row.Maximum, defaults), row.Maximum);
        EXPECT_EQ(readBack(row, row.Minimum - 1, defaults), row.Default);
        EXPECT_EQ(readBack(row, row.Maximum + 1, defaults), row.Default);

        // The converter takes the range's ends; a choice one past either end is refused by name.
        for (const qint32 inRange : {row.Minimum, row.Maximum}) {
            const std::optional<kezcc::Outcome> verdict = converterCheck(row, inRange);
            EXPECT_FALSE(verdict.has_value())
                << inRange << ": " << QString::fromStdU16String(verdict->message).toStdString();
        }
        if (row.Items.isEmpty())
            continue; // a colour index: the converter draws one outside the palette as none

        for (const qint32 outside : {row.Minimum - 1, row.Maximum + 1}) {
            const std::optional<kezcc::Outcome> verdict = converterCheck(row, outside);
            ASSERT_TRUE(verdict.has_value()) << outside;
            const QString message = QString::fromStdU16String(verdict->message);
            EXPECT_TRUE(message.endsWith(QStringLiteral("%1 = %2.").arg(QLatin1String(row.Name)).arg(outside)))
                << message.toStdString();
        }

        // The dialog offers the table's words, one item for each value, in one list of its own:
        // with this option alone at its highest, exactly that list shows its last item.
        ++choices;
        EXPECT_EQ(row.Items.size(), row.Maximum - row.Minimum + 1);
        TLuKezOptions shown;
        setLowest(shown);
        shown.*row.Member = row.Maximum;
        dialog.DistributeValues(shown);
        QList<QComboBox*> moved;
        for (QComboBox* list : lists) {
            if (list->currentIndex() != 0)
                moved << list;
        }
        ASSERT_EQ(moved.size(), 1);
        QStringList offered;
        for (int i = 0; i < moved[0]->count(); ++i)
            offered << moved[0]->itemText(i);
        EXPECT_EQ(offered, row.Items) << moved[0]->objectName().toStdString();
        EXPECT_EQ(moved[0]->currentIndex(), row.Maximum - row.Minimum);
        TLuKezOptions taken;
        setLowest(taken);
        dialog.AssembleValues(taken);
        EXPECT_EQ(taken.*row.Member, row.Maximum);
    }
    // Every list of the dialog is one of the table's choices.
    EXPECT_EQ(choices, lists.size());
    EXPECT_TRUE(reports.isEmpty()) << reports.join(QLatin1Char('\n')).toStdString();
}
