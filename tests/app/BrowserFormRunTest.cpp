#include "app/BrowserForm.h"
#include "app/miKezConverterMain.h"
#include "fs/FileOpenSaveDialog.h"
#include "support/DropFiles.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Answers the open-file dialog like the platform would, with a fixed multiple selection.
class ScriptedOpenDialog : public OpenFileNameDialog {
public:
    explicit ScriptedOpenDialog(QStringList aFiles) : mFiles(std::move(aFiles)) {}
    OpenFileNameResult GetOpenFileName(OpenFileNameRequest& aRequest) override
    {
        QByteArray answer = QFileInfo(mFiles.first()).absolutePath().toUtf8();
        answer.append('\0');
        for (const QString& file : mFiles) {
            answer.append(QFileInfo(file).fileName().toUtf8());
            answer.append('\0');
        }
        answer.append('\0');
        std::memcpy(aRequest.lpstrFile, answer.constData(), size_t(answer.size()));
        OpenFileNameResult result;
        result.chosen = true;
        return result;
    }
    OpenFileNameResult RefetchSelection(OpenFileNameRequest& aRequest) override { return GetOpenFileName(aRequest); }

private:
    QStringList mFiles;
};

// The real window against the real stand-ins and the scripted fake converter, whose answer
// each source file's name chooses.
class BrowserFormRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        miKezConverterMain::CreateAndReadOptions();
        form = std::make_unique<BrowserForm>();
        form->Execute();
        immediately()->setChecked(false);
    }
    void TearDown() override
    {
        SetOpenFileNameDialog(nullptr);
        form.reset();
        miKezConverterMain::ReleaseOptions();
    }

    QString source(const QString& aName)
    {
        const QString path = sources.filePath(aName);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("text\n");
        return path;
    }
    QString rtfOf(const QString& aSource) { return aSource.left(aSource.lastIndexOf(QLatin1Char('.'))) + ".rtf"; }
    QString success(const QString& aSource) { return "Успешно: " + aSource + " -> " + rtfOf(aSource) + kCrLf; }
    QString failure(const QString& aSource, const QString& aWhy)
    {
        return "Ошибка: " + aSource + " -> " + rtfOf(aSource) + kCrLf + aWhy + kCrLf;
    }
    QCheckBox* immediately() { return form->findChild<QCheckBox*>(QStringLiteral("theConvertImmediately")); }
    QPushButton* runButton() { return form->findChild<QPushButton*>(QStringLiteral("theRunConverting")); }
    QTimer* startTimer() { return form->findChild<QTimer*>(QStringLiteral("theConvertionStartTimer")); }
    QWidget* listViewport() { return form->findChild<QListWidget*>(QStringLiteral("theSrcList"))->viewport(); }

    // Presses "Стоп!" at the run's first pause after the list has shrunk to aRemaining files,
    // just as a click made during the conversion before it would be handled there.
    void pressStopWhenRemaining(qsizetype aRemaining)
    {
        atPauseWithRemaining(aRemaining, [this] { QTest::mouseClick(runButton(), Qt::LeftButton); });
    }
    // Runs aAction at the run's first pause after the list has shrunk to aRemaining files.
    void atPauseWithRemaining(qsizetype aRemaining, std::function<void()> aAction)
    {
        QMetaObject::invokeMethod(
            form.get(),
            [this, aRemaining, aAction] {
                if (form->SourceFiles().Count() <= aRemaining)
                    aAction();
                else
                    atPauseWithRemaining(aRemaining, aAction);
            },
            Qt::QueuedConnection);
    }
    QStringList remaining() const
    {
        QStringList files;
        for (const QString& file : form->SourceFiles())
            files << file;
        return files;
    }

    TestEnvironment environment;
    FakeConverterOnPath fake;
    QTemporaryDir sources;
    std::unique_ptr<BrowserForm> form;
};

} // namespace

TEST_F(BrowserFormRun, OneGoodFileGivesOneMessageAndNoSummary)
{
    const QString a = source(QStringLiteral("Псалом 1.kez"));
    form->AddSrcFile(a);
    QTest::mouseClick(runButton(), Qt::LeftButton);

    EXPECT_EQ(form->LogText(), success(a));
    EXPECT_TRUE(form->SourceFiles().IsEmpty());
    EXPECT_TRUE(QFile::exists(rtfOf(a)));
    EXPECT_FALSE(form->IsBusy());
    EXPECT_EQ(runButton()->text(), QStringLiteral("Конвертировать!"));
}

