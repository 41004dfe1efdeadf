#include "ui/fonts/LuFontSelector.h"

#include "errors/mErrorHandling.h"
#include "ui/colors/ColorRefColor.h"
#include "ui/colors/miGraph.h"
#include "ui/fonts/DecodeCharRefs.h"
#include "ui/fonts/LuFontSelectorFrm.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

using miGraph::placeTwips;
using mErrorHandling::PassOn;

namespace {

constexpr char kModule[] = "LuFontSelector";

const QString kExampleText = QStringLiteral("ExampleText");
const QString kAppropriateClass = QStringLiteral("AppropriateClass");
const QString kOnlyAppropriate = QStringLiteral("OnlyAppropriate");
const QString kEnabled = QStringLiteral("Enabled");
const QString kStateFace = QStringLiteral("StateFace");
const QString kStateSize = QStringLiteral("StateSize");
const QString kStateBold = QStringLiteral("StateBold");
const QString kStateItalic = QStringLiteral("StateItalic");
const QString kStateFore = QStringLiteral("StateFore");
const QString kStateBack = QStringLiteral("StateBack");

const QString kDefaultExampleText = QStringLiteral("Образец");

void PaintText(QLineEdit* aText, const QColor& aForeground, const QColor& aBackground)
{
    QPalette palette = aText->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Text, aForeground);
        palette.setColor(group, QPalette::Base, aBackground);
    }
    aText->setPalette(palette);
}

} // namespace

LuFontSelector::LuFontSelector(QWidget* aParent)
    : QWidget(aParent)
    , mFont(std::make_shared<TOptionsFont>())
{
    setObjectName(QStringLiteral("LuFontSelector"));

    theSelect = new QPushButton(QStringLiteral(". . ."), this);
    theSelect->setObjectName(QStringLiteral("theSelect"));
    placeTwips(theSelect, 2400, 0, 555, 315);

    theText = new QLineEdit(this);
    theText->setObjectName(QStringLiteral("theText"));
    theText->setReadOnly(true);
    placeTwips(theText, 0, 0, 2400, 315);

    setTabOrder(theSelect, theText);
    connect(theSelect, &QPushButton::clicked, this, [this] { SelectFont(); });

    UserControl_InitProperties();
    resize(miGraph::TwipsToPixelsX(2955), miGraph::TwipsToPixelsY(315));
    UserControl_Resize();
}

LuFontSelector::~LuFontSelector() = default;

TOptionsFont LuFontSelector::TheFont() const
{
    TOptionsFont copy;
    copy.AssignFrom(*mFont);
    return copy;
}

void LuFontSelector::SetTheFont(const TOptionsFont& aFont)
{
    mFont->AssignFrom(aFont);
    RefreshText();
}

QString LuFontSelector::ExampleText() const { return mExampleText; }
void LuFontSelector::SetExampleText(const QString& aValue) { mExampleText = aValue; }
qint32 LuFontSelector::AppropriateClass() const { return mAppropriateClass; }
void LuFontSelector::SetAppropriateClass(qint32 aValue) { mAppropriateClass = aValue; }
bool LuFontSelector::OnlyAppropriate() const { return mOnlyAppropriate; }
void LuFontSelector::SetOnlyAppropriate(bool aValue) { mOnlyAppropriate = aValue; }
qint32 LuFontSelector::StateFace() const { return mStateFace; }
void LuFontSelector::SetStateFace(qint32 aValue) { mStateFace = aValue; }
qint32 LuFontSelector::StateSize() const { return mStateSize; }
void LuFontSelector::SetStateSize(qint32 aValue) { mStateSize = aValue; }
qint32 LuFontSelector::StateBold() const { return mStateBold; }
void LuFontSelector::SetStateBold(qint32 aValue) { mStateBold = aValue; }
qint32 LuFontSelector::StateItalic() const { return mStateItalic; }
void LuFontSelector::SetStateItalic(qint32 aValue) { mStateItalic = aValue; }
qint32 LuFontSelector::StateFore() const { return mStateFore; }
void LuFontSelector::SetStateFore(qint32 aValue) { mStateFore = aValue; }
qint32 LuFontSelector::StateBack() const { return mStateBack; }
void LuFontSelector::SetStateBack(qint32 aValue) { mStateBack = aValue; }
bool LuFontSelector::Enabled() const { return mEnabled; }

void LuFontSelector::SetEnabled(bool aValue)
{
    mEnabled = aValue;
    RefreshEnabled();
    emit PropertyChanged(kEnabled);
}

