// A batch through the real main window (offscreen; files added to its list, the run started with
// its button, the scripted converter replying at once) against a plain C loop that starts the same
// converter as often at the same priority. Both measured in rounds, alternately, in one process.
// Goals: the batch of 1000 at most 1.15 times the loop; its cost per file within 10 % of a batch
// of 100. Wall time is what the goals speak of; on a loaded machine the converter's start at nice
// 19 swamps it, so the program's own processor time per file is shown beside it.
#include "BenchTiming.h"
#include "gui/main/BrowserForm.h"
#include "gui/main/miKezConverterMain.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QCheckBox>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRounds = 5;

// Processor time of this process, all its threads, user and system.
double ownCpuMilliseconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& aTime) { return double(aTime.tv_sec) * 1e3 + double(aTime.tv_usec) / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

struct Cost {
    double wallMs;
    double cpuMs;
};

template <class Work>
Cost measure(Work&& aWork)
{
    const double cpu = ownCpuMilliseconds();
    const bench::Clock::time_point start = bench::Clock::now();
    aWork();
    return {bench::millisecondsSince(start), ownCpuMilliseconds() - cpu};
}

// The baseline: n starts of the converter at nice 19, each waited for.
void loopOfStarts(const QByteArray& aProgram, int aCount)
{
    for (int i = 0; i < aCount; ++i) {
        if (!bench::startAndWait(aProgram, true)) {
            std::printf("spawning %s failed\n", aProgram.constData());
            std::exit(1);
        }
    }
}

void batchThroughTheWindow(BrowserForm& aForm, int aCount)
{
    auto* button = aForm.findChild<QPushButton*>(QStringLiteral("theRunConverting"));
    button->click();
    if (!aForm.SourceFiles().IsEmpty() || !aForm.LogText().contains(QStringLiteral("успешно: %1,").arg(aCount))) {
        std::printf("the batch did not convert every file\n");
        std::exit(1);
    }
}

void addFiles(BrowserForm& aForm, const QString& aFolder, int aCount)
{
    for (int i = 0; i < aCount; ++i)
        aForm.AddSrcFile(QStringLiteral("%1/f%2 reply0.kez").arg(aFolder).arg(i, 5, 10, QLatin1Char('0')));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QByteArray fake = QByteArray(KEZ_FAKE_BIN_DIR) + "/kezcc";
    if (!QFileInfo(QString::fromLocal8Bit(fake)).isExecutable()) {
        std::printf("the fake converter is missing (%s): build the tests first\n", fake.constData());
        return 1;
    }
    QTemporaryDir scratch;
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"}) {
        const QString folder = scratch.path() + QLatin1Char('/') + QLatin1String(name);
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv(name, QFile::encodeName(folder));
    }
    qputenv("PATH", QByteArray(KEZ_FAKE_BIN_DIR) + ':' + qgetenv("PATH"));

    QApplication application(argc, argv);
    miKezConverterMain::CreateAndReadOptions();
    BrowserForm form;
    form.Execute();
    form.findChild<QCheckBox*>(QStringLiteral("theConvertImmediately"))->setChecked(false);
    QApplication::processEvents();

    const auto window = [&](int aCount) {
        addFiles(form, scratch.path(), aCount);
        return measure([&] { batchThroughTheWindow(form, aCount); });
    };
    const auto loop = [&](int aCount) { return measure([&] { loopOfStarts(fake, aCount); }); };
    window(20); // warm-up
    loop(20);
    std::vector<Cost> window100, loop100, window1000, loop1000;
    for (int round = 0; round < kRounds; ++round) {
        // Alternate the order so that neither side always follows the other.
        if (round % 2 == 0) {
            window1000.push_back(window(1000));
            loop1000.push_back(loop(1000));
        } else {
            loop1000.push_back(loop(1000));
            window1000.push_back(window(1000));
        }
        for (int i = 0; i < 2; ++i) {
            window100.push_back(window(100));
            loop100.push_back(loop(100));
        }
    }
    const auto perFile = [](const std::vector<Cost>& aCosts, int aCount, double Cost::*aField) {
        std::vector<double> values;
        for (const Cost& cost : aCosts)
            values.push_back(cost.*aField / aCount);
        return bench::median(values);
    };
    const double w1000 = perFile(window1000, 1000, &Cost::wallMs), l1000 = perFile(loop1000, 1000, &Cost::wallMs);
    const double w100 = perFile(window100, 100, &Cost::wallMs), l100 = perFile(loop100, 100, &Cost::wallMs);
    const double cw1000 = perFile(window1000, 1000, &Cost::cpuMs), cl1000 = perFile(loop1000, 1000, &Cost::cpuMs);
    const double cw100 = perFile(window100, 100, &Cost::cpuMs);
    std::printf("per file, medians of %d rounds (wall | own processor time):\n", kRounds);
    std::printf("  loop of starts at nice 19:   100 files %.3f ms, 1000 files %.3f | %.3f ms\n", l100, l1000, cl1000);
    std::printf("  batch through the window:    100 files %.3f | %.3f ms, 1000 files %.3f | %.3f ms\n", w100, cw100,
                w1000, cw1000);
    // The converter's start drifts with the machine over seconds: each round's sides ran next to
    // each other, so their ratios are compared round by round.
    std::vector<double> windowToLoop, perFile1000To100;
    for (int round = 0; round < kRounds; ++round) {
        const double batch1000 = window1000[round].wallMs / loop1000[round].wallMs;
        const double batch100 = (window100[2 * round].wallMs + window100[2 * round + 1].wallMs) /
                                (loop100[2 * round].wallMs + loop100[2 * round + 1].wallMs);
        windowToLoop.push_back(batch1000);
        perFile1000To100.push_back(batch1000 / batch100);
    }
    std::printf("ratio window/loop, 1000 files: %.3f (goal <= 1.15); of the medians above %.3f\n",
                bench::median(windowToLoop), w1000 / l1000);
    std::printf("ratio per file 1000/100 files: %.3f (goal within 0.90..1.10), each against the loop of its round; "
                "of the medians above %.3f; own processor time %.3f\n",
                bench::median(perFile1000To100), w1000 / w100, cw1000 / cw100);
    miKezConverterMain::ReleaseOptions();
    return 0;
}
