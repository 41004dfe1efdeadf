// Enumerating every installed face with its signature, against fc-list listing the same faces in
// the same run: cold (the first call ever: a new process and no face read before), first call in
// a new process with the faces read before, and warm (later calls).
#include "BenchTiming.h"
#include "platform/FontEnumeration.h"
#include "platform/Services.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kRounds = 9;

double enumerateMs(size_t& aCount)
{
    QElapsedTimer timer;
    timer.start();
    aCount = platform::service<platform::FontEnumeration>().enumerate().size();
    return double(timer.nsecsElapsed()) / 1e6;
}

// Wall time of fc-list listing every face with what names it (family, file and face index).
double fcListMs(int& aLines)
{
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(QStringLiteral("fc-list"), {QStringLiteral(":"), QStringLiteral("family"), QStringLiteral("file"),
                                              QStringLiteral("index")});
    process.waitForFinished(-1);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    aLines = int(process.readAllStandardOutput().count('\n'));
    return ms;
}

// A fresh process of this program reports its first call.
double firstCallMs(const QString& aSelf)
{
    QProcess child;
    child.start(aSelf, {QStringLiteral("--first-call")});
    child.waitForFinished(-1);
    return child.readAllStandardOutput().trimmed().toDouble();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--first-call") == 0) {
        size_t count = 0;
        std::printf("%.3f\n", enumerateMs(count));
        return 0;
    }
    QCoreApplication application(argc, argv);
    const QString self = QCoreApplication::applicationFilePath();

    int lines = 0;
    fcListMs(lines); // fontconfig's own caches up to date for both contestants
    const QString cache = qEnvironmentVariable("XDG_CACHE_HOME", QDir::homePath() + QStringLiteral("/.cache"));
    const QString cacheFile = cache + QStringLiteral("/KezConverter/fonts.cache");
    size_t faces = 0;
    std::vector<double> fcList, firstEver, firstInProcess, warm;
    for (int i = 0; i < kRounds; ++i) {
        fcList.push_back(fcListMs(lines));
        QFile::remove(cacheFile);
        firstEver.push_back(firstCallMs(self));
        firstInProcess.push_back(firstCallMs(self));
        warm.push_back(enumerateMs(faces));
    }
    const double fc = bench::median(fcList);
    const double everMs = bench::median(firstEver);
    const double firstMs = bench::median(firstInProcess);
    const double warmMs = bench::median(warm);
    std::printf("faces: enumeration %zu, fc-list %d (medians of %d rounds)\n", faces, lines, kRounds);
    std::printf("fc-list : family file index      %8.2f ms (whole process)\n", fc);
    // The first round also pays for font files and libraries not yet in the page cache.
    std::printf("enumeration, first call ever     %8.2f ms (new process, empty cache folder: every file read;"
                " first round %.2f ms)\n",
                everMs, firstEver.front());
    std::printf("enumeration, first call          %8.2f ms (new process, faces read before)\n", firstMs);
    std::printf("enumeration, later calls         %8.2f ms\n", warmMs);
    std::printf("ratio to fc-list: cold (first call ever) %.2f, first call %.2f, warm %.2f (goal <= 2)\n",
                everMs / fc, firstMs / fc, warmMs / fc);
    return 0;
}
