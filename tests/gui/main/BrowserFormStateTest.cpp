#include "support/MainWindowFixture.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

class BrowserFormState : public MainWindowTest {
protected:
    void SetUp() override { start(); }

    // The named controls in tab order, and which of them are enabled.
    const QStringList kControls = {"theAddSrcFile",   "theDeleteSrcFile",  "theSrcOnlyKez",   "theDestDirSame",
                                   "theDestDirFixed", "theDestDir",        "theSelectFolder", "theOptions",
                                   "theRunConverting", "theConvertImmediately", "theConvertResults", "theSrcList"};
    QStringList enabledControls()
    {
        QStringList out;
        for (const QString& name : kControls)
            if (child<QWidget>(name.toLatin1().constData())->isEnabled())
                out << name;
        return out;
    }
    QStringList allBut(const QStringList& aDisabled)
    {
        QStringList out = kControls;
        for (const QString& name : aDisabled)
            out.removeOne(name);
        return out;
    }
    QColor destDirBackground() { return DestDirBackground(form.get()); }
};

} // namespace

TEST_F(BrowserFormState, IdleAndBusyEnableTheirControlsAndBusyKeepsTheDestination)
{
    EXPECT_EQ(enabledControls(), allBut({"theDeleteSrcFile", "theDestDir", "theSelectFolder"}));
    EXPECT_TRUE(child<QRadioButton>("theDestDirSame")->isChecked());
    EXPECT_EQ(destDirBackground(), ButtonFaceColour());
    EXPECT_EQ(child<QPushButton>("theRunConverting")->text(), QStringLiteral("Конвертировать!"));

    click("theDestDirFixed");
    EXPECT_EQ(enabledControls(), allBut({"theDeleteSrcFile"}));
    EXPECT_EQ(destDirBackground(), WindowBackgroundColour());

    form->SetBusy(true);
    EXPECT_TRUE(form->IsBusy());
    EXPECT_EQ(enabledControls(), (QStringList{"theRunConverting", "theConvertResults", "theSrcList"}));
    EXPECT_EQ(child<QPushButton>("theRunConverting")->text(), QStringLiteral("Стоп!"));
    EXPECT_EQ(destDirBackground(), ButtonFaceColour());
    EXPECT_TRUE(child<QRadioButton>("theDestDirFixed")->isChecked());

    form->SetBusy(false);
    EXPECT_EQ(enabledControls(), allBut({"theDeleteSrcFile"}));
    EXPECT_EQ(destDirBackground(), WindowBackgroundColour());
    EXPECT_EQ(child<QPushButton>("theRunConverting")->text(), QStringLiteral("Конвертировать!"));

    click("theDestDirSame");
    EXPECT_EQ(enabledControls(), allBut({"theDeleteSrcFile", "theDestDir", "theSelectFolder"}));
}

TEST_F(BrowserFormState, TheUpdateLockDefersTheRefreshUntilItIsReleased)
{
    form->LockUpdate();
    form->LockUpdate();
    child<QRadioButton>("theDestDirFixed")->setChecked(true);
    form->UnlockUpdate();
    EXPECT_TRUE(form->IsUpdateLocked());
    EXPECT_FALSE(child<QLineEdit>("theDestDir")->isEnabled());
    form->UnlockUpdate();
    EXPECT_FALSE(form->IsUpdateLocked());
    EXPECT_TRUE(child<QLineEdit>("theDestDir")->isEnabled());
}

