// The converter's reply as the program reads it: any object on the clipboard, of any size, is
// loaded and its result code and message read without a fault. A damaged message is a worded
// failure passed on (KezError), as the program reports it.
#include "core/errors/KezError.h"
#include "protocol/ExternalDataLayout.h"
#include "core/runner/PascalString.h"
#include "core/runner/miKezConverterRunner.h"
#include "platform/GlobalMemory.h"
#include "platform/Services.h"

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace ExternalData;
    platform::GlobalMemory& memory = platform::service<platform::GlobalMemory>();
    const platform::HGlobal handle = memory.alloc(platform::GlobalFlags::Moveable, size);
    if (!handle)
        return 0;
    if (size) {
        std::memcpy(memory.lock(handle), data, size);
        memory.unlock(handle);
    }
    miKezConverterRunner::ExternalRecord record{};
    try {
        if (miKezConverterRunner::LoadExternalFromHGlobal(handle, record)) {
            const qint32 code = ReadInt32(record.data(), Offset::ResultCode);
            if (code < kNotConfirmed)
                miKezConverterRunner::LoadPascalStringToString(record.data() + Offset::ResultMessage, kMessageCapacity);
        }
    } catch (const KezError&) {
    }
    memory.free(handle);
    return 0;
}
