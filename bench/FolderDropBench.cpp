// Dropping a folder of 10,000 and of 100,000 files onto the source list. Every drop is measured
// in a fresh process of its own (after a small warm-up drop), so that both sizes start from the
// same state of memory and neither inherits what the other left behind.
#include "BenchTree.h"
#include "app/BrowserForm.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMimeData>
#include <QProcess>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

double threadCpuMilliseconds()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

struct DropTimes {
    double wallMs = 0;
    double cpuMs = 0;
    qsizetype added = 0;
};

DropTimes drop(const QString& aFolder)
{
    BrowserForm form;
    form.show();
    QApplication::processEvents();
    QListWidget* list = form.findChild<QListWidget*>(QStringLiteral("theSrcList"));
    QWidget* viewport = list->viewport();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(aFolder)});
    const QPoint at = viewport->rect().center();

    QElapsedTimer timer;
    const double cpuStart = threadCpuMilliseconds();
    timer.start();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QDropEvent release(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &release);
    // The user waits until the list is laid out and painted again.
    QApplication::processEvents();
    list->repaint();
    DropTimes times;
    times.wallMs = double(timer.nsecsElapsed()) / 1e6;
    times.cpuMs = threadCpuMilliseconds() - cpuStart;
    times.added = form.SourceFiles().Count();
    return times;
}

// The child: one warm-up drop, then the measured one; prints "wall cpu added".
int measureOnce(const QString& aWarmUp, const QString& aFolder)
{
    drop(aWarmUp);
    const DropTimes times = drop(aFolder);
    std::printf("%.3f %.3f %lld\n", times.wallMs, times.cpuMs, static_cast<long long>(times.added));
    return 0;
}

struct Summary {
    double wallMs = 0;
    double cpuMs = 0;
    qsizetype added = -1;
};

Summary measure(const QString& aWarmUp, const QString& aFolder, int aRounds)
{
    std::vector<double> walls;
    std::vector<double> cpus;
    Summary summary;
    for (int i = 0; i < aRounds; ++i) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--measure"), aWarmUp, aFolder});
        child.waitForFinished(-1);
        const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
        if (fields.size() != 3) {
            std::fprintf(stderr, "a measuring run failed: %s\n", child.readAllStandardError().constData());
            continue;
        }
        walls.push_back(fields[0].toDouble());
        cpus.push_back(fields[1].toDouble());
        summary.added = fields[2].toLongLong();
    }
    if (walls.empty())
        return summary;
    std::sort(walls.begin(), walls.end());
    std::sort(cpus.begin(), cpus.end());
    summary.wallMs = walls[walls.size() / 2];
    summary.cpuMs = cpus[cpus.size() / 2];
    return summary;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 4 && arguments.at(1) == QStringLiteral("--measure"))
        return measureOnce(arguments.at(2), arguments.at(3));

    std::unique_ptr<QTemporaryDir> owned;
    const QString scratch = benchtree::ScratchFolder(owned);
    const QString warmUp = scratch + QStringLiteral("/drop warm-up");
    const QString small = scratch + QStringLiteral("/drop 10k");
    const QString large = scratch + QStringLiteral("/drop 100k");
    benchtree::Make(warmUp, 100);
    benchtree::Make(small, 10000);
    benchtree::Make(large, 100000);

    constexpr int kRounds = 7;
    const Summary smallDrop = measure(warmUp, small, kRounds);
    const Summary largeDrop = measure(warmUp, large, kRounds);

    std::printf("each drop in a fresh process; medians of %d\n", kRounds);
    std::printf("drop of 10,000 files:  %8.1f ms wall, %8.1f ms CPU (%lld added)\n", smallDrop.wallMs, smallDrop.cpuMs,
                static_cast<long long>(smallDrop.added));
    std::printf("drop of 100,000 files: %8.1f ms wall, %8.1f ms CPU (%lld added; goal <= 2000 ms)\n", largeDrop.wallMs,
                largeDrop.cpuMs, static_cast<long long>(largeDrop.added));
    std::printf("ratio 100k/10k: %.2f wall, %.2f CPU (goal <= 12)\n", largeDrop.wallMs / smallDrop.wallMs,
                largeDrop.cpuMs / smallDrop.cpuMs);
    return smallDrop.added == 10000 && largeDrop.added == 100000 ? 0 : 1;
}
