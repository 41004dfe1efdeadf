#include "ui/colors/LuColorSelector.h"

#include "errors/mErrorHandling.h"
#include "ui/colors/ColorRefColor.h"
#include "ui/colors/LuColorSelectorFrm.h"
#include "ui/colors/miGraph.h"

#include <QApplication>
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
const QString kCaption = QStringLiteral("Caption");
const QString kEnabled = QStringLiteral("Enabled");

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

void PaintSample(QLineEdit* aText, const QColor& aForeground, const QColor& aBackground)
{
    QPalette palette = aText->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Text, aForeground);
        palette.setColor(group, QPalette::Base, aBackground);
    }
    aText->setPalette(palette);
}

} // namespace

LuColorSelector::LuColorSelector(QWidget* aParent)
    : QWidget(aParent)
{
    setObjectName(QStringLiteral("LuColorSelector"));

    theSelectColor = new QPushButton(QStringLiteral("Цвет"), this);
    theSelectColor->setObjectName(QStringLiteral("theSelectColor"));
    placeTwips(theSelectColor, 1500, 0, 555, 315);

    theSelectBack = new QPushButton(QStringLiteral("Фон"), this);
    theSelectBack->setObjectName(QStringLiteral("theSelectBack"));
    placeTwips(theSelectBack, 2070, 0, 555, 315);

    theText = new QLineEdit(this);
    theText->setObjectName(QStringLiteral("theText"));
    theText->setReadOnly(true);
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

qint32 LuColorSelector::ColorIndex() const
{
    return PassOn(kModule, "Get-ColorIndex", [&] { return mColorIndex; });
}

void LuColorSelector::SetColorIndex(qint32 aValue)
{
    PassOn(kModule, "Let-ColorIndex", [&] {
        if (!IsColorIndex(aValue))
            return;
        mColorIndex = aValue;
        RefreshControls();
        emit PropertyChanged(kColorIndex);
    });
}

qint32 LuColorSelector::BackIndex() const
{
    return PassOn(kModule, "Get-BackIndex", [&] { return mBackIndex; });
}

void LuColorSelector::SetBackIndex(qint32 aValue)
{
    PassOn(kModule, "Let-BackIndex", [&] {
        if (!IsColorIndex(aValue))
            return;
        mBackIndex = aValue;
        RefreshControls();
        emit PropertyChanged(kBackIndex);
    });
}

bool LuColorSelector::ColorEnabled() const
{
    return PassOn(kModule, "Get-ColorEnabled", [&] { return mColorEnabled; });
}

void LuColorSelector::SetColorEnabled(bool aValue)
{
    PassOn(kModule, "Let-ColorEnabled", [&] {
        mColorEnabled = aValue;
        RefreshControls();
        emit PropertyChanged(kColorEnabled);
    });
}

bool LuColorSelector::BackEnabled() const
{
    return PassOn(kModule, "Get-BackEnabled", [&] { return mBackEnabled; });
}

void LuColorSelector::SetBackEnabled(bool aValue)
{
    PassOn(kModule, "Let-BackEnabled", [&] {
        mBackEnabled = aValue;
        RefreshControls();
        emit PropertyChanged(kBackEnabled);
    });
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
    PassOn(kModule, "Let-Enabled", [&] {
        mEnabled = aValue;
        RefreshControls();
        emit PropertyChanged(kEnabled);
    });
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
        if (mEnabled) {
            PaintSample(theText, ToQColor(Color()), ToQColor(Back()));
        } else {
            const QPalette system = QApplication::palette();
            PaintSample(theText, system.color(QPalette::Dark), system.color(QPalette::Button));
        }
        theSelectColor->setEnabled(mEnabled && mColorEnabled);
        theSelectBack->setEnabled(mEnabled && mBackEnabled);
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
    TopLevel(kModule, "DoExecuteColorSelector", [&] {
        if (!ExecutePopup(mColorIndex))
            return;
        RefreshControls();
        emit Change();
        emit PropertyChanged(kColorIndex);
    });
}

void LuColorSelector::DoExecuteBackSelector()
{
    TopLevel(kModule, "DoExecuteBackSelector", [&] {
        if (!ExecutePopup(mBackIndex))
            return;
        RefreshControls();
        emit Change();
        emit PropertyChanged(kBackIndex);
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
    PassOn(kModule, "UserControl_ReadProperties", [&] {
        SetColorIndex(aBag.ReadProperty(kColorIndex, 0).toInt());
        SetBackIndex(aBag.ReadProperty(kBackIndex, 0).toInt());
        SetColorEnabled(aBag.ReadProperty(kColorEnabled, true).toBool());
        SetBackEnabled(aBag.ReadProperty(kBackEnabled, true).toBool());
        SetCaption(aBag.ReadProperty(kCaption, QString()).toString());
        SetEnabled(aBag.ReadProperty(kEnabled, true).toBool());
    });
}

void LuColorSelector::UserControl_WriteProperties(PropertyBag& aBag) const
{
    PassOn(kModule, "UserControl_WriteProperties", [&] {
        aBag.WriteProperty(kColorIndex, mColorIndex, 0);
        aBag.WriteProperty(kBackIndex, mBackIndex, 0);
        aBag.WriteProperty(kColorEnabled, mColorEnabled, true);
        aBag.WriteProperty(kBackEnabled, mBackEnabled, true);
        aBag.WriteProperty(kCaption, theText->text(), QString());
        aBag.WriteProperty(kEnabled, mEnabled, true);
    });
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
