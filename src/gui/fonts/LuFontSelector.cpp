#include "gui/fonts/LuFontSelector.h"

#include "core/errors/mErrorHandling.h"
#include "gui/forms/EditorColors.h"
#include "gui/forms/FormSetup.h"
#include "gui/forms/KeyboardConventions.h"
#include "gui/colors/ColorRefColor.h"
#include "gui/forms/miGraph.h"
#include "core/fonts/DecodeCharRefs.h"
#include "gui/fonts/LuFontSelectorFrm.h"

#include <QLineEdit>
#include <QPushButton>

using miGraph::placeTwips;
using mErrorHandling::PassOn;

namespace {

constexpr char kModule[] = "LuFontSelector";

const QString kEnabled = QStringLiteral("Enabled");
const QString kDefaultExampleText = QStringLiteral("Образец");

const PersistedProperty kPersisted[] = {
    {QStringLiteral("ExampleText"), kDefaultExampleText},
    {QStringLiteral("AppropriateClass"), 0},
    {QStringLiteral("OnlyAppropriate"), true},
    {kEnabled, true},
    {QStringLiteral("StateFace"), 0},
    {QStringLiteral("StateSize"), 0},
    {QStringLiteral("StateBold"), 0},
    {QStringLiteral("StateItalic"), 0},
    {QStringLiteral("StateFore"), 0},
    {QStringLiteral("StateBack"), 0},
};

} // namespace

LuFontSelector::LuFontSelector(QWidget* aParent)
    : QWidget(aParent)
    , mFont(std::make_shared<TOptionsFont>())
{
    setObjectName(QStringLiteral("LuFontSelector"));

    theSelect = named(new QPushButton(QStringLiteral(". . ."), this), "theSelect");
    placeTwips(theSelect, 2400, 0, 555, 315);

    theText = named(new QLineEdit(this), "theText");
    theText->setReadOnly(true);
    KeyboardConventions::NoSelectionOnTab(theText);
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
        PaintEditor(theText, ToQColor(miColor::ColorIndexToColor(mFont->ForeColorIndex)),
                  ToQColor(miColor::BackIndexToColor(mFont->BackColorIndex)));
    });
}

void LuFontSelector::RefreshEnabled()
{
    PassOn(kModule, "RefreshEnabled", [&] {
        theText->setEnabled(mEnabled);
        theSelect->setEnabled(mEnabled);
        PaintEditorSystemColors(theText, mEnabled);
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
    ReadPersisted(*this, aBag, kPersisted);
}

void LuFontSelector::UserControl_WriteProperties(PropertyBag& aBag) const
{
    WritePersisted(*this, aBag, kPersisted);
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
