#pragma once
#include "core/options/TOptionsFont.h"
#include "core/fonts/TInstalledFont.h"

#include <QDialog>

#include <functional>
#include <memory>

class FontExampleField;
class LuColorSelector;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The dialog "Шрифт": face, size, bold, italic and the two colours of one font setting, with a
// live sample. The caller fills the public members, calls Execute and, when it returns True,
// finds the edited values in TheFont (the same object it gave) and OnlyAppropriate.
class LuFontSelectorFrm : public QDialog {
    Q_OBJECT
public:
    explicit LuFontSelectorFrm(QWidget* aParent = nullptr);
    ~LuFontSelectorFrm() override;

    std::shared_ptr<TOptionsFont> TheFont = std::make_shared<TOptionsFont>();
    qint32 AppropriateClass = 0;
    bool OnlyAppropriate = false;
    QString ExampleText; // already decoded
    // 0 shown and editable, 1 shown but disabled, anything else hidden.
    qint32 StateFace = 0;
    qint32 StateSize = 0;
    qint32 StateBold = 0;
    qint32 StateItalic = 0;
    qint32 StateFore = 0;
    qint32 StateBack = 0;
    bool ModalResult = false;

    // Enumerates the installed fonts afresh, fills the controls from the members, and runs the
    // dialog modally. True after OK, with the controls written back.
    bool Execute();

    // The catalogue held since Execute; enumerated when there is none. Null when enumeration failed.
    const InstalledFontCollection* FontCollection();

    void FillControls();
    void FillFonts();
    void DistributeValues();
    void AssembleValues();
    bool Validate();
    void RefreshStates();
    void SetBeginStateOf(QWidget* aControl, qint32 aState, bool aIsEditor);
    void RefreshExample();
    void SearchInFaceList(const QString& aText);
    void SearchInSizeList(double aValue);
    qint32 GetFontSize();

    // Event handlers, named after the control and the event.
    void Form_Load();
    void theBold_Click();
    void theItalic_Click();
    void theColor_Change();
    void theOK_Click();
    void theCancel_Click();
    void theFaceList_Click();
    void theFaceText_Change();
    void theOnlyAppropriate_Click();
    void theSizeList_Click();
    void theSizeText_Change();
    // The typed character, or 0 when it is discarded.
    char16_t theSizeText_KeyPress(char16_t aKeyAscii);

    // Runs in place of the modal loop, with the dialog shown: empty in the program (the modal
    // loop runs), the user's actions in tests (through ScopedOverride).
    using ModalHook = std::function<void(LuFontSelectorFrm& aDialog)>;
    static ModalHook& modalHook();

protected:
    bool eventFilter(QObject* aWatched, QEvent* aEvent) override;

private:
    // Enumerates the installed fonts into mFontCollection.
    void ReadFontCollection();

    QLineEdit* theFaceText = nullptr;
    QListWidget* theFaceList = nullptr;
    QCheckBox* theBold = nullptr;
    QCheckBox* theItalic = nullptr;
    LuColorSelector* theColor = nullptr;
    QCheckBox* theOnlyAppropriate = nullptr;
    QLineEdit* theSizeText = nullptr;
    QListWidget* theSizeList = nullptr;
    QPushButton* theOK = nullptr;
    QPushButton* theCancel = nullptr;
    QLabel* theFaceLabel = nullptr;
    QLabel* theTypefaceLabel = nullptr;
    QLabel* theSizeLabel = nullptr;
    QLabel* theColorLabel = nullptr;
    FontExampleField* theExampleField = nullptr;
    QWidget* theBaseLine = nullptr;

    std::unique_ptr<InstalledFontCollection> mFontCollection;
    bool mFaceTextSuppressed = false;
    bool mFaceListSuppressed = false;
    bool mSizeTextSuppressed = false;
    bool mSizeListSuppressed = false;
};
