// The whole road with the bundled converter: the sample folder dropped onto the real window,
// converted into RTF files that hold the original text.
#include "gui/main/BrowserForm.h"
#include "gui/main/miKezConverterMain.h"
#include "core/options/miRegistryTools.h"
#include "support/DropFiles.h"
#include "support/FileContents.h"
#include "support/RtfReading.h"
#include "support/TestEnvironment.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

TEST(EndToEnd, DroppedSampleFolderBecomesRtfFilesWithTheOriginalText)
{
    TestEnvironment environment;
    ConverterOnPath converter(KEZ_BIN_DIR);
    QTemporaryDir work;
    const QString samples = work.filePath(QStringLiteral("Образцы"));
    QDir().mkpath(samples);
    const QDir shipped(QStringLiteral(KEZ_SOURCE_DIR "/samples"));
    const QStringList names = shipped.entryList({QStringLiteral("*.kez")}, QDir::Files);
    ASSERT_EQ(names.size(), 3);
    for (const QString& name : names)
        ASSERT_TRUE(QFile::copy(shipped.filePath(name), samples + QLatin1Char('/') + name));

    // The samples come in three encodings: the user has chosen detection (0) over the
    // default Windows-1251.
    miRegistryTools::WriteLongValue(platform::kHKeyCurrentUser, miKezConverterMain::kMainKey,
                                    QStringLiteral("SourceEncoding"), 0);
    ASSERT_TRUE(miKezConverterMain::CheckForKezCCExistence());
    miKezConverterMain::CreateAndReadOptions();
    {
        BrowserForm form;
        form.Execute(); // immediate conversion is on by default
        QWidget* viewport = form.findChild<QListWidget*>(QStringLiteral("theSrcList"))->viewport();
        ASSERT_TRUE(DropLocalFiles(viewport, {samples}));
        QTRY_VERIFY_WITH_TIMEOUT(form.SourceFiles().IsEmpty() && !form.IsBusy(), 20000);

        EXPECT_TRUE(form.LogText().endsWith(QStringLiteral("Обработано файлов: 3, успешно: 3, с ошибками: 0\r\n")))
            << qPrintable(form.LogText());
    }
    miKezConverterMain::ReleaseOptions();

    const struct {
        const char* rtf;
        const char* expected;
    } outputs[] = {
        {"Псалом 1 (cp1251).rtf", "Блажен муж, который не ходит на совет нечестивых,"},
        {"Псалом 2 (cp866).rtf", "Зачем мятутся народы, и племена замышляют тщетное?"},
        {"Отче наш (UTF-8).rtf", "Πάτερ ἡμῶν ὁ ἐν τοῖς οὐρανοῖς· ἁγιασθήτω τὸ ὄνομά σου·"},
    };
    for (const auto& output : outputs) {
        const QByteArray rtf = readAll(samples + QLatin1Char('/') + QString::fromUtf8(output.rtf));
        ASSERT_FALSE(rtf.isEmpty()) << output.rtf;
        const RtfReading reading = readRtf(rtf);
        EXPECT_TRUE(reading.header) << output.rtf;
        EXPECT_TRUE(reading.balanced) << output.rtf;
        EXPECT_TRUE(reading.text.contains(QString::fromUtf8(output.expected))) << output.rtf;
    }
}
