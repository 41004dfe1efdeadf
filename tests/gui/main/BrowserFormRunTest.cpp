#include "core/run/EventsFlowingWaiter.h"
#include "support/MainWindowFixture.h"
#include "support/SourceFile.h"
#include "core/common/LineBreak.h"
#include "gui/fs/FakeOpenFileDialog.h"
#include "support/DropFiles.h"
#include "gui/options/KezOptionsFrm.h"
#include "gui/options/OptionsTestSupport.h"

#include "core/common/ScopedOverride.h"
#include "core/runner/miKezConverterRunner.h"

#include <QAction>
#include <QImage>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

namespace {


// The real window against the real stand-ins and the scripted fake converter, whose answer
// each source file's name chooses.
class BrowserFormRun : public MainWindowTest {
protected:
    void SetUp() override
    {
        start();
        tick("theConvertImmediately", false);
    }
    void TearDown() override { closeWindow(); }

    QString source(const QString& aName) { return WriteSourceFile(sources, aName); }
    QString rtfOf(const QString& aSource) { return aSource.left(aSource.lastIndexOf(QLatin1Char('.'))) + ".rtf"; }
    QString success(const QString& aSource) { return "Успешно: " + aSource + " -> " + rtfOf(aSource) + kCrLf; }
    QString failure(const QString& aSource, const QString& aWhy)
    {
        return "Ошибка: " + aSource + " -> " + rtfOf(aSource) + kCrLf + aWhy + kCrLf;
    }
    // A source whose conversion outlasts the window's event interval, so that events run during it.
    static QString slow(const QString& aName)
    {
        return QStringLiteral("%1 sleep%2.kez").arg(aName).arg(EventsFlowingWaiter::kEventIntervalMs + 40);
    }
    QStringList addSources(const QStringList& aNames)
    {
        QStringList paths;
        for (const QString& name : aNames) {
            paths << source(name);
            form->AddSrcFile(paths.last());
        }
        return paths;
    }
    QString summary(int aAll, int aGood, int aBad)
    {
        return QStringLiteral("Обработано файлов: %1, успешно: %2, с ошибками: %3").arg(aAll).arg(aGood).arg(aBad) + kCrLf;
    }
    void run() { click("theRunConverting"); }
    QTimer* startTimer() { return child<QTimer>("theConvertionStartTimer"); }

    // Runs aAction at the first moment the window's events flow while at most aRemaining files
    // wait, the one being converted included. Slow conversions let events flow during each.
    void whileConvertingWithRemaining(qsizetype aRemaining, std::function<void()> aAction)
    {
        QMetaObject::invokeMethod(
            form.get(),
            [this, aRemaining, aAction] {
                if (miKezConverterRunner::IsConverterRunning() && form->SourceFiles().Count() <= aRemaining)
                    aAction();
                else
                    whileConvertingWithRemaining(aRemaining, aAction);
            },
            Qt::QueuedConnection);
    }
    FakeConverterOnPath fake;
    QTemporaryDir sources;
};

} // namespace

TEST_F(BrowserFormRun, OneFileGivesOneMessageOrTwoLinesWhenItFailsAndLeavesTheList)
{
    const QStringList good = addSources({QStringLiteral("Псалом 1.kez")});
    run();
    EXPECT_EQ(form->LogText(), success(good[0]));
    EXPECT_TRUE(QFile::exists(rtfOf(good[0])));
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_FALSE(form->IsBusy());
    EXPECT_EQ(child<QPushButton>("theRunConverting")->text(), QStringLiteral("Конвертировать!"));

    const QStringList bad = addSources({QStringLiteral("reply-7.kez")});
    run();
    EXPECT_EQ(form->LogText(), success(good[0]) + failure(bad[0], QStringLiteral("x")));
    EXPECT_TRUE(entries().isEmpty());
}

