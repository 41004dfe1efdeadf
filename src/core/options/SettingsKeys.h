#pragma once
#include <QString>

namespace miKezConverterMain {

// The registry key below HKEY_CURRENT_USER that holds every setting.
inline const QString kMainKey = QStringLiteral("Software\\Torvane Software\\KEZConv");
// The main window's own settings, below the main key.
inline const QString kBrowserKey = kMainKey + QStringLiteral("\\Browser");

} // namespace miKezConverterMain
