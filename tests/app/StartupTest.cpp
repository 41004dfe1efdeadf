#include "gui/main/BrowserForm.h"
#include "gui/main/miKezConverterMain.h"
#include "core/common/ScopedOverride.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// An empty search path and an empty current folder: only what a test puts there is found.
class Startup : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedPath = qgetenv("PATH");
        savedCwd = QDir::currentPath();
        qputenv("PATH", QFile::encodeName(pathFolder.path()));
        QDir::setCurrent(cwdFolder.path());
    }
    void TearDown() override
    {
        miKezConverterMain::ReleaseOptions();
        QDir::setCurrent(savedCwd);
        qputenv("PATH", savedPath);
    }
    const ScopedOverride<miKezConverterMain::MessagePresenter> recording{
        miKezConverterMain::messagePresenter(), [this](const QString& title, const QString& text) {
            titles << title;
            texts << text;
        }};

    void putConverterOnPath()
    {
        QFile converter(pathFolder.filePath(QStringLiteral("kezcc")));
        ASSERT_TRUE(converter.open(QIODevice::WriteOnly));
        converter.write("#!/bin/sh\nexit 0\n");
        converter.close();
        converter.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    TestEnvironment environment;
    QTemporaryDir pathFolder;
    QTemporaryDir cwdFolder;
    QByteArray savedPath;
    QString savedCwd;
    QStringList titles;
    QStringList texts;
};

} // namespace

TEST_F(Startup, WithoutTheConverterOnlyTheMessageIsShownAndNothingIsWritten)
{
    EXPECT_FALSE(miKezConverterMain::CheckForKezCCExistence());
    std::unique_ptr<BrowserForm> window = miKezConverterMain::Main();

    EXPECT_EQ(window, nullptr);
    ASSERT_EQ(titles.size(), 1);
    EXPECT_EQ(titles[0], QStringLiteral("Отсутствует kezcc"));
    EXPECT_EQ(texts[0], QStringLiteral("Для работы данного конвертера необходим файл kezcc.\r\n"
                                       "Файл должен находиться либо в той же папке, что и данная утилита, \r\n"
                                       "либо в папках, перечисленных в системных путях."));
    EXPECT_FALSE(QFile::exists(environment.registryFile()));
    EXPECT_TRUE(QDir(environment.configHome()).isEmpty());
}

TEST_F(Startup, WithTheConverterOnPathTheMainWindowOpens)
{
    putConverterOnPath();
    EXPECT_TRUE(miKezConverterMain::CheckForKezCCExistence());
    std::unique_ptr<BrowserForm> window = miKezConverterMain::Main();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(titles.isEmpty());
}

TEST_F(Startup, AConverterThatIsNotExecutableDoesNotCount)
{
    putConverterOnPath();
    QFile::setPermissions(pathFolder.filePath(QStringLiteral("kezcc")), QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_FALSE(miKezConverterMain::CheckForKezCCExistence());
}
