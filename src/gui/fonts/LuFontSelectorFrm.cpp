#include "gui/fonts/LuFontSelectorFrm.h"

#include "core/errors/mErrorHandling.h"
#include "gui/forms/EditorColors.h"
#include "gui/forms/FormSetup.h"
#include "gui/forms/FrameEdges.h"
#include "gui/forms/LabelBuddy.h"
#include "gui/colors/ColorRefColor.h"
#include "gui/colors/LuColorSelector.h"
#include "gui/forms/miGraph.h"
#include "gui/fonts/DrawableFaces.h"
#include "gui/fonts/FontExampleField.h"
#include "core/fonts/FontListSearch.h"
#include "core/fonts/FontSampleGeometry.h"
#include "core/fonts/miCommon.h"
#include "core/fonts/miFont.h"
#include "gui/fonts/miCommonWarning.h"
#include "protocol/FontValues.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include <utility>

using miGraph::IsChecked;
using miGraph::placeTwips;
using mErrorHandling::TopLevel;

namespace {

constexpr char kModule[] = "LuFontSelectorFrm";

constexpr int kMaxFaceText = 32;
constexpr int kMaxSizeText = 5;
constexpr qint32 kDefaultSize = 10;
constexpr qint32 kMinSize = FontValues::kSmallestSize;
constexpr qint32 kMaxSize = FontValues::kLargestSize;

const QStringList kSizes = {QStringLiteral("8"),  QStringLiteral("9"),  QStringLiteral("10"), QStringLiteral("11"),
                            QStringLiteral("12"), QStringLiteral("14"), QStringLiteral("16"), QStringLiteral("18"),
                            QStringLiteral("20"), QStringLiteral("24"), QStringLiteral("26"), QStringLiteral("28"),
                            QStringLiteral("36"), QStringLiteral("48"), QStringLiteral("72")};

// The list's one selected item, or null.
QListWidgetItem* SelectedItem(const QListWidget* aList)
{
    const QList<QListWidgetItem*> selected = aList->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

int SelectedRow(const QListWidget* aList)
{
    QListWidgetItem* item = SelectedItem(aList);
    return item ? aList->row(item) : -1;
}

QStringList ItemTexts(const QListWidget* aList)
{
    QStringList texts;
    texts.reserve(aList->count());
    for (int i = 0; i < aList->count(); ++i)
        texts << aList->item(i)->text();
    return texts;
}

// Selects aRow (none when negative) and scrolls row aTop, if any, to the top. The list's click is
// suppressed only where the change raises one, so that no later click is swallowed.
void ShowRow(QListWidget* aList, bool& aClickSuppressed, int aRow, int aTop)
{
    aClickSuppressed = SelectedRow(aList) != aRow;
    if (aRow < 0)
        aList->setCurrentRow(-1, QItemSelectionModel::Clear);
    else
        aList->setCurrentRow(aRow, QItemSelectionModel::ClearAndSelect);
    aClickSuppressed = false;
    if (aTop >= 0)
        aList->scrollToItem(aList->item(aTop), QAbstractItemView::PositionAtTop);
}

// Copies the list's chosen item into its field without raising the field's change; false when
// nothing is chosen.
bool CopyChoice(const QListWidget* aList, QLineEdit* aField, bool& aChangeSuppressed)
{
    QListWidgetItem* item = SelectedItem(aList);
    if (!item)
        return false;
    aChangeSuppressed = aField->text() != item->text();
    aField->setText(item->text());
    aChangeSuppressed = false;
    return true;
}

// Characters of the size field beyond the digits: only Backspace.
constexpr char16_t kBackspace = 8;

} // namespace

LuFontSelectorFrm::ModalHook& LuFontSelectorFrm::modalHook()
{
    static ModalHook hook;
    return hook;
}

LuFontSelectorFrm::LuFontSelectorFrm(QWidget* aParent)
    : QDialog(aParent)
{
    SetUpForm(this, QStringLiteral("LuFontSelectorFrm"), 6990, 5085);
    setWindowTitle(QStringLiteral("Шрифт"));

    theFaceText = named(new QLineEdit(this), "theFaceText");
    theFaceText->setMaxLength(kMaxFaceText);
    placeTwips(theFaceText, 120, 360, 3015, 315);

    theFaceList = named(new QListWidget(this), "theFaceList");
    theFaceList->setUniformItemSizes(true);
    placeTwips(theFaceList, 240, 720, 2895, 2400);

    theBold = named(new QCheckBox(QStringLiteral("&Полужирное"), this), "theBold");
    QFont bold = theBold->font();
    bold.setBold(true);
    theBold->setFont(bold);
    placeTwips(theBold, 3480, 420, 1995, 315);

    theItalic = named(new QCheckBox(QStringLiteral("&Курсивное"), this), "theItalic");
    QFont italic = theItalic->font();
    italic.setItalic(true);
    theItalic->setFont(italic);
    placeTwips(theItalic, 3480, 840, 1995, 315);

    theColor = named(new LuColorSelector(this), "theColor");
    placeTwips(theColor, 3540, 1800, 2055, 315);

    theOnlyAppropriate = named(new QCheckBox(QStringLiteral("То&лько подходящие"), this), "theOnlyAppropriate");
    // As tall as the other check boxes: at 195 twips its box and its text were cut at the bottom.
    placeTwips(theOnlyAppropriate, 3480, 2820, 2175, 315);

    theSizeText = named(new QLineEdit(this), "theSizeText");
    theSizeText->setMaxLength(kMaxSizeText);
    theSizeText->setContextMenuPolicy(Qt::NoContextMenu); // no pasting past the key filter
    theSizeText->setAcceptDrops(false);
    theSizeText->setInputMethodHints(Qt::ImhDigitsOnly);
    // Whatever comes in past the keys (the middle button's paste of the selection, an input
    // method's text) is refused unless it leaves digits only.
    theSizeText->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), theSizeText));
    theSizeText->installEventFilter(this);
    placeTwips(theSizeText, 5760, 360, 975, 315);

    theSizeList = named(new QListWidget(this), "theSizeList");
    theSizeList->addItems(kSizes);
    placeTwips(theSizeList, 5880, 720, 855, 2400);

    theOK = named(new QPushButton(QStringLiteral("&OK"), this), "theOK");
    theOK->setDefault(true);
    placeTwips(theOK, 3780, 4500, 1335, 435);

    theCancel = named(new QPushButton(QStringLiteral("О&тмена"), this), "theCancel");
    placeTwips(theCancel, 5280, 4500, 1455, 435);

    theFaceLabel = named(new QLabel(QStringLiteral("&Шрифт:"), this), "theFaceLabel");
    SetLabelBuddy(theFaceLabel, theFaceText);
    placeTwips(theFaceLabel, 120, 120, 915, 195);

    theTypefaceLabel = named(new QLabel(QStringLiteral("&Начертание:"), this), "theTypefaceLabel");
    SetLabelBuddy(theTypefaceLabel, theBold);
    placeTwips(theTypefaceLabel, 3300, 120, 1275, 195);

    theSizeLabel = named(new QLabel(QStringLiteral("&Размер:"), this), "theSizeLabel");
    SetLabelBuddy(theSizeLabel, theSizeText);
    placeTwips(theSizeLabel, 5760, 120, 915, 195);

    theColorLabel = named(new QLabel(QStringLiteral("&Цвет:"), this), "theColorLabel");
    SetLabelBuddy(theColorLabel, theColor);
    placeTwips(theColorLabel, 3300, 1500, 1275, 195);

    theExampleField = named(new FontExampleField(this), "theExampleField");
    placeTwips(theExampleField, 240, 3300, 6480, 1035);

    theBaseLine = named(new QWidget(theExampleField), "theBaseLine");
    theBaseLine->setAutoFillBackground(true);
    QPalette linePalette = theBaseLine->palette();
    linePalette.setColor(QPalette::Window, linePalette.color(QPalette::WindowText));
    theBaseLine->setPalette(linePalette);
    theBaseLine->setAttribute(Qt::WA_TransparentForMouseEvents);

    const QList<QWidget*> tabOrder = {theFaceText, theFaceList, theBold,     theItalic, theColor,
                                      theOnlyAppropriate, theSizeText, theSizeList, theOK, theCancel};
    for (int i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    KeepFrameEdgesWhole(this);

    connect(theFaceText, &QLineEdit::textChanged, this, [this] { theFaceText_Change(); });
    connect(theFaceList, &QListWidget::itemSelectionChanged, this, [this] { theFaceList_Click(); });
    connect(theBold, &QCheckBox::toggled, this, [this] { theBold_Click(); });
    connect(theItalic, &QCheckBox::toggled, this, [this] { theItalic_Click(); });
    connect(theColor, &LuColorSelector::Change, this, [this] { theColor_Change(); });
    connect(theOnlyAppropriate, &QCheckBox::toggled, this, [this] { theOnlyAppropriate_Click(); });
    connect(theSizeText, &QLineEdit::textChanged, this, [this] { theSizeText_Change(); });
    connect(theSizeList, &QListWidget::itemSelectionChanged, this, [this] { theSizeList_Click(); });
    connect(theOK, &QPushButton::clicked, this, [this] { theOK_Click(); });
    connect(theCancel, &QPushButton::clicked, this, [this] { theCancel_Click(); });

    Form_Load();
}

