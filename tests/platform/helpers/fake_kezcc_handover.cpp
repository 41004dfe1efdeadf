// A stand-in converter for the hand-over contract tests, started as "fake_kezcc_handover -c".
// It takes the block from the clipboard as kezcc does and follows the script in its source path:
//   "reply <code> <text>"  puts the block back with that result code and the message
//                          "<text>|<output path>" (so the test sees both paths arrived);
//   "silent"               leaves the clipboard alone.
// With KEZ_HANDOVER_LOG set, each script taken is appended to that file as one line.
// Exit codes tell the test where it stopped: 7 replied, 4 silent, 2 bad command line,
// 3 no block on the clipboard, 5 the reply could not be placed.
#include "platform/support/ClipboardBytes.h"
#include "platform/support/ExternalRecord.h"

#include <cstdio>
#include <cstdlib>

using namespace testsupport;
using namespace testsupport::record;

int main(int argc, char** argv)
{
    if (argc != 2 || std::strcmp(argv[1], "-c") != 0)
        return 2;
    // The program has closed the clipboard before starting us; retries cover any other reader.
    const auto format = platform::service<platform::Clipboard>().registerFormat(kClipboardFormat);
    const std::optional<std::string> taken = fetchFromClipboard(format, 50);
    if (!taken || taken->size() < kSize)
        return 3;
    Bytes block{};
    std::memcpy(block.data(), taken->data(), kSize);

    std::int32_t code = -98;
    std::u16string message = u"bad block";
    if (std::uint32_t(readInt32(block, offset::Signature)) == kSignature &&
        readInt32(block, offset::Version) == kVersion && readInt32(block, offset::Size) == std::int32_t(kSize)) {
        const std::u16string script = readCounted(block, offset::SourcePath, kPathCapacity);
        if (const char* log = std::getenv("KEZ_HANDOVER_LOG")) {
            if (std::FILE* file = std::fopen(log, "ab")) {
                const std::string line = std::string(script.begin(), script.end()) + "\n";
                std::fwrite(line.data(), 1, line.size(), file);
                std::fclose(file);
            }
        }
        if (script == u"silent")
            return 4;
        const std::size_t space = script.find(u' ', 6);
        if (script.rfind(u"reply ", 0) == 0 && space != std::u16string::npos) {
            code = std::stoi(std::string(script.begin() + 6, script.begin() + std::ptrdiff_t(space)));
            message = script.substr(space + 1) + u"|" + readCounted(block, offset::OutputPath, kPathCapacity);
        } else {
            code = -97;
            message = u"unknown script";
        }
    }
    writeInt32(block, offset::ResultCode, code);
    writeCounted(block, offset::ResultMessage, kMessageCapacity, message);
    return placeOnClipboard(format, block.data(), kSize, 50) ? 7 : 5;
}
