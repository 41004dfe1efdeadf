// A second process for the clipboard contract tests. Usage:
//   clipboard_tool register <name> <file>     writes the identifier of the format, in decimal
//   clipboard_tool put <name> <text>          places the text's bytes under the format
//   clipboard_tool get <name> <file>          writes the bytes held under the format (exit 3: none)
//   clipboard_tool hold <fifo> [crash]        opens the clipboard, then waits until the fifo is
//                                             written and closed; "crash" ends without closing
// Exit code 2: the clipboard could not be opened.
#include "platform/Clipboard.h"
#include "platform/GlobalMemory.h"
#include "platform/Services.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

using namespace platform;

int main(int argc, char** argv)
{
    if (argc < 3)
        return 100;
    const std::string command = argv[1];
    Clipboard& clipboard = service<Clipboard>();
    GlobalMemory& memory = service<GlobalMemory>();

    if (command == "register" && argc == 4) {
        std::ofstream(argv[3]) << clipboard.registerFormat(argv[2]);
        return 0;
    }
    if (command == "put" && argc == 4) {
        const ClipFormat format = clipboard.registerFormat(argv[2]);
        const std::size_t size = std::strlen(argv[3]);
        const HGlobal handle = memory.alloc(GlobalFlags::Moveable | GlobalFlags::ZeroInit, size);
        if (void* bytes = memory.lock(handle)) {
            std::memcpy(bytes, argv[3], size);
            memory.unlock(handle);
        }
        if (!clipboard.open(0))
            return 2;
        clipboard.empty();
        const bool placed = clipboard.setData(format, handle);
        clipboard.close();
        return placed ? 0 : 1;
    }
    if (command == "get" && argc == 4) {
        const ClipFormat format = clipboard.registerFormat(argv[2]);
        if (!clipboard.open(0))
            return 2;
        const HGlobal handle = clipboard.getData(format);
        std::string bytes;
        if (handle) {
            const std::size_t size = memory.size(handle);
            if (const void* data = size ? memory.lock(handle) : nullptr) {
                bytes.assign(static_cast<const char*>(data), size);
                memory.unlock(handle);
            }
        }
        clipboard.close();
        if (!handle)
            return 3;
        std::ofstream(argv[3], std::ios::binary) << bytes;
        return 0;
    }
#ifndef _WIN32
    if (command == "hold" && argc >= 3) {
        const bool opened = clipboard.open(0);
        const int fd = ::open(argv[2], O_RDONLY);
        char buffer[16];
        while (fd >= 0 && ::read(fd, buffer, sizeof buffer) > 0) {
        }
        if (argc == 4 && std::strcmp(argv[3], "crash") == 0)
            std::_Exit(opened ? 0 : 2);
        if (opened)
            clipboard.close();
        return opened ? 0 : 2;
    }
#endif
    return 100;
}
