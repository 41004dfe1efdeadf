#pragma once
#include "core/options/TOptionsFont.h"
#include "core/options/PropertyBag.h"

#include <QWidget>

#include <memory>

class QLineEdit;
class QPushButton;

// One font setting in a host form: a one-line description ("face, size[, Bold][, Italic]") in
// the font's own colours, and ". . ." that opens the font dialog over it.
//
// Setting a property from code never raises Change; only Enabled tells the host that a
// persisted property changed (PropertyChanged "Enabled").
class LuFontSelector : public QWidget, public PersistedProperties {
    Q_OBJECT
    Q_PROPERTY(QString ExampleText READ ExampleText WRITE SetExampleText)
    Q_PROPERTY(qint32 AppropriateClass READ AppropriateClass WRITE SetAppropriateClass)
    Q_PROPERTY(bool OnlyAppropriate READ OnlyAppropriate WRITE SetOnlyAppropriate)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(qint32 StateFace READ StateFace WRITE SetStateFace)
    Q_PROPERTY(qint32 StateSize READ StateSize WRITE SetStateSize)
    Q_PROPERTY(qint32 StateBold READ StateBold WRITE SetStateBold)
    Q_PROPERTY(qint32 StateItalic READ StateItalic WRITE SetStateItalic)
    Q_PROPERTY(qint32 StateFore READ StateFore WRITE SetStateFore)
    Q_PROPERTY(qint32 StateBack READ StateBack WRITE SetStateBack)

public:
    explicit LuFontSelector(QWidget* aParent = nullptr);
    ~LuFontSelector() override;

    // A copy of the held font: changing it does not change the control.
    TOptionsFont TheFont() const;
    // Copies the font's values into the held font and refreshes the description.
    void SetTheFont(const TOptionsFont& aFont);

    // The dialog's sample; may hold "&#" hexadecimal ";" references. Default "Образец".
    QString ExampleText() const;
    void SetExampleText(const QString& aValue);
    // Font class of the dialog's filter (fcAny ... fcLatin). Default 0.
    qint32 AppropriateClass() const;
    void SetAppropriateClass(qint32 aValue);
    // Initial state of the dialog's filter box; the dialog's final state is not taken back.
    // Default True.
    bool OnlyAppropriate() const;
    void SetOnlyAppropriate(bool aValue);
    // Part states for the dialog: 0 editable, 1 shown but disabled, anything else hidden.
    qint32 StateFace() const;
    void SetStateFace(qint32 aValue);
    qint32 StateSize() const;
    void SetStateSize(qint32 aValue);
    qint32 StateBold() const;
    void SetStateBold(qint32 aValue);
    qint32 StateItalic() const;
    void SetStateItalic(qint32 aValue);
    qint32 StateFore() const;
    void SetStateFore(qint32 aValue);
    qint32 StateBack() const;
    void SetStateBack(qint32 aValue);
    // Whether the control can be used: False greys the description and disables ". . .".
    // Unlike QWidget::setEnabled it leaves the control's window enabled.
    bool Enabled() const;
    void SetEnabled(bool aValue);

    // The click on ". . .": the font dialog over the held font.
    void SelectFont();
    void RefreshText();
    void RefreshEnabled();
    // "&#473;" is U+0473: see ui/fonts/DecodeCharRefs.h.
    static QString DecodeCharRefs(const QString& aText);

    // Persisted, in this order: ExampleText "Образец", AppropriateClass 0, OnlyAppropriate True,
    // Enabled True, StateFace, StateSize, StateBold, StateItalic, StateFore, StateBack 0.
    void UserControl_InitProperties() override;
    void UserControl_ReadProperties(const PropertyBag& aBag) override;
    void UserControl_WriteProperties(PropertyBag& aBag) const override;

signals:
    // The user confirmed a font in the dialog.
    void Change();
    // A persisted property was set (its name as persisted); only "Enabled" does this.
    void PropertyChanged(const QString& aName);

protected:
    void resizeEvent(QResizeEvent* aEvent) override;

private:
    void UserControl_Resize();

    QLineEdit* theText = nullptr;
    QPushButton* theSelect = nullptr;

    std::shared_ptr<TOptionsFont> mFont;
    QString mExampleText;
    qint32 mAppropriateClass = 0;
    bool mOnlyAppropriate = true;
    bool mEnabled = true;
    qint32 mStateFace = 0;
    qint32 mStateSize = 0;
    qint32 mStateBold = 0;
    qint32 mStateItalic = 0;
    qint32 mStateFore = 0;
    qint32 mStateBack = 0;
};
