// The main window: its controls, its idle and busy states and the update lock.
#include "gui/main/BrowserForm.h"
#include "core/run/BatchRun.h"
#include "core/options/TBrowserOptions.h"
#include "gui/main/WrappingCheckBox.h"
#include "gui/main/miKezConverterMain.h"
#include "core/errors/mErrorHandling.h"
#include "core/options/TLuKezOptions.h"
#include "gui/forms/FormSetup.h"
#include "gui/forms/FrameEdges.h"
#include "gui/forms/KeyboardConventions.h"
#include "gui/forms/ResourceIcon.h"
#include "gui/forms/miGraph.h"
#include "gui/options/KezOptionsFrm.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

#include <exception>

using miGraph::placeTwips;
using mErrorHandling::PassOn;
using mErrorHandling::TopLevel;

namespace {
constexpr const char* kModule = "BrowserForm";
constexpr int kClientWidthTwips = 8445;
constexpr int kClientHeightTwips = 6405;
// How long after a drop the run starts when files are converted at once.
constexpr int kConvertionStartDelayMs = 250;
} // namespace

BrowserForm::BrowserForm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      mSources(mFileSystem::FileNameCase(), SrcListView())
{
    mCaption = QStringLiteral("Конвертер из KEZ в RTF");
    SetUpAppForm(this, QStringLiteral("BrowserForm"), mCaption, kClientWidthTwips, kClientHeightTwips);

    CreateControls();
    CreateRun();
    ConnectEvents();
    Form_Load();
}

BrowserForm::~BrowserForm() = default;

