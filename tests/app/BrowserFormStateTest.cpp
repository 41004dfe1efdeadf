#include "app/MainWindowFixture.h"

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
