#include "core/common/ScopedOverride.h"
#include "core/fonts/DecodeCharRefs.h"
#include "core/fonts/FontListSearch.h"
#include "core/fonts/FontSampleGeometry.h"
#include "core/fonts/miCommon.h"
#include "core/fonts/miFont.h"
#include "gui/fonts/miCommonWarning.h"
#include "gui/fonts/miFontDrawing.h"

#include <QApplication>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

// The user's locale for one test.
struct ScopedLocale {
    explicit ScopedLocale(const QLocale& aLocale) { QLocale::setDefault(aLocale); }
    ~ScopedLocale() { QLocale::setDefault(mSaved); }
    QLocale mSaved;
};

} // namespace

TEST(NumberOrDefaultTest, LongReadsInTheUsersLocaleRoundsHalvesToEvenAndFallsBack)
{
    ScopedLocale russian{QLocale(QLocale::Russian, QLocale::Russia)};
    struct Case {
        QVariant value;
        qint32 expected;
    };
    const Case cases[] = {
        {QString(), 10},         {QStringLiteral("12"), 12},           {QStringLiteral("12345678901"), 10},
        {QStringLiteral("abc"), 10}, {QStringLiteral("2,5"), 2},        {QStringLiteral("3,5"), 4},
        {QStringLiteral("-2,5"), -2}, {QStringLiteral(" 14 "), 14},     {QStringLiteral("2147483647"), 2147483647},
        {QStringLiteral("2147483648"), 10}, {QStringLiteral("-2147483648"), -2147483647 - 1},
        {QStringLiteral("1e3"), 1000}, {QStringLiteral("nan"), 10},     {QStringLiteral("inf"), 10},
        {QVariant(), 10},        {QVariant(7.5), 8},                    {QVariant(6.5), 6},
    };
    for (const Case& c : cases)
        EXPECT_EQ(miCommon::GetLongOrDefault(c.value, 10), c.expected) << c.value.toString().toStdString();
}

TEST(NumberOrDefaultTest, DoubleReadsInTheUsersLocaleAndFallsBack)
{
    ScopedLocale russian{QLocale(QLocale::Russian, QLocale::Russia)};
    EXPECT_DOUBLE_EQ(miCommon::GetDoubleOrDefault(QStringLiteral("2,25"), 0), 2.25);
    EXPECT_DOUBLE_EQ(miCommon::GetDoubleOrDefault(QStringLiteral("14"), 0), 14);
    EXPECT_DOUBLE_EQ(miCommon::GetDoubleOrDefault(QStringLiteral("x"), -1), -1);
    EXPECT_DOUBLE_EQ(miCommon::GetDoubleOrDefault(QString(), 3), 3);
}

