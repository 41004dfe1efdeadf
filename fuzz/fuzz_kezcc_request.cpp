// The bundled converter's side: the request record as it arrives on the clipboard, the decision
// about a source's encoding and its decoding, and the mark-up read from the text into RTF (in
// memory). Reads only; no file is touched.
#include "EncodingDetection.h"
#include "KezMarkup.h"
#include "KezccConversion.h"
#include "RtfWriter.h"
#include "SourceDecoder.h"
#include "protocol/ExternalDataLayout.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // The request: its paths are read as the converter reads them (checked first), and the reply
    // made from it is always a whole record.
    kezcc::Request request;
    const std::optional<kezcc::Outcome> problem = kezcc::readRequest(bytes, request);
    const std::string reply = kezcc::makeReply(bytes, problem.value_or(kezcc::Outcome{}));
    if (reply.size() != std::size_t(ExternalData::kRecordSize))
        std::abort();

    // The source: detected and decoded, in one piece and split in two.
    const kezcc::Detection detection = kezcc::detectEncoding(bytes.data(), size);
    kezcc::SourceDecoder whole(detection.encoding), split(detection.encoding);
    std::u32string one, two;
    whole.decode(bytes.data(), size, one);
    whole.finish(one);
    split.decode(bytes.data(), size / 2, two);
    split.decode(bytes.data() + size / 2, size - size / 2, two);
    split.finish(two);
    if (one != two)
        std::abort();

    // The text's mark-up in every mode the first bytes choose; the RTF's groups always balance.
    struct Counter : kezcc::ByteSink {
        long depth = 0;
        bool escaped = false;
        void write(const char* aBytes, std::size_t aSize) override
        {
            for (std::size_t i = 0; i < aSize; ++i) {
                if (escaped)
                    escaped = false;
                else if (aBytes[i] == '\\')
                    escaped = true;
                else if (aBytes[i] == '{')
                    ++depth;
                else if (aBytes[i] == '}' && --depth < 0)
                    std::abort();
            }
        }
    } sink;
    kezcc::MarkupModes modes;
    const std::uint8_t choice = size > 0 ? data[0] : 0;
    modes.specialComments = modes.functions = choice & 3;
    modes.csDigits = (choice >> 2) & 3;
    modes.csSpaceOut = (choice >> 4) & 3;
    modes.bottomNotes = (choice >> 6) & 1;
    modes.marginNotes = choice >> 7;
    {
        kezcc::RtfWriter writer({}, 1, 0, sink);
        kezcc::KezMarkup markup(modes, writer);
        markup.feed(one.data(), one.size() / 2);
        markup.feed(one.data() + one.size() / 2, one.size() - one.size() / 2);
        markup.finish();
        writer.finish();
    }
    if (sink.depth != 0)
        std::abort();
    return 0;
}
