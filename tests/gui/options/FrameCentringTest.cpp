// Under a real window manager, whose title bar makes the frame taller than the window, the
// options dialog's frame is centred on the screen and the about box's on the dialog's frame.
#include <QFile>
#include <QProcess>
#include <QRect>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A program started for the test, killed at the end of it.
struct Started {
    QProcess process;
    ~Started()
    {
        process.kill();
        process.waitForFinished(5000);
    }
};

} // namespace

TEST(FrameCentringUnderAWindowManager, OptionsDialogOnTheScreenAndAboutBoxOnTheDialog)
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
    ASSERT_FALSE(xvfb.isEmpty() || openbox.isEmpty()) << "Xvfb and openbox are needed (scripts/install-deps.sh)";

    // A display of its own: Xvfb writes its number once it is ready.
    Started display;
    display.process.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                 QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                                 QStringLiteral("tcp")});
    ASSERT_TRUE(display.process.waitForStarted(10000));
    QByteArray number;
    while (!number.endsWith('\n') && display.process.waitForReadyRead(10000))
        number += display.process.readAllStandardOutput();
    ASSERT_FALSE(number.trimmed().isEmpty());

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), QLatin1Char(':') + QString::fromLatin1(number.trimmed()));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    // The dialogs are shown once openbox manages the display: it starts them itself.
    QTemporaryDir folder;
    const QString report = folder.filePath(QStringLiteral("frames.txt"));
    Started manager;
    manager.process.setProcessEnvironment(environment);
    manager.process.start(openbox, {QStringLiteral("--sm-disable"), QStringLiteral("--startup"),
                                    QStringLiteral("'" KEZ_TEST_BIN_DIR "/dialog_frames' '%1'").arg(report)});
    ASSERT_TRUE(manager.process.waitForStarted(10000));
    const auto written = [&] {
        QFile file(report);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    QTRY_VERIFY_WITH_TIMEOUT(written().contains("status"), 60000);
    QList<QByteArray> lines = written().trimmed().split('\n');
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.takeLast(), "status 0") << "a window was not framed, or did not come to rest";
    ASSERT_EQ(lines.size(), 2);
    for (const QByteArray& line : lines) {
        const QList<QByteArray> f = line.split(' ');
        ASSERT_EQ(f.size(), 10) << line.toStdString();
        SCOPED_TRACE(f[0].toStdString());
        const QRect frame(f[1].toInt(), f[2].toInt(), f[3].toInt(), f[4].toInt());
        const QRect area(f[6].toInt(), f[7].toInt(), f[8].toInt(), f[9].toInt());
        EXPECT_GT(frame.height(), f[5].toInt() + 10) << "no title bar: the window manager did not frame it";
        EXPECT_NEAR(frame.x() + frame.width() / 2.0, area.x() + area.width() / 2.0, 1.0);
        EXPECT_NEAR(frame.y() + frame.height() / 2.0, area.y() + area.height() / 2.0, 1.0);
    }
}
