// One program instance converting files through the hand-over, for the test of two instances at
// once: "handover_client <count> <tag>" hands over <count> requests with the source script
// "reply 5 <tag>-<i>", each inside the per-user hand-over lock, starting fake_kezcc_handover for
// each and checking that the reply read back is the one to its own request.
// Exit codes: 0 every reply was its own, 1 a reply was another's or missing, 2 bad command line,
// 3 the lock could not be had, 4 the request could not be placed, 5 the converter did not start.
// "handover_client hold <file>" takes the lock, creates <file> and holds the lock until <file> is
// gone (an instance in the middle of a long conversion).
#include "platform/HandOverLock.h"
#include "platform/Process.h"
#include "platform/support/ClipboardBytes.h"
#include "platform/support/ExternalRecord.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

using namespace testsupport;
using namespace testsupport::record;

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    if (std::string(argv[1]) == "hold") {
        platform::HandOverGuard turn(platform::service<platform::HandOverLock>());
        if (!turn.held())
            return 3;
        std::ofstream(argv[2]) << "held\n";
        while (std::filesystem::exists(argv[2]))
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return 0;
    }
    const int count = std::stoi(argv[1]);
    const std::string tag = argv[2];
    platform::Process& process = platform::service<platform::Process>();
    const auto format = platform::service<platform::Clipboard>().registerFormat(kClipboardFormat);
    for (int i = 0; i < count; ++i) {
        const std::string name = tag + "-" + std::to_string(i);
        const std::u16string name16(name.begin(), name.end());
        platform::HandOverGuard turn(platform::service<platform::HandOverLock>());
        if (!turn.held())
            return 3;
        const Bytes block = programBlock(u"reply 5 " + name16, u"out");
        if (!placeOnClipboard(format, block.data(), kSize, 50))
            return 4;
        const platform::StartResult started = process.start("fake_kezcc_handover -c");
        if (!started.started())
            return 5;
        if (const platform::ProcessHandle converter = process.open(platform::ProcessAccess::Synchronize, started.processId)) {
            process.wait(converter, platform::kInfinite);
            process.close(converter);
        }
        const std::optional<std::string> reply = fetchFromClipboard(format, 50);
        if (!reply || reply->size() < kSize)
            return 1;
        Bytes replied{};
        std::memcpy(replied.data(), reply->data(), kSize);
        if (readInt32(replied, offset::ResultCode) != 5 ||
            readCounted(replied, offset::ResultMessage, kMessageCapacity) != name16 + u"|out")
            return 1;
    }
    return 0;
}
