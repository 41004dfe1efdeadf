#include "kezconv/ConsoleArguments.h"

#include <QThread>

#include <cstring>
#include <string_view>

namespace {

// "-j 4", "-j4", "--jobs 4" and "--jobs=4" alike: the value of an option that takes one.
struct ValueOption {
    const char* shortName; // may be null
    const char* longName;
};

constexpr ValueOption kOutput{"-o", "--output"};
constexpr ValueOption kJobs{"-j", "--jobs"};
constexpr ValueOption kFromFile{nullptr, "--from-file"};

// The short options that take no value and may be bundled; a value option may end a bundle.
constexpr const char* kFlags = "q0h";

// Whether aArgument is aOption; its value then goes to aValue (taken from the next argument when
// it is not attached), or aError says it is missing.
bool takeValue(const ValueOption& aOption, int aArgc, const char* const* aArgv, int& aIndex, std::string& aValue,
               QString& aError)
{
    const std::string_view argument = aArgv[aIndex];
    const std::string_view longName = aOption.longName;
    const bool alone = argument == longName || (aOption.shortName && argument == aOption.shortName);
    if (!alone) {
        if (argument.size() > longName.size() && argument.substr(0, longName.size()) == longName &&
            argument[longName.size()] == '=')
            aValue = std::string(argument.substr(longName.size() + 1));
        else if (aOption.shortName && argument.size() > 2 && argument.substr(0, 2) == aOption.shortName)
            aValue = std::string(argument.substr(2));
        else
            return false;
        return true;
    }
    if (aIndex + 1 >= aArgc) {
        aError = QStringLiteral("после %1 нужно значение.").arg(QString::fromUtf8(argument.data(), qsizetype(argument.size())));
        return true;
    }
    aValue = aArgv[++aIndex];
    return true;
}

} // namespace

int ConsoleArguments::MaxJobs() { return 4 * qMax(1, QThread::idealThreadCount()); }

ConsoleArguments::Parsed ConsoleArguments::Parse(int aArgc, const char* const* aArgv)
{
    Parsed parsed;
    ConsoleArguments& arguments = parsed.arguments;
    QString& error = parsed.error;
    // Bundled short options ("-qj2", "-0q") are taken apart first: "-qj2" reads as "-q" "-j2".
    std::vector<std::string> unbundled;
    bool ended = false;
    for (int i = 1; i < aArgc; ++i) {
        const std::string_view argument = aArgv[i];
        ended = ended || argument == "--";
        if (ended || argument.size() <= 2 || argument[0] != '-' || argument[1] == '-' ||
            !std::strchr(kFlags, argument[1])) {
            unbundled.emplace_back(argument);
            continue;
        }
        size_t at = 1;
        while (at < argument.size() && std::strchr(kFlags, argument[at]))
            unbundled.push_back(std::string{'-', argument[at++]});
        if (at < argument.size()) // a value option and what follows it
            unbundled.push_back('-' + std::string(argument.substr(at)));
    }
    std::vector<const char*> argv{aArgv[0]};
    for (const std::string& argument : unbundled)
        argv.push_back(argument.c_str());
    const int argc = int(argv.size());

    bool optionsEnded = false;
    for (int i = 1; i < argc && error.isEmpty(); ++i) {
        const std::string_view argument = argv[size_t(i)];
        if (optionsEnded || argument.empty() || argument[0] != '-') {
            arguments.paths.emplace_back(argument);
            continue;
        }
        std::string value;
        if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "-") {
            arguments.lists.emplace_back("-");
        } else if (argument == "-0" || argument == "--null") {
            arguments.nulSeparated = true;
        } else if (argument == "--all-files") {
            arguments.allFiles = true;
        } else if (argument == "--no-clobber") {
            arguments.noClobber = true;
        } else if (argument == "--tree") {
            arguments.tree = true;
        } else if (argument == "-q" || argument == "--quiet") {
            arguments.quiet = true;
        } else if (argument == "-h" || argument == "--help") {
            arguments.help = true;
        } else if (argument == "--version") {
            arguments.version = true;
        } else if (takeValue(kOutput, argc, argv.data(), i, value, error)) {
            if (error.isEmpty() && value.empty())
                error = QStringLiteral("папка после -o не может быть пустой.");
            arguments.outFolder = value;
        } else if (takeValue(kFromFile, argc, argv.data(), i, value, error)) {
            if (error.isEmpty() && value.empty())
                error = QStringLiteral("файл после --from-file не может быть пустым.");
            arguments.lists.push_back(value);
        } else if (takeValue(kJobs, argc, argv.data(), i, value, error)) {
            bool number = false;
            const qlonglong jobs = QString::fromStdString(value).toLongLong(&number);
            if (error.isEmpty() && (!number || jobs < 1))
                error = QStringLiteral("число одновременно обрабатываемых файлов (-j) должно быть целым "
                                       "и не меньше 1, а не «%1».")
                            .arg(QString::fromUtf8(value.data(), qsizetype(value.size())));
            arguments.jobsCapped = jobs > MaxJobs();
            arguments.jobs = int(qMin<qlonglong>(jobs, MaxJobs()));
        } else {
            error = QStringLiteral("неизвестный параметр %1.").arg(QString::fromUtf8(argument.data(), qsizetype(argument.size())));
        }
    }
    if (error.isEmpty() && !arguments.help && !arguments.version && arguments.paths.empty() && arguments.lists.empty())
        error = QStringLiteral("не указано, какие файлы конвертировать.");
    if (error.isEmpty() && arguments.tree && !arguments.outFolder)
        error = QStringLiteral("--tree сохраняет подпапки в папке для полученных файлов: укажите её (-o).");
    return parsed;
}

