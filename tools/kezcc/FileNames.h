#pragma once
#include <QString>

#include <string>

namespace kezcc {

// The file-system name of a path received in the request.
std::string nativeFileName(const QString& aPath);

} // namespace kezcc
