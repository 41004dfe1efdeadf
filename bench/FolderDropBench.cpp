// Drag and drop onto the source list: a folder of 10,000 and of 100,000 files; 100,000 files
// dropped one by one against adding the same paths to the list without a drop; the moves of a
// drag of 100,000 files over the list. Every measurement runs in a fresh process of its own
// (after a small warm-up), so that each starts from the same state of memory and none inherits
// what another left behind.
#include "BenchTree.h"
#include "gui/main/BrowserForm.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMimeData>
#include <QProcess>
#include <QUrl>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
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

// The paths of aCount empty KEZ files in one folder, as a file manager hands over a selection.
QStringList MakeFlatFolder(const QString& aFolder, int aCount)
{
    QDir().mkpath(aFolder);
    const QString marker = aFolder + QStringLiteral(".complete");
    const bool made = QFile::exists(marker);
    QStringList paths;
    paths.reserve(aCount);
    for (int i = 0; i < aCount; ++i) {
        paths.append(QStringLiteral("%1/Псалом %2.kez").arg(aFolder).arg(i, 6, 10, QLatin1Char('0')));
        if (made)
            continue;
        const int fd = ::open(QFile::encodeName(paths.last()).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd >= 0)
            ::close(fd);
    }
    QFile(marker).open(QIODevice::WriteOnly);
    return paths;
}

QList<QUrl> UrlsOf(const QStringList& aPaths)
{
    QList<QUrl> urls;
    urls.reserve(aPaths.size());
    for (const QString& path : aPaths)
        urls.append(QUrl::fromLocalFile(path));
    return urls;
}

struct Stopwatch {
    Stopwatch() : cpuStart(threadCpuMilliseconds()) { timer.start(); }
    DropTimes stop(const BrowserForm& aForm) const
    {
        DropTimes times;
        times.wallMs = double(timer.nsecsElapsed()) / 1e6;
        times.cpuMs = threadCpuMilliseconds() - cpuStart;
        times.added = aForm.SourceFiles().Count();
        return times;
    }
    QElapsedTimer timer;
    double cpuStart;
};

// The user waits until the list is laid out and painted again.
void settle(QListWidget* aList)
{
    QApplication::processEvents();
    aList->repaint();
}

