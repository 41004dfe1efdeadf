// Saving the whole options object (every value of every key in one registry batch) against one
// atomic replacement of a settings file of the same size (lock, temporary file, flush, rename,
// folder flush), interleaved in the same run. Goal: ratio at most 1.5. For scale, the same values
// written one by one without a batch are measured too.
#include "BenchTiming.h"
#include "core/options/TLuKezOptions.h"
#include "core/options/miRegistryTools.h"
#include "platform/posix/Files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/file.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRuns = 40;
constexpr int kWarmUp = 3;
const QString kKey = QStringLiteral("Software\\Torvane Software\\KEZConv\\Bench\\");

// The options' values written one call each, as every save did before batches.
void writeOneByOne(const TLuKezOptions& aOptions, int aRound)
{
    for (int i = 0; i < 68; ++i)
        miRegistryTools::WriteLongValue(platform::kHKeyCurrentUser, kKey + QStringLiteral("Single"),
                                        QStringLiteral("Value%1").arg(i), aRound + i + aOptions.RusMode);
}

} // namespace

int main()
{
    // A private settings folder unless the caller gave one.
    QTemporaryDir scratch;
    if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME"))
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratch.path()));
    const std::string folderPath = QFile::encodeName(qEnvironmentVariable("XDG_CONFIG_HOME")).toStdString();
    const QString settingsFile = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/KezConverter/HKEY_CURRENT_USER.reg");

    TLuKezOptions options;
    options.FillWithDefaults();
    options.WriteToRegistry(platform::kHKeyCurrentUser, kKey);
    QFile file(settingsFile);
    if (!file.open(QIODevice::ReadOnly)) {
        std::printf("the settings file was not written\n");
        return 1;
    }
    const std::string contents = file.readAll().toStdString();
    file.close();

    const platform::posix::UniqueFd baselineFolder = platform::posix::openPrivateFolder(folderPath, {"KezBenchBaseline"});
    if (!baselineFolder.valid()) {
        std::printf("no folder for the baseline\n");
        return 1;
    }
    std::vector<double> save, replace, single;
    for (int run = 0; run < kWarmUp + kRuns; ++run) {
        options.RusMode = run % 3;
        options.RussText().Size = 10 + run % 7;
        auto start = bench::Clock::now();
        options.WriteToRegistry(platform::kHKeyCurrentUser, kKey);
        const double saved = bench::millisecondsSince(start);

        start = bench::Clock::now();
        {
            const platform::posix::UniqueFd lock = platform::posix::lockAt(baselineFolder.get(), "file.lock", LOCK_EX);
            platform::posix::replaceFileAt(baselineFolder.get(), "file.reg", contents, true);
        }
        const double replaced = bench::millisecondsSince(start);

        if (run >= kWarmUp) {
            save.push_back(saved);
            replace.push_back(replaced);
        }
    }
    // Last, as it makes the file bigger; fewer runs are enough to show the scale.
    for (int run = 0; run < 5; ++run) {
        const auto start = bench::Clock::now();
        writeOneByOne(options, run);
        single.push_back(bench::millisecondsSince(start));
    }
    const double saveMs = bench::median(save), replaceMs = bench::median(replace), singleMs = bench::median(single);
    std::printf("settings file: %zu bytes, %d runs, medians\n", contents.size(), kRuns);
    std::printf("  one atomic replacement (baseline): %8.3f ms\n", replaceMs);
    std::printf("  whole options save (one batch):    %8.3f ms   ratio %.2f (goal <= 1.50)\n", saveMs,
                saveMs / replaceMs);
    std::printf("  68 values one by one (no batch):   %8.3f ms   ratio %.1f\n", singleMs, singleMs / replaceMs);
    return saveMs / replaceMs <= 1.5 ? 0 : 2;
}
