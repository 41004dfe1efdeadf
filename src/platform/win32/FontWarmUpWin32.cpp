#include "platform/FontWarmUp.h"

namespace platform {

// The system's fonts are ready before any program starts.
FontWarmUp::FontWarmUp() = default;

} // namespace platform