void BrowserForm::CreateControls()
{
    Label1 = named(new QLabel(QStringLiteral("Исходные KEZ-файлы, которые необходимо конвертировать:"), this), "Label1");
    placeTwips(Label1, 120, 60, 6615, 195);

    theSrcList = named(new QListWidget(this), "theSrcList");
    theSrcList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    theSrcList->setAcceptDrops(true);
    theSrcList->viewport()->setAcceptDrops(true);
    theSrcList->viewport()->installEventFilter(this);
    theSrcList->installEventFilter(this);
    placeTwips(theSrcList, 60, 300, 6675, 1620);

    theAddSrcFile = named(new QPushButton(QStringLiteral("Добавить ..."), this), "theAddSrcFile");
    placeTwips(theAddSrcFile, 6840, 300, 1515, 435);

    theDeleteSrcFile = named(new QPushButton(QStringLiteral("Удалить"), this), "theDeleteSrcFile");
    placeTwips(theDeleteSrcFile, 6840, 840, 1515, 435);

    theSrcOnlyKez = named(new QCheckBox(QStringLiteral("Только *.kez"), this), "theSrcOnlyKez");
    placeTwips(theSrcOnlyKez, 6900, 1440, 1395, 375);

    theDestDirSame = named(
        new QRadioButton(QStringLiteral("Помещать полученные файлы в той же папке, что и исходные"), this),
        "theDestDirSame");
    placeTwips(theDestDirSame, 120, 2100, 7035, 195);

    theDestDirFixed =
        named(new QRadioButton(QStringLiteral("Помещать полученные файлы в следующей папке:"), this), "theDestDirFixed");
    placeTwips(theDestDirFixed, 120, 2400, 4275, 195);

    // Exactly one of the two destination buttons is on.
    mDestGroup = new QButtonGroup(this);
    mDestGroup->setExclusive(true);
    mDestGroup->addButton(theDestDirSame, 0);
    mDestGroup->addButton(theDestDirFixed, 1);
    theDestDirSame->setChecked(true);

    theDestDir = named(new QLineEdit(this), "theDestDir");
    placeTwips(theDestDir, 4500, 2340, 3315, 315);

    theSelectFolder = named(new QToolButton(this), "theSelectFolder");
    theSelectFolder->setIcon(ResourceIcon(QStringLiteral(":/icons/folder.rgba")));
    theSelectFolder->setIconSize(QSize(16, 16));
    theSelectFolder->setToolButtonStyle(Qt::ToolButtonIconOnly);
    theSelectFolder->setAccessibleName(QStringLiteral("Выбрать папку"));
    placeTwips(theSelectFolder, 7800, 2340, 495, 315);

    theOptions = named(new QPushButton(QStringLiteral("Опции конвертации ..."), this), "theOptions");
    placeTwips(theOptions, 120, 2820, 2415, 555);

    theRunConverting = named(new QPushButton(QStringLiteral("Конвертировать!"), this), "theRunConverting");
    QFont bold = theRunConverting->font();
    bold.setBold(true);
    theRunConverting->setFont(bold);
    placeTwips(theRunConverting, 2880, 2820, 2475, 555);

    theConvertImmediately = named(
        new WrappingCheckBox(QStringLiteral("Запускать конвертер сразу же, как только указан исходный файл"), this),
        "theConvertImmediately");
    placeTwips(theConvertImmediately, 5700, 2820, 2535, 615);

    Label2 = named(new QLabel(QStringLiteral("Результаты конвертации:"), this), "Label2");
    placeTwips(Label2, 120, 3540, 3615, 195);

    theConvertResults = named(new QPlainTextEdit(this), "theConvertResults");
    theConvertResults->setReadOnly(true);
    theConvertResults->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    theConvertResults->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    placeTwips(theConvertResults, 60, 3780, 8355, 2595);

    theConvertionStartTimer = named(new QTimer(this), "theConvertionStartTimer");
    theConvertionStartTimer->setSingleShot(true);
    theConvertionStartTimer->setInterval(kConvertionStartDelayMs);

    mnListPopup = named(new QMenu(this), "mnListPopup");
    mnClearList = named(mnListPopup->addAction(QStringLiteral("Очистить")), "mnClearList");
    // Declared for the log; nothing shows it (the log keeps its own edit menu).
    mnMessagesPopup = named(new QMenu(this), "mnMessagesPopup");
    mnClearMessages = named(mnMessagesPopup->addAction(QStringLiteral("Очистить")), "mnClearMessages");
    mnCopyAllMessages = named(mnMessagesPopup->addAction(QStringLiteral("Скопировать все")), "mnCopyAllMessages");

    setTabOrder(theAddSrcFile, theDeleteSrcFile);
    setTabOrder(theDeleteSrcFile, theSrcOnlyKez);
    setTabOrder(theSrcOnlyKez, theDestDirSame);
    setTabOrder(theDestDirSame, theDestDirFixed);
    setTabOrder(theDestDirFixed, theDestDir);
    setTabOrder(theDestDir, theSelectFolder);
    setTabOrder(theSelectFolder, theOptions);
    setTabOrder(theOptions, theRunConverting);
    setTabOrder(theRunConverting, theConvertImmediately);
    setTabOrder(theConvertImmediately, theConvertResults);
    setTabOrder(theConvertResults, theSrcList);
    // The window opens ready for the first thing a user does: adding files.
    theAddSrcFile->setFocus();
}

