#include "gui/colors/LuColorSelector.h"

#include "core/errors/mErrorHandling.h"
#include "gui/forms/EditorColors.h"
#include "gui/forms/FormSetup.h"
#include "gui/forms/KeyboardConventions.h"
#include "gui/colors/ColorRefColor.h"
#include "gui/colors/LuColorSelectorFrm.h"
#include "gui/forms/miGraph.h"

#include <QLineEdit>
#include <QPushButton>

using miGraph::placeTwips;
using mErrorHandling::PassOn;
using mErrorHandling::TopLevel;

namespace {

constexpr char kModule[] = "LuColorSelector";

const QString kColorIndex = QStringLiteral("ColorIndex");
const QString kBackIndex = QStringLiteral("BackIndex");
const QString kColorEnabled = QStringLiteral("ColorEnabled");
const QString kBackEnabled = QStringLiteral("BackEnabled");
const QString kEnabled = QStringLiteral("Enabled");

const PersistedProperty kPersisted[] = {
    {kColorIndex, 0},
    {kBackIndex, 0},
    {kColorEnabled, true},
    {kBackEnabled, true},
    {QStringLiteral("Caption"), QString()},
    {kEnabled, true},
};

constexpr int kButtonGapPixels = 2;

bool IsColorIndex(qint32 aValue) { return aValue >= miColor::kAutoIndex && aValue <= miColor::kLastIndex; }

// The sample's face: bold 8.25 pt with Cyrillic, falling back to faces this system has.
QFont SampleFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    font.setBold(true);
    return font;
}

} // namespace

LuColorSelector::LuColorSelector(QWidget* aParent)
    : QWidget(aParent)
{
    setObjectName(QStringLiteral("LuColorSelector"));

    theSelectColor = named(new QPushButton(QStringLiteral("Цвет"), this), "theSelectColor");
    placeTwips(theSelectColor, 1500, 0, 555, 315);

    theSelectBack = named(new QPushButton(QStringLiteral("Фон"), this), "theSelectBack");
    placeTwips(theSelectBack, 2070, 0, 555, 315);

    theText = named(new QLineEdit(this), "theText");
    theText->setReadOnly(true);
    KeyboardConventions::NoSelectionOnTab(theText);
    theText->setFont(SampleFont());
    placeTwips(theText, 0, 0, 1515, 315);

    setTabOrder(theSelectColor, theSelectBack);
    setTabOrder(theSelectBack, theText);

    connect(theSelectColor, &QPushButton::clicked, this, [this] { DoExecuteColorSelector(); });
    connect(theSelectBack, &QPushButton::clicked, this, [this] { DoExecuteBackSelector(); });

    UserControl_InitProperties();
    resize(miGraph::TwipsToPixelsX(4800), miGraph::TwipsToPixelsY(3600));
    UserControl_Resize();
}

template <class Value>
void LuColorSelector::LetPersisted(const char* aProcedure, const QString& aName, Value& aMember, Value aValue)
{
    PassOn(kModule, aProcedure, [&] {
        aMember = aValue;
        RefreshControls();
        emit PropertyChanged(aName);
    });
}

qint32 LuColorSelector::ColorIndex() const
{
    return PassOn(kModule, "Get-ColorIndex", [&] { return mColorIndex; });
}

void LuColorSelector::SetColorIndex(qint32 aValue)
{
    if (IsColorIndex(aValue))
        LetPersisted("Let-ColorIndex", kColorIndex, mColorIndex, aValue);
}

qint32 LuColorSelector::BackIndex() const
{
    return PassOn(kModule, "Get-BackIndex", [&] { return mBackIndex; });
}

void LuColorSelector::SetBackIndex(qint32 aValue)
{
    if (IsColorIndex(aValue))
        LetPersisted("Let-BackIndex", kBackIndex, mBackIndex, aValue);
}

bool LuColorSelector::ColorEnabled() const
{
    return PassOn(kModule, "Get-ColorEnabled", [&] { return mColorEnabled; });
}

void LuColorSelector::SetColorEnabled(bool aValue)
{
    LetPersisted("Let-ColorEnabled", kColorEnabled, mColorEnabled, aValue);
}

bool LuColorSelector::BackEnabled() const
{
    return PassOn(kModule, "Get-BackEnabled", [&] { return mBackEnabled; });
}

void LuColorSelector::SetBackEnabled(bool aValue)
{
    LetPersisted("Let-BackEnabled", kBackEnabled, mBackEnabled, aValue);
}

QString LuColorSelector::Caption() const
{
    return PassOn(kModule, "Get-Caption", [&] { return theText->text(); });
}

