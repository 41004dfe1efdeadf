// kezconv against the least its work can cost, measured in the same run:
// - -j1 over files the scripted converter answers at once, against a plain loop that, for each
//   file, places the request naming it in the hand-over store, starts that converter at the same
//   priority and reads its reply, so that both sides pay the same hand-over per file. Goal: at
//   most 1.05 times the loop.
// - -j2 over the same files against two such loops side by side, each a process with a store of
//   its own as kezconv's workers have: what the machine gives. Goal: at least 0.95 times their
//   throughput.
// - a list of 200000 paths piped to kezconv: the time to its first result. Goal: under 0.2 s.
// - 200 files of 1 MB each, the bundled converter doing real work, at -j1, -j2, ... up to the
//   number of processors. Goal: -j2 at least 1.8 times the throughput of -j1 (on two processors).
//   Beside it, what the machine gives: the converter alone, two side by side against one after
//   the other, with no kezconv at all.
#include "BenchTiming.h"
#include "core/options/TLuKezOptions.h"
#include "core/runner/miKezConverterRunner.h"
#include "platform/Services.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <utility>
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
constexpr int kQuickRounds = 7;
constexpr int kRounds = 3;
constexpr int kQuickFiles = 200;
constexpr int kWorkFiles = 200;
constexpr int kAloneStarts = 100;
constexpr qint64 kWorkBytes = 1024 * 1024;
constexpr int kListPaths = 200000;
constexpr int kListRealFiles = 4;
constexpr int kListRounds = 3;

[[noreturn]] void fail(const char* aWhat, const QByteArray& aProgram)
{
    std::printf("%s: %s\n", aProgram.constData(), aWhat);
    std::exit(1);
}

std::vector<char*> kezconvArgv(const QList<QByteArray>& aArguments)
{
    std::vector<char*> argv{const_cast<char*>("kezconv")};
    for (const QByteArray& argument : aArguments)
        argv.push_back(const_cast<char*>(argument.constData()));
    argv.push_back(nullptr);
    return argv;
}

// Runs kezconv with its output on /dev/null and waits for it; the wall time in ms.
double runKezconv(const QByteArray& aProgram, const QList<QByteArray>& aArguments)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd = 0; fd <= 2; ++fd)
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    std::vector<char*> argv = kezconvArgv(aArguments);
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

// Makes aRuntime's store the one this process hands over through (the format is registered per
// store).
void useStore(const QByteArray& aRuntime)
{
    qputenv("XDG_RUNTIME_DIR", aRuntime);
    miKezConverterRunner::ForgetExternalCBFormat();
}

// The source path of the reply in the store when it is a success, or an empty string.
QString repliedSource()
{
    using namespace miKezConverterRunner;
    ExternalRecord record{};
    if (!LoadExternalFromHGlobal(PasteHGlobalFromClipboard(), record) || ExternalData::ReadInt32(record.data(), ExternalData::Offset::ResultCode) != 0)
        return {};
    return LoadPascalStringToString(record.data() + ExternalData::Offset::SourcePath, ExternalData::kPathCapacity);
}

struct Request {
    QString source;
    QString output;
};

// The bare loop over every aStep-th request of [aBegin, aEnd) from aBegin + aLane, in the store
// this process uses: each request placed, the converter started at nice 19 and waited for, its
// reply read back, as kezconv does for each file. False when a reply is not the answer to its
// own request.
bool loopLane(const QByteArray& aConverter, const std::vector<Request>& aRequests, int aBegin, int aEnd, int aLane,
              int aStep)
{
    TLuKezOptions options;
    for (int i = aBegin + aLane; i < aEnd; i += aStep) {
        const Request& request = aRequests[size_t(i)];
        const platform::HGlobal handle =
            miKezConverterRunner::MakeExternalHGlobalObject(options, request.source, request.output);
        if (handle == 0 || !miKezConverterRunner::CopyHGlobalToClipboard(handle, 0))
            return false;
        if (!bench::startAndWait(aConverter, true) || repliedSource() != request.source)
            return false;
    }
    return true;
}