TEST_F(BrowserFormRun, SeveralFilesEndWithASummaryCountedAfreshForEveryRun)
{
    const QStringList files = addSources({"a.kez", "b noreply.kez", "c reply12.kez"});
    run();
    const QString first = success(files[0]) +
                          failure(files[1], QStringLiteral("Нет подтверждения, что конвертер отработал.")) +
                          success(files[2]) + summary(3, 2, 1);
    EXPECT_EQ(form->LogText(), first);
    const QStringList more = addSources({"d.kez", "e.kez"});
    run();
    EXPECT_EQ(form->LogText(), first + success(more[0]) + success(more[1]) + summary(2, 2, 0));
}

TEST_F(BrowserFormRun, StopDuringTheSecondOfFiveEndsAfterItWithSummaryAndInterruption)
{
    const QStringList files = addSources({slow("f1"), slow("f2"), "f3.kez", "f4.kez", "f5.kez"});
    whileConvertingWithRemaining(4, [this] { run(); });
    run();
    EXPECT_EQ(form->LogText(), success(files[0]) + success(files[1]) + summary(2, 2, 0) +
                                   "Обработка прервана пользователем." + kCrLf);
    EXPECT_EQ(entries(), files.mid(2));
    EXPECT_FALSE(form->IsBusy());
}

TEST_F(BrowserFormRun, StopDuringTheFirstFileAddsNeitherSummaryNorInterruption)
{
    const QStringList files = addSources({slow("f1"), "f2.kez", "f3.kez"});
    whileConvertingWithRemaining(3, [this] { run(); });
    run();
    EXPECT_EQ(form->LogText(), success(files[0]));
    EXPECT_EQ(entries(), files.mid(1));
}

// A stop or a close that is already waiting when a run starts is not lost in the run's start.
TEST_F(BrowserFormRun, AStopOrCloseQueuedBeforeTheRunLeavesEveryFileInTheList)
{
    for (const bool closing : {false, true}) {
        const QStringList files = addSources({"q1.kez", "q2.kez", "q3.kez"});
        QMetaObject::invokeMethod(
            form.get(), [this, closing] { closing ? (void)form->close() : run(); }, Qt::QueuedConnection);
        run();
        EXPECT_EQ(entries(), files) << closing;
        EXPECT_TRUE(form->LogText().isEmpty()) << closing;
        EXPECT_FALSE(form->IsBusy()) << closing;
        EXPECT_EQ(QFile::exists(environment.registryFile()), closing) << "a close saves the settings";
        for (const QString& file : files)
            form->RemoveSrcFile(file);
    }
}

// A converter that never ends holds the run until a second "Стоп!", after a confirmation, ends
// it; the file is logged as unconfirmed and the run stops. Refused, the file runs its course.
TEST_F(BrowserFormRun, ASecondStopEndsAHungConverterAfterAConfirmation)
{
    const struct {
        const char* name;
        bool answer;
        bool converted;
    } cases[] = {{"hung sleep600000.kez", true, false}, {"slow sleep700.kez", false, true}};
    for (const auto& c : cases) {
        const QStringList files = addSources({QString::fromUtf8(c.name), QStringLiteral("next.kez")});
        const qsizetype logged = form->LogText().size();
        QStringList questions;
        const ScopedOverride<miKezConverterMain::QuestionPresenter> answer(
            miKezConverterMain::questionPresenter(), [&](const QString& aTitle, const QString& aText) {
                questions << aTitle + QStringLiteral(": ") + aText;
                return c.answer;
            });
        whileConvertingWithRemaining(2, [this] {
            run();
            run();
        });
        run();
        ASSERT_EQ(questions.size(), 1) << c.name;
        EXPECT_TRUE(questions[0].startsWith(QStringLiteral("Конвертер не отвечает: Конвертер всё ещё обрабатывает файл")));
        EXPECT_TRUE(questions[0].contains(files[0])) << "names the file";
        EXPECT_EQ(form->LogText().mid(logged), c.converted ? success(files[0])
                                               : failure(files[0], QStringLiteral("Нет подтверждения, что конвертер отработал.")));
        EXPECT_EQ(entries(), files.mid(1)) << "the run stopped";
        EXPECT_FALSE(form->IsBusy());
        form->RemoveSrcFile(files[1]);
    }
}

