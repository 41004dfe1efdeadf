// A second program writing to the registry, for the tests of concurrent and interrupted writes.
// Both modes open <fifo> for reading to say they are ready (POSIX only).
//   registry_writer loop <key> <generation> <fifo>
//     writes "Slot<i % 8>" = "<generation>:<i>" (and a large "Bulk" value, to widen each write)
//     for i = 0, 1, 2, ... until killed; opens the fifo once the first write is done.
//   registry_writer burst <key> <prefix> <count> <fifo>
//     waits until the fifo is written and closed, then writes "<prefix><i>" = i as a number for
//     i < count and ends; exit code 1 when a write failed.
//   registry_writer batchloop <key> <tag> <fifo> [<bulk>]
//     saves "Slot0".."Slot15" = "<tag>:<i>" in one batch, for i = 0, 1, 2, ... until killed;
//     opens the fifo once the first save is done. Each save also writes a "Bulk" value of
//     <bulk> bytes (64 KiB unless given; none for 0).
//   registry_writer batchburst <key> <tag> <count> <fifo>
//     waits until the fifo is written and closed, then saves "Slot0".."Slot15" = "<tag>" in one
//     batch, count times; exit code 1 when a save failed.
#include "platform/Registry.h"
#include "platform/Services.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include <cstdint>
#include <string>
#include <vector>

using namespace platform;

namespace {

std::u16string u16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

bool set(RegKey key, const std::string& name, std::uint32_t type, const std::vector<std::uint8_t>& data)
{
    return service<Registry>().setValue(key, u16(name), type, data.data(), std::uint32_t(data.size())) ==
           RegError::Success;
}

} // namespace

int main(int argc, char** argv)
{
#ifdef _WIN32
    (void)argc;
    (void)argv;
    return 2; // the tests that start it are POSIX only
#else
    const std::vector<std::string> args(argv + 1, argv + argc);
    const bool loop = (args.size() == 4 && args[0] == "loop") ||
                      ((args.size() == 4 || args.size() == 5) && args[0] == "batchloop");
    const bool batch = args[0].rfind("batch", 0) == 0;
    if (!loop && !(args.size() == 5 && (args[0] == "burst" || args[0] == "batchburst")))
        return 2;
    int fd = -1;
    char buffer[16];
    if (!loop) {
        fd = ::open(args[4].c_str(), O_RDONLY);
        while (fd >= 0 && ::read(fd, buffer, sizeof buffer) > 0) {
        }
    }
    RegKey key = 0;
    if (service<Registry>().createKey(kHKeyCurrentUser, u16(args[1]), RegAccess::AllAccess, &key) != RegError::Success)
        return 1;
    if (batch) {
        const int rounds = loop ? -1 : std::stoi(args[3]);
        const std::size_t bulkSize = loop && args.size() == 5 ? std::stoul(args[4]) : 64 * 1024;
        const std::vector<std::uint8_t> bulk(bulkSize, std::uint8_t(args[2].size()));
        for (unsigned long i = 0; rounds < 0 || i < unsigned(rounds); ++i) {
            std::vector<std::uint8_t> text;
            for (char c : args[2] + (loop ? ":" + std::to_string(i) : std::string()) + '\0')
                text.insert(text.end(), {std::uint8_t(c), 0});
            RegistryBatch save(service<Registry>());
            for (int slot = 0; slot < 16; ++slot)
                if (!set(key, "Slot" + std::to_string(slot), RegType::Sz, text))
                    return 1;
            if ((bulkSize > 0 && !set(key, "Bulk", RegType::Binary, bulk)) || save.commit() != RegError::Success)
                return 1;
            if (loop && i == 0)
                fd = ::open(args[3].c_str(), O_RDONLY);
        }
        return 0;
    }
    if (!loop) {
        for (int i = 0; i < std::stoi(args[3]); ++i)
            if (!set(key, args[2] + std::to_string(i), RegType::Dword, {std::uint8_t(i), std::uint8_t(i >> 8), 0, 0}))
                return 1;
        return 0;
    }
    const std::vector<std::uint8_t> bulk(256 * 1024, std::uint8_t(args[2].size()));
    for (unsigned long i = 0;; ++i) {
        std::vector<std::uint8_t> text;
        for (char c : args[2] + ":" + std::to_string(i) + '\0')
            text.insert(text.end(), {std::uint8_t(c), 0});
        if (!set(key, "Slot" + std::to_string(i % 8), RegType::Sz, text) || !set(key, "Bulk", RegType::Binary, bulk))
            return 1;
        if (i == 0)
            fd = ::open(args[3].c_str(), O_RDONLY);
    }
#endif
}
