// A stand-in converter for the hand-over contract tests, started as "fake_kezcc_handover -c".
// It takes the block from the clipboard as kezcc does and follows the script in its source path:
//   "reply <code> <text>"  puts the block back with that result code and the message
//                          "<text>|<output path>" (so the test sees both paths arrived);
//   "silent"               leaves the clipboard alone.
// Exit codes tell the test where it stopped: 7 replied, 4 silent, 2 bad command line,
// 3 no block on the clipboard, 5 the reply could not be placed.
#include "platform/Clipboard.h"
#include "platform/GlobalMemory.h"
#include "platform/Services.h"
#include "platform/support/ExternalRecord.h"

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

using namespace testsupport::record;
using platform::Clipboard;
using platform::GlobalMemory;
using platform::HGlobal;
using platform::service;

namespace {

// The program has closed the clipboard before starting us; a moment's retry covers any other
// reader that happens to hold it.
bool openClipboard(Clipboard& clipboard)
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (clipboard.open(0))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

bool takeBlock(Bytes& block)
{
    Clipboard& clipboard = service<Clipboard>();
    GlobalMemory& memory = service<GlobalMemory>();
    const auto format = clipboard.registerFormat(kClipboardFormat);
    if (format == 0 || !openClipboard(clipboard))
        return false;
    bool taken = false;
    if (const HGlobal data = clipboard.getData(format); data && memory.size(data) >= kSize) {
        if (const void* bytes = memory.lock(data)) {
            std::memcpy(block.data(), bytes, kSize);
            memory.unlock(data);
            taken = true;
        }
    }
    clipboard.close();
    return taken;
}

bool placeBlock(const Bytes& block)
{
    Clipboard& clipboard = service<Clipboard>();
    GlobalMemory& memory = service<GlobalMemory>();
    const HGlobal data = memory.alloc(platform::GlobalFlags::Moveable | platform::GlobalFlags::ZeroInit, kSize);
    if (!data)
        return false;
    if (void* bytes = memory.lock(data)) {
        std::memcpy(bytes, block.data(), kSize);
        memory.unlock(data);
    } else {
        memory.free(data);
        return false;
    }
    const auto format = clipboard.registerFormat(kClipboardFormat);
    if (format == 0 || !openClipboard(clipboard)) {
        memory.free(data);
        return false;
    }
    const bool placed = clipboard.empty() && clipboard.setData(format, data);
    clipboard.close();
    if (!placed)
        memory.free(data);
    return placed;
}

bool startsWith(const std::u16string& text, const std::u16string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// "<code> <text>" -> code and text; the code is ASCII digits with an optional minus.
bool parseReply(const std::u16string& script, std::int32_t& code, std::u16string& text)
{
    std::size_t i = 0;
    const bool negative = i < script.size() && script[i] == u'-';
    if (negative)
        ++i;
    const std::size_t digits = i;
    std::int64_t value = 0;
    while (i < script.size() && script[i] >= u'0' && script[i] <= u'9' && value < 0x7FFFFFFF)
        value = value * 10 + (script[i++] - u'0');
    if (i == digits)
        return false;
    code = std::int32_t(negative ? -value : value);
    text = i < script.size() ? script.substr(i + 1) : std::u16string();
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 || std::strcmp(argv[1], "-c") != 0)
        return 2;
    Bytes block{};
    if (!takeBlock(block))
        return 3;

    std::int32_t code = -98;
    std::u16string message = u"bad block";
    if (std::uint32_t(readInt32(block, offset::Signature)) == kSignature &&
        readInt32(block, offset::Version) == kVersion && readInt32(block, offset::Size) == std::int32_t(kSize)) {
        const std::u16string script = readCounted(block, offset::SourcePath, kPathCapacity);
        if (script == u"silent")
            return 4;
        std::u16string text;
        if (startsWith(script, u"reply ") && parseReply(script.substr(6), code, text)) {
            message = text + u"|" + readCounted(block, offset::OutputPath, kPathCapacity);
        } else {
            code = -97;
            message = u"unknown script";
        }
    }
    writeInt32(block, offset::ResultCode, code);
    writeCounted(block, offset::ResultMessage, kMessageCapacity, message);
    return placeBlock(block) ? 7 : 5;
}
