// The conversion run without a window: a scripted list and the fake converter.
#include "core/run/BatchRun.h"
#include "core/run/EventsFlowingWaiter.h"
#include "core/run/MessageLog.h"
#include "core/options/TLuKezOptions.h"
#include "core/common/LineBreak.h"
#include "core/errors/KezError.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>
#include <vector>

namespace {


class BatchRunTest : public ::testing::Test {
protected:
    void SetUp() override { options.FillWithDefaults(); }

    QString at(const char* aName) const { return environment.root() + QLatin1Char('/') + QLatin1String(aName); }

    // A run over `waiting`, each file converted into a name beside it.
    BatchRun& make()
    {
        BatchRun::Window window;
        window.setBusy = [this](bool aBusy) {
            events << (aBusy ? "busy" : "idle");
            if (aBusy && onBusy)
                onBusy();
            if (!aBusy && onIdle)
                onIdle();
        };
        window.firstFile = [this]() -> std::optional<QString> {
            if (waiting.isEmpty())
                return std::nullopt;
            return waiting.first();
        };
        window.waitingCount = [this] { return waiting.size(); };
        window.convert = [this](const QString& aFile) {
            events << "convert " + aFile;
            if (onConvert)
                onConvert(aFile);
            run->ConvertFile(aFile, outputOf ? outputOf(aFile) : aFile + ".out");
        };
        window.remove = [this](const QString& aFile) { waiting.removeOne(aFile); };
        window.confirmEndConverter = [](const QString&) { return false; };
        run = std::make_unique<BatchRun>(log, std::move(window), [this]() -> TLuKezOptions& { return options; },
                                         std::make_unique<EventsFlowingWaiter>([] {}));
        QObject::connect(run.get(), &BatchRun::Progress,
                         [this](qint32 aAt, qint32 aOf) { events << QStringLiteral("%1/%2").arg(aAt).arg(aOf); });
        return *run;
    }

    TestEnvironment environment;
    FakeConverterOnPath fake;
    TLuKezOptions options;
    MessageLog log;
    std::unique_ptr<BatchRun> run;
    QStringList waiting;
    QStringList events;
    std::function<void()> onBusy;
    std::function<void()> onIdle;
    std::function<QString(const QString&)> outputOf;
    std::function<void(const QString&)> onConvert;
};

} // namespace

TEST_F(BatchRunTest, ConvertsOldestFirstCountsReportsProgressAndSumsUp)
{
    waiting = QStringList{at("a.kez"), at("b reply-3.kez"), at("c reply0.kez")};
    make().Run();
    EXPECT_EQ(events, (QStringList{"busy", "1/3", "convert " + at("a.kez"), "2/3", "convert " + at("b reply-3.kez"),
                                   "3/3", "convert " + at("c reply0.kez"), "0/0", "idle"}));
    EXPECT_TRUE(waiting.isEmpty());
    EXPECT_EQ(run->SucceededCount(), 2);
    EXPECT_EQ(run->FailedCount(), 1);
    EXPECT_TRUE(log.Text().endsWith(QStringLiteral("Обработано файлов: 3, успешно: 2, с ошибками: 1") + kCrLf));
    EXPECT_FALSE(run->IsRunning());
}

// The window asks for a run whenever "convert at once" is switched on, at the start too.
TEST_F(BatchRunTest, AnEmptyListStartsNoRun)
{
    make().Run();
    EXPECT_TRUE(events.isEmpty()) << events.join(QStringLiteral(", ")).toStdString();
    EXPECT_TRUE(log.Text().isEmpty());
}

// What arrives while the busy state is being shown belongs to the run that is starting.
TEST_F(BatchRunTest, AStopOrCloseArrivingAsTheRunStartsStopsItBeforeTheFirstFile)
{
    for (const bool closing : {false, true}) {
        waiting = QStringList{"/none/a.kez", "/none/b.kez"};
        events.clear();
        BatchRun& batch = make();
        onBusy = [&batch, closing] { closing ? batch.RequestClose() : batch.RequestStop(); };
        batch.Run();
        EXPECT_EQ(events, (QStringList{"busy", "0/0", "idle"})) << closing;
        EXPECT_EQ(waiting.size(), 2) << closing;
        onBusy = nullptr;
        events.clear();
        batch.Run();
        EXPECT_TRUE(waiting.isEmpty()) << "the next run is not stopped by it " << closing;
    }
}

