#include "gui/fonts/FontDialogFixture.h"

#include "support/FormControls.h"
#include "gui/colors/ColorRefColor.h"
#include "core/fonts/DecodeCharRefs.h"
#include "gui/fonts/FontExampleField.h"

#include "core/fonts/miFont.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QImage>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRawFont>
#include <QTemporaryDir>

namespace {

// Bounding box of the pixels of one colour.
QRect Pixels(const QImage& aImage, const QColor& aColor)
{
    QRect box;
    for (int y = 0; y < aImage.height(); ++y)
        for (int x = 0; x < aImage.width(); ++x)
            if (aImage.pixelColor(x, y) == aColor)
                box |= QRect(x, y, 1, 1);
    return box;
}

class FontSampleTest : public FontDialogFixture {
protected:
    // The field as it shows while the dialog is open.
    QImage Grab(const std::function<void(LuFontSelectorFrm&)>& aUser = {})
    {
        QImage image;
        run(dialog, [&](LuFontSelectorFrm& aDialog) {
            if (aUser)
                aUser(aDialog);
            image = FindControl<QWidget>(&aDialog, "theExampleField")->grab().toImage();
            FindControl<QPushButton>(&aDialog, "theCancel")->click();
        });
        return image;
    }

    LuFontSelectorFrm dialog;
    const QColor fore = ToQColor(miColor::ColorIndexToColor(2));
    const QColor back = ToQColor(miColor::BackIndexToColor(4));
    const QColor window = QApplication::palette().color(QPalette::Base);
};

} // namespace

TEST_F(FontSampleTest, TextOfTheRuledHeightSitsCentredOnTheBaselineInItsColours)
{
    dialog.TheFont->FillWith("DejaVu Sans", 36, false, false, 2, 4);
    dialog.ExampleText = "HH";
    const QImage image = Grab();
    ASSERT_EQ(image.size(), QSize(6480 / 15, 1035 / 15));

    QFont expected("DejaVu Sans");
    expected.setPixelSize(51); // 15 x 36 / 10.5 = 51.4
    const QFontMetricsF metrics(expected);
    const int baseline = 48; // 0.7 x 1035 / 15 = 48.3

    // The cells: from the ascent above the baseline to the descent below it, centred.
    const QRect cells = Pixels(image, back);
    ASSERT_FALSE(cells.isEmpty());
    EXPECT_NEAR(cells.top(), baseline - metrics.ascent(), 1.0);
    EXPECT_NEAR(cells.bottom() + 1, baseline + metrics.descent(), 1.0);
    EXPECT_NEAR(cells.width(), metrics.horizontalAdvance("HH"), 1.0);
    EXPECT_NEAR(cells.center().x(), 216, 1.0);

    // The letters: capital height of a 51-pixel face, standing on the baseline.
    const QRect letters = Pixels(image, fore);
    ASSERT_FALSE(letters.isEmpty());
    EXPECT_EQ(letters.bottom(), baseline - 1);
    EXPECT_NEAR(letters.height(), metrics.capHeight(), 1.0);
    EXPECT_TRUE(cells.contains(letters));

    // The baseline across the field; everything else in the window colour.
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            if (y == baseline) {
                EXPECT_NE(image.pixelColor(x, y), window) << x;
                continue;
            }
            if (!cells.contains(x, y) && image.pixelColor(x, y) != window)
                FAIL() << "stray pixel at " << x << "," << y;
        }
}

TEST_F(FontSampleTest, SampleSurvivesARepaintOfTheField)
{
    dialog.TheFont->FillWith("DejaVu Sans", 20, true, true, 2, 4);
    dialog.ExampleText = "Abc";
    QImage first;
    const QImage second = Grab([&](LuFontSelectorFrm& aDialog) {
        QWidget* field = FindControl<QWidget>(&aDialog, "theExampleField");
        first = field->grab().toImage();
        field->update();
        field->repaint();
    });
    EXPECT_FALSE(Pixels(first, fore).isEmpty());
    EXPECT_EQ(first, second);
}