TEST_F(BrowserFormRun, OneFailedFileGivesTwoLinesAndLeavesTheList)
{
    const QString a = source(QStringLiteral("reply-7.kez"));
    form->AddSrcFile(a);
    QTest::mouseClick(runButton(), Qt::LeftButton);

    EXPECT_EQ(form->LogText(), failure(a, QStringLiteral("x")));
    EXPECT_TRUE(form->SourceFiles().IsEmpty());
}

TEST_F(BrowserFormRun, ThreeFilesWithOneFailureEndWithTheSummaryOldestFirst)
{
    const QString a = source(QStringLiteral("a.kez"));
    const QString b = source(QStringLiteral("b noreply.kez"));
    const QString c = source(QStringLiteral("c reply12.kez"));
    for (const QString& file : {a, b, c})
        form->AddSrcFile(file);
    QTest::mouseClick(runButton(), Qt::LeftButton);

    EXPECT_EQ(form->LogText(), success(a) + failure(b, QStringLiteral("Нет подтверждения, что конвертер отработал.")) +
                                   success(c) + "Обработано файлов: 3, успешно: 2, с ошибками: 1" + kCrLf);
}

TEST_F(BrowserFormRun, StopDuringTheSecondOfFiveEndsAfterItWithSummaryAndInterruption)
{
    QStringList files;
    for (int i = 1; i <= 5; ++i)
        files << source(QStringLiteral("f%1.kez").arg(i));
    for (const QString& file : files)
        form->AddSrcFile(file);
    pressStopWhenRemaining(3);
    QTest::mouseClick(runButton(), Qt::LeftButton);

    EXPECT_EQ(form->LogText(), success(files[0]) + success(files[1]) +
                                   "Обработано файлов: 2, успешно: 2, с ошибками: 0" + kCrLf +
                                   "Обработка прервана пользователем." + kCrLf);
    EXPECT_EQ(remaining(), files.mid(2));
    EXPECT_FALSE(form->IsBusy());
}

TEST_F(BrowserFormRun, StopDuringTheFirstFileAddsNeitherSummaryNorInterruption)
{
    const QStringList files{source(QStringLiteral("f1.kez")), source(QStringLiteral("f2.kez")),
                            source(QStringLiteral("f3.kez"))};
    for (const QString& file : files)
        form->AddSrcFile(file);
    pressStopWhenRemaining(2);
    QTest::mouseClick(runButton(), Qt::LeftButton);

    EXPECT_EQ(form->LogText(), success(files[0]));
    EXPECT_EQ(remaining(), files.mid(1));
}

TEST_F(BrowserFormRun, CountersStartAgainWithEveryRun)
{
    form->AddSrcFile(source(QStringLiteral("a.kez")));
    form->AddSrcFile(source(QStringLiteral("b.kez")));
    QTest::mouseClick(runButton(), Qt::LeftButton);
    form->AddSrcFile(source(QStringLiteral("c reply-3.kez")));
    form->AddSrcFile(source(QStringLiteral("d.kez")));
    QTest::mouseClick(runButton(), Qt::LeftButton);
    EXPECT_TRUE(form->LogText().endsWith("Обработано файлов: 2, успешно: 1, с ошибками: 1" + kCrLf));
}

TEST_F(BrowserFormRun, TheLogKeepsExactlyTheLast32760Characters)
{
    QString written;
    for (int i = 0; written.size() <= 40000; ++i) {
        const QString message = QStringLiteral("Сообщение номер %1 ").arg(i).repeated(3);
        form->AddMessage(message);
        written += message + kCrLf;
    }
    EXPECT_EQ(form->LogText().size(), 32760);
    EXPECT_EQ(form->LogText(), written.right(32760));
    auto* log = form->findChild<QPlainTextEdit*>(QStringLiteral("theConvertResults"));
    EXPECT_EQ(log->textCursor().position(), log->document()->characterCount() - 1);
}