// While the converter works the window goes on: its events run, the caption tells how far the
// run is, and the list still shows the files that wait.
TEST_F(BrowserFormRun, DuringAConversionTheWindowShowsProgressAndTheWaitingFiles)
{
    QStringList names;
    for (int i = 1; i <= 12; ++i)
        names << slow(QStringLiteral("p%1").arg(i, 2, 10, QLatin1Char('0')));
    const QStringList files = addSources(names);
    form->show();
    const QString caption = form->windowTitle();
    QString during;
    QImage shownList;
    bool converterWasRunning = false;
    whileConvertingWithRemaining(10, [&] {
        during = form->windowTitle();
        converterWasRunning = miKezConverterRunner::IsConverterRunning();
        shownList = list()->viewport()->grab().toImage();
        run();
    });
    run();
    EXPECT_TRUE(converterWasRunning) << "events ran while the converter worked";
    EXPECT_EQ(during, QStringLiteral("3 из 12 — ") + caption);
    EXPECT_EQ(form->windowTitle(), caption);

    // The top line of the list holds the file being converted: some of its pixels are text.
    ASSERT_FALSE(shownList.isNull());
    const QRect line = list()->visualItemRect(list()->item(0));
    const QColor background = shownList.pixelColor(shownList.width() - 2, line.center().y());
    int inked = 0;
    for (int x = line.left(); x < line.right(); ++x)
        for (int y = line.top(); y <= line.bottom(); ++y)
            inked += shownList.pixelColor(x, y) != background;
    EXPECT_GT(inked, 50) << "the list was drawn blank";
    EXPECT_EQ(entries(), files.mid(3));
}

TEST_F(BrowserFormRun, TheLogKeepsExactlyTheLast32760Characters)
{
    QString written;
    for (int i = 0; written.size() <= 40000; ++i) {
        const QString message = QStringLiteral("Сообщение номер %1 ").arg(i).repeated(3);
        form->AddMessage(message);
        written += message + kCrLf;
    }
    EXPECT_EQ(form->LogText(), written.right(32760));
    auto* log = child<QPlainTextEdit>("theConvertResults");
    EXPECT_EQ(log->toPlainText(), QString(form->LogText()).replace(kCrLf, QStringLiteral("\n")));
    EXPECT_EQ(log->textCursor().position(), log->document()->characterCount() - 1);
}

// During a run the box catches up in steps; afterwards it shows exactly the log.
TEST_F(BrowserFormRun, AfterARunThatOverflowsTheLogItsBoxShowsExactlyTheLog)
{
    // Nearly full before the run, so that the run's own lines push the old ones out.
    for (int i = 0; i < 1300; ++i)
        form->AddMessage(QStringLiteral("Старое сообщение %1").arg(i));
    QStringList names;
    for (int i = 0; i < 40; ++i) { // events run during the 21st
        const QString name = QStringLiteral("%1 %2").arg(i).arg(QString(60, QChar(0x0436)));
        names << (i == 20 ? slow(name) : name + QStringLiteral(".kez"));
    }
    addSources(names);
    run();
    EXPECT_EQ(form->LogText().size(), 32760);
    auto* log = child<QPlainTextEdit>("theConvertResults");
    EXPECT_EQ(log->toPlainText(), QString(form->LogText()).replace(kCrLf, QStringLiteral("\n")));
    EXPECT_EQ(log->textCursor().position(), log->document()->characterCount() - 1);
}

TEST_F(BrowserFormRun, ADropStartsTheRunFromTheTimerNotAtOnce)
{
    tick("theConvertImmediately", true);
    const QString a = source(QStringLiteral("dropped.kez"));
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(DropLocalFiles(list()->viewport(), {a}));
    EXPECT_EQ(entries(), QStringList{a});
    EXPECT_TRUE(startTimer()->isActive());
    EXPECT_EQ(startTimer()->interval(), 250);
    QTRY_VERIFY(entries().isEmpty());
    EXPECT_GE(clock.elapsed(), 200);
    EXPECT_EQ(form->LogText(), success(a));
}