TEST_F(BatchRunTest, NothingReentersARunAndAFailureStillLeavesTheBusyState)
{
    waiting = QStringList{"/none/a.kez", "/none/b.kez"};
    BatchRun& batch = make();
    onConvert = [&batch](const QString&) { batch.Run(); };
    batch.Run();
    EXPECT_EQ(events.count("busy"), 1) << "a second run started from inside the first does nothing";
    EXPECT_TRUE(waiting.isEmpty());

    waiting = QStringList{"/none/c.kez", "/none/d.kez"};
    events.clear();
    onConvert = [](const QString&) { throw std::runtime_error("broken"); };
    EXPECT_ANY_THROW(batch.Run());
    EXPECT_EQ(events.last(), QStringLiteral("idle"));
    EXPECT_FALSE(batch.IsRunning());
    EXPECT_EQ(waiting.size(), 2);

    onConvert = nullptr;
    batch.Run();
    EXPECT_TRUE(waiting.isEmpty()) << "a later run works";
}

// "Конвертировать!" is shown again before the run has quite ended: a click handled then starts the
// next run over what waits, instead of being lost.
TEST_F(BatchRunTest, ARunAskedForWhileTheBusyStateGoesRunsRightAfter)
{
    waiting = QStringList{"/none/a.kez"};
    BatchRun& batch = make();
    int ended = 0;
    QObject::connect(&batch, &BatchRun::Ended, [&ended] { ++ended; });
    bool clicked = false;
    onIdle = [&] {
        if (std::exchange(clicked, true))
            return;
        waiting << "/none/late.kez";
        batch.Run();
    };
    batch.Run();
    EXPECT_TRUE(waiting.isEmpty());
    EXPECT_EQ(events, (QStringList{"busy", "1/1", "convert /none/a.kez", "0/0", "idle", "busy", "1/1",
                                   "convert /none/late.kez", "0/0", "idle"}));
    EXPECT_EQ(ended, 1) << "one end for both";
}

// Two sources that give one result in one run (one name in two folders, or two extensions): the
// later is not converted, so the earlier's result is not lost. An earlier run's result may be
// replaced.
TEST_F(BatchRunTest, TheLaterOfTwoSourcesWithOneResultFailsAndNamesTheFileItWouldReplace)
{
    QDir().mkpath(at("out"));
    const QString fakeLog = at("fake.log");
    const QByteArray savedLog = qgetenv("KEZ_FAKE_LOG");
    qputenv("KEZ_FAKE_LOG", QFile::encodeName(fakeLog));
    outputOf = [this](const QString& aFile) { return at("out/") + QFileInfo(aFile).completeBaseName() + ".rtf"; };
    const QString result = at("out/a.rtf");
    waiting = QStringList{at("sub1/a.kez"), at("sub2/a.kez"), at("sub1/a.txt"), at("sub1/b.kez")};
    make().Run();
    const auto refused = [&](const QString& aSource) {
        return "Ошибка: " + aSource + " -> " + result + kCrLf + "Файл не сконвертирован: он заменил бы файл " + result +
               ", уже полученный в этой же обработке из " + at("sub1/a.kez") + "." + kCrLf;
    };
    EXPECT_EQ(log.Text(), "Успешно: " + at("sub1/a.kez") + " -> " + result + kCrLf + refused(at("sub2/a.kez")) +
                              refused(at("sub1/a.txt")) + "Успешно: " + at("sub1/b.kez") + " -> " + at("out/b.rtf") +
                              kCrLf + "Обработано файлов: 4, успешно: 2, с ошибками: 2" + kCrLf);
    QFile converted(fakeLog);
    ASSERT_TRUE(converted.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(converted.readAll()), at("sub1/a.kez") + "\n" + at("sub1/b.kez") + "\n");

    waiting = QStringList{at("sub2/a.kez")};
    run->Run();
    EXPECT_TRUE(log.Text().endsWith("Успешно: " + at("sub2/a.kez") + " -> " + result + kCrLf));
    qputenv("KEZ_FAKE_LOG", savedLog);
}
