#pragma once
// Placing and fetching bytes through the clipboard as a program does, for the contract tests and
// their helper programs (plain C++, no test framework).
#include "platform/Clipboard.h"
#include "platform/GlobalMemory.h"
#include "platform/Services.h"

#include <chrono>
#include <cstring>
#include <optional>
#include <string>
#include <thread>

namespace testsupport {

// As a program hands data over: a movable, zeroed object placed on an emptied clipboard, which
// owns it from then on. Opening is retried `attempts` times, 20 ms apart.
inline bool placeOnClipboard(platform::ClipFormat format, const void* data, std::size_t size, int attempts = 1)
{
    using namespace platform;
    GlobalMemory& memory = service<GlobalMemory>();
    Clipboard& clipboard = service<Clipboard>();
    const HGlobal handle = memory.alloc(GlobalFlags::Moveable | GlobalFlags::ZeroInit, size);
    if (size && handle) {
        std::memcpy(memory.lock(handle), data, size);
        memory.unlock(handle);
    }
    bool opened = false;
    for (int i = 0; i < attempts && !(opened = clipboard.open(0)); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const bool placed = opened && clipboard.empty() && clipboard.setData(format, handle);
    if (opened)
        clipboard.close();
    if (!placed)
        memory.free(handle);
    return placed;
}

// The bytes held under the format, taken with the clipboard open and read after closing it;
// nothing when the clipboard cannot be opened or holds no such object.
inline std::optional<std::string> fetchFromClipboard(platform::ClipFormat format, int attempts = 1)
{
    using namespace platform;
    GlobalMemory& memory = service<GlobalMemory>();
    Clipboard& clipboard = service<Clipboard>();
    bool opened = false;
    for (int i = 0; i < attempts && !(opened = clipboard.open(0)); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (!opened)
        return std::nullopt;
    const HGlobal handle = clipboard.getData(format);
    clipboard.close();
    if (!handle)
        return std::nullopt;
    const std::size_t size = memory.size(handle);
    const void* bytes = size ? memory.lock(handle) : nullptr;
    std::string text(bytes ? static_cast<const char*>(bytes) : "", bytes ? size : 0);
    if (bytes)
        memory.unlock(handle);
    return text;
}

} // namespace testsupport
