#include "gui/options/KezOptionsFrm.h"
#include "core/errors/mErrorHandling.h"
#include "core/options/OptionsTable.h"
#include "core/options/TLuKezOptions.h"
#include "gui/forms/FormSetup.h"
#include "gui/forms/KeyboardConventions.h"
#include "gui/colors/LuColorSelector.h"
#include "gui/forms/miGraph.h"
#include "gui/fonts/DrawableFaces.h"
#include "gui/fonts/LuFontSelector.h"
#include "core/fonts/TInstalledFont.h"
#include "gui/options/LuAboutFrm.h"
#include "core/options/OptionsRefreshRules.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include <algorithm>
#include <iterator>
#include <stdexcept>

using miGraph::placeTwips;
using mErrorHandling::TopLevel;

namespace {
constexpr const char* kModule = "KezOptionsFrm";
constexpr int kClientWidthTwips = 8130;
constexpr int kClientHeightTwips = 5985;
constexpr qint32 kInvalidPropertyValue = 380;

// Page buttons in two rows of four; the frames lie on top of each other below them.
struct PageDesign {
    const char* Caption;
    const char* Button;
    const char* Frame;
    const char* ClickProcedure;
};
constexpr PageDesign kPages[KezOptionsFrm::kPageCount] = {
    {"Общие", "theTSCommon", "theTabCommon", "theTSCommon_Click"},
    {"Церковно-славянский", "theTSSlav", "theTabSlav", "theTSSlav_Click"},
    {"Русский", "theTSRus", "theTabRus", "theTSRus_Click"},
    {"Греческий", "theTSGreek", "theTabGreek", "theTSGreek_Click"},
    {"Латинский", "theTSLatin", "theTabLatin", "theTSLatin_Click"},
    {"Сноски", "theTSFootnotes", "theTabFootnotes", "theTSFootnotes_Click"},
    {"Спецкомментарии", "theTSSpecComm", "theTabSpecComm", "theTSSpecComm_Click"},
    {"Ошибки", "theTSErrors", "theTabErrors", "theTSErrors_Click"},
};
constexpr int kPageColumnLeft[4] = {60, 1740, 4200, 6240};
constexpr int kPageColumnWidth[4] = {1635, 2415, 1995, 1815};
constexpr int kPageRowTop[2] = {60, 480};

constexpr int kRowHeight = 315;

// The Church Slavonic sample in that font encoding: its sixth letter is the Latin e.
const QString kSlavonicSample = QString::fromUtf16(u"\u040A\u0431\u0440\u0430\u0437\u0065\u0446\u044A");

// What stands beside a row's label: a list or a font selector (whose text is a line edit's).
enum class RowControl { List, FontSelector };

// A row's label spans the row, its text centred in it as the control's is: the two texts share
// one baseline.
QLabel* rowLabel(QWidget* aParent, const QString& aText, int aLeft, int aTop, int aWidth,
                 RowControl aControl = RowControl::FontSelector)
{
    auto* label = new QLabel(aText, aParent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    placeTwips(label, aLeft, aTop, aWidth, kRowHeight);
    // A line edit centres its text with an odd pixel above it, a label with it below: a pixel
    // less at the label's top evens the two.
    if (aControl == RowControl::FontSelector)
        label->setGeometry(label->geometry().adjusted(0, 1, 0, 0));
    return label;
}

QGroupBox* groupFrame(QWidget* aParent, const QString& aCaption, int aLeft, int aTop, int aWidth, int aHeight)
{
    auto* frame = new QGroupBox(aCaption, aParent);
    placeTwips(frame, aLeft, aTop, aWidth, aHeight);
    return frame;
}

// A font selector with its design-time class, sample and part states.
LuFontSelector* fontSelector(QWidget* aParent, const char* aName, FontClass aClass, const QString& aSample)
{
    auto* selector = named(new LuFontSelector(aParent), aName);
    selector->SetAppropriateClass(aClass);
    selector->SetExampleText(aSample);
    return selector;
}

LuColorSelector* footnoteColour(QWidget* aParent, const char* aName)
{
    auto* selector = named(new LuColorSelector(aParent), aName);
    selector->SetCaption(QStringLiteral("Текст сноски"));
    selector->SetColorEnabled(false);
    return selector;
}

// The property pair of each choice, named by the options table's row for the error trail.
struct ListProperty {
    qint32 TLuKezOptions::*Option;
    const char* GetProcedure;
    const char* LetProcedure;
};
#define KEZ_OPTIONS_LIST_PROPERTY(aMember, aStored, aDefault, aProperty, ...)                                   \
    {&TLuKezOptions::aMember, "Get-" #aProperty, "Let-" #aProperty},
const ListProperty kListProperties[] = {
    KEZ_OPTIONS_TABLE(KEZ_OPTIONS_SKIP, KEZ_OPTIONS_LIST_PROPERTY, KEZ_OPTIONS_SKIP, KEZ_OPTIONS_SKIP)};
#undef KEZ_OPTIONS_LIST_PROPERTY

// Holds the update lock for one scope.
class UpdateLock {
public:
    explicit UpdateLock(KezOptionsFrm& aForm) : mForm(aForm) { mForm.LockUpdate(); }
    ~UpdateLock() { mForm.UnlockUpdate(); }
    UpdateLock(const UpdateLock&) = delete;
    UpdateLock& operator=(const UpdateLock&) = delete;

private:
    KezOptionsFrm& mForm;
};
} // namespace

KezOptionsFrm::KezOptionsFrm(QWidget* parent)
    : QDialog(parent, kFixedDialogFlags)
{
    SetUpAppForm(this, QStringLiteral("KezOptionsFrm"), QStringLiteral("Опции конвертации"), kClientWidthTwips,
                 kClientHeightTwips);
    CreateControls();
    CheckBindings();
    ConnectEvents();
    KeyboardConventions::TickedRadioIsTheTabStop(this);
    CentreFrameOn(this, [this] { return screen()->availableGeometry(); });
}

void KezOptionsFrm::CreateControls()
{
    mPageGroup = new QButtonGroup(this);
    mPageGroup->setExclusive(true);
    for (int k = 0; k < kPageCount; ++k) {
        mPageButton[k] = named(new QPushButton(QString::fromUtf8(kPages[k].Caption), this), kPages[k].Button);
        mPageButton[k]->setCheckable(true);
        placeTwips(mPageButton[k], kPageColumnLeft[k % 4], kPageRowTop[k / 4], kPageColumnWidth[k % 4], 375);
        mPageGroup->addButton(mPageButton[k], k);

        mPageFrame[k] = named(new QFrame(this), kPages[k].Frame);
        mPageFrame[k]->setFrameShape(QFrame::StyledPanel);
        placeTwips(mPageFrame[k], 60, 900, 7995, 4455);
        mPageFrame[k]->setVisible(false);
    }

    // Page 0: what to do with a KEZ file.
    QWidget* page = mPageFrame[0];
    QGroupBox* frame = groupFrame(page, QStringLiteral("Что делать с KEZ-текстом"), 240, 300, 7455, 1275);
    theConvertToViewable = named(new QRadioButton(QStringLiteral("Конвертировать"), frame), "theConvertToViewable");
    placeTwips(theConvertToViewable, 240, 360, 6975, 255);
    theLoadUnconverted = named(
        new QRadioButton(QStringLiteral("Загрузить как простой текст (для редактирования напрямую)"), frame),
        "theLoadUnconverted");
    placeTwips(theLoadUnconverted, 240, 780, 6975, 255);
    auto* pipeGroup = new QButtonGroup(this);
    pipeGroup->addButton(theConvertToViewable);
    pipeGroup->addButton(theLoadUnconverted);
    theConvertToViewable->setChecked(true);
    rowLabel(page, QStringLiteral("Исходная кодировка:"), 240, 1800, 2220, RowControl::List);
    theSourceEncoding = MakeModeList(page, "theSourceEncoding", &TLuKezOptions::SourceEncoding);
    placeTwips(theSourceEncoding, 2520, 1800, 3075, kRowHeight);
    theDontShowAgain = named(
        new QCheckBox(QStringLiteral("Больше не показывать эту форму при открытии каждого файла"), page),
        "theDontShowAgain");
    placeTwips(theDontShowAgain, 540, 2520, 7155, 255);

    // Page 1: Church Slavonic.
    page = mPageFrame[1];
    rowLabel(page, QStringLiteral("Основной текст:"), 240, 360, 2820);
    theCsUcs8Text = BindFont(fontSelector(page, "theCsUcs8Text", fcUcs, kSlavonicSample), &TLuKezOptions::Ucs8Text);
    theCsUcs8Text->SetStateItalic(1);
    theCsUcs8Text->SetStateFore(2);
    theCsUcs8Text->SetStateBack(2);
    placeTwips(theCsUcs8Text, 3120, 360, 4575, kRowHeight);
    frame = groupFrame(page, QStringLiteral("Цифры, знаки Типикона и пр."), 240, 840, 7455, 1695);
    theCsDigitMode = MakeModeList(frame, "theCsDigitMode", &TLuKezOptions::CSDigitMode);
    placeTwips(theCsDigitMode, 240, 300, 6975, kRowHeight);
    rowLabel(frame, QStringLiteral("Шрифт eROOS:"), 240, 780, 2580);
    theCsERoosText = BindFont(fontSelector(frame, "theCsERoosText", fcERoos, QStringLiteral("12345 #@$%^M")),
                              &TLuKezOptions::CSERoosText);
    placeTwips(theCsERoosText, 2880, 780, 4335, kRowHeight);
    rowLabel(frame, QStringLiteral("Обычный шрифт:"), 240, 1200, 2580);
    theCsOtherText = BindFont(fontSelector(frame, "theCsOtherText", fcAny, QStringLiteral("Образец 12345")),
                              &TLuKezOptions::CSOtherText);
    placeTwips(theCsOtherText, 2880, 1200, 4335, kRowHeight);
    frame = groupFrame(page, QStringLiteral("Разрядка"), 240, 2700, 7455, 1395);
    theCsSpacedOutMode = MakeModeList(frame, "theCsSpacedOutMode", &TLuKezOptions::CSSpaceOutMode);
    placeTwips(theCsSpacedOutMode, 240, 300, 6975, kRowHeight);
    rowLabel(frame, QStringLiteral("Шрифт для разрядки:"), 240, 840, 2580);
    theCsSpacedOutText =
        BindFont(fontSelector(frame, "theCsSpacedOutText", fcUcs, kSlavonicSample), &TLuKezOptions::CSSpaceOutText);
    placeTwips(theCsSpacedOutText, 2880, 840, 4335, kRowHeight);

    // Pages 2, 3 and 7: a mode list across the page and the font row below it.
    auto listAndFont = [](QWidget* aPage, QComboBox* aList, LuFontSelector* aSelector) {
        placeTwips(aList, 420, 360, 7275, kRowHeight);
        rowLabel(aPage, QStringLiteral("Шрифт:"), 420, 960, 2640);
        placeTwips(aSelector, 3120, 960, 4575, kRowHeight);
    };
    page = mPageFrame[2];
    theRuMode = MakeModeList(page, "theRuMode", &TLuKezOptions::RusMode);
    // Class and sample follow the Russian mode (RefreshControls).
    theRuText = BindFont(named(new LuFontSelector(page), "theRuText"), &TLuKezOptions::RussText);
    listAndFont(page, theRuMode, theRuText);

    page = mPageFrame[3];
    theGrMode = MakeModeList(page, "theGrMode", &TLuKezOptions::GreekMode);
    theGrText = BindFont(fontSelector(page, "theGrText", fcGreekExtended, OptionsRefreshRules::kGreekUnicodeSample),
                         &TLuKezOptions::GreekText);
    listAndFont(page, theGrMode, theGrText);

    page = mPageFrame[4];
    rowLabel(page, QStringLiteral("Шрифт:"), 420, 420, 2640);
    theLtText = BindFont(fontSelector(page, "theLtText", fcLatin, QStringLiteral("Example")), &TLuKezOptions::LatinText);
    placeTwips(theLtText, 3120, 420, 4575, kRowHeight);

    // Page 5: footnotes.
    page = mPageFrame[5];
    frame = groupFrame(page, QStringLiteral("Сноски внизу страницы"), 240, 300, 7455, 1455);
    theBotFtnMode = MakeModeList(frame, "theBotFtnMode", &TLuKezOptions::FtnBottomImpl);
    placeTwips(theBotFtnMode, 240, 300, 6975, kRowHeight);
    theBotFtnColor = BindColour(footnoteColour(frame, "theBotFtnColor"), &TLuKezOptions::FtnBottomBack);
    placeTwips(theBotFtnColor, 240, 840, 4035, kRowHeight);
    frame = groupFrame(page, QStringLiteral("Сноски на полях"), 240, 1920, 7455, 1455);
    theFldFtnMode = MakeModeList(frame, "theFldFtnMode", &TLuKezOptions::FtnMarginImpl);
    placeTwips(theFldFtnMode, 240, 300, 6975, kRowHeight);
    theFldFtnColor = BindColour(footnoteColour(frame, "theFldFtnColor"), &TLuKezOptions::FtnMarginBack);
    placeTwips(theFldFtnColor, 240, 840, 4035, kRowHeight);

    // Page 6: special comments. A label shows a literal "&", so its text carries one "&" and no mnemonic.
    page = mPageFrame[6];
    rowLabel(page, QStringLiteral("Шрифт:"), 360, 360, 2700);
    theNsText = BindFont(fontSelector(page, "theNsText", fcCyrillicCodePage, QStringLiteral("Образец")),
                         &TLuKezOptions::NonSupportText);
    placeTwips(theNsText, 3120, 360, 4575, kRowHeight);
    const struct {
        const char* Label;
        const char* List;
        QComboBox** Control;
        qint32 TLuKezOptions::*Option;
        int Top;
    } specialRows[] = {
        {"Спецкомментарии ( %{...} ):", "theNsSpecCommMode", &theNsSpecCommMode, &TLuKezOptions::NSModeSpecComm, 1020},
        {"Команды ( %{!...} ):", "theNsCommandsMode", &theNsCommandsMode, &TLuKezOptions::NSModeCommands, 1500},
        {"Функции ( <...>&{...} ):", "theNsFunctionsMode", &theNsFunctionsMode, &TLuKezOptions::NSModeFunction, 1980},
        {"Варианты ( ?&{...}&{...} ):", "theNsVariantsMode", &theNsVariantsMode, &TLuKezOptions::NSModeVariants, 2460},
    };
    for (const auto& row : specialRows) {
        QLabel* label = rowLabel(page, QString::fromUtf8(row.Label), 360, row.Top, 2700, RowControl::List);
        label->setTextFormat(Qt::PlainText);
        *row.Control = MakeModeList(page, row.List, row.Option);
        placeTwips(*row.Control, 3120, row.Top, 4575, kRowHeight);
    }

    page = mPageFrame[7];
    theErrMode = MakeModeList(page, "theErrMode", &TLuKezOptions::ErrorMode);
    theErrText = BindFont(fontSelector(page, "theErrText", fcCyrillicCodePage, QStringLiteral("Образец")),
                          &TLuKezOptions::ErrorText);
    listAndFont(page, theErrMode, theErrText);

    theAbout = named(new QPushButton(QStringLiteral("О программе ..."), this), "theAbout");
    placeTwips(theAbout, 180, 5460, 1695, 435);
    theOK = named(new QPushButton(QStringLiteral("OK"), this), "theOK");
    theOK->setDefault(true);
    placeTwips(theOK, 5160, 5460, 1335, 435);
    theCancel = named(new QPushButton(QStringLiteral("Отмена"), this), "theCancel");
    placeTwips(theCancel, 6600, 5460, 1335, 435);
}

void KezOptionsFrm::ConnectEvents()
{
    // Setting a value from code raises these just as a click does: the update lock and the
    // page-selection flag make the nested ones no-ops.
    for (int k = 0; k < kPageCount; ++k)
        connect(mPageButton[k], &QPushButton::toggled, this, [this, k](bool on) {
            if (on)
                PageButton_Click(k);
        });
    connect(theConvertToViewable, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            ModeList_Click("theConvertToViewable_Click");
    });
    connect(theLoadUnconverted, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            ModeList_Click("theLoadUnconverted_Click");
    });
    const std::pair<QComboBox*, const char*> lists[] = {
        {theCsDigitMode, "theCsDigitMode_Click"}, {theCsSpacedOutMode, "theCsSpacedOutMode_Click"},
        {theRuMode, "theRuMode_Click"},           {theGrMode, "theGrMode_Click"},
        {theBotFtnMode, "theBotFtnMode_Click"},   {theFldFtnMode, "theFldFtnMode_Click"},
        {theErrMode, "theErrMode_Click"},
    };
    for (const auto& [list, procedure] : lists)
        connect(list, &QComboBox::currentIndexChanged, this, [this, procedure = procedure] { ModeList_Click(procedure); });
    connect(theOK, &QPushButton::clicked, this, [this] { theOK_Click(); });
    connect(theCancel, &QPushButton::clicked, this, [this] { theCancel_Click(); });
    connect(theAbout, &QPushButton::clicked, this, [this] { theAbout_Click(); });
}

