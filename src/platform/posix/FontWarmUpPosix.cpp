#include "platform/FontWarmUp.h"

#include <fontconfig/fontconfig.h>

#include <system_error>

namespace platform {

FontWarmUp::FontWarmUp()
{
    try {
        // Loads the configuration and the font caches, as the first font lookup would.
        mThread = std::thread([] { FcInit(); });
    } catch (const std::system_error&) {
        // No thread to spare: the first lookup reads the configuration itself.
    }
}

} // namespace platform
