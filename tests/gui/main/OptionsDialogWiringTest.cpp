// The main window's "Опции конвертации ..." button: OK saves the options, anything else saves nothing.
#include "support/MainWindowFixture.h"
#include "core/options/TLuKezOptions.h"
#include "platform/Registry.h"
#include "gui/options/KezOptionsFrm.h"
#include "gui/options/OptionsTestSupport.h"

#include <QComboBox>
#include <QPushButton>
#include <QFile>
#include <QTest>

using namespace OptionsTestSupport;

namespace {

class OptionsDialogWiring : public MainWindowTest {
protected:
    QByteArray settingsFile() const
    {
        QFile file(environment.registryFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Presses the button; aWhileShown works in the dialog and ends it.
    void pressOptions(std::function<void(KezOptionsFrm&)> aWhileShown)
    {
        WhenModalShown([] { return VisibleDialog<KezOptionsFrm>(); },
                       [aWhileShown](QDialog& d) { aWhileShown(static_cast<KezOptionsFrm&>(d)); });
        click("theOptions");
    }
};

TEST_F(OptionsDialogWiring, OkWritesEveryValueUnderTheMainKey)
{
    start();
    FillDistinct(miKezConverterMain::gKezOptions());
    pressOptions([](KezOptionsFrm& d) {
        d.findChild<QComboBox*>(QStringLiteral("theRuMode"))->setCurrentIndex(1);
        d.findChild<QPushButton*>(QStringLiteral("theOK"))->click();
    });
    TLuKezOptions expected;
    FillDistinct(expected);
    expected.RusMode = 1;

    // Read back with defaults unlike every expected value, so a value not written shows.
    TLuKezOptions defaults, stored;
    FillDistinct(defaults);
    for (qint32 TLuKezOptions::*number :
         {&TLuKezOptions::SourceEncoding, &TLuKezOptions::CSDigitMode, &TLuKezOptions::CSSpaceOutMode,
          &TLuKezOptions::RusMode, &TLuKezOptions::GreekMode, &TLuKezOptions::ErrorMode,
          &TLuKezOptions::NSModeSpecComm, &TLuKezOptions::NSModeCommands, &TLuKezOptions::NSModeFunction,
          &TLuKezOptions::NSModeVariants, &TLuKezOptions::FtnBottomImpl, &TLuKezOptions::FtnBottomBack,
          &TLuKezOptions::FtnMarginImpl, &TLuKezOptions::FtnMarginBack})
        defaults.*number = expected.*number == 0 ? 1 : 0;
    for (const FontField& field : kFontFields) {
        TOptionsFont& font = field.Font(defaults);
        font.FillWith(font.Face + QStringLiteral(" default"), font.Size + 50, !font.Bold, !font.Italic,
                      (font.ForeColorIndex + 1) % 17, (font.BackColorIndex + 1) % 17);
    }
    stored.ReadFromRegistry(platform::kHKeyCurrentUser, miKezConverterMain::kMainKey, defaults);
    // The two page-0 choices live only while the program runs.
    stored.IsDirectPipe = expected.IsDirectPipe;
    stored.DontShowOptions = expected.DontShowOptions;
    ExpectSameOptions(stored, expected);
    EXPECT_TRUE(settingsFile().contains("[HKEY_CURRENT_USER\\Software\\Torvane Software\\KEZConv\\ErrorText]"));
}

TEST_F(OptionsDialogWiring, CancelWritesNothing)
{
    start();
    const QByteArray before = settingsFile();
    pressOptions([](KezOptionsFrm& d) {
        d.findChild<QComboBox*>(QStringLiteral("theRuMode"))->setCurrentIndex(2);
        d.findChild<QPushButton*>(QStringLiteral("theCancel"))->click();
    });
    // Enter on the focused "Отмена" cancels as well.
    pressOptions([](KezOptionsFrm& d) {
        d.findChild<QComboBox*>(QStringLiteral("theSourceEncoding"))->setCurrentIndex(0);
        auto* cancel = d.findChild<QPushButton*>(QStringLiteral("theCancel"));
        cancel->setFocus(Qt::TabFocusReason);
        QTest::keyClick(cancel, Qt::Key_Return);
    });
    EXPECT_EQ(settingsFile(), before);
    EXPECT_EQ(miKezConverterMain::gKezOptions().RusMode, 0);
    EXPECT_EQ(miKezConverterMain::gKezOptions().SourceEncoding, 1);
}

} // namespace
