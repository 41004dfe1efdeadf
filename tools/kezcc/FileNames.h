#pragma once
#include "Text.h"

#include <string>

namespace kezcc {

// The file-system name of a path received in the request.
std::string nativeFileName(const Text& aPath);

// The inverse: a file-system name as the messages show it.
Text displayFileName(const std::string& aName);

} // namespace kezcc
