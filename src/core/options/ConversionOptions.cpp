#include "core/options/ConversionOptions.h"
#include "core/options/SettingsKeys.h"
#include "core/options/TLuKezOptions.h"

namespace miKezConverterMain {

std::unique_ptr<TLuKezOptions> ReadKezOptions()
{
    auto options = std::make_unique<TLuKezOptions>();
    TLuKezOptions defaults;
    defaults.FillWithDefaults();
    options->ReadFromRegistry(platform::kHKeyCurrentUser, kMainKey, defaults);
    return options;
}

} // namespace miKezConverterMain
