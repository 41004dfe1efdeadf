#pragma once
#include "core/colors/PopupPlacement.h"

#include <QDialog>

#include <array>

class QFrame;
class QLabel;

// The palette pop-up: sixteen colour cells and "(Auto)", placed under (or above) the control that
// opened it. It lives for one choice; the only ways out are a cell, "(Auto)" and the cross, or by
// keyboard Esc (the cross) and Enter or Space on the cell the arrow keys framed.
class LuColorSelectorFrm : public QDialog {
    Q_OBJECT
public:
    explicit LuColorSelectorFrm(QWidget* aParent = nullptr);

    // The bounds of the opening control, in screen twips.
    void SetParentControlBounds(qint32 aLeft, qint32 aTop, qint32 aWidth, qint32 aHeight);

    // Shows the pop-up modally with aColorIndex marked. True after a choice, with the choice in
    // aColorIndex; false after the cross, aColorIndex untouched.
    bool Execute(qint32& aColorIndex);

    qint32 ColorIndex() const { return mColorIndex; }
    // Stores without a range check (an index outside 0 to 16 simply shows no mark).
    void SetColorIndex(qint32 aValue);

    bool ModalResult() const { return mModalResult; }

    // Where the pop-up goes for the recorded parent bounds, on the primary screen.
    PopupPlacement::TwipBounds BuildFormBounds() const;

    void RefreshControls();

    void theColor_Click(int aIndex);
    void theAuto_Click();
    void theClose_Click();

    // The cell the keyboard's frame is on: miColor::kAutoIndex for "(Auto)", else a colour index.
    qint32 FramedIndex() const { return mFramed; }

protected:
    bool eventFilter(QObject* aWatched, QEvent* aEvent) override;
    void closeEvent(QCloseEvent* aEvent) override;
    void keyPressEvent(QKeyEvent* aEvent) override;
    void showEvent(QShowEvent* aEvent) override;

public slots:
    // Escape and the window manager's close do not count as a way out.
    void reject() override {}

private:
    void Choose(qint32 aColorIndex);
    void FrameCell(qint32 aIndex);

    QFrame* Shape1 = nullptr;
    QLabel* theAuto = nullptr;
    QLabel* theClose = nullptr;
    std::array<QLabel*, 16> theColor{};
    std::array<QLabel*, 2> theImage{};
    QFrame* theFocus = nullptr;

    qint32 mColorIndex = 0;
    bool mModalResult = false;
    bool mChosen = false;
    qint32 mFramed = 0;
    // The column Down returns to from "(Auto)".
    qint32 mColumn = 0;
    PopupPlacement::TwipBounds mParentBounds;
};
