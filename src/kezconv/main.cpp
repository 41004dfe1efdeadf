// kezconv: the console converter. Converts KEZ files to RTF with the window's conversion options,
// output naming and log texts, N files at once; no display needed.
#include "core/run/CommandLinePaths.h"
#include "core/run/OutputFileName.h"
#include "core/run/SourceList.h"
#include "core/fs/mFileSystem.h"
#include "kezconv/ConsoleArguments.h"
#include "kezconv/ConsoleRun.h"
#include "kezconv/ConsoleWorker.h"
#include "kezconv/WorkerChannel.h"
#include "platform/Console.h"
#include "platform/ExecutableSearch.h"
#include "platform/Services.h"

#include <QCoreApplication>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>


namespace {

constexpr int kUsageError = 2;

void say(FILE* aStream, const QString& aText)
{
    const QByteArray bytes = aText.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), aStream);
}

int usageError(const QString& aMessage)
{
    say(stderr, QStringLiteral("kezconv: %1\nПодробнее: kezconv --help\n").arg(aMessage));
    return kUsageError;
}

// The paths of a list, one a line (a CR before the line end is the line end's) or NUL-separated;
// empty entries are passed over. None when the list cannot be read.
std::optional<std::vector<std::string>> readList(const std::string& aList, bool aNulSeparated)
{
    std::string bytes;
    if (aList == "-") {
        bytes.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    } else {
        std::ifstream file(aList, std::ios::binary);
        if (!file)
            return std::nullopt;
        bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    std::vector<std::string> paths;
    const char separator = aNulSeparated ? '\0' : '\n';
    size_t from = 0;
    while (from < bytes.size()) {
        size_t end = bytes.find(separator, from);
        if (end == std::string::npos)
            end = bytes.size();
        std::string path = bytes.substr(from, end - from);
        if (!aNulSeparated && !path.empty() && path.back() == '\r')
            path.pop_back();
        if (!path.empty())
            paths.push_back(std::move(path));
        from = end + 1;
    }
    return paths;
}

int convert(const ConsoleArguments& aArguments)
{
    std::vector<std::string> named = aArguments.paths;
    if (aArguments.list) {
        const auto listed = readList(*aArguments.list, aArguments.nulSeparated);
        if (!listed)
            return usageError(QStringLiteral("не удалось прочитать список файлов %1.")
                                  .arg(CommandLineFiles::PathOf(*aArguments.list)));
        named.insert(named.end(), listed->begin(), listed->end());
    }
    QString outFolder;
    if (aArguments.outFolder) {
        outFolder = CommandLineFiles::PathOf(*aArguments.outFolder);
        if (!mFileSystem::IsFolderName(outFolder))
            return usageError(QStringLiteral("папка для полученных файлов %1 не найдена.").arg(outFolder));
    }
    if (platform::service<platform::ExecutableSearch>().search(platform::converterFileName()).empty()) {
        say(stderr, QStringLiteral("kezconv: не найден конвертер kezcc: он должен находиться в той же папке, что и "
                                   "kezconv, либо в папках, перечисленных в PATH.\n"));
        return 1;
    }

    ConsoleRun::Settings settings;
    settings.workers = aArguments.jobs > 0 ? aArguments.jobs : qMax(1, QThread::idealThreadCount());
    settings.quiet = aArguments.quiet;
    settings.progress = platform::service<platform::Console>().isTerminal(platform::Console::Stream::Error);
    ConsoleRun run(settings);

    // The window's list decides what is one file, and the window's folder scan what a folder adds.
    SourceList files(mFileSystem::FileNameCase(), SourceList::View{[](const QStringList&, bool) {},
                                                                   [](const QString&) {}, [](const QStringList&) {},
                                                                   [](qsizetype) {}});
    QStringList paths;
    paths.reserve(qsizetype(named.size()));
    for (const std::string& path : named)
        paths.append(CommandLineFiles::PathOf(path));
    const QList<bool> folders = mFileSystem::AreFolderNames(paths);
    for (qsizetype i = 0; i < paths.size(); ++i) {
        if (folders[i]) {
            files.AddAll(SourceList::FolderFiles(paths[i], !aArguments.allFiles));
        } else if (const int why = CommandLineFiles::WhyMissing(paths[i])) {
            run.Fail(CommandLineFiles::NotAddedMessage(paths[i], why));
        } else {
            files.Add(paths[i]);
        }
    }
    const QChar separator = QLatin1Char(platform::pathSeparator());
    for (const QString& file : files.Files())
        run.Add(file, OutputFileName(file, aArguments.outFolder.has_value(), outFolder, separator));
    return run.Exec();
}

} // namespace

int main(int argc, char** argv)
{
    // A reader that has gone (kezconv's output piped into one that ended, or a worker's kezconv)
    // makes a write fail instead of ending the process: the run then stops in order, its
    // converters and private folders with it.
    std::signal(SIGPIPE, SIG_IGN);
    if (argc == 2 && std::strcmp(argv[1], WorkerChannel::kWorkerArgument) == 0)
        return RunWorker();
    const ConsoleArguments::Parsed parsed = ConsoleArguments::Parse(argc, argv);
    if (!parsed.error.isEmpty())
        return usageError(parsed.error);
    if (parsed.arguments.help) {
        say(stdout, ConsoleArguments::HelpText());
        return 0;
    }
    if (parsed.arguments.version) {
        say(stdout, QStringLiteral("kezconv %1\nЛицензия MIT: свободная программа, без каких-либо гарантий.\n").arg(QStringLiteral(KEZ_VERSION)));
        return 0;
    }
    QCoreApplication application(argc, argv);
    return convert(parsed.arguments);
}