bool KezOptionsFrm::Execute(TLuKezOptions& aOptions)
{
    TopLevel(kModule, "Execute", [&] {
        mUpdateLockCount = 0;
        mSelectingPage = false;
        DistributeValues(aOptions);
        mModalResult = false;
        SelectPage(0);
        exec();
        if (mModalResult)
            AssembleValues(aOptions);
    });
    return mModalResult;
}

void KezOptionsFrm::SelectPage(qint32 aIndex)
{
    TopLevel(kModule, "SelectPage", [&] {
        mSelectingPage = true;
        for (int k = 0; k < kPageCount; ++k) {
            mPageButton[k]->setChecked(k == aIndex);
            mPageFrame[k]->setVisible(k == aIndex);
        }
        mSelectingPage = false;
    });
}

void KezOptionsFrm::DistributeValues(TLuKezOptions& aOptions)
{
    TopLevel(kModule, "DistributeValues", [&] {
        // A face installed since the program started is drawn in its own face, not a fallback.
        QStringList faces;
        for (const auto& [selector, font] : mFonts)
            faces << (aOptions.*font)().Face;
        DrawableFaces::RegisterFaces(faces);
        LockUpdate();
        SetIntIsDirectPipe(aOptions.IsDirectPipe);
        SetIntDontShowAgain(aOptions.DontShowOptions);
        for (const BoundList& list : mLists)
            LetListValue(list, aOptions.*list.Option);
        for (const auto& [selector, font] : mFonts)
            selector->SetTheFont((aOptions.*font)());
        for (const auto& [selector, option] : mColours)
            selector->SetBackIndex(aOptions.*option);
        UnlockUpdate();
        RefreshControls();
    });
}