TEST_F(FontSampleTest, EmptyTextLeavesOnlyTheBaseline)
{
    dialog.TheFont->FillWith("DejaVu Sans", 20, false, false, 2, 4);
    dialog.ExampleText.clear();
    const QImage image = Grab();
    EXPECT_TRUE(Pixels(image, back).isEmpty());
    EXPECT_TRUE(Pixels(image, fore).isEmpty());
    EXPECT_EQ(Pixels(image, window), QRect(0, 0, image.width(), image.height()));
}

TEST_F(FontSampleTest, EveryChangeRedrawsTheSample)
{
    dialog.TheFont->FillWith("DejaVu Sans", 12, false, false, 0, 0);
    run(dialog, [&](LuFontSelectorFrm& aDialog) {
        const auto sample = [&] {
            return static_cast<const FontExampleField*>(FindControl<QWidget>(&aDialog, "theExampleField"))->Sample();
        };
        EXPECT_TRUE(sample().Shown);
        EXPECT_EQ(sample().Font.pixelSize(), 17); // 15 x 12 / 10.5 = 17.1
        FindControl<QCheckBox>(&aDialog, "theBold")->click();
        EXPECT_EQ(sample().Font.weight(), QFont::Bold);
        FindControl<QCheckBox>(&aDialog, "theItalic")->click();
        EXPECT_TRUE(sample().Font.italic());
        FindControl<QCheckBox>(&aDialog, "theBold")->click();
        EXPECT_EQ(sample().Font.weight(), QFont::Normal);
        FindControl<QPushButton>(&aDialog, "theCancel")->click();
    });
}

// The dialog over the fonts of this machine, for a look with the eye.
TEST(FontDialogScreenshotTest, GreekAndChurchSlavonicSamples)
{
    struct Shot {
        const char* file;
        QString face;
        qint32 size;
        bool bold, italic;
        qint32 fore, back;
        QString text;
    };
    const Shot shots[] = {
        {"font-dialog-greek.png", "DejaVu Serif", 24, false, true, 6, 0,
         QStringLiteral("Ἐν ἀρχῇ ἦν ὁ λόγος")},
        {"font-dialog-church-slavonic.png", "DejaVu Sans", 26, true, false, 2, 8,
         DecodeCharRefs(QStringLiteral("Въ &#473;&#475;міа&#301;м&#463;"))},
    };
    QDir().mkpath(KEZ_TEST_SCREENSHOT_DIR);
    for (const Shot& shot : shots) {
        LuFontSelectorFrm dialog;
        dialog.TheFont->FillWith(shot.face, shot.size, shot.bold, shot.italic, shot.fore, shot.back);
        dialog.ExampleText = shot.text;
        const ScopedOverride<LuFontSelectorFrm::ModalHook> shoot(LuFontSelectorFrm::modalHook(), [&](LuFontSelectorFrm& aDialog) {
            const QString path = QStringLiteral(KEZ_TEST_SCREENSHOT_DIR "/") + shot.file;
            EXPECT_TRUE(aDialog.grab().save(path)) << path.toStdString();
            FindControl<QPushButton>(&aDialog, "theCancel")->click();
        });
        dialog.Execute();
    }
}