void BrowserForm::ConnectEvents()
{
    // Setting a value from code raises these just as a click does; the update lock defers the
    // refreshes they ask for.
    connect(theDestDirSame, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            theDestDirSame_Click();
    });
    connect(theDestDirFixed, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            theDestDirFixed_Click();
    });
    // Tab enters a group of option buttons at the chosen one; the arrows move within it.
    KeyboardConventions::TickedRadioIsTheTabStop(this);
    KeyboardConventions::EnterPressesFocusedButtons(this);
    KeepFrameEdgesWhole(this);
    connect(theSrcOnlyKez, &QCheckBox::toggled, this, &BrowserForm::theSrcOnlyKez_Click);
    connect(theSrcList, &QListWidget::itemSelectionChanged, this, &BrowserForm::theSrcList_Click);
    connect(theConvertImmediately, &QCheckBox::toggled, this, &BrowserForm::theConvertImmediately_Click);
    connect(theAddSrcFile, &QPushButton::clicked, this, &BrowserForm::theAddSrcFile_Click);
    connect(theDeleteSrcFile, &QPushButton::clicked, this, &BrowserForm::theDeleteSrcFile_Click);
    connect(theSelectFolder, &QToolButton::clicked, this, &BrowserForm::theSelectFolder_Click);
    connect(theOptions, &QPushButton::clicked, this, &BrowserForm::theOptions_Click);
    connect(theRunConverting, &QPushButton::clicked, this, &BrowserForm::theRunConverting_Click);
    connect(mnClearList, &QAction::triggered, this, &BrowserForm::mnClearList_Click);
    connect(theConvertionStartTimer, &QTimer::timeout, this, &BrowserForm::theConvertionStartTimer_Timer);
}

bool BrowserForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == theSrcList && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        // The key does what the button does, and only when the button could be pressed.
        if (!IsBusy() && theDeleteSrcFile->isEnabled())
            theDeleteSrcFile_Click();
        return true;
    }
    if (watched != theSrcList->viewport())
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
        mDraggedPaths.Forget(); // a new drag: its files are read from its data once, here
        [[fallthrough]];
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (theSrcList_OLEDragOver(drag->mimeData())) {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (theSrcList_OLEDragOver(drop->mimeData())) {
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
        }
        theSrcList_OLEDragDrop(drop->mimeData());
        mDraggedPaths.Forget();
        return true;
    }
    case QEvent::DragLeave:
        mDraggedPaths.Forget();
        return QWidget::eventFilter(watched, event);
    case QEvent::MouseButtonPress: {
        auto* press = static_cast<QMouseEvent*>(event);
        theSrcList_MouseDown(press->button(), press->globalPosition().toPoint());
        return false;
    }
    case QEvent::ContextMenu:
        return true; // the right button already opened the list's own menu
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void BrowserForm::Form_Load()
{
    PassOn(kModule, "Form_Load", [&] {
        mSources.StartEmpty();
    });
}

void BrowserForm::Execute()
{
    TopLevel(kModule, "Execute", [&] {
        DistributeValues(miKezConverterMain::gBrowserOptions());
        Busy = false;
        show();
    });
}

void BrowserForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    mClosed = false;
    if (mCentred)
        return;
    mCentred = true;
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void BrowserForm::closeEvent(QCloseEvent* event)
{
    // The close is never cancelled; a failure while saving is shown, not fatal. A run in
    // progress stops after the file being converted, and none starts any more.
    mClosed = true;
    theConvertionStartTimer->stop();
    mRun->RequestClose();
    TopLevel(kModule, "QueryUnload", [&] { Form_QueryUnload(); });
    event->accept();
    if (!mRun->IsRunning())
        emit Closed();
}

void BrowserForm::SaveSettingsAtEnd()
{
    if (mClosed)
        return;
    mClosed = true;
    try {
        Form_QueryUnload();
    } catch (...) {
        // No window can say it now; the settings of the last save stay.
    }
}

void BrowserForm::Form_QueryUnload()
{
    PassOn(kModule, "Form_QueryUnload", [&] {
        TBrowserOptions& options = miKezConverterMain::gBrowserOptions();
        AssembleValues(options);
        options.WriteToRegistry(platform::kHKeyCurrentUser, miKezConverterMain::kBrowserKey);
    });
}

void BrowserForm::LockUpdate() { ++UpdateLockCount; }

BrowserForm::UpdateLock::~UpdateLock() noexcept(false)
{
    if (std::uncaught_exceptions() == mUnwinding) {
        mForm.UnlockUpdate();
        return;
    }
    // Already failing: release the lock without the refresh it may owe, which could fail too.
    --mForm.UpdateLockCount;
}

