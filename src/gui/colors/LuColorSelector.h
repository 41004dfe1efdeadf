#pragma once
#include "core/options/PropertyBag.h"
#include "core/colors/miColor.h"

#include <QWidget>

class QLineEdit;
class QPushButton;

// A sample caption in a chosen text colour on a chosen background colour, with "Цвет" and "Фон"
// to change either through the palette pop-up. Both colours are colour indices (0 automatic,
// 1 to 16 the palette).
//
// Setting a property from code never raises Change; every let of a persisted property raises
// PropertyChanged with the property's name, for the host that keeps them.
class LuColorSelector : public QWidget, public PersistedProperties {
    Q_OBJECT
    Q_PROPERTY(qint32 ColorIndex READ ColorIndex WRITE SetColorIndex)
    Q_PROPERTY(qint32 BackIndex READ BackIndex WRITE SetBackIndex)
    Q_PROPERTY(bool ColorEnabled READ ColorEnabled WRITE SetColorEnabled)
    Q_PROPERTY(bool BackEnabled READ BackEnabled WRITE SetBackEnabled)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(quint32 Color READ Color)
    Q_PROPERTY(quint32 Back READ Back)

public:
    explicit LuColorSelector(QWidget* aParent = nullptr);

    // Text colour index, 0 to 16; other values are ignored without a message.
    qint32 ColorIndex() const;
    void SetColorIndex(qint32 aValue);
    // Background colour index, 0 to 16; other values are ignored without a message.
    qint32 BackIndex() const;
    void SetBackIndex(qint32 aValue);
    // Whether "Цвет" / "Фон" can be used.
    bool ColorEnabled() const;
    void SetColorEnabled(bool aValue);
    bool BackEnabled() const;
    void SetBackEnabled(bool aValue);
    // The sample text.
    QString Caption() const;
    void SetCaption(const QString& aValue);
    // The control's own enabled state: False greys the sample and both buttons. Unlike
    // QWidget::setEnabled it leaves the control's window enabled.
    bool Enabled() const;
    void SetEnabled(bool aValue);

    // The screen colours of the two indices.
    miColor::COLORREF Color() const;
    miColor::COLORREF Back() const;

    // Open the palette pop-up for the text / background colour ("Цвет" / "Фон").
    void DoExecuteColorSelector();
    void DoExecuteBackSelector();

    // Brings the sample and the buttons in line with the properties.
    void RefreshControls();

    // Persisted, in this order: ColorIndex 0, BackIndex 0, ColorEnabled True, BackEnabled True,
    // Caption "", Enabled True.
    void UserControl_InitProperties() override;
    void UserControl_ReadProperties(const PropertyBag& aBag) override;
    void UserControl_WriteProperties(PropertyBag& aBag) const override;

signals:
    // The user confirmed a colour in the pop-up.
    void Change();
    // A persisted property was set (its name as persisted).
    void PropertyChanged(const QString& aName);

protected:
    void resizeEvent(QResizeEvent* aEvent) override;

private:
    void UserControl_Resize();
    // Runs the pop-up over anIndex; true when the user chose a colour.
    bool ExecutePopup(qint32& anIndex);
    // The click on "Цвет" or "Фон": the pop-up over anIndex, persisted as aName.
    void ExecuteSelector(const char* aProcedure, qint32& anIndex, const QString& aName);
    // Sets a persisted member, repaints and tells the host.
    template <class Value>
    void LetPersisted(const char* aProcedure, const QString& aName, Value& aMember, Value aValue);

    QLineEdit* theText = nullptr;
    QPushButton* theSelectColor = nullptr;
    QPushButton* theSelectBack = nullptr;

    qint32 mColorIndex = 0;
    qint32 mBackIndex = 0;
    bool mColorEnabled = true;
    bool mBackEnabled = true;
    bool mEnabled = true;
};
