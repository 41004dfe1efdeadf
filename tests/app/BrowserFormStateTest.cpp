#include "app/BrowserForm.h"
#include "app/miKezConverterMain.h"
#include "support/FormControls.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>

namespace {

class BrowserFormState : public ::testing::Test {
protected:
    void SetUp() override
    {
        miKezConverterMain::CreateAndReadOptions();
        form = std::make_unique<BrowserForm>();
        form->Execute();
    }
    void TearDown() override
    {
        form.reset();
        miKezConverterMain::ReleaseOptions();
    }

    template <class T>
    T* child(const char* name)
    {
        return FindControl<T>(form.get(), name);
    }
    QColor destDirBackground() { return DestDirBackground(form.get()); }
    static QColor buttonFace() { return ButtonFaceColour(); }
    static QColor windowBackground() { return WindowBackgroundColour(); }

    TestEnvironment environment;
    std::unique_ptr<BrowserForm> form;
};

} // namespace

TEST_F(BrowserFormState, IdleWithAnEmptyListEnablesAllButDeleteAndTheFixedFolder)
{
    EXPECT_TRUE(child<QPushButton>("theAddSrcFile")->isEnabled());
    EXPECT_FALSE(child<QPushButton>("theDeleteSrcFile")->isEnabled());
    EXPECT_TRUE(child<QCheckBox>("theSrcOnlyKez")->isEnabled());
    EXPECT_TRUE(child<QRadioButton>("theDestDirSame")->isChecked());
    EXPECT_FALSE(child<QLineEdit>("theDestDir")->isEnabled());
    EXPECT_EQ(destDirBackground(), buttonFace());
    EXPECT_FALSE(child<QToolButton>("theSelectFolder")->isEnabled());
    EXPECT_TRUE(child<QPushButton>("theOptions")->isEnabled());
    EXPECT_TRUE(child<QPushButton>("theRunConverting")->isEnabled());
    EXPECT_EQ(child<QPushButton>("theRunConverting")->text(), QStringLiteral("Конвертировать!"));
    EXPECT_TRUE(child<QCheckBox>("theConvertImmediately")->isEnabled());
}

TEST_F(BrowserFormState, ChoosingTheFixedFolderEnablesItsTextAndButtonAndTheOtherChoiceDisablesThem)
{
    QTest::mouseClick(child<QRadioButton>("theDestDirFixed"), Qt::LeftButton);
    EXPECT_TRUE(child<QLineEdit>("theDestDir")->isEnabled());
    EXPECT_EQ(destDirBackground(), windowBackground());
    EXPECT_TRUE(child<QToolButton>("theSelectFolder")->isEnabled());

    QTest::mouseClick(child<QRadioButton>("theDestDirSame"), Qt::LeftButton);
    EXPECT_FALSE(child<QLineEdit>("theDestDir")->isEnabled());
    EXPECT_EQ(destDirBackground(), buttonFace());
    EXPECT_FALSE(child<QToolButton>("theSelectFolder")->isEnabled());
}

