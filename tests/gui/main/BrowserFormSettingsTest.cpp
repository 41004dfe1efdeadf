// The main window's remembered settings: loaded at start-up, shown when the window opens,
// collected and written when it closes.
#include "support/MainWindowFixture.h"
#include "core/common/ScopedOverride.h"
#include "core/errors/mErrorHandling.h"
#include "core/options/miRegistryTools.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>

using namespace miRegistryTools;
using platform::kHKeyCurrentUser;

namespace {

const QString kBrowserKey = QStringLiteral("Software\\Torvane Software\\KEZConv\\Browser");

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class BrowserFormSettings : public MainWindowTest {
protected:
    void TearDown() override
    {
        closeWindow();
        EXPECT_TRUE(reports.isEmpty()) << reports.join(QLatin1Char('\n')).toStdString();
    }
    void closeAndStartAgain()
    {
        form->close();
        closeWindow();
        start();
    }

    QStringList reports;
    const ScopedOverride<mErrorHandling::Presenter> recording{
        mErrorHandling::presenter(), [this](const QString& message, const QString&, qint32) { reports << message; }};
};

} // namespace

TEST_F(BrowserFormSettings, TheFirstStartShowsTheDefaultsAndWritesNothing)
{
    start();
    EXPECT_TRUE(child<QCheckBox>("theSrcOnlyKez")->isChecked());
    EXPECT_TRUE(child<QCheckBox>("theConvertImmediately")->isChecked());
    EXPECT_TRUE(child<QRadioButton>("theDestDirSame")->isChecked());
    EXPECT_TRUE(child<QLineEdit>("theDestDir")->text().isEmpty());
    EXPECT_FALSE(child<QLineEdit>("theDestDir")->isEnabled());
    EXPECT_EQ(DestDirBackground(form.get()), ButtonFaceColour());
    EXPECT_FALSE(child<QToolButton>("theSelectFolder")->isEnabled());
    EXPECT_FALSE(QFile::exists(environment.registryFile()));
}

TEST_F(BrowserFormSettings, ClosingWritesAllFourValuesWhichTheNextStartShows)
{
    start();
    click("theSrcOnlyKez");
    click("theConvertImmediately");
    click("theDestDirFixed");
    form->close();

    const struct {
        const char* name;
        quint32 type;
        QVariant value;
    } expected[] = {{"SrcOnlyKez", platform::RegType::Dword, QVariant(0)},
                    {"DestPlace", platform::RegType::Dword, QVariant(1)},
                    {"DestFolder", platform::RegType::Sz, QVariant(QString())},
                    {"ConvertImmediately", platform::RegType::Dword, QVariant(0)}};
    for (const auto& e : expected) {
        QVariant value;
        quint32 type = 0;
        ASSERT_TRUE(LoadValue(kHKeyCurrentUser, kBrowserKey, QString::fromLatin1(e.name), value, type)) << e.name;
        EXPECT_EQ(type, e.type) << e.name;
        EXPECT_EQ(value, e.value) << e.name;
    }

    closeAndStartAgain();
    EXPECT_FALSE(child<QCheckBox>("theSrcOnlyKez")->isChecked());
    EXPECT_FALSE(child<QCheckBox>("theConvertImmediately")->isChecked());
    EXPECT_TRUE(child<QRadioButton>("theDestDirFixed")->isChecked());
    EXPECT_TRUE(child<QLineEdit>("theDestDir")->isEnabled());
}

TEST_F(BrowserFormSettings, AFolderTypedWhileTheSameFolderOptionIsOnIsSavedAndShownAtTheNextStart)
{
    start();
    click("theDestDirFixed");
    QTest::keyClicks(child<QLineEdit>("theDestDir"), QStringLiteral("/data/out"));
    click("theDestDirSame");

    closeAndStartAgain();
    EXPECT_EQ(child<QLineEdit>("theDestDir")->text(), QStringLiteral("/data/out"));
    EXPECT_TRUE(child<QRadioButton>("theDestDirSame")->isChecked());
    EXPECT_FALSE(child<QLineEdit>("theDestDir")->isEnabled());
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
    const QString folder = environment.configHome() + QStringLiteral("/KezConverter/");
    QDir().mkpath(folder);
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
    const QStringList copies =
        QDir(folder).entryList({QStringLiteral("HKEY_CURRENT_USER.reg.corrupt-*")}, QDir::Files);
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(readAll(folder + copies[0]), damaged);
    EXPECT_EQ(ReadLongValueDef(kHKeyCurrentUser, kBrowserKey, QStringLiteral("SrcOnlyKez"), -1), 1);
    EXPECT_EQ(ReadStrValueDef(kHKeyCurrentUser, kBrowserKey, QStringLiteral("DestFolder"), QString()),
              QStringLiteral("/srv/rtf"));
}

// A settings folder that is a link is refused: the close says so in the error window instead of
// losing the settings without a word.
TEST_F(BrowserFormSettings, AClosingSaveThatIsRefusedSaysSo)
{
    start();
    const QString folder = QFileInfo(environment.registryFile()).absolutePath();
    QDir(folder).removeRecursively();
    const QString elsewhere = environment.root() + QStringLiteral("/elsewhere");
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    ASSERT_TRUE(QFile::link(elsewhere, folder));
    form->close();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports.first().contains(QStringLiteral("Не удалось сохранить настройки"))) << reports.first().toStdString();
    EXPECT_TRUE(reports.first().contains(kBrowserKey)) << reports.first().toStdString();
    reports.clear();
    QFile::remove(folder);
}
