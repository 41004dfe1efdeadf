// The main window's remembered settings: loaded at start-up, shown when the window opens,
// collected and written when it closes.
#include "app/BrowserForm.h"
#include "app/TBrowserOptions.h"
#include "app/miKezConverterMain.h"
#include "errors/mErrorHandling.h"
#include "options/TLuKezOptions.h"
#include "options/miRegistryTools.h"
#include "support/FormControls.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>

using namespace miRegistryTools;
using platform::kHKeyCurrentUser;

namespace {

const QString kBrowserKey = QStringLiteral("Software\\Torvane Software\\KEZConv\\Browser");

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class BrowserFormSettings : public ::testing::Test {
protected:
    void SetUp() override
    {
        mErrorHandling::SetPresenter(
            [this](const QString& message, const QString&, qint32) { reports << message; });
    }
    void TearDown() override
    {
        form.reset();
        miKezConverterMain::ReleaseOptions();
        mErrorHandling::SetPresenter({});
        EXPECT_TRUE(reports.isEmpty()) << reports.join(QLatin1Char('\n')).toStdString();
    }

    void start()
    {
        miKezConverterMain::CreateAndReadOptions();
        form = std::make_unique<BrowserForm>();
        form->Execute();
    }
    void closeAndStartAgain()
    {
        form->close();
        form.reset();
        miKezConverterMain::ReleaseOptions();
        start();
    }

    template <class T>
    T* child(const char* name)
    {
        return FindControl<T>(form.get(), name);
    }
    QColor destDirBackground() { return DestDirBackground(form.get()); }
    static QColor buttonFace() { return ButtonFaceColour(); }
    static QColor windowBackground() { return WindowBackgroundColour(); }

    QStringList corruptCopies() const
    {
        return QDir(environment.configHome() + QStringLiteral("/KezConverter"))
            .entryList({QStringLiteral("HKEY_CURRENT_USER.reg.corrupt-*")}, QDir::Files);
    }

    TestEnvironment environment;
    std::unique_ptr<BrowserForm> form;
    QStringList reports;
};

} // namespace

TEST_F(BrowserFormSettings, TheFirstStartShowsTheDefaults)
{
    start();
    EXPECT_TRUE(child<QCheckBox>("theSrcOnlyKez")->isChecked());
    EXPECT_TRUE(child<QCheckBox>("theConvertImmediately")->isChecked());
    EXPECT_TRUE(child<QRadioButton>("theDestDirSame")->isChecked());
    EXPECT_FALSE(child<QRadioButton>("theDestDirFixed")->isChecked());
    EXPECT_TRUE(child<QLineEdit>("theDestDir")->text().isEmpty());
    EXPECT_FALSE(child<QLineEdit>("theDestDir")->isEnabled());
    EXPECT_EQ(destDirBackground(), buttonFace());
    EXPECT_FALSE(child<QToolButton>("theSelectFolder")->isEnabled());
    EXPECT_FALSE(QFile::exists(environment.registryFile())) << "opening the window writes nothing";
}

TEST_F(BrowserFormSettings, StoredSettingsAreShownWhenTheWindowOpens)
{
    WriteBoolValue(kHKeyCurrentUser, kBrowserKey, QStringLiteral("SrcOnlyKez"), false);
    WriteLongValue(kHKeyCurrentUser, kBrowserKey, QStringLiteral("DestPlace"), 1);
    WriteStrValue(kHKeyCurrentUser, kBrowserKey, QStringLiteral("DestFolder"), QStringLiteral("/srv/Готовые RTF"));
    WriteBoolValue(kHKeyCurrentUser, kBrowserKey, QStringLiteral("ConvertImmediately"), false);
    start();
    EXPECT_FALSE(child<QCheckBox>("theSrcOnlyKez")->isChecked());
    EXPECT_FALSE(child<QCheckBox>("theConvertImmediately")->isChecked());
    EXPECT_FALSE(child<QRadioButton>("theDestDirSame")->isChecked());
    EXPECT_TRUE(child<QRadioButton>("theDestDirFixed")->isChecked());
    EXPECT_EQ(child<QLineEdit>("theDestDir")->text(), QStringLiteral("/srv/Готовые RTF"));
    EXPECT_TRUE(child<QLineEdit>("theDestDir")->isEnabled());
    EXPECT_EQ(destDirBackground(), windowBackground());
    EXPECT_TRUE(child<QToolButton>("theSelectFolder")->isEnabled());
}

