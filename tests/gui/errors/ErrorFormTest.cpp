#include "gui/errors/ErrorForm.h"
#include "support/FormControls.h"
#include "gui/forms/miGraph.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class ErrorFormTest : public ::testing::Test {
protected:
    template <class T>
    T* child(const char* aName) { return FindControl<T>(&form, aName); }
    QPushButton* details() { return child<QPushButton>("theDetails"); }
    int heightTwips() { return miGraph::PixelsToTwipsY(form.height()); }
    ErrorForm form;
};

} // namespace

TEST_F(ErrorFormTest, OpensAtTheShortViewsSizeUnderItsTitleAndTheUserMayResizeIt)
{
    EXPECT_EQ(form.objectName(), QStringLiteral("ErrorForm"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Сбой программы"));
    EXPECT_EQ(miGraph::PixelsToTwipsX(form.width()), 7140);
    EXPECT_EQ(heightTwips(), 3900);
    EXPECT_EQ(form.minimumSize(), QSize(0, 0));
    EXPECT_EQ(form.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    EXPECT_FALSE(form.windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint));
    EXPECT_FALSE(form.windowFlags().testFlag(Qt::WindowContextHelpButtonHint));
}

TEST_F(ErrorFormTest, ShortViewShowsTheFirstSectionAndDetailedViewEverything)
{
    const QString dashes = QString(50, QChar(0x2014)), crlf = QStringLiteral("\r\n"), sep = QString(QChar(1));
    form.Prepare(QStringLiteral("Сбой") + sep + QStringLiteral("второй") + sep + QStringLiteral("третий"),
                 QStringLiteral("[P::A.B]\r\n[P]"), 5, QString());
    form.show();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Сбой программы"));
    EXPECT_EQ(child<QPlainTextEdit>("theShortText")->toPlainText(), QStringLiteral("Сбой"));
    EXPECT_TRUE(child<QLabel>("theLabel")->isVisible());
    EXPECT_FALSE(child<QPlainTextEdit>("theFullText")->isVisible());
    EXPECT_EQ(details()->text(), QStringLiteral("Подробнее  >>"));
    EXPECT_EQ(form.FullText(), QStringLiteral("Сбой") + crlf + dashes + crlf + QStringLiteral("второй") + crlf + dashes +
                                   crlf + QStringLiteral("третий") + crlf + dashes + crlf + QStringLiteral("Стек:") +
                                   crlf + QStringLiteral("[P::A.B]\r\n[P]") + crlf + dashes + crlf +
                                   QStringLiteral("Код ошибки: 5 (0x5)"));

    QTest::mouseClick(details(), Qt::LeftButton);
    EXPECT_TRUE(child<QPlainTextEdit>("theFullText")->isVisible());
    EXPECT_FALSE(child<QPlainTextEdit>("theShortText")->isVisible());
    EXPECT_FALSE(child<QLabel>("theLabel")->isVisible());
    EXPECT_EQ(details()->text(), QStringLiteral("Подробнее  <<"));

    // Without a source and with code 0 neither the stack nor the code section appears.
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
}

TEST_F(ErrorFormTest, ResizeKeepsTheTextAreaAndButtonStripRules)
{
    form.Prepare(QStringLiteral("x"), QString(), 1, QString());
    form.show();
    form.resize(miGraph::TwipsToPixelsX(9000), miGraph::TwipsToPixelsY(6000));
    const QRect full = child<QPlainTextEdit>("theFullText")->geometry();
    EXPECT_EQ(miGraph::PixelsToTwipsX(full.left()), 900);
    EXPECT_EQ(miGraph::PixelsToTwipsY(full.top()), 150);
    EXPECT_EQ(miGraph::PixelsToTwipsX(full.width()), 9000 - 1140);
    EXPECT_EQ(miGraph::PixelsToTwipsY(full.height()), 6000 - 990);
    EXPECT_EQ(miGraph::PixelsToTwipsX(form.width() - child<QPushButton>("theOK")->geometry().right() - 1), 240);
    EXPECT_EQ(miGraph::PixelsToTwipsX(details()->x()), 240);
}