void KezOptionsFrm::AssembleValues(TLuKezOptions& aOptions)
{
    // The options object's own font records keep their identity and take the selectors' values.
    TopLevel(kModule, "AssembleValues", [&] {
        aOptions.IsDirectPipe = IntIsDirectPipe();
        aOptions.DontShowOptions = IntDontShowAgain();
        for (const BoundList& list : mLists)
            aOptions.*list.Option = GetListValue(list);
        for (const auto& [selector, font] : mFonts)
            (aOptions.*font)().AssignFrom(selector->TheFont());
        for (const auto& [selector, option] : mColours)
            aOptions.*option = selector->BackIndex();
    });
}

void KezOptionsFrm::RefreshControls()
{
    TopLevel(kModule, "RefreshControls", [&] {
        OptionsRefreshRules::Choices choices;
        choices.IsDirectPipe = IntIsDirectPipe();
        choices.CSDigitMode = IntCSDigitMode();
        choices.CSSpacedOutMode = IntCSSpacedOutMode();
        choices.RusMode = IntRusMode();
        choices.GreekMode = IntGreekMode();
        choices.FtnBottMode = IntFtnBottMode();
        choices.FtnMargMode = IntFtnMargMode();
        choices.ErrMode = IntErrMode();
        const OptionsRefreshRules::Effects effects = OptionsRefreshRules::Compute(choices);

        for (int k = 1; k < kPageCount; ++k)
            mPageButton[k]->setEnabled(effects.PageButtonsEnabled);
        if (effects.CsERoosTextEnabled)
            theCsERoosText->SetEnabled(*effects.CsERoosTextEnabled);
        if (effects.CsOtherTextEnabled)
            theCsOtherText->SetEnabled(*effects.CsOtherTextEnabled);
        theCsSpacedOutText->SetEnabled(effects.CsSpacedOutTextEnabled);
        const std::pair<LuFontSelector*, const std::optional<OptionsRefreshRules::SelectorLook>*> looks[] = {
            {theRuText, &effects.RuText}, {theGrText, &effects.GrText}};
        for (const auto& [selector, look] : looks)
            if (*look) {
                selector->SetAppropriateClass((*look)->AppropriateClass);
                selector->SetExampleText((*look)->ExampleText);
            }
        theBotFtnColor->SetEnabled(effects.BotFtnColorEnabled);
        theFldFtnColor->SetEnabled(effects.FldFtnColorEnabled);
        theErrText->SetEnabled(effects.ErrTextEnabled);
        emit ControlsRefreshed();
    });
}

