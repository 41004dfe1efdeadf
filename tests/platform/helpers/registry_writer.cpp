// A second program writing to the registry, for the tests of concurrent and interrupted writes.
//
//   registry_writer loop <key> <generation>
//     writes "Slot<i % 8>" = "<generation>:<i>" (and a large "Bulk" value, to widen each write)
//     for i = 0, 1, 2, ... until killed; prints "ready" once the first write is done.
//   registry_writer burst <key> <prefix> <count>
//     prints "ready", waits for one line on its input, then writes "<prefix><i>" = i as a
//     number for i < count and ends; exit code 1 when a write failed.
#include "platform/Registry.h"
#include "platform/Services.h"

#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

using namespace platform;

namespace {

std::u16string u16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

bool setText(RegKey key, const std::string& name, const std::string& text)
{
    std::vector<std::uint8_t> data;
    for (char c : text) {
        data.push_back(std::uint8_t(c));
        data.push_back(0);
    }
    data.push_back(0);
    data.push_back(0);
    return service<Registry>().setValue(key, u16(name), RegType::Sz, data.data(), std::uint32_t(data.size())) ==
           RegError::Success;
}

int loop(const std::string& keyPath, const std::string& generation)
{
    RegKey key = 0;
    if (service<Registry>().createKey(kHKeyCurrentUser, u16(keyPath), RegAccess::AllAccess, &key) != RegError::Success)
        return 1;
    const std::vector<std::uint8_t> bulk(256 * 1024, std::uint8_t(generation.size()));
    for (unsigned long i = 0;; ++i) {
        if (!setText(key, "Slot" + std::to_string(i % 8), generation + ":" + std::to_string(i)))
            return 1;
        if (service<Registry>().setValue(key, u"Bulk", RegType::Binary, bulk.data(), std::uint32_t(bulk.size())) !=
            RegError::Success)
            return 1;
        if (i == 0)
            std::cout << "ready" << std::endl;
    }
}

int burst(const std::string& keyPath, const std::string& prefix, int count)
{
    std::cout << "ready" << std::endl;
    std::string go;
    std::getline(std::cin, go);
    RegKey key = 0;
    if (service<Registry>().createKey(kHKeyCurrentUser, u16(keyPath), RegAccess::AllAccess, &key) != RegError::Success)
        return 1;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t data[4] = {std::uint8_t(i), std::uint8_t(i >> 8), 0, 0};
        if (service<Registry>().setValue(key, u16(prefix + std::to_string(i)), RegType::Dword, data, 4) !=
            RegError::Success)
            return 1;
    }
    service<Registry>().closeKey(key);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "loop")
        return loop(args[1], args[2]);
    if (args.size() == 4 && args[0] == "burst")
        return burst(args[1], args[2], std::stoi(args[3]));
    std::cerr << "usage: registry_writer loop <key> <generation> | burst <key> <prefix> <count>\n";
    return 2;
}
