#pragma once
#include "core/options/OptionsTableRows.h"

#include <QDialog>

#include <utility>
#include <vector>

class LuColorSelector;
class LuFontSelector;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QPushButton;
class QRadioButton;
class TLuKezOptions;
class TOptionsFont;

// "Опции конвертации": the tabbed dialog that edits the conversion options. It copies the
// options into its controls when it opens and back only on OK; fonts are edited on the
// selectors' own copies, so leaving without OK changes nothing.
class KezOptionsFrm : public QDialog {
    Q_OBJECT
public:
    static constexpr int kPageCount = 8;

    explicit KezOptionsFrm(QWidget* parent = nullptr);

    // Shows the dialog modally on aOptions; true when the user left it with OK (aOptions then
    // holds the edited values).
    bool Execute(TLuKezOptions& aOptions);

    void SelectPage(qint32 aIndex);
    void DistributeValues(TLuKezOptions& aOptions);
    void AssembleValues(TLuKezOptions& aOptions);
    void RefreshControls();
    bool Validate();

    bool ModalResult() const { return mModalResult; }

    void LockUpdate();
    void UnlockUpdate();
    bool IsUpdateLocked() const;

    // The controls' values; a list's value is its chosen index, −1 when none is chosen.
    bool IntIsDirectPipe();
    void SetIntIsDirectPipe(bool aValue);
    bool IntDontShowAgain();
    void SetIntDontShowAgain(bool aValue);
    // One pair for each choice of the options table, named by its row (IntRusMode, SetIntRusMode).
#define KEZ_OPTIONS_LIST_PROPERTY(aMember, aStored, aDefault, aProperty, ...)                                   \
    qint32 aProperty();                                                                                        \
    void Set##aProperty(qint32 aValue);
    KEZ_OPTIONS_TABLE(KEZ_OPTIONS_SKIP, KEZ_OPTIONS_LIST_PROPERTY, KEZ_OPTIONS_SKIP, KEZ_OPTIONS_SKIP)
#undef KEZ_OPTIONS_LIST_PROPERTY

    // Event handlers, named after the control and the event.
    void theOK_Click();
    void theCancel_Click();
    void theAbout_Click();
    void PageButton_Click(qint32 aIndex); // theTSCommon_Click ... theTSErrors_Click
    void ModeList_Click(const char* aProcedure); // the lists and option buttons that affect others

signals:
    // Raised at the end of every RefreshControls.
    void ControlsRefreshed();

protected:
    void reject() override;

private:
    void CreateControls();
    void ConnectEvents();
    // A choice's list with its option and its property pair's names for the error trail.
    struct BoundList {
        qint32 TLuKezOptions::*Option;
        QComboBox* List;
        const char* GetProcedure;
        const char* LetProcedure;
    };
    // Makes the list of a choice of the options table and binds it to its option.
    QComboBox* MakeModeList(QWidget* aParent, const char* aName, qint32 TLuKezOptions::*aOption);
    const BoundList& Bound(qint32 TLuKezOptions::*aOption) const;
    qint32 GetListValue(const BoundList& aList);
    void LetListValue(const BoundList& aList, qint32 aValue);
    // A font selector or colour selector bound to the option it edits.
    using FontOf = TOptionsFont& (TLuKezOptions::*)();
    LuFontSelector* BindFont(LuFontSelector* aSelector, FontOf aFont);
    LuColorSelector* BindColour(LuColorSelector* aSelector, qint32 TLuKezOptions::*aOption);
    // Every option of the table with a control of its own has one; else the dialog is not made.
    void CheckBindings() const;

    bool mModalResult = false;
    qint32 mUpdateLockCount = 0;
    bool mSelectingPage = false;
    // The controls bound to options, each kind in the order they are made.
    std::vector<BoundList> mLists;
    std::vector<std::pair<LuFontSelector*, FontOf>> mFonts;
    std::vector<std::pair<LuColorSelector*, qint32 TLuKezOptions::*>> mColours;

    // Controls, by their object names.
    QPushButton* mPageButton[kPageCount];
    QFrame* mPageFrame[kPageCount];
    QButtonGroup* mPageGroup;
    QPushButton* theAbout;
    QPushButton* theOK;
    QPushButton* theCancel;

    QRadioButton* theConvertToViewable;
    QRadioButton* theLoadUnconverted;
    QComboBox* theSourceEncoding;
    QCheckBox* theDontShowAgain;

    LuFontSelector* theCsUcs8Text;
    QComboBox* theCsDigitMode;
    LuFontSelector* theCsERoosText;
    LuFontSelector* theCsOtherText;
    QComboBox* theCsSpacedOutMode;
    LuFontSelector* theCsSpacedOutText;

    QComboBox* theRuMode;
    LuFontSelector* theRuText;
    QComboBox* theGrMode;
    LuFontSelector* theGrText;
    LuFontSelector* theLtText;

    QComboBox* theBotFtnMode;
    LuColorSelector* theBotFtnColor;
    QComboBox* theFldFtnMode;
    LuColorSelector* theFldFtnColor;

    LuFontSelector* theNsText;
    QComboBox* theNsSpecCommMode;
    QComboBox* theNsCommandsMode;
    QComboBox* theNsFunctionsMode;
    QComboBox* theNsVariantsMode;

    QComboBox* theErrMode;
    LuFontSelector* theErrText;
};