bool KezOptionsFrm::Validate()
{
    // Every combination of choices is one the converter accepts.
    return TopLevel(kModule, "Validate", [&] { return true; });
}

void KezOptionsFrm::LockUpdate()
{
    ++mUpdateLockCount;
}

void KezOptionsFrm::UnlockUpdate()
{
    --mUpdateLockCount;
}

bool KezOptionsFrm::IsUpdateLocked() const
{
    return mUpdateLockCount > 0;
}

bool KezOptionsFrm::IntIsDirectPipe()
{
    return TopLevel(kModule, "Get-IntIsDirectPipe", [&] { return theLoadUnconverted->isChecked(); });
}

void KezOptionsFrm::SetIntIsDirectPipe(bool aValue)
{
    TopLevel(kModule, "Let-IntIsDirectPipe", [&] {
        UpdateLock lock(*this);
        // One of the two is always on: switching the other one on turns this one off.
        (aValue ? theLoadUnconverted : theConvertToViewable)->setChecked(true);
    });
}

bool KezOptionsFrm::IntDontShowAgain()
{
    return TopLevel(kModule, "Get-IntDontShowAgain",
                    [&] { return theDontShowAgain->checkState() == Qt::Checked; });
}

void KezOptionsFrm::SetIntDontShowAgain(bool aValue)
{
    TopLevel(kModule, "Let-IntDontShowAgain", [&] {
        UpdateLock lock(*this);
        theDontShowAgain->setCheckState(aValue ? Qt::Checked : Qt::Unchecked);
    });
}

