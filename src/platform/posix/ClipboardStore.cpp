#include "platform/posix/ClipboardStore.h"
#include "platform/posix/Files.h"

#include <cerrno>
#include <mutex>
#include <string>

namespace platform::posix {

ClipboardStore clipboardStore()
{
    static std::mutex mutex;
    static UniqueFd opened;
    static std::string openedBase;
    std::lock_guard guard(mutex);

    bool durable = false;
    std::string base = absoluteEnvironment("XDG_RUNTIME_DIR");
    if (base.empty()) {
        durable = true;
        base = userFolder("XDG_CACHE_HOME", ".cache");
        if (base.empty()) {
            errno = ENOENT;
            return {};
        }
    }
    if (!opened.valid() || openedBase != base || !stillLinked(opened.get())) {
        opened = openPrivateFolder(base, {"KezConverter", "clipboard"});
        openedBase = opened.valid() ? base : std::string();
    }
    if (!opened.valid())
        return {};
    return {opened.get(), durable};
}

} // namespace platform::posix
