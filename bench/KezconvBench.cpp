// kezconv against the least its work can cost, measured in the same run:
// - -j1 over 1000 files the scripted converter answers at once, against a plain C loop starting
//   that converter as often at the same priority. Goal: at most 1.05 times the loop.
// - 200 files of 1 MB each, the bundled converter doing real work, at -j1, -j2, ... up to the
//   number of processors. Goal: -j2 at least 1.8 times the throughput of -j1 (on two processors).
#include "BenchTiming.h"

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

constexpr int kRounds = 3;
constexpr int kQuickFiles = 1000;
constexpr int kWorkFiles = 200;
constexpr qint64 kWorkBytes = 1024 * 1024;

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
    if (error != 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::printf("%s did not convert every file\n", aProgram.constData());
        std::exit(1);
    }
    return ms;
}

double loopOfStarts(const QByteArray& aConverter, int aCount)
{
    const bench::Clock::time_point start = bench::Clock::now();
    for (int i = 0; i < aCount; ++i)
        if (!bench::startAndWait(aConverter, true)) {
            std::printf("spawning %s failed\n", aConverter.constData());
            std::exit(1);
        }
    return bench::millisecondsSince(start);
}

QByteArray writeList(const QString& aFolder, const QString& aNamePattern, int aCount)
{
    QByteArray list;
    for (int i = 0; i < aCount; ++i) {
        const QString path = aFolder + QLatin1Char('/') + aNamePattern.arg(i, 4, 10, QLatin1Char('0'));
        QFile file(path);
        if (!file.exists() && !file.open(QIODevice::WriteOnly)) {
            std::printf("cannot write %s\n", qPrintable(path));
            std::exit(1);
        }
        list += QFile::encodeName(path) + '\n';
    }
    return list;
}

} // namespace

int main()
{
    const QByteArray fakeKezconv = QByteArray(KEZ_FAKE_BIN_DIR) + "/kezconv";
    const QByteArray fake = QByteArray(KEZ_FAKE_BIN_DIR) + "/kezcc";
    const QByteArray kezconv = QByteArray(KEZ_BIN_DIR) + "/kezconv";
    for (const QByteArray& program : {fakeKezconv, fake, kezconv})
        if (!QFileInfo(QString::fromLocal8Bit(program)).isExecutable()) {
            std::printf("%s is missing: build the tests and kezconv first\n", program.constData());
            return 1;
        }
    QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/kezconv-bench-XXXXXX"));
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"}) {
        const QString folder = scratch.path() + QLatin1Char('/') + QLatin1String(name);
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv(name, QFile::encodeName(folder));
    }

    // Files the scripted converter answers at once, writing nothing.
    const QString quick = scratch.path() + QStringLiteral("/quick");
    QDir().mkpath(quick);
    QFile listFile(scratch.path() + QStringLiteral("/quick.list"));
    if (!listFile.open(QIODevice::WriteOnly) ||
        listFile.write(writeList(quick, QStringLiteral("f%1 reply0.kez"), kQuickFiles)) < 0)
        return 1;
    listFile.close();
    const QByteArray list = QFile::encodeName(listFile.fileName());
    const auto throughKezconv = [&] { return runKezconv(fakeKezconv, {"-j1", "-q", "--from-file", list}); };
    const auto loop = [&] { return loopOfStarts(fake, kQuickFiles); };
    loopOfStarts(fake, 20); // warm-up
    throughKezconv();
    std::vector<double> ratios, kezconvMs, loopMs, kezconvCpu, loopCpu;
    const auto cpuOf = [](auto&& aWork, std::vector<double>& aCpu) {
        const double before = childrenCpuMilliseconds();
        const double ms = aWork();
        aCpu.push_back(childrenCpuMilliseconds() - before);
        return ms;
    };
    for (int round = 0; round < kRounds; ++round) {
        // Alternated, so that neither side always follows the other.
        double k = 0;
        double l = 0;
        if (round % 2) {
            l = cpuOf(loop, loopCpu);
            k = cpuOf(throughKezconv, kezconvCpu);
        } else {
            k = cpuOf(throughKezconv, kezconvCpu);
            l = cpuOf(loop, loopCpu);
        }
        kezconvMs.push_back(k);
        loopMs.push_back(l);
        ratios.push_back(k / l);
    }
    std::printf("%d files answered at once, per file, medians of %d rounds:\n", kQuickFiles, kRounds);
    std::printf("  (wall | processor time of everything started, converters included)\n");
    std::printf("  loop of converter starts at nice 19: %.3f | %.3f ms\n", bench::median(loopMs) / kQuickFiles,
                bench::median(loopCpu) / kQuickFiles);
    std::printf("  kezconv -j1:                         %.3f | %.3f ms\n", bench::median(kezconvMs) / kQuickFiles,
                bench::median(kezconvCpu) / kQuickFiles);
    std::printf("ratio kezconv -j1 / loop: %.3f (goal <= 1.05), each round's sides next to each other; "
                "of processor time %.3f\n",
                bench::median(ratios), bench::median(kezconvCpu) / bench::median(loopCpu));

    // Real work: 1 MB sources, each name its own file to the converter (links to one source).
    const QString work = scratch.path() + QStringLiteral("/work");
    const QString out = scratch.path() + QStringLiteral("/out");
    QDir().mkpath(work);
    QFile sample(QStringLiteral(KEZ_SOURCE_DIR "/samples/Отче наш (UTF-8).kez"));
    if (!sample.open(QIODevice::ReadOnly))
        return 1;
    const QByteArray text = sample.readAll();
    QByteArray source;
    while (source.size() < kWorkBytes)
        source += text;
    QFile first(work + QStringLiteral("/t0000.kez"));
    if (!first.open(QIODevice::WriteOnly) || first.write(source) != source.size())
        return 1;
    first.close();
    for (int i = 1; i < kWorkFiles; ++i)
        QFile::link(first.fileName(), work + QStringLiteral("/t%1.kez").arg(i, 4, 10, QLatin1Char('0')));
    const int cores = qMax(1, QThread::idealThreadCount());
    std::printf("%d files of %.1f MB, the bundled converter, -o into one folder:\n", kWorkFiles,
                double(source.size()) / 1e6);
    double oneJob = 0;
    for (int jobs = 1; jobs <= qMax(2, cores); ++jobs) {
        QDir(out).removeRecursively();
        QDir().mkpath(out);
        const double ms = runKezconv(kezconv, {"-q", "-j" + QByteArray::number(jobs), "-o", QFile::encodeName(out),
                                               QFile::encodeName(work)});
        if (jobs == 1)
            oneJob = ms;
        std::printf("  -j%d: %.0f ms, %.1f files/s, %.2f times -j1%s\n", jobs, ms, kWorkFiles * 1000.0 / ms,
                    oneJob / ms, jobs == 2 ? " (goal >= 1.8)" : "");
    }
    QDir(out).removeRecursively();
    return 0;
}