QComboBox* KezOptionsFrm::MakeModeList(QWidget* aParent, const char* aName, qint32 TLuKezOptions::*aOption)
{
    const ListProperty* property = std::find_if(std::begin(kListProperties), std::end(kListProperties),
                                                [&](const ListProperty& p) { return p.Option == aOption; });
    if (property == std::end(kListProperties))
        throw std::logic_error("a list for an option that is no choice of the options table");
    auto* list = named(new QComboBox(aParent), aName);
    list->setEditable(false);
    list->addItems(OptionsTable::Of(aOption).Items);
    mLists.push_back({aOption, list, property->GetProcedure, property->LetProcedure});
    return list;
}

const KezOptionsFrm::BoundList& KezOptionsFrm::Bound(qint32 TLuKezOptions::*aOption) const
{
    for (const BoundList& list : mLists) {
        if (list.Option == aOption)
            return list;
    }
    throw std::logic_error("a choice of the options table without its list in the dialog");
}

LuFontSelector* KezOptionsFrm::BindFont(LuFontSelector* aSelector, FontOf aFont)
{
    mFonts.emplace_back(aSelector, aFont);
    return aSelector;
}

LuColorSelector* KezOptionsFrm::BindColour(LuColorSelector* aSelector, qint32 TLuKezOptions::*aOption)
{
    mColours.emplace_back(aSelector, aOption);
    return aSelector;
}