TEST_F(BrowserFormSettings, ADestinationPlaceOutsideItsRangeShowsTheSameFolderOption)
{
    WriteLongValue(kHKeyCurrentUser, kBrowserKey, QStringLiteral("DestPlace"), 2);
    start();
    EXPECT_TRUE(child<QRadioButton>("theDestDirSame")->isChecked());
    EXPECT_FALSE(child<QLineEdit>("theDestDir")->isEnabled());
}

TEST_F(BrowserFormSettings, AFolderTypedWhileTheSameFolderOptionIsOnIsSavedAndShownAtTheNextStart)
{
    start();
    QTest::mouseClick(child<QRadioButton>("theDestDirFixed"), Qt::LeftButton);
    QTest::keyClicks(child<QLineEdit>("theDestDir"), QStringLiteral("/data/out"));
    QTest::mouseClick(child<QRadioButton>("theDestDirSame"), Qt::LeftButton);
    ASSERT_TRUE(child<QRadioButton>("theDestDirSame")->isChecked());

    closeAndStartAgain();
    EXPECT_EQ(child<QLineEdit>("theDestDir")->text(), QStringLiteral("/data/out"));
    EXPECT_TRUE(child<QRadioButton>("theDestDirSame")->isChecked());
    EXPECT_FALSE(child<QLineEdit>("theDestDir")->isEnabled());
}

TEST_F(BrowserFormSettings, ClosingWritesAllFourValuesCreatingTheKey)
{
    start();
    QTest::mouseClick(child<QCheckBox>("theSrcOnlyKez"), Qt::LeftButton);
    QTest::mouseClick(child<QRadioButton>("theDestDirFixed"), Qt::LeftButton);
    ASSERT_FALSE(QFile::exists(environment.registryFile()));
    form->close();

    const struct {
        const char* name;
        quint32 type;
        QVariant value;
    } expected[] = {{"SrcOnlyKez", platform::RegType::Dword, QVariant(0)},
                    {"DestPlace", platform::RegType::Dword, QVariant(1)},
                    {"DestFolder", platform::RegType::Sz, QVariant(QString())},
                    {"ConvertImmediately", platform::RegType::Dword, QVariant(1)}};
    for (const auto& e : expected) {
        QVariant value;
        quint32 type = 0;
        ASSERT_TRUE(LoadValue(kHKeyCurrentUser, kBrowserKey, QString::fromLatin1(e.name), value, type)) << e.name;
        EXPECT_EQ(type, e.type) << e.name;
        EXPECT_EQ(value, e.value) << e.name;
    }
}

