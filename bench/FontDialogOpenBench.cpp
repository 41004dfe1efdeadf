// Opening the font dialog (enumerate, fill, distribute, first sample drawn) with 500 faces
// installed besides the system's own, against fc-list listing the same faces in the same run.
#include "BenchTiming.h"
#include "BenchTree.h"
#include "platform/FontEnumeration.h"
#include "platform/Services.h"
#include "core/common/ScopedOverride.h"
#include "gui/fonts/LuFontSelectorFrm.h"
#include "core/fonts/miFont.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kFaces = 500;
constexpr int kRounds = 9;

double fcListMs()
{
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(QStringLiteral("fc-list"), {QStringLiteral(":"), QStringLiteral("family")});
    process.waitForFinished(-1);
    return double(timer.nsecsElapsed()) / 1e6;
}

// From Execute to the dialog drawn with its sample, then closed.
double openMs(int& aListed)
{
    LuFontSelectorFrm dialog;
    dialog.TheFont->FillWith(QStringLiteral("Bench Face 0250"), 12, false, false, 0, 0);
    dialog.ExampleText = QStringLiteral("Образец");
    QElapsedTimer timer;
    double ms = 0;
    const ScopedOverride<LuFontSelectorFrm::ModalHook> hook(LuFontSelectorFrm::modalHook(), [&](LuFontSelectorFrm& aOpen) {
        (void)aOpen.grab(); // everything painted once, the sample included
        ms = double(timer.nsecsElapsed()) / 1e6;
        aListed = aOpen.FontCollection() ? int(aOpen.FontCollection()->Count()) : -1;
    });
    timer.start();
    dialog.Execute();
    return ms;
}


// A fresh process of this program opens the dialog once and reports it.
double firstOpenMs(const QString& aSelf)
{
    QProcess child;
    child.start(aSelf, {QStringLiteral("--first-open")});
    child.waitForFinished(-1);
    return child.readAllStandardOutput().trimmed().toDouble();
}

QString diskCache()
{
    const QString cache = qEnvironmentVariable("XDG_CACHE_HOME", QDir::homePath() + QStringLiteral("/.cache"));
    return cache + QStringLiteral("/KezConverter/fonts.cache");
}

} // namespace

int main(int argc, char** argv)
{
    const bool child = argc == 2 && QByteArray(argv[1]) == "--first-open";
    std::unique_ptr<QTemporaryDir> owned;
    const QString folder = benchtree::ScratchFolder(owned) + QStringLiteral("/bench fonts");
    if (!QFileInfo::exists(folder + QStringLiteral("/fonts.conf"))) {
        const QString python = QFileInfo::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                                                      : QStringLiteral("python3");
        QProcess make;
        make.start(python, {QStringLiteral(KEZ_SOURCE_DIR "/tests/fonts/make_test_fonts.py"), folder,
                            QStringLiteral("--bench"), QString::number(kFaces)});
        if (!make.waitForFinished(-1) || make.exitCode() != 0) {
            std::fprintf(stderr, "writing the bench fonts failed: %s\n", make.readAllStandardError().constData());
            return 1;
        }
    }
    // The system's fonts and the bench faces besides them.
    const QString config = folder + QStringLiteral("/with-system.conf");
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write("<?xml version=\"1.0\"?>\n<fontconfig>\n"
               "  <include ignore_missing=\"yes\">/etc/fonts/fonts.conf</include>\n  <dir>" +
               (folder + QStringLiteral("/files")).toUtf8() + "</dir>\n</fontconfig>\n");
    file.close();
    qputenv("FONTCONFIG_FILE", config.toLocal8Bit());
    QApplication application(argc, argv);

    fcListMs(); // fontconfig's cache of the folder written once, for both contestants
    {
        // Qt's own start-up (style, its font database), paid once by the program's main window.
        LuFontSelectorFrm warmUp;
        (void)warmUp.grab();
    }
    int listed = 0;
    if (child) {
        std::printf("%.3f\n", openMs(listed));
        return 0;
    }
    const QString self = QCoreApplication::applicationFilePath();
    QFile::remove(diskCache());
    const double firstEver = firstOpenMs(self);
    std::vector<double> fcList, open, first;
    for (int i = 0; i < kRounds; ++i) {
        fcList.push_back(fcListMs());
        first.push_back(firstOpenMs(self));
        open.push_back(openMs(listed));
    }
    const double fc = bench::median(fcList);
    std::printf("faces listed in the dialog: %d\n", listed);
    std::printf("fc-list : family                 %8.2f ms (median of %d, whole process)\n", fc, kRounds);
    std::printf("dialog open, first ever          %8.2f ms (first in a process, no font read before)\n", firstEver);
    std::printf("dialog open, first in a process  %8.2f ms (fonts read by an earlier run)\n", bench::median(first));
    std::printf("dialog open, later               %8.2f ms\n", bench::median(open));
    std::printf("ratio later open/fc-list: %.2f (goal: well under 100 ms)\n", bench::median(open) / fc);
    return listed >= kFaces ? 0 : 1;
}