void LuFontSelector::SelectFont()
{
    LuFontSelectorFrm dialog;
    dialog.TheFont = mFont; // the held font itself: the dialog writes into it only on OK
    dialog.AppropriateClass = mAppropriateClass;
    dialog.OnlyAppropriate = mOnlyAppropriate;
    dialog.ExampleText = DecodeCharRefs(mExampleText);
    dialog.StateFace = mStateFace;
    dialog.StateSize = mStateSize;
    dialog.StateBold = mStateBold;
    dialog.StateItalic = mStateItalic;
    dialog.StateFore = mStateFore;
    dialog.StateBack = mStateBack;
    if (!dialog.Execute())
        return;
    mFont = dialog.TheFont;
    emit Change();
    RefreshText();
}

void LuFontSelector::RefreshText()
{
    PassOn(kModule, "RefreshText", [&] {
        QString description = mFont->Face + QStringLiteral(", ") + QString::number(mFont->Size);
        if (mFont->Bold)
            description += QStringLiteral(", Bold");
        if (mFont->Italic)
            description += QStringLiteral(", Italic");
        theText->setText(description);
        theText->setCursorPosition(0);
        PaintText(theText, ToQColor(miColor::ColorIndexToColor(mFont->ForeColorIndex)),
                  ToQColor(miColor::BackIndexToColor(mFont->BackColorIndex)));
    });
}

void LuFontSelector::RefreshEnabled()
{
    PassOn(kModule, "RefreshEnabled", [&] {
        const QPalette system = QApplication::palette();
        theText->setEnabled(mEnabled);
        theSelect->setEnabled(mEnabled);
        if (mEnabled)
            PaintText(theText, system.color(QPalette::Active, QPalette::Text), system.color(QPalette::Active, QPalette::Base));
        else
            PaintText(theText, system.color(QPalette::Active, QPalette::Dark), system.color(QPalette::Active, QPalette::Button));
    });
}

QString LuFontSelector::DecodeCharRefs(const QString& aText) { return ::DecodeCharRefs(aText); }

void LuFontSelector::UserControl_InitProperties()
{
    mExampleText = kDefaultExampleText;
    mAppropriateClass = 0;
    mOnlyAppropriate = true;
    mEnabled = true;
    mStateFace = mStateSize = mStateBold = mStateItalic = mStateFore = mStateBack = 0;
    RefreshEnabled();
}

void LuFontSelector::UserControl_ReadProperties(const PropertyBag& aBag)
{
    SetExampleText(aBag.ReadProperty(kExampleText, kDefaultExampleText).toString());
    SetAppropriateClass(aBag.ReadProperty(kAppropriateClass, 0).toInt());
    SetOnlyAppropriate(aBag.ReadProperty(kOnlyAppropriate, true).toBool());
    SetEnabled(aBag.ReadProperty(kEnabled, true).toBool());
    SetStateFace(aBag.ReadProperty(kStateFace, 0).toInt());
    SetStateSize(aBag.ReadProperty(kStateSize, 0).toInt());
    SetStateBold(aBag.ReadProperty(kStateBold, 0).toInt());
    SetStateItalic(aBag.ReadProperty(kStateItalic, 0).toInt());
    SetStateFore(aBag.ReadProperty(kStateFore, 0).toInt());
    SetStateBack(aBag.ReadProperty(kStateBack, 0).toInt());
}

void LuFontSelector::UserControl_WriteProperties(PropertyBag& aBag) const
{
    aBag.WriteProperty(kExampleText, mExampleText, kDefaultExampleText);
    aBag.WriteProperty(kAppropriateClass, mAppropriateClass, 0);
    aBag.WriteProperty(kOnlyAppropriate, mOnlyAppropriate, true);
    aBag.WriteProperty(kEnabled, mEnabled, true);
    aBag.WriteProperty(kStateFace, mStateFace, 0);
    aBag.WriteProperty(kStateSize, mStateSize, 0);
    aBag.WriteProperty(kStateBold, mStateBold, 0);
    aBag.WriteProperty(kStateItalic, mStateItalic, 0);
    aBag.WriteProperty(kStateFore, mStateFore, 0);
    aBag.WriteProperty(kStateBack, mStateBack, 0);
}

void LuFontSelector::resizeEvent(QResizeEvent* aEvent)
{
    QWidget::resizeEvent(aEvent);
    UserControl_Resize();
}

void LuFontSelector::UserControl_Resize()
{
    // The button keeps its width at the right edge; the description takes what is left. A
    // control narrower than the button leaves the description as it was, without a message.
    const int buttonWidth = theSelect->width();
    theSelect->setGeometry(width() - buttonWidth, 0, buttonWidth, height());
    if (theSelect->x() >= 0)
        theText->setGeometry(0, 0, theSelect->x(), height());
}
