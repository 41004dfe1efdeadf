#pragma once
#include "Text.h"

#include "platform/SystemErrorText.h"

namespace kezcc {

// The same Russian wording, number included, as the program gives for its own failures.
inline Text systemError(int aError) { return fromUtf8(platform::systemErrorText(aError)); }

} // namespace kezcc
