#pragma once
#include "platform/Registry.h"

#include <QString>

// The main window's four remembered choices.
class TBrowserOptions {
public:
    bool SrcOnlyKez = false;
    qint32 DestPlace = 0;
    QString DestFolder;
    bool ConvertImmediately = false;

    void FillWithDefaults();
    void ReadFromRegistry(platform::RegKey aRoot, const QString& aKeyPath, const TBrowserOptions& aDefault);

private:
    friend class BrowserForm;
    friend struct TBrowserOptionsAccess;
    // Only the program's own modules write the settings.
    void WriteToRegistry(platform::RegKey aRoot, const QString& aKeyPath) const;
};