LuFontSelectorFrm::~LuFontSelectorFrm() = default;

void LuFontSelectorFrm::Form_Load()
{
    TopLevel(kModule, "Form_Load", [&] {
        mFaceTextSuppressed = mFaceListSuppressed = mSizeTextSuppressed = mSizeListSuppressed = false;
    });
}

bool LuFontSelectorFrm::Execute()
{
    return TopLevel(kModule, "Execute", [&] {
        ReadFontCollection();
        FillControls();
        DistributeValues();
        RefreshStates();
        RefreshExample();
        ModalResult = false;
        mFaceTextSuppressed = mFaceListSuppressed = mSizeTextSuppressed = mSizeListSuppressed = false;
        theFaceText->setFocus();
        if (modalHook()) {
            show();
            modalHook()(*this);
            hide();
        } else {
            exec();
        }
        if (ModalResult)
            AssembleValues();
        return ModalResult;
    });
}

const InstalledFontCollection* LuFontSelectorFrm::FontCollection()
{
    return TopLevel(kModule, "FontCollection", [&]() -> const InstalledFontCollection* {
        if (!mFontCollection)
            ReadFontCollection();
        return mFontCollection.get();
    });
}

void LuFontSelectorFrm::ReadFontCollection()
{
    mFontCollection = miFont::GetInstalledFonts();
    // A family installed since the program started is drawn in its own face, not a fallback.
    if (mFontCollection)
        DrawableFaces::Register(*mFontCollection);
}