void LuColorSelector::SetCaption(const QString& aValue)
{
    PassOn(kModule, "Let-Caption", [&] {
        theText->setText(aValue);
        // A sample wider than the box shows its beginning.
        theText->setCursorPosition(0);
    });
}

bool LuColorSelector::Enabled() const
{
    return PassOn(kModule, "Get-Enabled", [&] { return mEnabled; });
}

void LuColorSelector::SetEnabled(bool aValue)
{
    LetPersisted("Let-Enabled", kEnabled, mEnabled, aValue);
}


miColor::COLORREF LuColorSelector::Color() const
{
    return PassOn(kModule, "Get-Color", [&] { return miColor::ColorIndexToColor(mColorIndex); });
}

miColor::COLORREF LuColorSelector::Back() const
{
    return PassOn(kModule, "Get-Back", [&] { return miColor::BackIndexToColor(mBackIndex); });
}

void LuColorSelector::RefreshControls()
{
    PassOn(kModule, "RefreshControls", [&] {
        theText->setEnabled(mEnabled);
        if (mEnabled)
            PaintEditor(theText, ToQColor(Color()), ToQColor(Back()));
        else
            PaintEditorSystemColors(theText, false);
        theSelectColor->setEnabled(mEnabled && mColorEnabled);
        theSelectBack->setEnabled(mEnabled && mBackEnabled);
        // Focus given to the control (a label's mnemonic, say) goes to its first part that can
        // take it; the control itself is no stop of the tab order.
        QWidget* first = theText;
        if (theSelectColor->isEnabled())
            first = theSelectColor;
        else if (theSelectBack->isEnabled())
            first = theSelectBack;
        setFocusProxy(first);
        setFocusPolicy(mEnabled ? Qt::TabFocus : Qt::NoFocus);
    });
}

bool LuColorSelector::ExecutePopup(qint32& anIndex)
{
    qint32 left = 0;
    qint32 top = 0;
    qint32 width = 0;
    qint32 height = 0;
    miGraph::GetWindowBounds(this, left, top, width, height);
    LuColorSelectorFrm popup;
    popup.SetParentControlBounds(left, top, miGraph::PixelsToTwipsX(this->width()),
                                 miGraph::PixelsToTwipsY(this->height()));
    return popup.Execute(anIndex);
}

void LuColorSelector::DoExecuteColorSelector()
{
    ExecuteSelector("DoExecuteColorSelector", mColorIndex, kColorIndex);
}

void LuColorSelector::DoExecuteBackSelector()
{
    ExecuteSelector("DoExecuteBackSelector", mBackIndex, kBackIndex);
}

void LuColorSelector::ExecuteSelector(const char* aProcedure, qint32& anIndex, const QString& aName)
{
    TopLevel(kModule, aProcedure, [&] {
        if (!ExecutePopup(anIndex))
            return;
        RefreshControls();
        emit Change();
        emit PropertyChanged(aName);
    });
}

void LuColorSelector::UserControl_InitProperties()
{
    PassOn(kModule, "UserControl_InitProperties", [&] {
        mColorIndex = 0;
        mBackIndex = 0;
        mEnabled = true;
        mColorEnabled = true;
        mBackEnabled = true;
        theText->clear();
        RefreshControls();
    });
}

void LuColorSelector::UserControl_ReadProperties(const PropertyBag& aBag)
{
    PassOn(kModule, "UserControl_ReadProperties", [&] { ReadPersisted(*this, aBag, kPersisted); });
}

void LuColorSelector::UserControl_WriteProperties(PropertyBag& aBag) const
{
    PassOn(kModule, "UserControl_WriteProperties", [&] { WritePersisted(*this, aBag, kPersisted); });
}

void LuColorSelector::resizeEvent(QResizeEvent* aEvent)
{
    QWidget::resizeEvent(aEvent);
    UserControl_Resize();
}

void LuColorSelector::UserControl_Resize()
{
    // Right to left at full height; each step on its own, and a step that cannot be done (a
    // control narrower than its buttons) is skipped without a message.
    const int height = this->height();
    const auto step = [](auto&& aStep) {
        try {
            aStep();
        } catch (...) {
        }
    };
    step([&] { theSelectBack->setGeometry(width() - theSelectBack->width(), 0, theSelectBack->width(), height); });
    step([&] {
        theSelectColor->setGeometry(theSelectBack->x() - theSelectColor->width() - kButtonGapPixels, 0,
                                    theSelectColor->width(), height);
    });
    step([&] {
        const int textWidth = theSelectColor->x();
        if (textWidth >= 0)
            theText->setGeometry(0, 0, textWidth, height);
    });
}