// A font installed while the program runs: the catalogue lists it, and the sample draws it in its
// own face, not with a fallback. The fonts are seen through a private fontconfig configuration
// over an empty folder of the test's own; Qt read the machine's fonts before the font arrives.
TEST(FontInstalledLaterTest, IsDrawnInItsOwnFace)
{
    QStringList reports;
    const ScopedOverride<mErrorHandling::Presenter> reportsRecorded(
        mErrorHandling::presenter(), [&](const QString& aMessage, const QString&, qint32) { reports << aMessage; });
    const QString face = QStringLiteral("Test Late Face");
    const QString source = QStringLiteral(KEZ_TEST_FONT_DIR "/late/test-late.ttf");
    ASSERT_TRUE(QFile::exists(source));
    ASSERT_FALSE(QFontDatabase::families().contains(face));

    QTemporaryDir root;
    ASSERT_TRUE(QDir().mkpath(root.path() + QStringLiteral("/fonts")));
    QFile config(root.path() + QStringLiteral("/fonts.conf"));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(QStringLiteral("<?xml version=\"1.0\"?>\n<fontconfig>\n  <dir>%1/fonts</dir>\n"
                                "  <cachedir>%1/cache</cachedir>\n</fontconfig>\n")
                     .arg(root.path())
                     .toUtf8());
    config.close();
    const bool hadConfig = qEnvironmentVariableIsSet("FONTCONFIG_FILE");
    const QByteArray savedConfig = qgetenv("FONTCONFIG_FILE");
    qputenv("FONTCONFIG_FILE", QFile::encodeName(config.fileName()));
    struct Restore {
        bool had;
        QByteArray saved;
        ~Restore()
        {
            if (had)
                qputenv("FONTCONFIG_FILE", saved);
            else
                qunsetenv("FONTCONFIG_FILE");
            miFont::GetInstalledFonts(); // fontconfig back on the machine's configuration
        }
    } restore{hadConfig, savedConfig};

    // The program has looked at the fonts before; then the font is copied in.
    const auto before = miFont::GetInstalledFonts();
    ASSERT_TRUE(before);
    EXPECT_EQ(before->Count(), 0);
    const QString installed = root.path() + QStringLiteral("/fonts/test-late.ttf");
    ASSERT_TRUE(QFile::copy(source, installed));

    LuFontSelectorFrm dialog;
    dialog.TheFont->FillWith(face, 36, false, false, 2, 4);
    dialog.ExampleText = QStringLiteral("AБα");
    QImage image;
    FontSample sample;
    QStringList listed;
    const ScopedOverride<LuFontSelectorFrm::ModalHook> look(LuFontSelectorFrm::modalHook(), [&](LuFontSelectorFrm& aOpen) {
        auto* list = FindControl<QListWidget>(&aOpen, "theFaceList");
        for (int i = 0; i < list->count(); ++i)
            listed << list->item(i)->text();
        auto* field = static_cast<FontExampleField*>(FindControl<QWidget>(&aOpen, "theExampleField"));
        sample = field->Sample();
        image = field->grab().toImage();
        FindControl<QPushButton>(&aOpen, "theCancel")->click();
    });
    dialog.Execute();
    EXPECT_EQ(listed, QStringList{face});

    // The same text drawn from the file itself, at the sample's size and place.
    const QRawFont raw(installed, sample.Font.pixelSize());
    ASSERT_TRUE(raw.isValid());
    const QList<quint32> glyphs = raw.glyphIndexesForString(sample.Text);
    const QList<QPointF> advances = raw.advancesForGlyphIndexes(glyphs);
    QList<QPointF> positions;
    qreal width = 0;
    for (const QPointF& advance : advances) {
        positions << QPointF(width, 0);
        width += advance.x();
    }
    QGlyphRun run;
    run.setRawFont(raw);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    QImage expected(image.size(), QImage::Format_ARGB32_Premultiplied);
    expected.fill(Qt::white);
    {
        QPainter painter(&expected);
        painter.setPen(sample.Fore);
        painter.drawGlyphRun(QPointF(sample.Origin.x() - qRound(width) / 2, sample.Origin.y()), run);
    }
    const QRect drawn = Pixels(image, sample.Fore);
    const QRect fromFile = Pixels(expected, sample.Fore);
    ASSERT_FALSE(fromFile.isEmpty());
    EXPECT_NEAR(drawn.left(), fromFile.left(), 1);
    EXPECT_NEAR(drawn.right(), fromFile.right(), 1);
    EXPECT_NEAR(drawn.top(), fromFile.top(), 1);
    EXPECT_NEAR(drawn.bottom(), fromFile.bottom(), 1);
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();
}
