// Throughput and peak memory of the bundled converter on 100 MB sources (Windows-1251 and UTF-8,
// each with its encoding given and detected, and a source heavy with mark-up and Church Slavonic
// text), against iconv recoding the same file, measured interleaved in the same run. The converter
// runs as the program runs it: request on the clipboard, "kezcc -c", reply read back.
// Goals: throughput at least 0.6 of iconv's (0.4 for the mark-up), peak memory under 64 MB.
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

extern char** environ;

namespace {

// 100 MB unless KEZ_BENCH_SOURCE_MB says otherwise (1000 shows the memory stays flat).
const qint64 kSourceBytes = qEnvironmentVariableIntValue("KEZ_BENCH_SOURCE_MB") > 0
                                ? qint64(qEnvironmentVariableIntValue("KEZ_BENCH_SOURCE_MB")) * 1000 * 1000
                                : qint64(100) * 1000 * 1000;
// One run of each for a large source: it is there to show the memory, not to time.
const int kRuns = kSourceBytes > qint64(200) * 1000 * 1000 ? 1 : 5;

struct Measure {
    double seconds = 0;
    double cpuSeconds = 0;
    long peakKilobytes = 0;
};

// Starts the program, its output to a file (or /dev/null), and waits; time and peak memory.
Measure spawnAndWait(const std::vector<QByteArray>& aArguments, const QByteArray& aOutput)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, aOutput.isEmpty() ? "/dev/null" : aOutput.constData(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const QByteArray& argument : aArguments)
        argv.push_back(const_cast<char*>(argument.constData()));
    argv.push_back(nullptr);
    const bench::Clock::time_point start = bench::Clock::now();
    pid_t pid = 0;
    const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        std::printf("cannot start %s\n", argv[0]);
        std::exit(1);
    }
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    Measure measure;
    measure.seconds = std::chrono::duration<double>(bench::Clock::now() - start).count();
    measure.peakKilobytes = usage.ru_maxrss;
    measure.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::printf("%s failed (status %d)\n", argv[0], status);
        std::exit(1);
    }
    return measure;
}

// Russian prose with Latin and Greek words, punctuation, a comment and a function on some lines.
QString sampleText(bool aWithGreek)
{
    QString text = QStringLiteral(
        "Блажен муж, иже не иде на совет нечестивых, и на пути грешных не ста, и на седалищи губителей не седе. "
        "Но в законе Господни воля его, и в законе его поучится день и нощь (Psalmus I, beatus vir).\r\n"
        "И будет яко древо, насажденное при исходищих вод, еже плод свой даст во время свое: и лист его не отпадет, "
        "и вся, елика аще творит, успеет. %{примечание издателя} <ref>&{Пс. 1:3}\r\n");
    if (aWithGreek)
        text += QStringLiteral("Ἐν ἀρχῇ ἦν ὁ λόγος, καὶ ὁ λόγος ἦν πρὸς τὸν θεόν, и Слово бе к Богу.\r\n");
    return text;
}

// Church Slavonic text with its marks, numbers, signs, spaced-out words and notes, among comments
// and functions: a construct every few words.
QString markupText()
{
    return QStringLiteral(
        "<cs>&{Бл҃же́нъ мꙋ́жъ, и҆́же не и҆́де на совѣ́тъ нечести́выхъ,} %{примечание} и на пути грешных не ста. "
        "<cs>&{Въ нача\\'л\\u0463 б\\u0463\\` сло\\'во} <csnum>&{1234} <cssign>&{vigil} <spaced>&{сла́ва} "
        "<ref>&{Пс. 1:1}<footnote>&{Сноска <cs>&{бг҃ъ}.} и дальше<marginnote>&{Зач. <csnum>&{15}.} ?&{Слово}&{слово}.\r\n");
}

bool writeSource(const QString& aPath, const QByteArray& aPiece)
{
    QFile file(aPath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (qint64 written = 0; written < kSourceBytes; written += aPiece.size()) {
        if (file.write(aPiece) != aPiece.size())
            return false;
    }
    return true;
}

double megabytesPerSecond(double aSeconds) { return double(kSourceBytes) / 1e6 / aSeconds; }

} // namespace

