#include "kezconv/ConsoleArguments.h"

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

ConsoleArguments::Parsed ConsoleArguments::Parse(int aArgc, const char* const* aArgv)
{
    Parsed parsed;
    ConsoleArguments& arguments = parsed.arguments;
    QString& error = parsed.error;
    bool optionsEnded = false;
    for (int i = 1; i < aArgc && error.isEmpty(); ++i) {
        const std::string_view argument = aArgv[i];
        if (optionsEnded || argument.empty() || argument[0] != '-') {
            arguments.paths.emplace_back(argument);
            continue;
        }
        std::string value;
        if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "-") {
            arguments.list = "-";
        } else if (argument == "-0" || argument == "--null") {
            arguments.nulSeparated = true;
        } else if (argument == "--all-files") {
            arguments.allFiles = true;
        } else if (argument == "-q" || argument == "--quiet") {
            arguments.quiet = true;
        } else if (argument == "-h" || argument == "--help") {
            arguments.help = true;
        } else if (argument == "--version") {
            arguments.version = true;
        } else if (takeValue(kOutput, aArgc, aArgv, i, value, error)) {
            if (error.isEmpty() && value.empty())
                error = QStringLiteral("папка после -o не может быть пустой.");
            arguments.outFolder = value;
        } else if (takeValue(kFromFile, aArgc, aArgv, i, value, error)) {
            if (error.isEmpty() && value.empty())
                error = QStringLiteral("файл после --from-file не может быть пустым.");
            arguments.list = value;
        } else if (takeValue(kJobs, aArgc, aArgv, i, value, error)) {
            bool number = false;
            const int jobs = QString::fromStdString(value).toInt(&number);
            if (error.isEmpty() && (!number || jobs < 1))
                error = QStringLiteral("число одновременно обрабатываемых файлов (-j) должно быть целым "
                                       "и не меньше 1, а не «%1».")
                            .arg(QString::fromUtf8(value.data(), qsizetype(value.size())));
            arguments.jobs = jobs;
        } else {
            error = QStringLiteral("неизвестный параметр %1.").arg(QString::fromUtf8(argument.data(), qsizetype(argument.size())));
        }
    }
    if (error.isEmpty() && !arguments.help && !arguments.version && arguments.paths.empty() && !arguments.list)
        error = QStringLiteral("не указано, какие файлы конвертировать.");
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
        "  -j, --jobs N         обрабатывать N файлов одновременно (по умолчанию по числу процессоров)\n"
        "  -                    читать пути со стандартного ввода, по одному в строке\n"
        "      --from-file СПИСОК  читать пути из файла СПИСОК, по одному в строке\n"
        "  -0, --null           пути в списке разделены символом NUL (find -print0)\n"
        "      --all-files      брать из папок все файлы, а не только *.kez\n"
        "  -q, --quiet          сообщать только об ошибках\n"
        "  -h, --help           показать эту справку\n"
        "      --version        показать версию\n"
        "\n"
        "Код завершения: 0 — все файлы сконвертированы, 1 — были ошибки или обработка прервана,\n"
        "2 — неверная командная строка.\n"
        "Ctrl+C завершает обработку после файлов, которые конвертируются в этот момент;\n"
        "второе нажатие прерывает и их.\n");
}
