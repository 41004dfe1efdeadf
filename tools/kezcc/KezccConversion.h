#pragma once
#include "EncodingDetection.h"
#include "KezMarkup.h"
#include "RtfWriter.h"
#include "Text.h"

#include "protocol/OptionValues.h"
#include "protocol/ConverterCodes.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

// What the converter does with one request, apart from the clipboard: check the record, stream
// the source through decoding, mark-up and RTF writing into the output, and say how it went.
namespace kezcc {

struct Outcome {
    std::int32_t code = 0; // 0 = converted; negative (never -1) = failed, the message says why
    Text message;          // on success: what was noticed on the way (mark-up errors, undecodable bytes)
};

namespace ResultCode = ConverterCodes::Kezcc;

// Everything a request asks for.
struct Request {
    Text source;
    Text output;
    SourceEncoding encoding = SourceEncoding::Detect;
    std::array<RtfFont, kFontCount> fonts;
    std::int32_t rusMode = OptionValues::RusMode::CodePage1251;
    std::int32_t greekMode = OptionValues::GreekMode::Unicode;
    MarkupModes markup;
};

// Reads and checks the request record (the bytes found on the clipboard): a failure outcome when
// it is damaged, nothing otherwise. Touches no file.
std::optional<Outcome> readRequest(std::string_view aRecord, Request& aRequest);

// Converts the source into the output; the output file appears whole or not at all.
Outcome convertFile(const Request& aRequest);

// readRequest, then convertFile.
Outcome convertRequest(std::string_view aRequest);

// The outcome of a request that never arrived.
Outcome noRequestOutcome();

// The outcome of a conversion that failed unexpectedly.
Outcome internalFailureOutcome(const Text& aDescription);

// The reply record: the request with the result filled in, or a fresh record when the request
// was too short to be one.
std::string makeReply(std::string_view aRequest, const Outcome& aOutcome);

} // namespace kezcc
