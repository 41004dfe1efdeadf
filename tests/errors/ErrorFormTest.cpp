#include "errors/ErrorForm.h"
#include "errors/ErrorReportText.h"
#include "ui/colors/miGraph.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString kDashes = QString(50, QChar(0x2014));
const QString kSep = QString(QChar(1));

class ErrorFormTest : public ::testing::Test {
protected:
    ErrorForm form;
    QPushButton* details() { return form.findChild<QPushButton*>(QStringLiteral("theDetails")); }
    QPlainTextEdit* shortBox() { return form.findChild<QPlainTextEdit*>(QStringLiteral("theShortText")); }
    QPlainTextEdit* fullBox() { return form.findChild<QPlainTextEdit*>(QStringLiteral("theFullText")); }
    QLabel* label() { return form.findChild<QLabel*>(QStringLiteral("theLabel")); }
    int heightTwips() { return miGraph::PixelsToTwipsY(form.height()); }
};

} // namespace

TEST_F(ErrorFormTest, ShortViewShowsFirstSectionAndDetailedViewShowsEverything)
{
    form.Prepare(QStringLiteral("Сбой") + kSep + QStringLiteral("второй") + kSep + QStringLiteral("третий"),
                 QStringLiteral("[P::A.B]\r\n[P]"), 5, QString());
    form.show();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Сбой программы"));
    EXPECT_EQ(form.ShortText(), QStringLiteral("Сбой"));
    EXPECT_EQ(shortBox()->toPlainText(), QStringLiteral("Сбой"));
    EXPECT_TRUE(shortBox()->isVisible());
    EXPECT_TRUE(label()->isVisible());
    EXPECT_FALSE(fullBox()->isVisible());
    EXPECT_EQ(details()->text(), QStringLiteral("Подробнее  >>"));

    const QString crlf = QStringLiteral("\r\n");
    EXPECT_EQ(form.FullText(), QStringLiteral("Сбой") + crlf + kDashes + crlf + QStringLiteral("второй") + crlf +
                                   kDashes + crlf + QStringLiteral("третий") + crlf + kDashes + crlf +
                                   QStringLiteral("Стек:") + crlf + QStringLiteral("[P::A.B]\r\n[P]") + crlf +
                                   kDashes + crlf + QStringLiteral("Код ошибки: 5 (0x5)"));

    QTest::mouseClick(details(), Qt::LeftButton);
    EXPECT_TRUE(form.DetailView());
    EXPECT_TRUE(fullBox()->isVisible());
    EXPECT_FALSE(shortBox()->isVisible());
    EXPECT_FALSE(label()->isVisible());
    EXPECT_EQ(details()->text(), QStringLiteral("Подробнее  <<"));
}

TEST_F(ErrorFormTest, NoStackWithoutSourceAndNoCodeForZero)
{
    form.Prepare(QStringLiteral("Только текст"), QString(), 0, QStringLiteral("Заголовок"));
    EXPECT_EQ(form.FullText(), QStringLiteral("Только текст"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Заголовок"));
}

TEST_F(ErrorFormTest, SwitchingTwiceRaisesToSixThousandThenLowersToThirtyNineHundred)
{
    form.Prepare(QStringLiteral("x"), QString(), 1, QString());
    form.show();
    form.resize(form.width(), miGraph::TwipsToPixelsY(3000));
    QTest::mouseClick(details(), Qt::LeftButton);
    EXPECT_EQ(heightTwips(), 6000);
    QTest::mouseClick(details(), Qt::LeftButton);
    EXPECT_FALSE(form.DetailView());
    EXPECT_EQ(heightTwips(), 3900);

    // A window already high enough is not lowered by the detailed view.
    form.resize(form.width(), miGraph::TwipsToPixelsY(7500));
    form.SetDetailView(true);
    EXPECT_EQ(heightTwips(), 7500);
    form.SetDetailView(true); // already active: nothing happens
    EXPECT_EQ(heightTwips(), 7500);
}

TEST_F(ErrorFormTest, ResizeKeepsTheTextAreaAndButtonStripRules)
{
    form.Prepare(QStringLiteral("x"), QString(), 1, QString());
    form.show();
    form.resize(miGraph::TwipsToPixelsX(9000), miGraph::TwipsToPixelsY(6000));
    const QRect full = fullBox()->geometry();
    EXPECT_EQ(miGraph::PixelsToTwipsX(full.left()), 900);
    EXPECT_EQ(miGraph::PixelsToTwipsY(full.top()), 150);
    EXPECT_EQ(miGraph::PixelsToTwipsX(full.width()), 9000 - 1140);
    EXPECT_EQ(miGraph::PixelsToTwipsY(full.height()), 6000 - 990);
    QPushButton* ok = form.findChild<QPushButton*>(QStringLiteral("theOK"));
    EXPECT_EQ(miGraph::PixelsToTwipsX(form.width() - ok->geometry().right() - 1), 240);
    EXPECT_EQ(miGraph::PixelsToTwipsX(details()->x()), 240);
}