void KezOptionsFrm::CheckBindings() const
{
    // A row of the options table without its control would be an option the dialog cannot show.
    for (const OptionsTable::NumberOption& row : OptionsTable::NumberOptions()) {
        if (!row.Items.isEmpty())
            Bound(row.Member);
        else if (std::none_of(mColours.begin(), mColours.end(), [&](const auto& c) { return c.second == row.Member; }))
            throw std::logic_error("a colour of the options table without its selector in the dialog");
    }
    TLuKezOptions probe;
    for (const OptionsTable::FontOption& row : OptionsTable::FontOptions()) {
        if (std::none_of(mFonts.begin(), mFonts.end(),
                         [&](const auto& f) { return &(probe.*f.second)() == &(probe.*row.Member); }))
            throw std::logic_error("a font of the options table without its selector in the dialog");
    }
}

#define KEZ_OPTIONS_LIST_PROPERTY(aMember, aStored, aDefault, aProperty, ...)                                   \
    qint32 KezOptionsFrm::aProperty() { return GetListValue(Bound(&TLuKezOptions::aMember)); }                  \
    void KezOptionsFrm::Set##aProperty(qint32 aValue) { LetListValue(Bound(&TLuKezOptions::aMember), aValue); }
KEZ_OPTIONS_TABLE(KEZ_OPTIONS_SKIP, KEZ_OPTIONS_LIST_PROPERTY, KEZ_OPTIONS_SKIP, KEZ_OPTIONS_SKIP)
#undef KEZ_OPTIONS_LIST_PROPERTY

