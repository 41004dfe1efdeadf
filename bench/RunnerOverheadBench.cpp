// Per-file cost of RunConverter (block, clipboard, start at idle priority, wait, reply) against a
// bare spawn-and-wait of the same converter, measured interleaved in the same run. The converter
// is the scripted fake, told by the file name to reply 0 at once. Goal: ratio at most 1.10.
#include "BenchTiming.h"
#include "core/options/TLuKezOptions.h"
#include "core/runner/miKezConverterRunner.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

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

constexpr int kRuns = 200;
constexpr int kWarmUp = 10;

} // namespace

int main()
{
    const QByteArray fake = QByteArray(KEZ_FAKE_BIN_DIR) + "/kezcc";
    if (!QFileInfo(QString::fromLocal8Bit(fake)).isExecutable()) {
        std::printf("the fake converter is missing (%s): build the tests first\n", fake.constData());
        return 1;
    }
    // A private clipboard store unless the caller gave one.
    QTemporaryDir scratch;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        QDir().mkpath(scratch.path() + QStringLiteral("/runtime"));
        QFile::setPermissions(scratch.path() + QStringLiteral("/runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(scratch.path() + QStringLiteral("/runtime")));
    }
    qputenv("PATH", QByteArray(KEZ_FAKE_BIN_DIR) + ':' + qgetenv("PATH"));
    // The current folder is searched before PATH: make sure no other kezcc is found there.
    QDir::setCurrent(scratch.path());

    TLuKezOptions options;
    options.FillWithDefaults();
    const QString source = scratch.path() + QStringLiteral("/reply0.kez");
    const QString output = scratch.path() + QStringLiteral("/reply0.rtf");
    qint32 code = 0;
    QString message;

    const auto runner = [&] {
        const bench::Clock::time_point start = bench::Clock::now();
        const bool converted = miKezConverterRunner::RunConverter(options, source, output, 0, code, message);
        const double elapsed = bench::millisecondsSince(start);
        if (!converted) {
            std::printf("RunConverter failed: %d %s\n", code, message.toUtf8().constData());
            std::exit(1);
        }
        return elapsed;
    };
    const auto bare = [&](bool aIdle) {
        const bench::Clock::time_point start = bench::Clock::now();
        if (!bench::startAndWait(fake, aIdle)) {
            std::printf("spawning %s failed\n", fake.constData());
            std::exit(1);
        }
        return bench::millisecondsSince(start);
    };

    for (int i = 0; i < kWarmUp; ++i) {
        runner();
        bare(false);
    }
    // Where the time goes: the steps of RunConverter one by one.
    std::vector<double> handOver, execute, reply;
    for (int i = 0; i < kRuns / 4; ++i) {
        bench::Clock::time_point start = bench::Clock::now();
        const platform::HGlobal handle = miKezConverterRunner::MakeExternalHGlobalObject(options, source, output);
        miKezConverterRunner::CopyHGlobalToClipboard(handle, 0);
        handOver.push_back(bench::millisecondsSince(start));
        start = bench::Clock::now();
        miKezConverterRunner::ExecuteShellCommand(QString::fromLatin1(miKezConverterRunner::kConverterCommandLine));
        execute.push_back(bench::millisecondsSince(start));
        start = bench::Clock::now();
        miKezConverterRunner::ExternalRecord record{};
        miKezConverterRunner::LoadExternalFromHGlobal(miKezConverterRunner::PasteHGlobalFromClipboard(), record);
        reply.push_back(bench::millisecondsSince(start));
    }

    std::vector<double> runnerTimes, bareTimes, idleTimes;
    for (int i = 0; i < kRuns; ++i) {
        // Alternate the order so that neither side always follows the other.
        if (i % 2 == 0) {
            runnerTimes.push_back(runner());
            bareTimes.push_back(bare(false));
        } else {
            bareTimes.push_back(bare(false));
            runnerTimes.push_back(runner());
        }
        idleTimes.push_back(bare(true));
    }
    const double runnerMedian = bench::median(runnerTimes);
    const double bareMedian = bench::median(bareTimes);
    std::printf("runs: %d interleaved, medians\n", kRuns);
    std::printf("bare spawn+wait of the converter:        %8.3f ms\n", bareMedian);
    std::printf("bare spawn+wait at nice 19 (reference):   %8.3f ms\n", bench::median(idleTimes));
    std::printf("RunConverter with the same converter:     %8.3f ms\n", runnerMedian);
    std::printf("  of which: block onto the clipboard %.3f ms, start+wait at idle %.3f ms, reply %.3f ms\n",
                bench::median(handOver), bench::median(execute), bench::median(reply));
    std::printf("overhead per file: %.3f ms, ratio %.3f (goal <= 1.10)\n", runnerMedian - bareMedian,
                runnerMedian / bareMedian);
    return 0;
}
