// Under a real window manager, whose title bar makes the frame taller than the window, the
// options dialog's frame is centred on the screen and the about box's on the dialog's frame.
#include "support/VirtualDisplay.h"

#include <QFile>
#include <QRect>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

TEST(FrameCentringUnderAWindowManager, OptionsDialogOnTheScreenAndAboutBoxOnTheDialog)
{
    // The dialogs are shown once openbox manages the display: it starts them itself.
    QTemporaryDir folder;
    const QString report = folder.filePath(QStringLiteral("frames.txt"));
    const VirtualDisplay display(true, QStringLiteral("'" KEZ_TEST_BIN_DIR "/dialog_frames' '%1'").arg(report));
    ASSERT_FALSE(display.name().isEmpty()) << "Xvfb and openbox are needed (scripts/install-deps.sh)";
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