void LuFontSelectorFrm::FillControls()
{
    TopLevel(kModule, "FillControls", [&] { FillFonts(); });
}

void LuFontSelectorFrm::FillFonts()
{
    TopLevel(kModule, "FillFonts", [&] {
        const bool onlyAppropriate = IsChecked(theOnlyAppropriate);
        // Hidden while refilled, so that it is not redrawn item by item; a list that a part
        // state hides stays hidden.
        const bool wasHidden = theFaceList->isHidden();
        theFaceList->hide();
        mFaceListSuppressed = true;
        theFaceList->clear();
        mFaceListSuppressed = false;
        if (const InstalledFontCollection* fonts = FontCollection()) {
            QStringList faces;
            faces.reserve(fonts->Count());
            for (const TInstalledFontRef& font : *fonts)
                if (!onlyAppropriate || font->IsAppropriateFor(AppropriateClass))
                    faces << font->Face;
            theFaceList->addItems(faces);
        }
        theFaceList->setCurrentRow(-1, QItemSelectionModel::Clear);
        theFaceList->setVisible(!wasHidden);
    });
}

void LuFontSelectorFrm::DistributeValues()
{
    TopLevel(kModule, "DistributeValues", [&] {
        theOnlyAppropriate->setChecked(OnlyAppropriate);
        theFaceText->setText(TheFont->Face);
        theSizeText->setText(QString::number(TheFont->Size));
        theBold->setChecked(TheFont->Bold);
        theItalic->setChecked(TheFont->Italic);
        theColor->SetColorIndex(TheFont->ForeColorIndex);
        theColor->SetBackIndex(TheFont->BackColorIndex);
    });
}

void LuFontSelectorFrm::AssembleValues()
{
    TopLevel(kModule, "AssembleValues", [&] {
        OnlyAppropriate = IsChecked(theOnlyAppropriate);
        TheFont->Face = theFaceText->text();
        TheFont->Size = GetFontSize();
        TheFont->Bold = IsChecked(theBold);
        TheFont->Italic = IsChecked(theItalic);
        TheFont->ForeColorIndex = theColor->ColorIndex();
        TheFont->BackColorIndex = theColor->BackIndex();
    });
}

