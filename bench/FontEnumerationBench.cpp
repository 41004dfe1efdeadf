// Enumerating every installed face with its signature, against fc-list listing the same faces in
// the same run: cold (the first call in a process) and warm (later calls).
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

double median(std::vector<double> aTimes)
{
    std::sort(aTimes.begin(), aTimes.end());
    return aTimes[aTimes.size() / 2];
}

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
    QFile::remove(cache + QStringLiteral("/KezConverter/fonts.cache"));
    const double firstEver = firstCallMs(self);
    size_t faces = 0;
    std::vector<double> fcList, cold, warm;
    for (int i = 0; i < kRounds; ++i) {
        fcList.push_back(fcListMs(lines));
        cold.push_back(firstCallMs(self));
        warm.push_back(enumerateMs(faces));
    }
    const double fc = median(fcList);
    const double coldMs = median(cold);
    const double warmMs = median(warm);
    std::printf("faces: enumeration %zu, fc-list %d\n", faces, lines);
    std::printf("fc-list : family file index      %8.2f ms (median of %d, whole process)\n", fc, kRounds);
    std::printf("enumeration, first call ever     %8.2f ms (no face read before: every file opened)\n", firstEver);
    std::printf("enumeration, first call          %8.2f ms (a fresh process each time)\n", coldMs);
    std::printf("enumeration, later calls         %8.2f ms\n", warmMs);
    std::printf("ratio cold/fc-list: %.2f, warm/fc-list: %.2f (goal <= 2)\n", coldMs / fc, warmMs / fc);
    return 0;
}
