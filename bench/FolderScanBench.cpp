// Scanning a tree of 100,000 files for "*.kez", against find(1) on the same tree in the same run.
#include "BenchTree.h"
#include "core/fs/mFileSystem.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kFiles = 100000;
constexpr int kRounds = 7;

template <class Body>
double medianMilliseconds(Body&& aBody)
{
    aBody(); // warms the caches for both contestants alike
    std::vector<double> times;
    for (int i = 0; i < kRounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        aBody();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

int countFound(const QByteArray& aCommand)
{
    FILE* pipe = ::popen(aCommand.constData(), "r");
    if (!pipe)
        return -1;
    int lines = 0;
    for (int c; (c = std::fgetc(pipe)) != EOF;)
        lines += c == '\n';
    ::pclose(pipe);
    return lines;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    std::unique_ptr<QTemporaryDir> owned;
    const QString root = benchtree::ScratchFolder(owned) + QStringLiteral("/scan tree");
    const int kez = benchtree::Make(root, kFiles);
    constexpr quint32 kAllFiles = 1 | 2 | 4 | 32;

    const QByteArray find = "find " + benchtree::ShellQuoted(root) + " -type f -iname '*.kez'";
    const int foundByFind = countFound(find);
    const int foundByScan =
        int(mFileSystem::CollectFileNamesInFolder(root, QStringLiteral("*.kez"), true, kAllFiles).size());

    const double findMs = medianMilliseconds([&] {
        if (std::system((find + " > /dev/null").constData()) != 0)
            std::fprintf(stderr, "find failed\n");
    });
    const double scanMs = medianMilliseconds([&] {
        (void)mFileSystem::CollectFileNamesInFolder(root, QStringLiteral("*.kez"), true, kAllFiles);
    });
    const double everyFileMs = medianMilliseconds([&] {
        (void)mFileSystem::CollectFileNamesInFolder(root, QStringLiteral("*"), true, kAllFiles);
    });

    std::printf("tree: %d files, %d KEZ; found: scan %d, find %d\n", kFiles, kez, foundByScan, foundByFind);
    std::printf("find -type f -iname '*.kez'          %8.1f ms (median of %d)\n", findMs, kRounds);
    std::printf("CollectFileNamesInFolder \"*.kez\"    %8.1f ms\n", scanMs);
    std::printf("CollectFileNamesInFolder \"*\"        %8.1f ms (every file)\n", everyFileMs);
    std::printf("ratio scan/find: %.2f (goal <= 1.5)\n", scanMs / findMs);
    return foundByScan == kez && foundByFind == kez ? 0 : 1;
}
