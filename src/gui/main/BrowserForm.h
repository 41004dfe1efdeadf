#pragma once
#include "core/run/MessageLog.h"
#include "core/run/SourceList.h"
#include "core/common/KeyedCollection.h"
#include "core/fs/DroppedPaths.h"
#include "core/fs/mFileSystem.h"

#include <QWidget>

#include <exception>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QAction;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTimer;
class QToolButton;
class BatchRun;
class TBrowserOptions;
class WrappingCheckBox;

// The main window: the list of source files, where the results go, the run button and the log.
// Its operations are split by concern: BrowserForm.cpp (window, states, update lock),
// BrowserFormSources.cpp (wiring of the source list, which lives in SourceList), BrowserFormRun.cpp
// (wiring of the conversion run and the log, which live in BatchRun and MessageLog),
// BrowserFormSettings.cpp (the remembered settings).
class BrowserForm : public QWidget {
    Q_OBJECT
public:
    explicit BrowserForm(QWidget* parent = nullptr);
    ~BrowserForm() override;

    // Fills the controls from the remembered settings and shows the window; returns at once.
    void Execute();

    bool IsBusy() const { return Busy; }

    // The program is ending without a close (its display lost): the window's settings are saved
    // as a close saves them. Nothing is shown: there may be no display to show it on.
    void SaveSettingsAtEnd();

    // The source files waiting for conversion, oldest first.
    const KeyedCollection& SourceFiles() const { return mSources.Files(); }

    // The message log as the program wrote it (line ends as CR LF).
    const QString& LogText() const { return mLog.Text(); }

    // Window state and update lock.
    void SetBusy(bool aBusy);
    void RefreshControls();
    void LockUpdate();
    void UnlockUpdate();
    bool IsUpdateLocked() const;

    // The update lock for a scope: released however the scope ends, so that a failure can
    // never leave every later refresh deferred for good.
    class UpdateLock {
    public:
        explicit UpdateLock(BrowserForm& aForm) : mForm(aForm) { mForm.LockUpdate(); }
        ~UpdateLock() noexcept(false);
        UpdateLock(const UpdateLock&) = delete;
        UpdateLock& operator=(const UpdateLock&) = delete;

    private:
        BrowserForm& mForm;
        int mUnwinding = std::uncaught_exceptions();
    };

    // Remembered settings.
    void DistributeValues(TBrowserOptions& aOptions);
    void AssembleValues(TBrowserOptions& aOptions);

    // Source list: the bookkeeping lives in SourceList, these hand it on.
    void SetHelpStringsInSrcList(bool aShow);
    bool IsSrcFileInList(const QString& aFileName) const;
    bool IsApplicableFile(const QString& aFileName);
    void AddSrcFile(const QString& aFileName);
    // AddSrcFile for many files, the list updated once.
    void AddSrcFiles(const QStringList& aFileNames);
    qint32 GetListNumberBySrcFile(const QString& aFileName);
    void RemoveSrcFile(const QString& aFileName);
    void AddFolderFiles(const QString& aFolderName);
    // What a drop of these paths adds, in their order: a folder's files (by theSrcOnlyKez), a file
    // when it ends in ".kez"; then the run is started if it is to start at once.
    void AddDroppedPaths(const QStringList& aPaths);
    void ClearAllSrcFilesList();

    // Conversion run and message log.
    void ConvertCurrentSrcList();
    void DoConvertion(const QString& aFileName);
    QString GetOutFileName(const QString& aFileName);
    void AddMessage(const QString& aMessageText);

signals:
    // The window was closed and no run goes on any more (a run in progress at the close has
    // stopped): the program may end.
    void Closed();

private slots:
    // Event handlers.
    void Form_Load();
    void Form_QueryUnload();
    void theDestDirSame_Click();
    void theDestDirFixed_Click();
    void theSrcOnlyKez_Click();
    void theSrcList_Click();
    void theAddSrcFile_Click();
    void theDeleteSrcFile_Click();
    void mnClearList_Click();
    void theSrcList_MouseDown(Qt::MouseButton aButton, const QPoint& aGlobalPos);
    bool theSrcList_OLEDragOver(const class QMimeData* aData);
    void theSrcList_OLEDragDrop(const class QMimeData* aData);
    void theSelectFolder_Click();
    void theOptions_Click();
    // Opens the options dialog on the program's options and saves them when it ends with OK.
    void RunKezOptionsDialog();
    void theRunConverting_Click();
    void theConvertImmediately_Click();
    void theConvertionStartTimer_Timer();
    void ShowLogAppended(const QString& aShown, qsizetype aDropFromFront);
    void ShowRunProgress(qint32 aCurrent, qint32 aTotal);
    void ShowWaitingForTurn(bool aWaiting);
    void ShowPendingProgress();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void ConnectEvents();
    void CreateRun();
    SourceList::View SrcListView();
    void ShowSrcListLines(const QStringList& aLines, bool aHelp);
    void PaintDestDirBackground(bool aEnabled);
    bool ConfirmEndConverter(const QString& aFile);
    void ShowPendingLog();

    SourceList mSources;
    qint32 UpdateLockCount = 0;
    bool RefreshPending = false;
    bool Busy = false;

    bool mCentred = false;
    DroppedPaths mDraggedPaths;
    MessageLog mLog;
    QString mLogPending;            // appended to the log, not yet to its box
    qsizetype mLogPendingDrop = 0;  // characters to drop from the front of the box
    // The run's place ("3 из 12") for the caption; 0 of 0 when no run goes on.
    qint32 mProgressAt = 0;
    qint32 mProgressOf = 0;
    bool mWaitingForTurn = false;
    bool mClosed = false;
    BatchRun* mRun = nullptr;
    QString mCaption;

    // Controls.
    QLabel* Label1;
    QListWidget* theSrcList;
    QPushButton* theAddSrcFile;
    QPushButton* theDeleteSrcFile;
    QCheckBox* theSrcOnlyKez;
    QRadioButton* theDestDirSame;
    QRadioButton* theDestDirFixed;
    QButtonGroup* mDestGroup;
    QLineEdit* theDestDir;
    QToolButton* theSelectFolder;
    QPushButton* theOptions;
    QPushButton* theRunConverting;
    WrappingCheckBox* theConvertImmediately;
    QLabel* Label2;
    QPlainTextEdit* theConvertResults;
    QTimer* theConvertionStartTimer;

    QMenu* mnListPopup;
    QAction* mnClearList;
    QMenu* mnMessagesPopup;
    QAction* mnClearMessages;
    QAction* mnCopyAllMessages;
};