TEST_F(BrowserFormRun, ADropStartsTheRunFromTheTimerNotAtOnce)
{
    immediately()->setChecked(true);
    const QString a = source(QStringLiteral("dropped.kez"));
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(DropLocalFiles(listViewport(), {a}));

    EXPECT_EQ(remaining(), QStringList{a});
    EXPECT_TRUE(startTimer()->isActive());
    EXPECT_EQ(startTimer()->interval(), 250);
    QTRY_VERIFY(form->SourceFiles().IsEmpty());
    EXPECT_GE(clock.elapsed(), 200);
    EXPECT_FALSE(startTimer()->isActive());
    EXPECT_EQ(form->LogText(), success(a));
}

TEST_F(BrowserFormRun, FilesAddedThroughTheDialogAreConvertedAtOnce)
{
    immediately()->setChecked(true);
    const QStringList files{source(QStringLiteral("one.kez")), source(QStringLiteral("two.txt"))};
    SetOpenFileNameDialog(std::make_shared<ScriptedOpenDialog>(files));
    QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("theAddSrcFile")), Qt::LeftButton);

    EXPECT_TRUE(form->SourceFiles().IsEmpty());
    EXPECT_FALSE(startTimer()->isActive());
    EXPECT_EQ(form->LogText(), success(files[0]) + success(files[1]) +
                                   "Обработано файлов: 2, успешно: 2, с ошибками: 0" + kCrLf);
}

TEST_F(BrowserFormRun, TickingTheBoxRunsTheListAndAnEmptyListEndsSilently)
{
    immediately()->setChecked(true);
    EXPECT_TRUE(form->LogText().isEmpty());
    immediately()->setChecked(false);

    const QString a = source(QStringLiteral("waiting.kez"));
    form->AddSrcFile(a);
    QTest::mouseClick(immediately(), Qt::LeftButton);
    EXPECT_EQ(form->LogText(), success(a));
}

TEST_F(BrowserFormRun, FilesDroppedDuringARunAreConvertedByThatRun)
{
    const QString first = source(QStringLiteral("first sleep200.kez"));
    const QString late = source(QStringLiteral("late.kez"));
    form->AddSrcFile(first);
    QMetaObject::invokeMethod(
        form.get(), [&] { DropLocalFiles(listViewport(), {late}); }, Qt::QueuedConnection);
    immediately()->setChecked(true); // ticking starts the run; the drop lands in its first pause

    QTRY_VERIFY(!startTimer()->isActive());
    EXPECT_TRUE(form->SourceFiles().IsEmpty());
    EXPECT_EQ(form->LogText(), success(first) + success(late) +
                                   "Обработано файлов: 2, успешно: 2, с ошибками: 0" + kCrLf);
}

TEST_F(BrowserFormRun, ClearingTheListDuringARunLeavesItNothingMoreToConvert)
{
    const QStringList files{source(QStringLiteral("f1.kez")), source(QStringLiteral("f2.kez")),
                            source(QStringLiteral("f3.kez"))};
    for (const QString& file : files)
        form->AddSrcFile(file);
    atPauseWithRemaining(2, [this] { form->findChild<QAction*>(QStringLiteral("mnClearList"))->trigger(); });
    QTest::mouseClick(runButton(), Qt::LeftButton);

    EXPECT_EQ(form->LogText(), success(files[0]));
    EXPECT_TRUE(form->SourceFiles().IsEmpty());
    EXPECT_FALSE(QFile::exists(rtfOf(files[1])));
    EXPECT_FALSE(form->IsBusy());
}

TEST_F(BrowserFormRun, ClosingTheWindowDuringARunStopsItAfterTheCurrentFile)
{
    const QStringList files{source(QStringLiteral("f1.kez")), source(QStringLiteral("f2.kez")),
                            source(QStringLiteral("f3.kez"))};
    for (const QString& file : files)
        form->AddSrcFile(file);
    atPauseWithRemaining(1, [this] { form->close(); });
    QTest::mouseClick(runButton(), Qt::LeftButton);

    EXPECT_EQ(remaining(), files.mid(2));
    EXPECT_TRUE(form->LogText().endsWith(QStringLiteral("Обработка прервана пользователем.\r\n")));
    EXPECT_TRUE(QFile::exists(environment.registryFile()));
}
