// The conversion run without a window: a scripted list and the fake converter.
#include "app/BatchRun.h"
#include "app/MessageLog.h"
#include "app/miKezConverterMain.h"
#include "errors/KezError.h"
#include "support/TestEnvironment.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>
#include <vector>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

class BatchRunTest : public ::testing::Test {
protected:
    void SetUp() override { miKezConverterMain::CreateAndReadOptions(); }
    void TearDown() override { miKezConverterMain::ReleaseOptions(); }

    QString at(const char* aName) const { return environment.root() + QLatin1Char('/') + QLatin1String(aName); }

    // A run over `waiting`, each file converted into a name beside it.
    BatchRun& make()
    {
        BatchRun::Window window;
        window.setBusy = [this](bool aBusy) {
            events << (aBusy ? "busy" : "idle");
            if (aBusy && onBusy)
                onBusy();
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
            run->ConvertFile(aFile, aFile + ".out");
        };
        window.remove = [this](const QString& aFile) { waiting.removeOne(aFile); };
        window.beforeEvents = [] {};
        window.confirmEndConverter = [](const QString&) { return false; };
        run = std::make_unique<BatchRun>(log, std::move(window));
        QObject::connect(run.get(), &BatchRun::Progress,
                         [this](qint32 aAt, qint32 aOf) { events << QStringLiteral("%1/%2").arg(aAt).arg(aOf); });
        return *run;
    }

    TestEnvironment environment;
    FakeConverterOnPath fake;
    MessageLog log;
    std::unique_ptr<BatchRun> run;
    QStringList waiting;
    QStringList events;
    std::function<void()> onBusy;
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