bool BrowserForm::IsUpdateLocked() const { return UpdateLockCount > 0; }

void BrowserForm::UnlockUpdate()
{
    PassOn(kModule, "UnlockUpdate", [&] {
        --UpdateLockCount;
        if (UpdateLockCount == 0 && RefreshPending)
            RefreshControls();
    });
}

void BrowserForm::PaintDestDirBackground(bool aEnabled)
{
    const QColor colour =
        QApplication::palette().color(aEnabled ? QPalette::Base : QPalette::Button);
    QPalette palette = theDestDir->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, colour);
    theDestDir->setPalette(palette);
}

void BrowserForm::RefreshControls()
{
    PassOn(kModule, "RefreshControls", [&] {
        if (IsUpdateLocked()) {
            RefreshPending = true;
            return;
        }
        const UpdateLock lock(*this);
        if (Busy) {
            const bool fixed = theDestDirFixed->isChecked();
            for (QWidget* control : std::initializer_list<QWidget*>{theAddSrcFile, theDeleteSrcFile, theSrcOnlyKez,
                                                                    theDestDirSame, theDestDirFixed, theDestDir})
                control->setEnabled(false);
            PaintDestDirBackground(false);
            theSelectFolder->setEnabled(false);
            theOptions->setEnabled(false);
            theRunConverting->setEnabled(true);
            theConvertImmediately->setEnabled(false);
            // Disabling the option buttons must never change the chosen destination.
            theDestDirFixed->setChecked(fixed);
            theDestDirSame->setChecked(!fixed);
        } else {
            theAddSrcFile->setEnabled(true);
            theDeleteSrcFile->setEnabled(!mSources.Files().IsEmpty());
            theSrcOnlyKez->setEnabled(true);
            theDestDirSame->setEnabled(true);
            theDestDirFixed->setEnabled(true);
            const bool fixed = theDestDirFixed->isChecked();
            theDestDir->setEnabled(fixed);
            PaintDestDirBackground(fixed);
            theSelectFolder->setEnabled(fixed);
            theOptions->setEnabled(true);
            theRunConverting->setEnabled(true);
            theConvertImmediately->setEnabled(true);
        }
        RefreshPending = false;
    });
}

void BrowserForm::SetBusy(bool aBusy)
{
    PassOn(kModule, "SetBusy", [&] {
        Busy = aBusy;
        if (!aBusy)
            ShowPendingLog();
        theRunConverting->setText(aBusy ? QStringLiteral("Стоп!") : QStringLiteral("Конвертировать!"));
        RefreshControls();
        // Paint the new state before the run goes on.
        QCoreApplication::processEvents();
    });
}

void BrowserForm::theDestDirSame_Click()
{
    TopLevel(kModule, "theDestDirSame_Click", [&] { RefreshControls(); });
}

void BrowserForm::theDestDirFixed_Click()
{
    TopLevel(kModule, "theDestDirFixed_Click", [&] { RefreshControls(); });
}

void BrowserForm::theSrcOnlyKez_Click()
{
    TopLevel(kModule, "theSrcOnlyKez_Click", [&] { RefreshControls(); });
}

void BrowserForm::theSrcList_Click()
{
    TopLevel(kModule, "theSrcList_Click", [&] { RefreshControls(); });
}

void BrowserForm::theOptions_Click()
{
    TopLevel(kModule, "theOptions_Click", [&] { RunKezOptionsDialog(); });
}

void BrowserForm::RunKezOptionsDialog()
{
    // A fresh dialog on the program's one options object; only OK saves.
    PassOn(kModule, "RunKezOptionsDialog", [&] {
        KezOptionsFrm dialog;
        TLuKezOptions& options = miKezConverterMain::gKezOptions();
        if (dialog.Execute(options))
            options.WriteToRegistry(platform::kHKeyCurrentUser, miKezConverterMain::kMainKey);
    });
}