bool LuFontSelectorFrm::Validate()
{
    return TopLevel(kModule, "Validate", [&] {
        if (theFaceText->text().isEmpty()) {
            miCommon::ShowWarning(QStringLiteral("Необходимо выбрать название шрифта."), QStringLiteral("Информация"));
            theFaceText->setFocus();
            return false;
        }
        // An empty size is drawn at the default but is no choice: it is refused as 0 is.
        const qint32 size = GetFontSize();
        if (!theSizeText->text().isEmpty() && size >= kMinSize && size <= kMaxSize)
            return true;
        miCommon::ShowWarning(QStringLiteral("Размер шрифта должен быть от %1 до %2.").arg(kMinSize).arg(kMaxSize), QStringLiteral("Информация"));
        theSizeText->setFocus();
        return false;
    });
}

void LuFontSelectorFrm::SetBeginStateOf(QWidget* aControl, qint32 aState, bool aIsEditor)
{
    TopLevel(kModule, "SetBeginStateOf", [&] {
        if (aState == 0 || aState == 1) {
            aControl->setVisible(true);
            aControl->setEnabled(aState == 0);
            if (aIsEditor)
                PaintEditorSystemColors(aControl, aState == 0);
        } else {
            aControl->setVisible(false);
        }
    });
}

void LuFontSelectorFrm::RefreshStates()
{
    TopLevel(kModule, "RefreshStates", [&] {
        SetBeginStateOf(theFaceText, StateFace, true);
        SetBeginStateOf(theFaceList, StateFace, true);
        SetBeginStateOf(theFaceLabel, StateFace, false);
        SetBeginStateOf(theSizeText, StateSize, true);
        SetBeginStateOf(theSizeList, StateSize, true);
        SetBeginStateOf(theSizeLabel, StateSize, false);
        SetBeginStateOf(theBold, StateBold, false);
        SetBeginStateOf(theItalic, StateItalic, false);

        if (StateBold == 2 && StateItalic == 2) {
            theTypefaceLabel->setVisible(false);
        } else {
            theTypefaceLabel->setVisible(true);
            theTypefaceLabel->setEnabled(StateBold < 1 || StateItalic < 1);
        }

        if (StateFore == 2 && StateBack == 2) {
            theColor->setVisible(false);
            theColorLabel->setVisible(false);
        } else if (StateFore < 1 || StateBack < 1) {
            theColor->setVisible(true);
            theColor->SetEnabled(true);
            theColor->SetColorEnabled(StateFore == 0);
            theColor->SetBackEnabled(StateBack == 0);
            theColorLabel->setVisible(true);
            theColorLabel->setEnabled(true);
        } else {
            theColor->setVisible(true);
            theColor->SetEnabled(false);
            theColorLabel->setVisible(true);
            theColorLabel->setEnabled(false);
        }
    });
}

void LuFontSelectorFrm::RefreshExample()
{
    TopLevel(kModule, "RefreshExample", [&] {
        const qint32 tx = miGraph::PixX();
        const qint32 ty = miGraph::PixY();
        if (tx <= 0 || ty <= 0)
            return; // no screen to measure: the previous sample stays
        const FontSampleGeometry geometry =
            ComputeSampleGeometry(double(miGraph::PixelsToTwipsX(theExampleField->width())),
                                  double(miGraph::PixelsToTwipsY(theExampleField->height())), tx, ty, GetFontSize());
        FontSample sample;
        sample.Shown = true;
        DrawableFaces::ApplyFace(sample.Font, theFaceText->text().left(kMaxFaceText), IsChecked(theBold),
                                 IsChecked(theItalic));
        sample.Font.setStyleStrategy(QFont::PreferOutline);
        if (geometry.FontHeight < 0)
            sample.Font.setPixelSize(-geometry.FontHeight);
        sample.Font.setWeight(IsChecked(theBold) ? QFont::Bold : QFont::Normal);
        sample.Font.setItalic(IsChecked(theItalic));
        sample.Fore = ToQColor(theColor->Color());
        sample.Back = ToQColor(theColor->Back());
        sample.Text = ExampleText;
        sample.Origin = QPoint(geometry.TextX, geometry.BaselineY);
        theBaseLine->setGeometry(0, qRound(geometry.LineYTwips / ty), theExampleField->width(), 1);
        theExampleField->SetSample(sample);
    });
}

void LuFontSelectorFrm::SearchInFaceList(const QString& aText)
{
    TopLevel(kModule, "SearchInFaceList", [&] {
        const FaceSearchResult found = SearchFaceNames(ItemTexts(theFaceList), aText);
        ShowRow(theFaceList, mFaceListSuppressed, found.Selected, found.Top);
    });
}