// The start timer fires while the options dialog is open: the run waits for the dialog to close,
// instead of running inside it (which the dialog could not leave until the end of the batch).
TEST_F(BrowserFormRun, ADropFollowedByTheOptionsDialogRunsOnlyOnceTheDialogHasClosed)
{
    tick("theConvertImmediately", true);
    const QString dropped = source(QStringLiteral("dropped.kez"));
    int ticks = 0;
    QObject::connect(startTimer(), &QTimer::timeout, [&ticks] { ++ticks; });
    ASSERT_TRUE(DropLocalFiles(list()->viewport(), {dropped}));
    QStringList waitingInDialog;
    QString loggedInDialog = QStringLiteral("(never shown)");
    OptionsTestSupport::WhenModalShown([] { return OptionsTestSupport::VisibleDialog<KezOptionsFrm>(); },
                                       [&](QDialog& aDialog) {
                                           QTRY_VERIFY(ticks >= 2);
                                           waitingInDialog = entries();
                                           loggedInDialog = form->LogText();
                                           aDialog.findChild<QPushButton*>(QStringLiteral("theCancel"))->click();
                                       });
    click("theOptions");
    EXPECT_EQ(waitingInDialog, QStringList{dropped}) << "converted inside the dialog";
    EXPECT_TRUE(loggedInDialog.isEmpty());
    QTRY_VERIFY(entries().isEmpty());
    EXPECT_EQ(form->LogText(), success(dropped));
}

TEST_F(BrowserFormRun, FilesAddedThroughTheDialogAreConvertedAtOnce)
{
    tick("theConvertImmediately", true);
    const QStringList files{source(QStringLiteral("one.kez")), source(QStringLiteral("two.txt"))};
    auto dialog = std::make_shared<FakeOpenFileDialog>();
    dialog->selection = FakeOpenFileDialog::zz({sources.path(), "one.kez", "two.txt"});
    const ScopedOverride<std::shared_ptr<OpenFileNameDialog>> installed(openFileNameDialog(), dialog);
    click("theAddSrcFile");
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_FALSE(startTimer()->isActive());
    EXPECT_EQ(form->LogText(), success(files[0]) + success(files[1]) + summary(2, 2, 0));
}

TEST_F(BrowserFormRun, TickingTheBoxRunsTheListAndAnEmptyListEndsSilently)
{
    tick("theConvertImmediately", true);
    EXPECT_TRUE(form->LogText().isEmpty());
    tick("theConvertImmediately", false);
    const QStringList files = addSources({"waiting.kez"});
    click("theConvertImmediately");
    EXPECT_EQ(form->LogText(), success(files[0]));
}

TEST_F(BrowserFormRun, FilesDroppedDuringARunAreConvertedByThatRun)
{
    const QStringList first = addSources({"first sleep200.kez"});
    const QString late = source(QStringLiteral("late.kez"));
    QMetaObject::invokeMethod(
        form.get(), [&] { DropLocalFiles(list()->viewport(), {late}); }, Qt::QueuedConnection);
    tick("theConvertImmediately", true); // ticking starts the run; the drop lands in its first pause
    QTRY_VERIFY(!startTimer()->isActive());
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_EQ(form->LogText(), success(first[0]) + success(late) + summary(2, 2, 0));
}

TEST_F(BrowserFormRun, ClearingTheListDuringARunLeavesItNothingMoreToConvert)
{
    const QStringList files = addSources({slow("f1"), "f2.kez", "f3.kez"});
    whileConvertingWithRemaining(3, [this] { child<QAction>("mnClearList")->trigger(); });
    run();
    EXPECT_EQ(form->LogText(), success(files[0]));
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_FALSE(QFile::exists(rtfOf(files[1])));
    EXPECT_FALSE(form->IsBusy());
}

TEST_F(BrowserFormRun, ClosingTheWindowDuringARunStopsItAfterTheCurrentFile)
{
    const QStringList files = addSources({"f1.kez", slow("f2"), "f3.kez"});
    whileConvertingWithRemaining(2, [this] { form->close(); });
    run();
    EXPECT_EQ(entries(), files.mid(2));
    EXPECT_TRUE(form->LogText().endsWith(QStringLiteral("Обработка прервана пользователем.\r\n")));
    EXPECT_TRUE(QFile::exists(environment.registryFile()));
}
