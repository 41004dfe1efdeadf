#pragma once
#include <QString>

#include <string>

namespace kezcc {

// The file-system name of a path received in the request.
std::string nativeFileName(const QString& aPath);

// The inverse: a file-system name as the messages show it.
QString displayFileName(const std::string& aName);

} // namespace kezcc