QString ConsoleArguments::HelpText()
{
    return QStringLiteral(
        "Использование: kezconv [параметры] ФАЙЛ|ПАПКА ...\n"
        "Конвертирует файлы KEZ в RTF с параметрами конвертации программы KezConverter.\n"
        "Из названных папок и всех их подпапок берутся файлы *.kez.\n"
        "\n"
        "  -o, --output ПАПКА   помещать полученные файлы в эту папку (иначе рядом с исходными)\n"
        "      --tree           с -o: сохранять подпапки исходных файлов в папке для полученных\n"
        "                       (иначе a/x.kez и b/x.kez дали бы один файл x.rtf)\n"
        "  -j, --jobs N         обрабатывать N файлов одновременно (по умолчанию по числу процессоров,\n"
        "                       не больше %1 — четырёх на процессор)\n"
        "  -                    читать пути со стандартного ввода, по одному в строке\n"
        "      --from-file СПИСОК  читать пути из файла СПИСОК, по одному в строке; списков может\n"
        "                       быть несколько, они читаются по порядку после путей командной строки.\n"
        "                       Файлы конвертируются по мере поступления путей\n"
        "  -0, --null           пути в списке разделены символом NUL (find -print0)\n"
        "      --all-files      брать из папок все файлы, а не только *.kez\n"
        "      --no-clobber     пропускать файлы, полученный файл которых уже есть и не старше\n"
        "                       исходного (продолжить прерванную обработку)\n"
        "  -q, --quiet          сообщать только об ошибках\n"
        "  -h, --help           показать эту справку\n"
        "      --version        показать версию\n"
        "\n"
        "Короткие параметры можно объединять: -qj2 — то же, что -q -j 2.\n"
        "Об успехах сообщается в стандартный вывод, об ошибках — в стандартный поток ошибок.\n"
        "\n"
        "Код завершения: 0 — все файлы сконвертированы (или пропущены с --no-clobber),\n"
        "1 — были ошибки, 2 — неверная командная строка или нечитаемый список файлов,\n"
        "130 — обработка прервана пользователем (Ctrl+C, SIGTERM).\n"
        "Ctrl+C завершает обработку после файлов, которые конвертируются в этот момент;\n"
        "второе нажатие прерывает и их.\n")
        .arg(MaxJobs());
}
