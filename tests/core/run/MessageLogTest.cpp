// The message log without a window: its exact text, and what a viewer following it shows.
#include "core/run/MessageLog.h"
#include "core/common/LineBreak.h"

#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

namespace {


// A viewer that only appends and trims in front, as the main window's log box does.
struct Viewer {
    QString shown;
    void follow(const QString& aShown, qsizetype aDrop)
    {
        shown += aShown;
        ASSERT_LE(aDrop, shown.size());
        shown.remove(0, aDrop);
    }
};

QString asShown(QString aText) { return aText.replace(kCrLf, QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n')); }

} // namespace

TEST(MessageLogTest, KeepsTheLast32760CharactersAndAViewerThatOnlyAppendsStaysEqualToIt)
{
    // Lengths chosen so that cuts fall inside a CR LF, right after one, and mid-message.
    const struct {
        const char* name;
        QString message;
        int times;
    } cases[] = {
        {"short lines", QStringLiteral("Успешно: /a/b.kez -> /a/b.rtf"), 2000},
        {"two-line failures", QStringLiteral("Ошибка: /a/b.kez -> /a/b.rtf") + kCrLf + QStringLiteral("x"), 2000},
        {"odd lengths", QStringLiteral("z").repeated(6), 9000},
        {"lone line ends", QStringLiteral("a\rb\nc\r"), 6000},
        {"longer than the log", QStringLiteral("Д").repeated(40000), 2},
    };
    for (const auto& c : cases) {
        MessageLog log;
        Viewer viewer;
        QObject::connect(&log, &MessageLog::Appended, [&](const QString& aShown, qsizetype aDrop) {
            viewer.follow(aShown, aDrop);
        });
        QString written;
        for (int i = 0; i < c.times; ++i) {
            const QString message = c.message + QString::number(i % 7);
            log.Add(message);
            written += message + kCrLf;
            ASSERT_EQ(log.Text(), written.right(MessageLog::kLimit)) << c.name << " " << i;
            ASSERT_EQ(viewer.shown, asShown(log.Text())) << c.name << " " << i;
        }
        EXPECT_EQ(log.Text().size(), qMin<qsizetype>(written.size(), MessageLog::kLimit)) << c.name;
    }
}

TEST(MessageLogTest, ACutThroughALineEndLeavesItsLineFeedInFront)
{
    MessageLog log;
    Viewer viewer;
    QObject::connect(&log, &MessageLog::Appended, [&](const QString& aShown, qsizetype aDrop) { viewer.follow(aShown, aDrop); });
    log.Add(QStringLiteral("a"));                                  // "a\r\n"
    log.Add(QStringLiteral("b").repeated(MessageLog::kLimit - 3)); // pushes the log one past full
    EXPECT_TRUE(log.Text().startsWith(QStringLiteral("\nbbb")));
    EXPECT_EQ(viewer.shown, asShown(log.Text()));
}

// A message ending in a lone CR: the log box takes that CR and the CR LF after it as one line end
// unless told otherwise; once the log is full, every such message would then cut one character
// too many from the box.
TEST(MessageLogTest, ATextBoxFollowingMessagesThatEndInALoneCarriageReturnStaysEqualToTheLog)
{
    MessageLog log;
    QTextDocument box;
    QObject::connect(&log, &MessageLog::Appended, [&](const QString& aShown, qsizetype aDrop) {
        QTextCursor cursor(&box);
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(aShown);
        cursor.setPosition(0);
        cursor.setPosition(int(aDrop), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    });
    for (int i = 0; i < 4000; ++i) {
        log.Add(QStringLiteral("Ошибка %1\r").arg(i));
        ASSERT_EQ(box.toPlainText(), asShown(log.Text())) << i;
    }
    EXPECT_EQ(log.Text().size(), MessageLog::kLimit);
}
