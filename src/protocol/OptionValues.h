#pragma once
#include <cstdint>

// The values of the options chosen from a list, named once for the settings, the options dialog
// and the converter. Value k is item k of the option's list in OptionsTable.
namespace OptionValues {

namespace SourceEncoding {
enum Value : std::int32_t { Detect = 0, Windows1251 = 1, Dos866 = 2 };
}

// Church Slavonic numbers and signs: which fonts may show them, in which order.
namespace CSDigitMode {
enum Value : std::int32_t { Forbidden = 0, OrdinaryOnly = 1, OrdinaryThenERoos = 2, ERoosThenOrdinary = 3 };
}

namespace CSSpaceOutMode {
enum Value : std::int32_t { Ignore = 0, Italic = 1, Underline = 2, OwnFont = 3 };
}

// Russian text: code page 1251 in an ordinary font, the ROOS fonts' places, or Unicode.
namespace RusMode {
enum Value : std::int32_t { CodePage1251 = 0, Roos = 1, Unicode = 2 };
}

namespace GreekMode {
enum Value : std::int32_t { CodePage1253 = 0, Unicode = 1 };
}

// Error fragments: dropped, or written in the error font.
namespace ErrorMode {
enum Value : std::int32_t { Ignore = 0, InErrorFont = 1 };
}

// A construct the converter does not support (NSModeFunction, NSModeVariants, NSModeSpecComm,
// NSModeCommands).
namespace NSMode {
enum Value : std::int32_t { Ignore = 0, AsError = 1, Hidden = 2, Visible = 3 };
}

// A footnote or margin note (FtnBottomImpl, FtnMarginImpl): a real note, or kept in the text on a
// background of the chosen colour.
namespace FtnImpl {
enum Value : std::int32_t { Note = 0, InText = 1 };
}

// The name the converter's request check gives each of these options and the range it accepts,
// standard C++ only for the bundled converter, which has no Qt. The options table takes its
// rows' names and ranges from here.
struct Range {
    const char* Name;
    std::int32_t Minimum;
    std::int32_t Maximum;
};

namespace Ranges {
inline constexpr Range SourceEncoding{"SourceEncoding", 0, OptionValues::SourceEncoding::Dos866};
inline constexpr Range CSDigitMode{"CSDigitMode", 0, OptionValues::CSDigitMode::ERoosThenOrdinary};
inline constexpr Range CSSpaceOutMode{"CSSpaceOutMode", 0, OptionValues::CSSpaceOutMode::OwnFont};
inline constexpr Range RusMode{"RusMode", 0, OptionValues::RusMode::Unicode};
inline constexpr Range GreekMode{"GreekMode", 0, OptionValues::GreekMode::Unicode};
inline constexpr Range ErrorMode{"ErrorMode", 0, OptionValues::ErrorMode::InErrorFont};
inline constexpr Range NSModeFunction{"NSModeFunction", 0, NSMode::Visible};
inline constexpr Range NSModeVariants{"NSModeVariants", 0, NSMode::Visible};
inline constexpr Range NSModeSpecComm{"NSModeSpecComm", 0, NSMode::Visible};
inline constexpr Range NSModeCommands{"NSModeCommands", 0, NSMode::Visible};
inline constexpr Range FtnBottomImpl{"FtnBottomImpl", 0, FtnImpl::InText};
inline constexpr Range FtnMarginImpl{"FtnMarginImpl", 0, FtnImpl::InText};
} // namespace Ranges

} // namespace OptionValues