TEST_F(BrowserFormState, BusyLeavesOnlyTheStopButtonListAndLogUsableAndKeepsTheDestination)
{
    QTest::mouseClick(child<QRadioButton>("theDestDirFixed"), Qt::LeftButton);
    form->SetBusy(true);

    EXPECT_TRUE(form->IsBusy());
    EXPECT_EQ(child<QPushButton>("theRunConverting")->text(), QStringLiteral("Стоп!"));
    EXPECT_TRUE(child<QPushButton>("theRunConverting")->isEnabled());
    for (const char* name : {"theAddSrcFile", "theDeleteSrcFile", "theOptions"})
        EXPECT_FALSE(child<QPushButton>(name)->isEnabled()) << name;
    for (const char* name : {"theSrcOnlyKez", "theConvertImmediately"})
        EXPECT_FALSE(child<QCheckBox>(name)->isEnabled()) << name;
    EXPECT_FALSE(child<QRadioButton>("theDestDirSame")->isEnabled());
    EXPECT_FALSE(child<QRadioButton>("theDestDirFixed")->isEnabled());
    EXPECT_FALSE(child<QLineEdit>("theDestDir")->isEnabled());
    EXPECT_EQ(destDirBackground(), buttonFace());
    EXPECT_FALSE(child<QToolButton>("theSelectFolder")->isEnabled());
    EXPECT_TRUE(child<QListWidget>("theSrcList")->isEnabled());
    EXPECT_TRUE(child<QPlainTextEdit>("theConvertResults")->isEnabled());
    EXPECT_TRUE(child<QRadioButton>("theDestDirFixed")->isChecked());
    EXPECT_FALSE(child<QRadioButton>("theDestDirSame")->isChecked());

    form->SetBusy(false);
    EXPECT_EQ(child<QPushButton>("theRunConverting")->text(), QStringLiteral("Конвертировать!"));
    EXPECT_TRUE(child<QRadioButton>("theDestDirFixed")->isChecked());
    EXPECT_TRUE(child<QLineEdit>("theDestDir")->isEnabled());
    EXPECT_EQ(destDirBackground(), windowBackground());
}

TEST_F(BrowserFormState, TheUpdateLockDefersTheRefreshUntilItIsReleased)
{
    form->LockUpdate();
    form->LockUpdate();
    child<QRadioButton>("theDestDirFixed")->setChecked(true);
    EXPECT_FALSE(child<QLineEdit>("theDestDir")->isEnabled());
    form->UnlockUpdate();
    EXPECT_TRUE(form->IsUpdateLocked());
    EXPECT_FALSE(child<QLineEdit>("theDestDir")->isEnabled());
    form->UnlockUpdate();
    EXPECT_FALSE(form->IsUpdateLocked());
    EXPECT_TRUE(child<QLineEdit>("theDestDir")->isEnabled());
}

TEST_F(BrowserFormState, WindowHasTheFixedClientSizeCaptionAndTwoPopupMenus)
{
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Конвертер из KEZ в RTF"));
    EXPECT_EQ(form->size(), QSize(563, 427));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(child<QListWidget>("theSrcList")->geometry(), QRect(4, 20, 445, 108));
    EXPECT_EQ(child<QPushButton>("theRunConverting")->geometry(), QRect(192, 188, 165, 37));
    EXPECT_TRUE(child<QPushButton>("theRunConverting")->font().bold());
    EXPECT_EQ(child<QListWidget>("theSrcList")->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_TRUE(child<QPlainTextEdit>("theConvertResults")->isReadOnly());
    EXPECT_NE(form->findChild<QObject*>(QStringLiteral("mnListPopup")), nullptr);
    EXPECT_NE(form->findChild<QObject*>(QStringLiteral("mnClearList")), nullptr);
    EXPECT_NE(form->findChild<QObject*>(QStringLiteral("mnMessagesPopup")), nullptr);
    EXPECT_NE(form->findChild<QObject*>(QStringLiteral("mnCopyAllMessages")), nullptr);
}

TEST_F(BrowserFormState, TabOrderFollowsTheLayoutTable)
{
    const char* order[] = {"theAddSrcFile", "theDeleteSrcFile", "theSrcOnlyKez", "theDestDirSame",
                           "theDestDirFixed", "theDestDir", "theSelectFolder", "theOptions",
                           "theRunConverting", "theConvertImmediately", "theConvertResults", "theSrcList"};
    QStringList expected;
    for (const char* name : order)
        expected << QLatin1String(name);

    // Walk the focus chain once round, keeping the named controls in the order they come.
    QWidget* start = form->findChild<QWidget*>(expected.first());
    ASSERT_NE(start, nullptr);
    QStringList visited{start->objectName()};
    for (QWidget* w = start->nextInFocusChain(); w != start; w = w->nextInFocusChain())
        if (expected.contains(w->objectName()) && !visited.contains(w->objectName()))
            visited << w->objectName();
    EXPECT_EQ(visited, expected);
}
