#pragma once
#include <QString>

#include <optional>
#include <string>
#include <vector>

// kezconv's command line. Paths keep their bytes: they are decoded as file names are only when
// they are taken (CommandLineFiles::PathOf), so a name that is no UTF-8 names its file.
struct ConsoleArguments {
    std::vector<std::string> paths;      // files and folders named on the command line
    std::vector<std::string> lists;      // --from-file LIST, or "-" for the standard input, in order
    bool nulSeparated = false;           // -0: the list's paths end with NUL, not with a line end
    std::optional<std::string> outFolder; // -o FOLDER
    bool allFiles = false;               // --all-files: every file of a folder, not only *.kez
    bool noClobber = false;              // --no-clobber: leave a file whose result is not older
    bool tree = false;                   // --tree: the sources' subfolders kept under -o
    bool quiet = false;
    int jobs = 0;                        // -j N; 0: the number of processors
    bool jobsCapped = false;             // -j asked for more than MaxJobs()
    bool help = false;
    bool version = false;

    // The arguments after the program's name; a usage error is a worded Russian message.
    struct Parsed;
    static Parsed Parse(int aArgc, const char* const* aArgv);

    static QString HelpText();

    // The most files converted at once: more workers than this only compete for the processors
    // and the descriptors.
    static int MaxJobs();
};

struct ConsoleArguments::Parsed {
    ConsoleArguments arguments;
    QString error; // empty when the command line is good
};