TEST(ShowWarningTest, ArrowWhileShownThenThePreviousPointer)
{
    QStringList shown;
    Qt::CursorShape whileShown = Qt::BlankCursor;
    const ScopedOverride<miCommon::WarningPresenter> recording(
        miCommon::warningPresenter(), [&](const QString& aMessage, const QString& aCaption) {
            shown << aCaption + '|' + aMessage;
            whileShown = QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::BlankCursor;
        });
    QApplication::setOverrideCursor(Qt::WaitCursor);
    miCommon::ShowWarning("text", "caption");
    const Qt::CursorShape after = QApplication::overrideCursor()->shape();
    QApplication::restoreOverrideCursor();
    EXPECT_EQ(shown, QStringList{"caption|text"});
    EXPECT_EQ(whileShown, Qt::ArrowCursor);
    EXPECT_EQ(after, Qt::WaitCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(DecodeCharRefsTest, HexadecimalReferencesBecomeCodeUnits)
{
    struct Case {
        QString given;
        QString expected;
    };
    const Case cases[] = {
        {QStringLiteral("Въ &#473;&#475;міа&#301;м&#463;"),
         QStringLiteral("Въ ") + QChar(0x473) + QChar(0x475) + QStringLiteral("міа") + QChar(0x301) +
             QStringLiteral("м") + QChar(0x463)},
        {QStringLiteral("12345 #@$%^M"), QStringLiteral("12345 #@$%^M")},
        {QStringLiteral("end &#41"), QStringLiteral("end A")},
        {QStringLiteral("&#3bd;&#3BD;"), QString(2, QChar(0x3BD))},
        {QStringLiteral("&#0000041;"), QStringLiteral("A")},  // leading zeros are not significant
        {QStringLiteral("a&#10000;b"), QStringLiteral("ab")}, // five significant digits: nothing
        {QStringLiteral("&#41x;z"), QStringLiteral("Az")},    // digits stop at the first other character
        {QStringLiteral("&#;"), QString(QChar(0))},           // no digits read as 0
        {QStringLiteral("&#41&#42;"), QStringLiteral("A")},   // up to the first ";"
        {QStringLiteral("&&#41;&"), QStringLiteral("&A&")},
        {QStringLiteral("&#"), QString(QChar(0))},
        {QString(), QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeCharRefs(c.given), c.expected) << c.given.toStdString();
}

TEST(FaceSearchTest, ExactThenLongestCommonPrefix)
{
    const QStringList items = {"Arial", "Arial Black", "Arimo", "Courier New", "DejaVu Sans", "Times New Roman"};
    struct Case {
        QString text;
        int selected;
        int top;
    };
    const Case cases[] = {
        {"arial", 0, 0},        {"ARIAL BLACK", 1, 1}, {"Ari", -1, 0},   {"Arx", -1, 0},  {"arim", -1, 2},
        {"Arial Bx", -1, 1},    {"Courier", -1, 3},    {"Zapf", -1, -1}, {"", -1, -1},    {"t", -1, 5},
        {"Times New Roman X", -1, 5},
    };
    for (const Case& c : cases) {
        const FaceSearchResult found = SearchFaceNames(items, c.text);
        EXPECT_EQ(found.Selected, c.selected) << c.text.toStdString();
        EXPECT_EQ(found.Top, c.top) << c.text.toStdString();
    }
    EXPECT_EQ(SearchFaceNames({}, "x").Top, -1);
}

TEST(SizeSearchTest, FirstItemWithTheValue)
{
    const QStringList items = {"8", "9", "10", "12", "14"};
    EXPECT_EQ(SearchSizeItems(items, 14), 4);
    EXPECT_EQ(SearchSizeItems(items, 13), -1);
    EXPECT_EQ(SearchSizeItems(items, 0), -1);
}

TEST(SampleGeometryTest, HeightRuleCentreAndBaseline)
{
    // 6480 x 1035 twips at 15 twips per pixel.
    const FontSampleGeometry at10 = ComputeSampleGeometry(6480, 1035, 15, 15, 10);
    EXPECT_EQ(at10.FontHeight, -14); // -(15 x 10) / 10.5 = -14.29
    EXPECT_EQ(at10.TextX, 216);
    EXPECT_EQ(at10.BaselineY, 48); // 724.5 / 15 = 48.3
    EXPECT_DOUBLE_EQ(at10.LineYTwips, 724.5);
    EXPECT_EQ(ComputeSampleGeometry(6480, 1035, 15, 15, 36).FontHeight, -51);
    EXPECT_EQ(ComputeSampleGeometry(6480, 1035, 15, 15, 7).FontHeight, -10);   // exactly -10
    EXPECT_EQ(ComputeSampleGeometry(6480, 1035, 15, 15, 1638).FontHeight, -2340);
    EXPECT_EQ(ComputeSampleGeometry(6480, 1035, 12, 12, 14).FontHeight, -16);  // -16.0
    EXPECT_EQ(ComputeSampleGeometry(6480, 1035, 15, 15, 0).FontHeight, 0);
    // Halves go to the even neighbour: 37.5 / 15 = 2.5, 52.5 / 15 = 3.5.
    EXPECT_EQ(ComputeSampleGeometry(75, 150, 15, 15, 10).TextX, 2);
    EXPECT_EQ(ComputeSampleGeometry(105, 150, 15, 15, 10).TextX, 4); // 3.5
}

TEST(UnicodeTextOutTest, DrawsEveryCodeUnitWithThePaintersFontAndNothingForEmptyText)
{
    QImage image(120, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(30);
    painter.setFont(font);
    painter.setPen(Qt::black);
    EXPECT_EQ(miFont::UnicodeTextOut(painter, 10, 40, QString()), 0);
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::white));
    QImage blank = image.copy();
    painter.end();
    EXPECT_EQ(image, blank);

    painter.begin(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    // U+0473 lies outside code page 1251; the face has it.
    EXPECT_NE(miFont::UnicodeTextOut(painter, 60, 40, QString(QChar(0x473)), miFont::TextAlign::CenterBaseline), 0);
    painter.end();
    QRect inked;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                inked |= QRect(x, y, 1, 1);
    ASSERT_FALSE(inked.isEmpty());
    EXPECT_NEAR(inked.center().x(), 60, 2);
    EXPECT_LE(inked.bottom(), 40);
}
