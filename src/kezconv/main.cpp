// kezconv: the console converter. Converts KEZ files to RTF with the window's conversion options,
// output naming and log texts, N files at once; no display needed.
#include "core/run/CommandLinePaths.h"
#include "core/fs/mFileSystem.h"
#include "kezconv/ConsoleArguments.h"
#include "kezconv/ConsoleRun.h"
#include "kezconv/ConsoleSources.h"
#include "kezconv/ConsoleText.h"
#include "kezconv/PathListReader.h"
#include "kezconv/ConsoleWorker.h"
#include "kezconv/WorkerChannel.h"
#include "platform/Console.h"
#include "platform/ExecutableSearch.h"
#include "platform/Services.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>
#include <cstring>
#include <memory>


namespace {

int usageError(const QString& aMessage)
{
    writeConsoleText(stderr, QStringLiteral("kezconv: %1\nПодробнее: kezconv --help\n").arg(aMessage));
    return ConsoleRun::kUsage;
}

int convert(const ConsoleArguments& aArguments)
{
    platform::Console& console = platform::service<platform::Console>();
    // Every list is opened before anything is converted: one that cannot be read is a usage error.
    std::vector<PathListReader::List> lists;
    for (const std::string& list : aArguments.lists) {
        std::string why;
        std::unique_ptr<platform::Console::List> opened = console.openList(list, why);
        const QString name = list == "-" ? QStringLiteral("со стандартного ввода") : CommandLineFiles::PathOf(list);
        if (!opened)
            return usageError(PathListReader::Unreadable(name, QString::fromStdString(why)));
        lists.push_back(PathListReader::List{name, std::move(opened)});
    }
    ConsoleSources::Naming naming;
    naming.tree = aArguments.tree;
    if (aArguments.outFolder) {
        naming.outFolder = CommandLineFiles::PathOf(*aArguments.outFolder);
        if (!mFileSystem::IsFolderName(*naming.outFolder))
            return usageError(QStringLiteral("папка для полученных файлов %1 не найдена.").arg(*naming.outFolder));
    }
    if (platform::service<platform::ExecutableSearch>().search(platform::converterFileName()).empty()) {
        writeConsoleText(stderr, QStringLiteral("kezconv: не найден конвертер kezcc: он должен находиться в той же папке, что и "
                                   "kezconv, либо в папках, перечисленных в PATH.\n"));
        return ConsoleRun::kSomeFailed;
    }
    if (aArguments.jobsCapped && !aArguments.quiet)
        writeConsoleText(stderr, QStringLiteral("kezconv: одновременно обрабатывается не больше %1 файлов.\n").arg(aArguments.jobs));

    ConsoleRun::Settings settings;
    settings.workers = aArguments.jobs > 0 ? aArguments.jobs : qMax(1, QThread::idealThreadCount());
    settings.quiet = aArguments.quiet;
    settings.progress = console.isTerminal(platform::Console::Stream::Error);
    settings.noClobber = aArguments.noClobber;
    settings.makeFolders = aArguments.tree;
    ConsoleRun run(settings);
    std::unique_ptr<PathListReader> reader;
    if (!lists.empty())
        reader = std::make_unique<PathListReader>(std::move(lists), aArguments.nulSeparated, [&run] {
            QMetaObject::invokeMethod(&run, [&run] { run.MoreArrived(); }, Qt::QueuedConnection);
        });
    ConsoleSources sources(aArguments.paths, std::move(reader), !aArguments.allFiles, naming);
    run.SetSources(sources);
    return run.Exec();
}

} // namespace

int main(int argc, char** argv)
{
    // A standard stream closed by the caller (kezconv >&-) would be taken by the first file or
    // pipe opened, and the log written into it.
    platform::service<platform::Console>().guardStandardStreams();
    // A reader that has gone (kezconv's output piped into one that ended, or a worker's kezconv)
    // makes a write fail instead of ending the process: the run then stops in order, its
    // converters and private folders with it.
    platform::service<platform::Console>().ignoreBrokenPipes();
    if (argc == 2 && std::strcmp(argv[1], WorkerChannel::kWorkerArgument) == 0)
        return RunWorker();
    const ConsoleArguments::Parsed parsed = ConsoleArguments::Parse(argc, argv);
    if (!parsed.error.isEmpty())
        return usageError(parsed.error);
    if (parsed.arguments.help) {
        writeConsoleText(stdout, ConsoleArguments::HelpText());
        return 0;
    }
    if (parsed.arguments.version) {
        writeConsoleText(stdout, QStringLiteral("kezconv %1\nЛицензия MIT: свободная программа, без каких-либо гарантий.\n").arg(QStringLiteral(KEZ_VERSION)));
        return 0;
    }
    QCoreApplication application(argc, argv);
    return convert(parsed.arguments);
}
