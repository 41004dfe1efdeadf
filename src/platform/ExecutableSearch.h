#pragma once
#include <string>

namespace platform {

// The search for a program file. Windows: SearchPath with no path of its own (the running
// program's own folder, the current folder, the system folders, PATH). POSIX: the running
// program's own folder, then every non-empty PATH entry in order; never the current folder.
class ExecutableSearch {
public:
    virtual ~ExecutableSearch() = default;

    // Full path of the first match, or empty when there is none. On POSIX only an executable
    // regular file counts. fileName is UTF-8.
    virtual std::string search(const std::string& fileName) const = 0;
};

// "kezcc.exe" on Windows, "kezcc" elsewhere.
const char* converterFileName();

// The folder of the running program, UTF-8, without a trailing separator.
std::string programFolder();

// The platform's path separator.
char pathSeparator();

} // namespace platform
