#pragma once
#include "platform/SystemErrorText.h"

#include <QString>

namespace kezcc {

// The same Russian wording, number included, as the program gives for its own failures.
inline QString systemError(int aError) { return QString::fromStdString(platform::systemErrorText(aError)); }

} // namespace kezcc
