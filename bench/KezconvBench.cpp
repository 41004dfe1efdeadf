// kezconv against the least its work can cost, measured in the same run:
// - -j1 over 1000 files the scripted converter answers at once, against a plain C loop starting
//   that converter as often at the same priority, with a request in its store to answer, so that
//   the converter does the same work on both sides. Goal: at most 1.05 times the loop.
// - 200 files of 1 MB each, the bundled converter doing real work, at -j1, -j2, ... up to the
//   number of processors. Goal: -j2 at least 1.8 times the throughput of -j1 (on two processors).
//   Beside it, what the machine gives: the converter alone, two side by side against one after
//   the other, with no kezconv at all.
#include "BenchTiming.h"
#include "core/options/TLuKezOptions.h"
#include "core/runner/miKezConverterRunner.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

namespace {

// Processor time of the children waited for so far (with theirs), user and system: on a loaded
// machine the converter's start at nice 19 swamps the wall time, so this is shown beside it.
double childrenCpuMilliseconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto ms = [](const timeval& aTime) { return double(aTime.tv_sec) * 1e3 + double(aTime.tv_usec) / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// The machine's speed drifts by more than the goal's margin between runs: medians of rounds
// whose two sides run next to each other.
constexpr int kQuickRounds = 9;
constexpr int kRounds = 3;
constexpr int kQuickFiles = 1000;
constexpr int kWorkFiles = 200;
constexpr int kAloneStarts = 100;
constexpr qint64 kWorkBytes = 1024 * 1024;

[[noreturn]] void fail(const char* aWhat, const QByteArray& aProgram)
{
    std::printf("%s: %s\n", aProgram.constData(), aWhat);
    std::exit(1);
}

// Runs kezconv with its output on /dev/null and waits for it; the wall time in ms.
double runKezconv(const QByteArray& aProgram, const QList<QByteArray>& aArguments)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd = 0; fd <= 2; ++fd)
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    std::vector<char*> argv{const_cast<char*>("kezconv")};
    for (const QByteArray& argument : aArguments)
        argv.push_back(const_cast<char*>(argument.constData()));
    argv.push_back(nullptr);
    const bench::Clock::time_point start = bench::Clock::now();
    pid_t pid = 0;
    const int error = posix_spawn(&pid, aProgram.constData(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    while (error == 0 && waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    const double ms = bench::millisecondsSince(start);
    if (error != 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fail("did not convert every file", aProgram);
    return ms;
}

// Leaves the request to convert aSource into aOutput in the hand-over store of aRuntime. A
// converter's reply keeps both paths, so every converter started there finds the same request.
void placeRequest(const QString& aRuntime, const QString& aSource, const QString& aOutput)
{
    const QByteArray own = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(aRuntime));
    TLuKezOptions options;
    const platform::HGlobal handle = miKezConverterRunner::MakeExternalHGlobalObject(options, aSource, aOutput);
    const bool placed = handle != 0 && miKezConverterRunner::CopyHGlobalToClipboard(handle, 0);
    qputenv("XDG_RUNTIME_DIR", own);
    if (!placed)
        fail("cannot place the request", QFile::encodeName(aRuntime));
}

// aStarts starts of the converter at nice 19, as many at once as there are runtime folders, each
// converter started with one of them as its own; the wall time in ms.
double startsSideBySide(const QByteArray& aConverter, const QStringList& aRuntimes, int aStarts)
{
    const QByteArray own = qgetenv("XDG_RUNTIME_DIR");
    std::map<pid_t, QString> running;
    int started = 0;
    const auto startIn = [&](const QString& aRuntime) {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(aRuntime));
        const pid_t pid = bench::startConverter(aConverter, true);
        if (pid < 0)
            fail("cannot be started", aConverter);
        running[pid] = aRuntime;
        ++started;
    };
    const bench::Clock::time_point start = bench::Clock::now();
    for (const QString& runtime : aRuntimes)
        if (started < aStarts)
            startIn(runtime);
    while (!running.empty()) {
        const auto ended = running.find(bench::waitForChild());
        if (ended == running.end())
            continue;
        const QString runtime = ended->second;
        running.erase(ended);
        if (started < aStarts)
            startIn(runtime);
    }
    const double ms = bench::millisecondsSince(start);
    qputenv("XDG_RUNTIME_DIR", own);
    return ms;
}

QByteArray writeList(const QString& aFolder, const QString& aNamePattern, int aCount)
{
    QByteArray list;
    for (int i = 0; i < aCount; ++i) {
        const QString path = aFolder + QLatin1Char('/') + aNamePattern.arg(i, 4, 10, QLatin1Char('0'));
        QFile file(path);
        if (!file.exists() && !file.open(QIODevice::WriteOnly))
            fail("cannot be written", QFile::encodeName(path));
        list += QFile::encodeName(path) + '\n';
    }
    return list;
}

QString privateFolder(const QString& aPath)
{
    QDir().mkpath(aPath);
    QFile::setPermissions(aPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return aPath;
}

// The -j1 side against the loop of starts.
void quickFiles(const QString& aScratch, const QByteArray& aFakeKezconv, const QByteArray& aFake)
{
    // Files the scripted converter answers at once, writing nothing.
    const QString quick = aScratch + QStringLiteral("/quick");
    QDir().mkpath(quick);
    QFile listFile(aScratch + QStringLiteral("/quick.list"));
    if (!listFile.open(QIODevice::WriteOnly) ||
        listFile.write(writeList(quick, QStringLiteral("f%1 reply0.kez"), kQuickFiles)) < 0)
        fail("cannot be written", QFile::encodeName(listFile.fileName()));
    listFile.close();
    const QByteArray list = QFile::encodeName(listFile.fileName());
    const QString loopRuntime = privateFolder(aScratch + QStringLiteral("/loop-runtime"));
    const QString bareRuntime = privateFolder(aScratch + QStringLiteral("/bare-runtime"));
    placeRequest(loopRuntime, quick + QStringLiteral("/f0000 reply0.kez"), quick + QStringLiteral("/f0000 reply0.rtf"));

    const auto throughKezconv = [&] { return runKezconv(aFakeKezconv, {"-j1", "-q", "--from-file", list}); };
    const auto loop = [&](int aStarts) { return startsSideBySide(aFake, {loopRuntime}, aStarts); };
    // For comparison: a converter that finds no request and ends at once.
    const auto bare = [&] { return startsSideBySide(aFake, {bareRuntime}, kQuickFiles); };
    loop(20); // warm-up
    throughKezconv();
    std::vector<double> ratios, kezconvMs, loopMs, bareMs, kezconvCpu, loopCpu;
    std::printf("%d files answered at once, per file, medians of %d rounds:\n", kQuickFiles, kQuickRounds);
    std::printf("  each round: half the loop, kezconv, the other half, so that a machine speeding up or\n"
                "  slowing down during the round weighs on both sides alike; each round's ratio\n"
                "  (kezconv/loop ms per file):\n ");
    for (int round = 0; round < kQuickRounds; ++round) {
        const double before = childrenCpuMilliseconds();
        double l = loop(kQuickFiles / 2);
        const double loopStarted = childrenCpuMilliseconds();
        const double k = throughKezconv();
        const double kezconvDone = childrenCpuMilliseconds();
        l += loop(kQuickFiles - kQuickFiles / 2);
        kezconvCpu.push_back(kezconvDone - loopStarted);
        loopCpu.push_back(childrenCpuMilliseconds() - kezconvDone + loopStarted - before);
        kezconvMs.push_back(k);
        loopMs.push_back(l);
        ratios.push_back(k / l);
        std::printf(" %.3f (%.2f/%.2f)", k / l, k / kQuickFiles, l / kQuickFiles);
        std::fflush(stdout);
    }
    std::printf("\n");
    bareMs.push_back(bare());
    std::printf("  (wall | processor time of everything started, converters included)\n");
    std::printf("  loop of converter starts at nice 19, each answering: %.3f | %.3f ms\n",
                bench::median(loopMs) / kQuickFiles, bench::median(loopCpu) / kQuickFiles);
    std::printf("  kezconv -j1:                                         %.3f | %.3f ms\n",
                bench::median(kezconvMs) / kQuickFiles, bench::median(kezconvCpu) / kQuickFiles);
    std::printf("  (a converter with no request to answer:              %.3f ms)\n", bench::median(bareMs) / kQuickFiles);
    std::printf("ratio kezconv -j1 / loop: %.3f (goal <= 1.05), the median of the rounds; of the sides' medians "
                "%.3f; of processor time %.3f\n",
                bench::median(ratios), bench::median(kezconvMs) / bench::median(loopMs),
                bench::median(kezconvCpu) / bench::median(loopCpu));
}

// -jN on files that take real work, and the converter alone side by side.
int realWork(const QString& aScratch, const QByteArray& aKezconv, const QByteArray& aConverter)
{
    // 1 MB sources, each name its own file to the converter (links to one source).
    const QString work = aScratch + QStringLiteral("/work");
    const QString out = aScratch + QStringLiteral("/out");
    QDir().mkpath(work);
    QFile sample(QStringLiteral(KEZ_SOURCE_DIR "/samples/Отче наш (UTF-8).kez"));
    if (!sample.open(QIODevice::ReadOnly))
        fail("cannot be read", QFile::encodeName(sample.fileName()));
    const QByteArray text = sample.readAll();
    QByteArray source;
    while (source.size() < kWorkBytes)
        source += text;
    QFile first(work + QStringLiteral("/t0000.kez"));
    if (!first.open(QIODevice::WriteOnly) || first.write(source) != source.size())
        fail("cannot be written", QFile::encodeName(first.fileName()));
    first.close();
    for (int i = 1; i < kWorkFiles; ++i)
        QFile::link(first.fileName(), work + QStringLiteral("/t%1.kez").arg(i, 4, 10, QLatin1Char('0')));

    const int cores = qMax(1, QThread::idealThreadCount());
    const int most = qMax(2, cores);
    QStringList alone;
    for (int lane = 0; lane < 2; ++lane) {
        alone.append(privateFolder(aScratch + QStringLiteral("/alone%1").arg(lane)));
        placeRequest(alone.back(), first.fileName(), alone.back() + QStringLiteral("/t.rtf"));
    }
    std::map<int, std::vector<double>> jobsMs;
    std::vector<double> oneAfterOther, sideBySide;
    for (int round = 0; round < kRounds; ++round) {
        for (int jobs = 1; jobs <= most; ++jobs) {
            QDir(out).removeRecursively();
            QDir().mkpath(out);
            jobsMs[jobs].push_back(runKezconv(aKezconv, {"-q", "-j" + QByteArray::number(jobs), "-o",
                                                         QFile::encodeName(out), QFile::encodeName(work)}));
        }
        oneAfterOther.push_back(startsSideBySide(aConverter, {alone[0]}, kAloneStarts));
        sideBySide.push_back(startsSideBySide(aConverter, alone, kAloneStarts));
    }
    QDir(out).removeRecursively();

    std::printf("%d files of %.1f MB, the bundled converter, -o into one folder, medians of %d rounds:\n",
                kWorkFiles, double(source.size()) / 1e6, kRounds);
    const double oneJob = bench::median(jobsMs[1]);
    const double machine = bench::median(oneAfterOther) / bench::median(sideBySide);
    for (int jobs = 1; jobs <= most; ++jobs) {
        const double ms = bench::median(jobsMs[jobs]);
        std::printf("  -j%d: %.0f ms, %.1f files/s, %.2f times -j1%s\n", jobs, ms, kWorkFiles * 1000.0 / ms,
                    oneJob / ms, jobs == 2 ? " (goal >= 1.8)" : "");
    }
    std::printf("  the converter alone, two side by side: %.2f times one after the other "
                "(what this machine gives two converters)\n",
                machine);
    return 0;
}

} // namespace

int main()
{
    const QByteArray fakeKezconv = QByteArray(KEZ_FAKE_BIN_DIR) + "/kezconv";
    const QByteArray fake = QByteArray(KEZ_FAKE_BIN_DIR) + "/kezcc";
    const QByteArray kezconv = QByteArray(KEZ_BIN_DIR) + "/kezconv";
    const QByteArray kezcc = QByteArray(KEZ_BIN_DIR) + "/kezcc";
    for (const QByteArray& program : {fakeKezconv, fake, kezconv, kezcc})
        if (!QFileInfo(QString::fromLocal8Bit(program)).isExecutable())
            fail("is missing: build the tests and kezconv first", program);
    QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/kezconv-bench-XXXXXX"));
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"})
        qputenv(name, QFile::encodeName(privateFolder(scratch.path() + QLatin1Char('/') + QLatin1String(name))));
    quickFiles(scratch.path(), fakeKezconv, fake);
    return realWork(scratch.path(), kezconv, kezcc);
}
