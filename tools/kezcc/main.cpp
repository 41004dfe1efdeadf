// kezcc: the bundled reference converter. Started as "kezcc -c", it takes its request from the
// clipboard (format "KezCC_ExternalData"), converts the KEZ file it names into RTF and leaves its
// reply, a record of the same layout, on the clipboard before it ends.
#include "KezccConversion.h"
#include "OutputFile.h"

#include "protocol/ConverterCodes.h"

#include "platform/Clipboard.h"
#include "platform/GlobalMemory.h"
#include "platform/Services.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace {

using namespace platform;

constexpr const char* kFormatName = ConverterCodes::kFormatName;

enum ExitCode { Converted = 0, NotConverted = 1, NoReply = 2 };

// Another program may hold the clipboard for a moment; wait a little for it, not for ever.
bool openClipboard(Clipboard& aClipboard)
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (aClipboard.open(0))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// The request's bytes, copied while the clipboard is open. False when there is none.
bool takeRequest(Clipboard& aClipboard, ClipFormat aFormat, std::string& aRequest)
{
    GlobalMemory& memory = service<GlobalMemory>();
    const HGlobal handle = aClipboard.getData(aFormat);
    if (handle == 0)
        return false;
    const std::size_t size = memory.size(handle);
    const void* bytes = size > 0 ? memory.lock(handle) : nullptr;
    if (size > 0 && !bytes)
        return false;
    aRequest.assign(static_cast<const char*>(bytes), size);
    if (bytes)
        memory.unlock(handle);
    return true;
}

bool placeReply(Clipboard& aClipboard, ClipFormat aFormat, const std::string& aReply)
{
    GlobalMemory& memory = service<GlobalMemory>();
    const HGlobal handle = memory.alloc(GlobalFlags::Moveable | GlobalFlags::ZeroInit, aReply.size());
    if (handle == 0)
        return false;
    void* target = memory.lock(handle);
    if (!target) {
        memory.free(handle);
        return false;
    }
    std::memcpy(target, aReply.data(), aReply.size());
    memory.unlock(handle);
    aClipboard.empty();
    if (!aClipboard.setData(aFormat, handle)) {
        memory.free(handle);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 || std::strcmp(argv[1], "-c") != 0) {
        std::fprintf(stderr, "usage: kezcc -c\n"
                             "Converts the KEZ file named in the clipboard record \"%s\" into RTF.\n",
                     kFormatName);
        return NoReply;
    }
    // Asked to end (a logout, the program stopping a converter that hangs): no half-written
    // temporary stays behind.
    kezcc::OutputFile::removeTemporaryOnEndRequests();
    try {
        Clipboard& clipboard = service<Clipboard>();
        const ClipFormat format = clipboard.registerFormat(kFormatName);
        if (format == 0 || !openClipboard(clipboard))
            return NoReply;
        std::string request;
        const bool present = takeRequest(clipboard, format, request);
        // The clipboard is not held while converting: that may take a while.
        clipboard.close();

        kezcc::Outcome outcome;
        try {
            outcome = present ? kezcc::convertRequest(request) : kezcc::noRequestOutcome();
        } catch (const std::exception& failure) {
            outcome = kezcc::internalFailureOutcome(kezcc::fromUtf8(failure.what()));
        }
        const std::string reply = kezcc::makeReply(request, outcome);

        if (!openClipboard(clipboard))
            return NoReply;
        const bool placed = placeReply(clipboard, format, reply);
        clipboard.close();
        if (!placed)
            return NoReply;
        return outcome.code >= 0 ? Converted : NotConverted;
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "kezcc: %s\n", failure.what());
        return NoReply;
    }
}