void LuFontSelectorFrm::SearchInSizeList(double aValue)
{
    TopLevel(kModule, "SearchInSizeList", [&] {
        const int found = SearchSizeItems(ItemTexts(theSizeList), aValue);
        ShowRow(theSizeList, mSizeListSuppressed, found, found);
    });
}

qint32 LuFontSelectorFrm::GetFontSize()
{
    return TopLevel(kModule, "GetFontSize", [&] { return miCommon::GetLongOrDefault(theSizeText->text(), kDefaultSize); });
}

void LuFontSelectorFrm::theBold_Click()
{
    TopLevel(kModule, "theBold_Click", [&] { RefreshExample(); });
}

void LuFontSelectorFrm::theItalic_Click()
{
    TopLevel(kModule, "theItalic_Click", [&] { RefreshExample(); });
}

void LuFontSelectorFrm::theColor_Change()
{
    TopLevel(kModule, "theColor_Change", [&] { RefreshExample(); });
}

void LuFontSelectorFrm::theOK_Click()
{
    TopLevel(kModule, "theOK_Click", [&] {
        if (!Validate())
            return;
        ModalResult = true;
        accept();
    });
}

void LuFontSelectorFrm::theCancel_Click()
{
    TopLevel(kModule, "theCancel_Click", [&] { reject(); });
}

void LuFontSelectorFrm::theFaceList_Click()
{
    TopLevel(kModule, "theFaceList_Click", [&] {
        if (std::exchange(mFaceListSuppressed, false))
            return;
        if (CopyChoice(theFaceList, theFaceText, mFaceTextSuppressed))
            RefreshExample();
    });
}

void LuFontSelectorFrm::theFaceText_Change()
{
    TopLevel(kModule, "theFaceText_Change", [&] {
        if (std::exchange(mFaceTextSuppressed, false))
            return;
        SearchInFaceList(theFaceText->text());
        RefreshExample();
    });
}

void LuFontSelectorFrm::theOnlyAppropriate_Click()
{
    TopLevel(kModule, "theOnlyAppropriate_Click", [&] {
        FillFonts();
        mFaceTextSuppressed = false;
        theFaceText_Change();
    });
}

void LuFontSelectorFrm::theSizeList_Click()
{
    TopLevel(kModule, "theSizeList_Click", [&] {
        if (std::exchange(mSizeListSuppressed, false))
            return;
        if (CopyChoice(theSizeList, theSizeText, mSizeTextSuppressed))
            RefreshExample();
    });
}

void LuFontSelectorFrm::theSizeText_Change()
{
    TopLevel(kModule, "theSizeText_Change", [&] {
        if (std::exchange(mSizeTextSuppressed, false))
            return;
        SearchInSizeList(GetFontSize());
        RefreshExample();
    });
}

char16_t LuFontSelectorFrm::theSizeText_KeyPress(char16_t aKeyAscii)
{
    return TopLevel(kModule, "theSizeText_KeyPress", [&]() -> char16_t {
        if ((aKeyAscii >= u'0' && aKeyAscii <= u'9') || aKeyAscii == kBackspace)
            return aKeyAscii;
        return 0;
    });
}

bool LuFontSelectorFrm::eventFilter(QObject* aWatched, QEvent* aEvent)
{
    if (aWatched != theSizeText || aEvent->type() != QEvent::KeyPress)
        return QDialog::eventFilter(aWatched, aEvent);
    const auto* key = static_cast<QKeyEvent*>(aEvent);
    if (key->matches(QKeySequence::SelectAll))
        return false;
    if (key->key() == Qt::Key_Backspace)
        return theSizeText_KeyPress(kBackspace) == 0;
    // Keys that type a character go through the filter (the clipboard shortcuts as well);
    // moving, deleting, Tab, Enter and Esc do not type one and keep their work.
    const bool typesCharacter = !key->text().isEmpty() && key->text().at(0).unicode() >= 0x20 &&
                                key->text().at(0).unicode() != 0x7F;
    const bool shortcut = key->modifiers().testFlag(Qt::ControlModifier) || key->matches(QKeySequence::Paste) ||
                          key->matches(QKeySequence::Cut) || key->matches(QKeySequence::Copy) ||
                          key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo);
    if (shortcut)
        return true;
    if (!typesCharacter)
        return false;
    return theSizeText_KeyPress(key->text().at(0).unicode()) == 0;
}
