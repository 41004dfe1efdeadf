#pragma once
#include <QDialog>

#include <array>
#include <utility>

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
    qint32 IntSourceEncoding() { return GetListValue(theSourceEncoding, "Get-IntSourceEncoding"); }
    void SetIntSourceEncoding(qint32 aValue) { LetListValue(theSourceEncoding, "Let-IntSourceEncoding", aValue); }
    qint32 IntCSDigitMode() { return GetListValue(theCsDigitMode, "Get-IntCSDigitMode"); }
    void SetIntCSDigitMode(qint32 aValue) { LetListValue(theCsDigitMode, "Let-IntCSDigitMode", aValue); }
    qint32 IntCSSpacedOutMode() { return GetListValue(theCsSpacedOutMode, "Get-IntCSSpacedOutMode"); }
    void SetIntCSSpacedOutMode(qint32 aValue) { LetListValue(theCsSpacedOutMode, "Let-IntCSSpacedOutMode", aValue); }
    qint32 IntRusMode() { return GetListValue(theRuMode, "Get-IntRusMode"); }
    void SetIntRusMode(qint32 aValue) { LetListValue(theRuMode, "Let-IntRusMode", aValue); }
    qint32 IntGreekMode() { return GetListValue(theGrMode, "Get-IntGreekMode"); }
    void SetIntGreekMode(qint32 aValue) { LetListValue(theGrMode, "Let-IntGreekMode", aValue); }
    qint32 IntFtnBottMode() { return GetListValue(theBotFtnMode, "Get-IntFtnBottMode"); }
    void SetIntFtnBottMode(qint32 aValue) { LetListValue(theBotFtnMode, "Let-IntFtnBottMode", aValue); }
    qint32 IntFtnMargMode() { return GetListValue(theFldFtnMode, "Get-IntFtnMargMode"); }
    void SetIntFtnMargMode(qint32 aValue) { LetListValue(theFldFtnMode, "Let-IntFtnMargMode", aValue); }
    qint32 IntNsSpecCommMode() { return GetListValue(theNsSpecCommMode, "Get-IntNsSpecCommMode"); }
    void SetIntNsSpecCommMode(qint32 aValue) { LetListValue(theNsSpecCommMode, "Let-IntNsSpecCommMode", aValue); }
    qint32 IntNsCommandsMode() { return GetListValue(theNsCommandsMode, "Get-IntNsCommandsMode"); }
    void SetIntNsCommandsMode(qint32 aValue) { LetListValue(theNsCommandsMode, "Let-IntNsCommandsMode", aValue); }
    qint32 IntNsFunctionsMode() { return GetListValue(theNsFunctionsMode, "Get-IntNsFunctionsMode"); }
    void SetIntNsFunctionsMode(qint32 aValue) { LetListValue(theNsFunctionsMode, "Let-IntNsFunctionsMode", aValue); }
    qint32 IntNsVariantsMode() { return GetListValue(theNsVariantsMode, "Get-IntNsVariantsMode"); }
    void SetIntNsVariantsMode(qint32 aValue) { LetListValue(theNsVariantsMode, "Let-IntNsVariantsMode", aValue); }
    qint32 IntErrMode() { return GetListValue(theErrMode, "Get-IntErrMode"); }
    void SetIntErrMode(qint32 aValue) { LetListValue(theErrMode, "Let-IntErrMode", aValue); }

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
    qint32 GetListValue(QComboBox* aList, const char* aProcedure);
    void LetListValue(QComboBox* aList, const char* aProcedure, qint32 aValue);
    // Each font selector with the record of aOptions it edits.
    std::array<std::pair<LuFontSelector*, TOptionsFont*>, 9> FontRows(TLuKezOptions& aOptions) const;

    bool mModalResult = false;
    qint32 mUpdateLockCount = 0;
    bool mSelectingPage = false;

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
