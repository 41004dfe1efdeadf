#pragma once
// Small portable helpers for the platform contract tests, so that the same cases run against the
// POSIX backends natively and against the Win32 backends under Wine.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <string>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace testsupport {

namespace fs = std::filesystem;

inline int processId()
{
#ifdef _WIN32
    return _getpid();
#else
    return int(::getpid());
#endif
}

inline std::optional<std::string> getEnv(const std::string& name)
{
    const char* value = std::getenv(name.c_str());
    return value ? std::optional<std::string>(value) : std::nullopt;
}

// Sets the variable for this process and the programs it starts. On Windows an empty value
// removes the variable, which is the nearest the platform has to an empty one.
inline void setEnv(const std::string& name, const std::string& value)
{
#ifdef _WIN32
    // _putenv_s keeps the C runtime's copy and the process environment block in step.
    _putenv_s(name.c_str(), value.c_str());
#else
    ::setenv(name.c_str(), value.c_str(), 1);
#endif
}

inline void unsetEnv(const std::string& name)
{
#ifdef _WIN32
    _putenv_s(name.c_str(), "");
#else
    ::unsetenv(name.c_str());
#endif
}

// Restores one environment variable when it goes.
class ScopedEnv {
public:
    explicit ScopedEnv(std::string name) : mName(std::move(name)), mSaved(getEnv(mName)) {}
    ScopedEnv(std::string name, const std::string& value) : ScopedEnv(std::move(name)) { setEnv(mName, value); }
    ~ScopedEnv()
    {
        if (mSaved)
            setEnv(mName, *mSaved);
        else
            unsetEnv(mName);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string mName;
    std::optional<std::string> mSaved;
};

// Restores the current folder when it goes.
class ScopedCurrentFolder {
public:
    explicit ScopedCurrentFolder(const fs::path& folder) : mSaved(fs::current_path()) { fs::current_path(folder); }
    ~ScopedCurrentFolder()
    {
        std::error_code ignored;
        fs::current_path(mSaved, ignored);
    }
    ScopedCurrentFolder(const ScopedCurrentFolder&) = delete;
    ScopedCurrentFolder& operator=(const ScopedCurrentFolder&) = delete;

private:
    fs::path mSaved;
};

// The separator between folders in PATH.
inline char pathListSeparator()
{
#ifdef _WIN32
    return ';';
#else
    return ':';
#endif
}

inline std::string pathList(std::initializer_list<fs::path> folders)
{
    std::string list;
    for (const auto& folder : folders) {
        if (!list.empty())
            list += pathListSeparator();
        list += folder.string();
    }
    return list;
}

// The file name under which a program is found: "stem.exe" on Windows, "stem" elsewhere.
inline std::string programName(const std::string& stem)
{
#ifdef _WIN32
    return stem + ".exe";
#else
    return stem;
#endif
}

// A file that counts as a program on this platform (executable bits on POSIX, the .exe name on
// Windows); its content is not meant to run. Returns its full path.
inline fs::path makeProgram(const fs::path& folder, const std::string& stem)
{
    const fs::path file = folder / programName(stem);
    std::ofstream(file) << "#!/bin/sh\nexit 0\n";
    fs::permissions(file, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
    return file;
}

// A plain file with the given name, not executable.
inline fs::path makePlainFile(const fs::path& folder, const std::string& name)
{
    const fs::path file = folder / name;
    std::ofstream(file) << "data\n";
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                              fs::perms::others_read);
    return file;
}

// A fresh, empty folder under the system's temporary folder, unique to this process and tag.
inline fs::path freshTempFolder(const std::string& tag)
{
    const fs::path folder = fs::temp_directory_path() / ("kez-" + tag + "-" + std::to_string(processId()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

} // namespace testsupport