// What is timed for the files of one folder: "enter" (the drag arrives over the list and its
// files are read), "drop" (letting go, after the drag has entered), "add" (the same paths added
// without a drop, as the open-file dialog adds them) or "move" (one move of the drag; the time
// of one move, averaged over many).
DropTimes measureFiles(const QString& aMode, const QStringList& aPaths)
{
    BrowserForm form;
    form.show();
    QApplication::processEvents();
    QListWidget* list = form.findChild<QListWidget*>(QStringLiteral("theSrcList"));
    QWidget* viewport = list->viewport();
    QMimeData data;
    data.setUrls(UrlsOf(aPaths));
    const QPoint at = viewport->rect().center();

    if (aMode == QStringLiteral("add")) {
        const Stopwatch watch;
        for (const QString& path : aPaths)
            form.AddSrcFile(path);
        settle(list);
        return watch.stop(form);
    }
    const Stopwatch entering;
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    if (aMode == QStringLiteral("enter"))
        return entering.stop(form);
    if (aMode == QStringLiteral("move")) {
        constexpr int kMoves = 200;
        const Stopwatch moves;
        for (int i = 0; i < kMoves; ++i) {
            QDragMoveEvent move(at + QPoint(i % 7, i % 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(viewport, &move);
        }
        DropTimes times = moves.stop(form);
        times.wallMs /= kMoves;
        times.cpuMs /= kMoves;
        return times;
    }
    const Stopwatch dropping;
    QDropEvent release(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &release);
    settle(list);
    return dropping.stop(form);
}

int measureFilesOnce(const QString& aMode, const QString& aWarmUp, const QString& aFolder, int aCount)
{
    measureFiles(aMode, MakeFlatFolder(aWarmUp, 100));
    const DropTimes times = measureFiles(aMode, MakeFlatFolder(aFolder, aCount));
    std::printf("%.4f %.4f %lld\n", times.wallMs, times.cpuMs, static_cast<long long>(times.added));
    return 0;
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

Summary measure(const QStringList& aArguments, int aRounds)
{
    std::vector<double> walls;
    std::vector<double> cpus;
    Summary summary;
    for (int i = 0; i < aRounds; ++i) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), aArguments);
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
    if (arguments.size() == 6 && arguments.at(1) == QStringLiteral("--measure-files"))
        return measureFilesOnce(arguments.at(2), arguments.at(3), arguments.at(4), arguments.at(5).toInt());

    std::unique_ptr<QTemporaryDir> owned;
    const QString scratch = benchtree::ScratchFolder(owned);
    const QString warmUp = scratch + QStringLiteral("/drop warm-up");
    const QString small = scratch + QStringLiteral("/drop 10k");
    const QString large = scratch + QStringLiteral("/drop 100k");
    benchtree::Make(warmUp, 100);
    benchtree::Make(small, 10000);
    benchtree::Make(large, 100000);

    constexpr int kRounds = 7;
    const Summary smallDrop = measure({QStringLiteral("--measure"), warmUp, small}, kRounds);
    const Summary largeDrop = measure({QStringLiteral("--measure"), warmUp, large}, kRounds);

    constexpr int kFiles = 100000;
    const QString filesWarmUp = scratch + QStringLiteral("/files warm-up");
    const QString files = scratch + QStringLiteral("/files 100k");
    MakeFlatFolder(filesWarmUp, 100);
    MakeFlatFolder(files, kFiles);
    const auto filesRun = [&](const char* aMode) {
        return measure({QStringLiteral("--measure-files"), QString::fromLatin1(aMode), filesWarmUp, files,
                        QString::number(kFiles)},
                       kRounds);
    };
    const Summary added = filesRun("add");
    const Summary dropped = filesRun("drop");
    const Summary entered = filesRun("enter");
    const Summary moved = filesRun("move");

    std::printf("each drop in a fresh process; medians of %d\n", kRounds);
    std::printf("drop of 10,000 files:  %8.1f ms wall, %8.1f ms CPU (%lld added)\n", smallDrop.wallMs, smallDrop.cpuMs,
                static_cast<long long>(smallDrop.added));
    std::printf("drop of 100,000 files: %8.1f ms wall, %8.1f ms CPU (%lld added; goal <= 2000 ms)\n", largeDrop.wallMs,
                largeDrop.cpuMs, static_cast<long long>(largeDrop.added));
    std::printf("ratio 100k/10k: %.2f wall, %.2f CPU (goal <= 12)\n", largeDrop.wallMs / smallDrop.wallMs,
                largeDrop.cpuMs / smallDrop.cpuMs);
    std::printf("100,000 files dropped: adding the paths without a drop %8.1f ms wall, %8.1f ms CPU\n", added.wallMs,
                added.cpuMs);
    std::printf("                       the drop (after the drag entered) %8.1f ms wall, %8.1f ms CPU\n", dropped.wallMs,
                dropped.cpuMs);
    std::printf("                       the drag entering (files read)    %8.1f ms wall, %8.1f ms CPU\n", entered.wallMs,
                entered.cpuMs);
    std::printf("ratio drop/add: %.2f wall, %.2f CPU (goal <= 1.2); (enter+drop)/add: %.2f wall\n",
                dropped.wallMs / added.wallMs, dropped.cpuMs / added.cpuMs, (entered.wallMs + dropped.wallMs) / added.wallMs);
    std::printf("one move of a drag of 100,000 files: %.4f ms wall, %.4f ms CPU (goal < 1 ms)\n", moved.wallMs,
                moved.cpuMs);
    return smallDrop.added == 10000 && largeDrop.added == 100000 && added.added == kFiles && dropped.added == kFiles
               ? 0
               : 1;
}