int main()
{
    const QByteArray kezcc = QByteArray(KEZ_BIN_DIR) + "/kezcc";
    if (!QFileInfo(QString::fromLocal8Bit(kezcc)).isExecutable()) {
        std::printf("the converter is missing (%s): build it first\n", kezcc.constData());
        return 1;
    }
    const QByteArray iconv = "/usr/bin/iconv";
    QTemporaryDir scratch(qEnvironmentVariableIsEmpty("KEZ_BENCH_SCRATCH")
                              ? QDir::tempPath() + QStringLiteral("/kezcc-bench-XXXXXX")
                              : qEnvironmentVariable("KEZ_BENCH_SCRATCH") + QStringLiteral("/kezcc-XXXXXX"));
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        QDir().mkpath(scratch.path() + QStringLiteral("/runtime"));
        QFile::setPermissions(scratch.path() + QStringLiteral("/runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(scratch.path() + QStringLiteral("/runtime")));
    }

    // The 1251 source is made by iconv from the UTF-8 text: the bench does not trust our tables.
    const QString utf8Path = scratch.path() + QStringLiteral("/utf8.kez");
    const QString utf8MarkPath = scratch.path() + QStringLiteral("/utf8-mark.kez");
    const QString markupPath = scratch.path() + QStringLiteral("/markup.kez");
    const QString cp1251Path = scratch.path() + QStringLiteral("/cp1251.kez");
    const QString piecePath = scratch.path() + QStringLiteral("/piece.txt");
    QFile piece(piecePath);
    if (!piece.open(QIODevice::WriteOnly) || piece.write(sampleText(false).toUtf8()) < 0)
        return 1;
    piece.close();
    spawnAndWait({iconv, "-f", "utf-8", "-t", "cp1251", QFile::encodeName(piecePath)},
                 QFile::encodeName(piecePath + QStringLiteral(".1251")));
    QFile piece1251(piecePath + QStringLiteral(".1251"));
    if (!piece1251.open(QIODevice::ReadOnly) || !writeSource(cp1251Path, piece1251.readAll()) ||
        !writeSource(utf8Path, sampleText(true).toUtf8()) || !writeSource(markupPath, markupText().toUtf8())) {
        std::printf("cannot write the sources in %s\n", qPrintable(scratch.path()));
        return 1;
    }

    // The same UTF-8 text after a byte-order mark: its encoding is given, nothing to detect.
    {
        QFile marked(utf8MarkPath), plain(utf8Path);
        if (!marked.open(QIODevice::WriteOnly) || !plain.open(QIODevice::ReadOnly) || marked.write("\xEF\xBB\xBF") != 3)
            return 1;
        while (!plain.atEnd())
            marked.write(plain.read(1 << 20));
    }

    TLuKezOptions options;
    options.FillWithDefaults();
    struct Case {
        const char* name;
        QString source;
        qint32 encoding;
        const char* iconvFrom;
        const char* iconvTo;
        double goal;
    };
    const Case cases[] = {{"Windows-1251", cp1251Path, 1, "cp1251", "utf-8", 0.6},
                          {"Windows-1251 (detected)", cp1251Path, 0, "cp1251", "utf-8", 0.6},
                          {"UTF-8 (byte-order mark)", utf8MarkPath, 1, "utf-8", "utf-16le", 0.6},
                          {"UTF-8 (detected)", utf8Path, 0, "utf-8", "utf-16le", 0.6},
                          {"mark-up and Church Slavonic, UTF-8 (detected)", markupPath, 0, "utf-8", "utf-16le", 0.4}};
    bool allMet = true;
    // KEZ_BENCH_CASE=text runs only the cases whose name contains it (for profiling one).
    const QByteArray only = qgetenv("KEZ_BENCH_CASE");
    for (const Case& c : cases) {
        if (!only.isEmpty() && !QByteArray(c.name).contains(only))
            continue;
        options.SourceEncoding = c.encoding;
        const QString output = c.source + QStringLiteral(".rtf");
        const QByteArray iconvOutput = QFile::encodeName(c.source + QStringLiteral(".iconv"));
        std::vector<double> ours, theirs, ourCpu, theirCpu;
        long ourPeak = 0, theirPeak = 0;
        for (int run = 0; run < kRuns; ++run) {
            const platform::HGlobal handle = miKezConverterRunner::MakeExternalHGlobalObject(options, c.source, output);
            if (handle == 0 || !miKezConverterRunner::CopyHGlobalToClipboard(handle, 0)) {
                std::printf("cannot place the request on the clipboard\n");
                return 1;
            }
            const Measure converter = spawnAndWait({kezcc, "-c"}, {});
            miKezConverterRunner::ExternalRecord reply{};
            miKezConverterRunner::LoadExternalFromHGlobal(miKezConverterRunner::PasteHGlobalFromClipboard(), reply);
            const qint32 code = ExternalData::ReadInt32(reply.data(), ExternalData::Offset::ResultCode);
            if (code < 0) {
                std::printf("kezcc replied %d\n", code);
                return 1;
            }
            const Measure recoder = spawnAndWait({iconv, "-f", c.iconvFrom, "-t", c.iconvTo, QFile::encodeName(c.source)},
                                                 iconvOutput);
            ours.push_back(converter.seconds);
            ourCpu.push_back(converter.cpuSeconds);
            theirCpu.push_back(recoder.cpuSeconds);
            theirs.push_back(recoder.seconds);
            ourPeak = std::max(ourPeak, converter.peakKilobytes);
            theirPeak = std::max(theirPeak, recoder.peakKilobytes);
        }
        const double ourRate = megabytesPerSecond(bench::median(ours));
        const double theirRate = megabytesPerSecond(bench::median(theirs));
        const double ratio = ourRate / theirRate;
        const double peakMegabytes = double(ourPeak) / 1024;
        std::printf("%s source, %lld MB, median of %d:\n", c.name, kSourceBytes / 1000000, kRuns);
        std::printf("  kezcc: %7.1f MB/s (%.1f MB/s of CPU time), peak %6.1f MB (output %lld MB)\n", ourRate,
                    megabytesPerSecond(bench::median(ourCpu)), peakMegabytes, QFileInfo(output).size() / 1000000);
        std::printf("  iconv -f %s -t %s: %7.1f MB/s (%.1f MB/s of CPU time), peak %6.1f MB\n", c.iconvFrom,
                    c.iconvTo, theirRate, megabytesPerSecond(bench::median(theirCpu)), double(theirPeak) / 1024);
        std::printf("  throughput ratio %.2f (goal >= %.2f), peak %.1f MiB (goal < 64)\n", ratio, c.goal, peakMegabytes);
        allMet = allMet && ratio >= c.goal && peakMegabytes < 64;
        QFile::remove(output);
        QFile::remove(QString::fromLocal8Bit(iconvOutput));
    }
    std::printf(allMet ? "all goals met\n" : "GOAL MISSED\n");
    return 0;
}
