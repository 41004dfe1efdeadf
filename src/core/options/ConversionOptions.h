#pragma once
#include <memory>

class TLuKezOptions;

namespace miKezConverterMain {

// The conversion options as the options dialog saved them, every missing or out-of-range value
// by its default. Only reads: nothing is written.
std::unique_ptr<TLuKezOptions> ReadKezOptions();

} // namespace miKezConverterMain
