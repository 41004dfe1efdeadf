#pragma once
#include <QString>

#include <optional>
#include <string>
#include <vector>

// kezconv's command line. Paths keep their bytes: they are decoded as file names are only when
// they are taken (CommandLineFiles::PathOf), so a name that is no UTF-8 names its file.
struct ConsoleArguments {
    std::vector<std::string> paths;      // files and folders named on the command line
    std::optional<std::string> list;      // --from-file LIST, or "-" for the standard input
    bool nulSeparated = false;           // -0: the list's paths end with NUL, not with a line end
    std::optional<std::string> outFolder; // -o FOLDER
    bool allFiles = false;               // --all-files: every file of a folder, not only *.kez
    bool quiet = false;
    int jobs = 0;                        // -j N; 0: the number of processors
    bool help = false;
    bool version = false;

    // The arguments after the program's name; a usage error is a worded Russian message.
    struct Parsed;
    static Parsed Parse(int aArgc, const char* const* aArgv);

    static QString HelpText();
};

struct ConsoleArguments::Parsed {
    ConsoleArguments arguments;
    QString error; // empty when the command line is good
};