qint32 KezOptionsFrm::GetListValue(const BoundList& aList)
{
    return TopLevel(kModule, aList.GetProcedure, [&] { return static_cast<qint32>(aList.List->currentIndex()); });
}

void KezOptionsFrm::LetListValue(const BoundList& aList, qint32 aValue)
{
    TopLevel(kModule, aList.LetProcedure, [&] {
        // A list index is a 16-bit number; one that names no item is refused, not turned into
        // "nothing chosen".
        if (aValue < -32768 || aValue > 32767)
            mErrorHandling::RaiseError(KezErrorNumber::Overflow, QStringLiteral("Переполнение"));
        if (aValue < -1 || aValue >= aList.List->count())
            mErrorHandling::RaiseError(kInvalidPropertyValue, QStringLiteral("Недопустимое значение свойства"));
        UpdateLock lock(*this);
        aList.List->setCurrentIndex(aValue);
    });
}

void KezOptionsFrm::theOK_Click()
{
    TopLevel(kModule, "theOK_Click", [&] {
        if (Validate()) {
            mModalResult = true;
            hide();
        }
    });
}

void KezOptionsFrm::theCancel_Click()
{
    TopLevel(kModule, "theCancel_Click", [&] { hide(); });
}

void KezOptionsFrm::reject()
{
    // Esc and the close box leave as "Отмена" does.
    theCancel_Click();
}

void KezOptionsFrm::theAbout_Click()
{
    TopLevel(kModule, "theAbout_Click", [&] {
        LuAboutFrm about(this);
        about.Execute();
    });
}

void KezOptionsFrm::PageButton_Click(qint32 aIndex)
{
    TopLevel(kModule, kPages[aIndex].ClickProcedure, [&] {
        if (!mSelectingPage)
            SelectPage(aIndex);
    });
}

void KezOptionsFrm::ModeList_Click(const char* aProcedure)
{
    TopLevel(kModule, aProcedure, [&] {
        if (!IsUpdateLocked())
            RefreshControls();
    });
}