TEST_F(BrowserFormState, WindowHasItsFixedSizeCaptionLayoutMenusAndTabOrder)
{
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Конвертер из KEZ в RTF"));
    EXPECT_EQ(form->size(), QSize(563, 427));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(list()->geometry(), QRect(4, 20, 445, 108));
    EXPECT_EQ(list()->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(child<QPushButton>("theRunConverting")->geometry(), QRect(192, 188, 165, 37));
    EXPECT_TRUE(child<QPushButton>("theRunConverting")->font().bold());
    EXPECT_TRUE(child<QPlainTextEdit>("theConvertResults")->isReadOnly());
    for (const char* name : {"mnListPopup", "mnClearList", "mnMessagesPopup", "mnCopyAllMessages"})
        child<QObject>(name);

    // Walk the focus chain once round, keeping the named controls in the order they come.
    QWidget* first = child<QWidget>("theAddSrcFile");
    QStringList visited{first->objectName()};
    for (QWidget* w = first->nextInFocusChain(); w != first; w = w->nextInFocusChain())
        if (kControls.contains(w->objectName()) && !visited.contains(w->objectName()))
            visited << w->objectName();
    EXPECT_EQ(visited, kControls);
}

namespace {

class BrowserFormKeyboard : public BrowserFormState {
protected:
    void SetUp() override
    {
        BrowserFormState::SetUp();
        form->show();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    QString focused() const { return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(); }
    void press(Qt::Key aKey, Qt::KeyboardModifiers aModifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), aKey, aModifiers);
    }
};

} // namespace

TEST_F(BrowserFormKeyboard, TheWindowOpensWithTheFocusOnAdd) { EXPECT_EQ(focused(), QStringLiteral("theAddSrcFile")); }

// Tab, either way, enters the destination buttons at the chosen one and leaves at once.
TEST_F(BrowserFormKeyboard, TabEntersTheDestinationButtonsAtTheChosenOne)
{
    const struct {
        const char* chosen;
        const char* after; // the folder box only takes part when the fixed folder is chosen
    } cases[] = {{"theDestDirFixed", "theDestDir"}, {"theDestDirSame", "theOptions"}, {"theDestDirFixed", "theDestDir"}};
    for (const auto& [chosen, after] : cases) {
        child<QRadioButton>(chosen)->setChecked(true);
        child<QWidget>("theSrcOnlyKez")->setFocus();
        press(Qt::Key_Tab);
        EXPECT_EQ(focused(), QLatin1String(chosen)) << "forwards";
        press(Qt::Key_Tab);
        EXPECT_EQ(focused(), QLatin1String(after)) << "the other button is skipped";
        child<QWidget>("theOptions")->setFocus();
        // Back over the folder box and its button when they take part.
        do
            press(Qt::Key_Backtab, Qt::ShiftModifier);
        while (focused() == QLatin1String("theSelectFolder") || focused() == QLatin1String("theDestDir"));
        EXPECT_EQ(focused(), QLatin1String(chosen)) << "backwards";
    }
}

TEST_F(BrowserFormKeyboard, EnterPressesTheFocusedButtonAsSpaceDoes)
{
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
        form->AddSrcFile("/k/a.kez");
        list()->setCurrentRow(0);
        child<QWidget>("theDeleteSrcFile")->setFocus(Qt::TabFocusReason);
        press(key);
        QTRY_VERIFY_WITH_TIMEOUT(lines().isEmpty(), 2000);
    }
}

// The Delete key on the list does what "Удалить" does, and nothing when the button could not be pressed.
TEST_F(BrowserFormKeyboard, DeleteKeyRemovesTheSelectedLinesLikeTheButton)
{
    const QStringList files{"/k/a.kez", "/k/b.kez", "/k/c.kez", "/k/d.kez"};
    for (const QString& file : files)
        form->AddSrcFile(file);
    list()->setFocus();
    list()->setCurrentRow(1);
    press(Qt::Key_Delete);
    EXPECT_EQ(lines(), (QStringList{"/k/a.kez", "/k/c.kez", "/k/d.kez"}));
    EXPECT_EQ(list()->currentRow(), 1) << "the next line is chosen, as after the button";
    EXPECT_TRUE(list()->item(1)->isSelected());

    form->SetBusy(true);
    press(Qt::Key_Delete);
    EXPECT_EQ(lines().size(), 3) << "nothing is removed during a run";
    form->SetBusy(false);
}