// The bare loop over [aBegin, aEnd) in as many lanes side by side as there are runtime folders:
// one lane runs here, more each in a process of its own with its folder's store, as kezconv's
// workers do. The wall time in ms.
double loopsSideBySide(const QByteArray& aConverter, const QList<QByteArray>& aRuntimes,
                       const std::vector<Request>& aRequests, int aBegin, int aEnd)
{
    const QByteArray own = qgetenv("XDG_RUNTIME_DIR");
    const int lanes = int(aRuntimes.size());
    const bench::Clock::time_point start = bench::Clock::now();
    if (lanes == 1) {
        useStore(aRuntimes[0]);
        const bool answered = loopLane(aConverter, aRequests, aBegin, aEnd, 0, 1);
        const double ms = bench::millisecondsSince(start);
        useStore(own);
        if (!answered)
            fail("did not answer its request", aConverter);
        return ms;
    }
    std::fflush(stdout); // a lane must not write out what the parent has yet to write
    std::vector<pid_t> running;
    for (int lane = 0; lane < lanes; ++lane) {
        const pid_t pid = fork();
        if (pid < 0)
            fail("cannot start a lane", aConverter);
        if (pid == 0) {
            useStore(aRuntimes[lane]);
            _exit(loopLane(aConverter, aRequests, aBegin, aEnd, lane, lanes) ? 0 : 1);
        }
        running.push_back(pid);
    }
    bool answered = true;
    for (const pid_t pid : running) {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        answered = answered && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    const double ms = bench::millisecondsSince(start);
    if (!answered)
        fail("did not answer its request in a lane", aConverter);
    return ms;
}

// Leaves the request to convert aSource into aOutput in the hand-over store of aRuntime. A
// converter's reply keeps both paths, so every converter started there finds the same request.
void placeRequest(const QString& aRuntime, const QString& aSource, const QString& aOutput)
{
    const QByteArray own = qgetenv("XDG_RUNTIME_DIR");
    useStore(QFile::encodeName(aRuntime));
    TLuKezOptions options;
    const platform::HGlobal handle = miKezConverterRunner::MakeExternalHGlobalObject(options, aSource, aOutput);
    const bool placed = handle != 0 && miKezConverterRunner::CopyHGlobalToClipboard(handle, 0);
    useStore(own);
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

QString privateFolder(const QString& aPath)
{
    QDir().mkpath(aPath);
    QFile::setPermissions(aPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return aPath;
}

// Rounds of the loop's halves around kezconv: a machine speeding up or slowing down during a
// round weighs on both sides alike.
struct Sides {
    std::vector<double> kezconvMs, loopMs;
};

// -j1 against the loop, and -j2 (and -jN for N processors) against N loops side by side.
void quickFiles(const QString& aScratch, const QByteArray& aFakeKezconv, const QByteArray& aFake)
{
    // Files the scripted converter answers at once, writing nothing.
    const QString quick = aScratch + QStringLiteral("/quick");
    QDir().mkpath(quick);
    std::vector<Request> requests;
    QByteArray listText;
    for (int i = 0; i < kQuickFiles; ++i) {
        const QString base = quick + QStringLiteral("/f%1 reply0").arg(i, 4, 10, QLatin1Char('0'));
        requests.push_back({base + QStringLiteral(".kez"), base + QStringLiteral(".rtf")});
        QFile file(requests.back().source);
        if (!file.exists() && !file.open(QIODevice::WriteOnly))
            fail("cannot be written", QFile::encodeName(file.fileName()));
        listText += QFile::encodeName(requests.back().source) + '\n';
    }
    QFile listFile(aScratch + QStringLiteral("/quick.list"));
    if (!listFile.open(QIODevice::WriteOnly) || listFile.write(listText) != listText.size())
        fail("cannot be written", QFile::encodeName(listFile.fileName()));
    listFile.close();
    const QByteArray list = QFile::encodeName(listFile.fileName());

    const int cores = qMax(1, QThread::idealThreadCount());
    std::vector<int> manyJobs{2};
    if (cores > 2)
        manyJobs.push_back(cores);
    QList<QByteArray> runtimes;
    for (int lane = 0; lane < qMax(2, cores); ++lane)
        runtimes.append(QFile::encodeName(privateFolder(aScratch + QStringLiteral("/loop-runtime%1").arg(lane))));
    const QString bareRuntime = privateFolder(aScratch + QStringLiteral("/bare-runtime"));

    const auto throughKezconv = [&](int aJobs) {
        return runKezconv(aFakeKezconv, {"-j" + QByteArray::number(aJobs), "-q", "--from-file", list});
    };
    const auto loops = [&](int aLanes, int aBegin, int aEnd) {
        return loopsSideBySide(aFake, runtimes.mid(0, aLanes), requests, aBegin, aEnd);
    };
    // For comparison: a converter that finds no request and ends at once.
    const auto bare = [&] { return startsSideBySide(aFake, {bareRuntime}, kQuickFiles / 2); };
    loops(1, 0, 20); // warm-up
    throughKezconv(1);
    const int half = kQuickFiles / 2;
    std::vector<double> ratios, kezconvCpu, loopCpu, bareMs;
    Sides one;
    std::map<int, Sides> many;
    std::printf("%d files answered at once, per file, medians of %d rounds:\n", kQuickFiles, kQuickRounds);
    std::printf("  each round: half the loop, kezconv, the other half, so that a machine speeding up or\n"
                "  slowing down during the round weighs on both sides alike; then the same for N loops\n"
                "  side by side and -jN; each round's -j1 ratio (kezconv/loop ms per file):\n ");
    for (int round = 0; round < kQuickRounds; ++round) {
        const double before = childrenCpuMilliseconds();
        double l = loops(1, 0, half);
        const double loopStarted = childrenCpuMilliseconds();
        const double k = throughKezconv(1);
        const double kezconvDone = childrenCpuMilliseconds();
        l += loops(1, half, kQuickFiles);
        kezconvCpu.push_back(kezconvDone - loopStarted);
        loopCpu.push_back(childrenCpuMilliseconds() - kezconvDone + loopStarted - before);
        one.kezconvMs.push_back(k);
        one.loopMs.push_back(l);
        ratios.push_back(k / l);
        std::printf(" %.3f (%.2f/%.2f)", k / l, k / kQuickFiles, l / kQuickFiles);
        std::fflush(stdout);
        for (const int jobs : manyJobs) {
            double side = loops(jobs, 0, half);
            many[jobs].kezconvMs.push_back(throughKezconv(jobs));
            side += loops(jobs, half, kQuickFiles);
            many[jobs].loopMs.push_back(side);
        }
    }
    std::printf("\n");
    bareMs.push_back(bare());
    std::printf("  (wall | processor time of everything started, converters included)\n");
    std::printf("  loop: request placed, converter started at nice 19, reply read: %.3f | %.3f ms\n",
                bench::median(one.loopMs) / kQuickFiles, bench::median(loopCpu) / kQuickFiles);
    std::printf("  kezconv -j1:                                                    %.3f | %.3f ms\n",
                bench::median(one.kezconvMs) / kQuickFiles, bench::median(kezconvCpu) / kQuickFiles);
    std::printf("  (a converter with no request to answer:                         %.3f ms)\n",
                bench::median(bareMs) / (kQuickFiles / 2));
    for (const int jobs : manyJobs)
        std::printf("  %d loops side by side, each with its own store: %.3f ms; kezconv -j%d: %.3f ms\n", jobs,
                    bench::median(many[jobs].loopMs) / kQuickFiles, jobs,
                    bench::median(many[jobs].kezconvMs) / kQuickFiles);
    std::printf("ratio kezconv -j1 / loop: %.3f (goal <= 1.05), the median of the rounds; of the sides' medians "
                "%.3f; of processor time %.3f\n",
                bench::median(ratios), bench::median(one.kezconvMs) / bench::median(one.loopMs),
                bench::median(kezconvCpu) / bench::median(loopCpu));
    for (const int jobs : manyJobs) {
        const Sides& sides = many[jobs];
        std::vector<double> throughput;
        for (size_t round = 0; round < sides.loopMs.size(); ++round)
            throughput.push_back(sides.loopMs[round] / sides.kezconvMs[round]);
        std::printf("ratio kezconv -j%d / %d loops side by side, in throughput (loops' ms / kezconv's ms): %.3f%s, "
                    "the median of the rounds; of the sides' medians %.3f\n",
                    jobs, jobs, bench::median(throughput), jobs == 2 ? " (goal >= 0.95)" : "",
                    bench::median(sides.loopMs) / bench::median(sides.kezconvMs));
    }
}

// Seconds from kezconv's start, aList being written into its standard input meanwhile, to the
// first "Успешно: " line on its standard output; it is then asked to stop and waited for.
double firstResultSeconds(const QByteArray& aProgram, const QByteArray& aList)
{
    int in[2];
    int out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0)
        fail("cannot be given pipes", aProgram);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    // kezconv gets SIGPIPE as a shell would give it; here a reader gone is an error on the write.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &pipeSignal);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    const sighandler_t ownPipeHandler = signal(SIGPIPE, SIG_IGN);
    std::vector<char*> argv = kezconvArgv({"-0", "-"});
    const bench::Clock::time_point start = bench::Clock::now();
    pid_t pid = 0;
    const int error = posix_spawn(&pid, aProgram.constData(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(in[0]);
    ::close(out[1]);
    if (error != 0)
        fail("cannot be started", aProgram);
    // Both ends never block: kezconv may write results before it has read the whole list.
    fcntl(in[1], F_SETFL, O_NONBLOCK);
    fcntl(out[0], F_SETFL, O_NONBLOCK);

    const QByteArray success = QByteArrayLiteral("Успешно: ");
    QByteArray received;
    qsizetype written = 0;
    int input = in[1];
    double seconds = -1;
    while (seconds < 0) {
        pollfd fds[2] = {{out[0], POLLIN, 0}, {input, POLLOUT, 0}};
        if (::poll(fds, input >= 0 ? 2 : 1, 30000) <= 0) {
            kill(pid, SIGKILL);
            fail("gave no result within 30 s", aProgram);
        }
        if (input >= 0 && (fds[1].revents & (POLLOUT | POLLERR | POLLHUP))) {
            const ssize_t sent = ::write(input, aList.constData() + written, size_t(aList.size() - written));
            if (sent > 0)
                written += sent;
            if ((sent < 0 && errno != EAGAIN && errno != EINTR) || written == aList.size()) {
                ::close(input);
                input = -1;
            }
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            char buffer[65536];
            const ssize_t got = ::read(out[0], buffer, sizeof buffer);
            if (got == 0)
                fail("ended without a result", aProgram);
            if (got > 0) {
                // Only the new bytes and what could begin the word before them: failures may
                // come first by the thousand.
                const qsizetype from = qMax<qsizetype>(0, received.size() - success.size() + 1);
                received.append(buffer, got);
                if (received.indexOf(success, from) >= 0)
                    seconds = bench::millisecondsSince(start) / 1e3;
                else
                    received.remove(0, from);
            }
        }
    }

    // Stopped after the files being converted; a second request ends those too.
    if (input >= 0)
        ::close(input);
    kill(pid, SIGTERM);
    fcntl(out[0], F_SETFL, 0);
    const bench::Clock::time_point stopping = bench::Clock::now();
    int asked = 1;
    while (true) {
        pollfd fd{out[0], POLLIN, 0};
        if (::poll(&fd, 1, 1000) > 0) {
            char buffer[65536];
            if (::read(out[0], buffer, sizeof buffer) <= 0)
                break;
        }
        if (asked == 1 && bench::millisecondsSince(stopping) > 5000) {
            kill(pid, SIGTERM);
            asked = 2;
        } else if (asked == 2 && bench::millisecondsSince(stopping) > 20000) {
            std::printf("%s: did not stop within 20 s of SIGTERM, killed\n", aProgram.constData());
            kill(pid, SIGKILL);
            asked = 3;
        }
    }
    ::close(out[0]);
    bench::waitForChild(pid);
    signal(SIGPIPE, ownPipeHandler);
    return seconds;
}

// A list of kListPaths paths, NUL-separated, whose first few name real files and the rest files
// that do not exist, piped to kezconv.
void listFirstResult(const QString& aScratch, const QByteArray& aFakeKezconv)
{
    const QString real = aScratch + QStringLiteral("/list-first");
    QDir().mkpath(real);
    QByteArray list;
    list.reserve(qsizetype(kListPaths) * (real.size() + 24));
    for (int i = 0; i < kListRealFiles; ++i) {
        const QString path = real + QStringLiteral("/a%1.kez").arg(i);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write("\\\\ kez\n") < 0)
            fail("cannot be written", QFile::encodeName(path));
        list += QFile::encodeName(path) + '\0';
    }
    const QByteArray missing = QFile::encodeName(aScratch + QStringLiteral("/list-missing/m"));
    for (int i = kListRealFiles; i < kListPaths; ++i)
        list += missing + QByteArray::number(i) + ".kez" + '\0';

    std::vector<double> seconds;
    for (int round = 0; round < kListRounds; ++round) {
        for (const QString& name : QDir(real).entryList({QStringLiteral("*.rtf")}, QDir::Files))
            QFile::remove(real + QLatin1Char('/') + name);
        seconds.push_back(firstResultSeconds(aFakeKezconv, list));
    }
    std::printf("first result of a %d-path list piped to kezconv -0 -: %.3f s (goal < 0.2 s), the median of %d runs\n",
                kListPaths, bench::median(seconds), kListRounds);
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
    listFirstResult(scratch.path(), fakeKezconv);
    return realWork(scratch.path(), kezconv, kezcc);
}
