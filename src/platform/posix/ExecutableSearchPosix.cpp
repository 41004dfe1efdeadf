#include "platform/ExecutableSearch.h"
#include "platform/Services.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>
#include <vector>

namespace platform {
namespace {

bool isExecutableFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string join(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    return folder.back() == '/' ? folder + name : folder + '/' + name;
}

class PosixExecutableSearch final : public ExecutableSearch {
public:
    std::string search(const std::string& fileName) const override
    {
        if (fileName.empty())
            return {};
        if (fileName.find('/') != std::string::npos)
            return isExecutableFile(fileName) ? fileName : std::string();

        // Never the current folder: a converter lying wherever the user starts from would run
        // instead of the installed one. An empty PATH entry means the current folder to the
        // shell and a relative one a folder below it, so only absolute entries count.
        std::vector<std::string> folders{programFolder()};
        if (const char* path = std::getenv("PATH")) {
            std::string_view rest(path);
            while (!rest.empty()) {
                const auto colon = rest.find(':');
                const std::string_view entry = rest.substr(0, colon);
                if (entry.starts_with('/'))
                    folders.emplace_back(entry);
                if (colon == std::string_view::npos)
                    break;
                rest.remove_prefix(colon + 1);
            }
        }
        for (const auto& folder : folders) {
            if (folder.empty())
                continue;
            const std::string candidate = join(folder, fileName);
            if (isExecutableFile(candidate))
                return candidate;
        }
        return {};
    }
};

} // namespace

const char* converterFileName() { return "kezcc"; }

char pathSeparator() { return '/'; }

std::string programFolder()
{
    // Asked before every converter start; where the running program lies does not change.
    static const std::string folder = [] {
        std::vector<char> buffer(4096);
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
        if (length <= 0)
            return std::string();
        const std::string path(buffer.data(), static_cast<size_t>(length));
        const auto slash = path.rfind('/');
        return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
    }();
    return folder;
}

template <>
ExecutableSearch& defaultService<ExecutableSearch>()
{
    static PosixExecutableSearch instance;
    return instance;
}

} // namespace platform