TEST_F(BrowserFormSettings, EveryControlIsSetBeforeTheOneRefresh)
{
    WriteBoolValue(kHKeyCurrentUser, kBrowserKey, QStringLiteral("SrcOnlyKez"), true);
    WriteLongValue(kHKeyCurrentUser, kBrowserKey, QStringLiteral("DestPlace"), 1);
    WriteStrValue(kHKeyCurrentUser, kBrowserKey, QStringLiteral("DestFolder"), QStringLiteral("/out"));
    WriteBoolValue(kHKeyCurrentUser, kBrowserKey, QStringLiteral("ConvertImmediately"), false);
    miKezConverterMain::CreateAndReadOptions();
    form = std::make_unique<BrowserForm>();

    // Every change that code makes to a control must find the update lock held, so that the
    // refreshes those changes ask for wait for the one at the end.
    QList<bool> lockedAtChange;
    auto record = [&] { lockedAtChange << form->IsUpdateLocked(); };
    QObject::connect(child<QCheckBox>("theSrcOnlyKez"), &QCheckBox::toggled, record);
    QObject::connect(child<QRadioButton>("theDestDirSame"), &QRadioButton::toggled, record);
    QObject::connect(child<QRadioButton>("theDestDirFixed"), &QRadioButton::toggled, record);
    QObject::connect(child<QLineEdit>("theDestDir"), &QLineEdit::textChanged, record);
    form->Execute();

    EXPECT_EQ(lockedAtChange, (QList<bool>{true, true, true, true}));
    EXPECT_FALSE(form->IsUpdateLocked());
    EXPECT_TRUE(child<QLineEdit>("theDestDir")->isEnabled());
    EXPECT_TRUE(child<QToolButton>("theSelectFolder")->isEnabled());
}

TEST_F(BrowserFormSettings, ADamagedSettingsFileGivesDefaultsForWhatIsUnreadableAndIsKept)
{
    const QByteArray damaged = "Windows Registry Editor Version 5.00\n"
                               "\n"
                               "[HKEY_CURRENT_USER\\Software\\Torvane Software\\KEZConv\\Browser]\n"
                               "\"SrcOnlyKez\"=dword:0000000G\n"
                               "\"DestPlace\"=dword:00000001\n"
                               "### not a registry line\n"
                               "\"DestFolder\"=\"/srv/rtf\"\n"
                               "\"ConvertImmediately\"=dword:00000000\n";
    QDir().mkpath(environment.configHome() + QStringLiteral("/KezConverter"));
    QFile file(environment.registryFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(damaged);
    file.close();

    start();
    EXPECT_TRUE(child<QCheckBox>("theSrcOnlyKez")->isChecked());
    EXPECT_TRUE(child<QRadioButton>("theDestDirFixed")->isChecked());
    EXPECT_EQ(child<QLineEdit>("theDestDir")->text(), QStringLiteral("/srv/rtf"));
    EXPECT_FALSE(child<QCheckBox>("theConvertImmediately")->isChecked());
    EXPECT_EQ(readAll(environment.registryFile()), damaged);

    form->close();
    const QStringList copies = corruptCopies();
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(readAll(environment.configHome() + QStringLiteral("/KezConverter/") + copies[0]), damaged);
    EXPECT_EQ(ReadLongValueDef(kHKeyCurrentUser, kBrowserKey, QStringLiteral("SrcOnlyKez"), -1), 1);
    EXPECT_EQ(ReadStrValueDef(kHKeyCurrentUser, kBrowserKey, QStringLiteral("DestFolder"), QString()),
              QStringLiteral("/srv/rtf"));
}

TEST_F(BrowserFormSettings, StartUpLoadsTheConversionOptionsWithDefaultsForWhatIsMissingOrInvalid)
{
    const QString key = QStringLiteral("Software\\Torvane Software\\KEZConv");
    WriteLongValue(kHKeyCurrentUser, key, QStringLiteral("RusMode"), 2);
    WriteLongValue(kHKeyCurrentUser, key, QStringLiteral("GreekMode"), 5);
    WriteStrValue(kHKeyCurrentUser, key + QStringLiteral("\\GreekText"), QStringLiteral("FaceName"),
                  QStringLiteral("Gentium Plus"));
    miKezConverterMain::CreateAndReadOptions();
    const TLuKezOptions& options = miKezConverterMain::gKezOptions();
    EXPECT_EQ(options.RusMode, 2);
    EXPECT_EQ(options.GreekMode, 1);
    EXPECT_EQ(options.GreekText().Face, QStringLiteral("Gentium Plus"));
    EXPECT_EQ(options.GreekText().Size, 16);
    EXPECT_EQ(options.SourceEncoding, 1);
    EXPECT_FALSE(options.IsDirectPipe);
}
