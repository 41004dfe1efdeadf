#include "app/TBrowserOptions.h"

void TBrowserOptions::FillWithDefaults()
{
    SrcOnlyKez = true;
    DestPlace = 0;
    DestFolder.clear();
    ConvertImmediately = true;
}

// TODO(settings): registry transfer.
void TBrowserOptions::ReadFromRegistry(platform::RegKey, const QString&, const TBrowserOptions& aDefault)
{
    *this = aDefault;
}

void TBrowserOptions::WriteToRegistry(platform::RegKey, const QString&) const {}
