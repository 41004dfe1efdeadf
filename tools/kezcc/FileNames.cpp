#include "FileNames.h"

#include <QFile>

namespace kezcc {

std::string nativeFileName(const QString& aPath) { return QFile::encodeName(aPath).toStdString(); }

} // namespace kezcc
