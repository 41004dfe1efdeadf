#include "options/TLuKezOptions.h"
#include "errors/mErrorHandling.h"
#include "options/miRegistryTools.h"

using mErrorHandling::PassOn;

namespace {
constexpr const char* kModule = "TLuKezOptions";
}

// The stored names differ from the member names in places; these are the stored format.
const TLuKezOptions::StoredEntry TLuKezOptions::kStoredLayout[23] = {
    {"SourceEncoding", &TLuKezOptions::SourceEncoding, 0, 2, nullptr},
    {"\\Ucs8Text", nullptr, 0, 0, &TLuKezOptions::mUcs8Text},
    {"CSDigitMode", &TLuKezOptions::CSDigitMode, 0, 3, nullptr},
    {"\\CS_ERoosText", nullptr, 0, 0, &TLuKezOptions::mCSERoosText},
    {"\\CS_OtherText", nullptr, 0, 0, &TLuKezOptions::mCSOtherText},
    {"CSSpaceOutMode", &TLuKezOptions::CSSpaceOutMode, 0, 3, nullptr},
    {"\\CS_SpaceOutText", nullptr, 0, 0, &TLuKezOptions::mCSSpaceOutText},
    {"RusMode", &TLuKezOptions::RusMode, 0, 2, nullptr},
    {"\\RussText", nullptr, 0, 0, &TLuKezOptions::mRussText},
    {"GreekMode", &TLuKezOptions::GreekMode, 0, 1, nullptr},
    {"\\GreekText", nullptr, 0, 0, &TLuKezOptions::mGreekText},
    {"\\LatinText", nullptr, 0, 0, &TLuKezOptions::mLatinText},
    {"ErrorMode", &TLuKezOptions::ErrorMode, 0, 1, nullptr},
    {"\\ErrorText", nullptr, 0, 0, &TLuKezOptions::mErrorText},
    {"\\NonSupportText", nullptr, 0, 0, &TLuKezOptions::mNonSupportText},
    {"NSMode_Function", &TLuKezOptions::NSModeFunction, 0, 3, nullptr},
    {"NSMode_Variants", &TLuKezOptions::NSModeVariants, 0, 3, nullptr},
    {"NSMode_SpecComm", &TLuKezOptions::NSModeSpecComm, 0, 3, nullptr},
    {"NSMode_Commands", &TLuKezOptions::NSModeCommands, 0, 3, nullptr},
    {"FtnBottom_Impl", &TLuKezOptions::FtnBottomImpl, 0, 1, nullptr},
    {"FtnBottom_Back", &TLuKezOptions::FtnBottomBack, 0, 16, nullptr},
    {"FtnMargin_Impl", &TLuKezOptions::FtnMarginImpl, 0, 1, nullptr},
    {"FtnMargin_Back", &TLuKezOptions::FtnMarginBack, 0, 16, nullptr},
};

void TLuKezOptions::FillWithDefaults()
{
    PassOn(kModule, "FillWithDefaults", [&] {
        IsDirectPipe = false;
        SourceEncoding = 1;
        DontShowOptions = false;
        mUcs8Text.FillWith(QStringLiteral("Corvinel Ucs"), 16, false, false, 0, 0);
        CSDigitMode = 3;
        mCSERoosText.FillWith(QStringLiteral("Orthodox.tt eRoos"), 16, false, false, 0, 0);
        mCSOtherText.FillWith(QStringLiteral("Times New Roman"), 16, false, false, 0, 0);
        CSSpaceOutMode = 1;
        mCSSpaceOutText.FillWith(QStringLiteral("Corvinel Ucs"), 16, false, false, 0, 0);
        RusMode = 0;
        mRussText.FillWith(QStringLiteral("Times New Roman"), 16, false, false, 0, 0);
        GreekMode = 1;
        mGreekText.FillWith(QStringLiteral("Palatino Linotype"), 16, false, false, 0, 0);
        mLatinText.FillWith(QStringLiteral("Times New Roman"), 16, false, false, 0, 0);
        ErrorMode = 1;
        mErrorText.FillWith(QStringLiteral("Courier New"), 16, true, false, 0, 5);
        mNonSupportText.FillWith(QStringLiteral("Courier New"), 16, true, false, 0, 0);
        NSModeFunction = 2;
        NSModeVariants = 2;
        NSModeSpecComm = 2;
        NSModeCommands = 2;
        FtnBottomImpl = 0;
        FtnBottomBack = 0;
        FtnMarginImpl = 1;
        FtnMarginBack = 4;
    });
}

void TLuKezOptions::AssignFrom(const TLuKezOptions& aSource)
{
    PassOn(kModule, "AssignFrom", [&] {
        IsDirectPipe = aSource.IsDirectPipe;
        SourceEncoding = aSource.SourceEncoding;
        DontShowOptions = aSource.DontShowOptions;
        mUcs8Text.AssignFrom(aSource.mUcs8Text);
        CSDigitMode = aSource.CSDigitMode;
        mCSERoosText.AssignFrom(aSource.mCSERoosText);
        mCSOtherText.AssignFrom(aSource.mCSOtherText);
        CSSpaceOutMode = aSource.CSSpaceOutMode;
        mCSSpaceOutText.AssignFrom(aSource.mCSSpaceOutText);
        RusMode = aSource.RusMode;
        mRussText.AssignFrom(aSource.mRussText);
        GreekMode = aSource.GreekMode;
        mGreekText.AssignFrom(aSource.mGreekText);
        mLatinText.AssignFrom(aSource.mLatinText);
        ErrorMode = aSource.ErrorMode;
        mErrorText.AssignFrom(aSource.mErrorText);
        mNonSupportText.AssignFrom(aSource.mNonSupportText);
        NSModeFunction = aSource.NSModeFunction;
        NSModeVariants = aSource.NSModeVariants;
        NSModeSpecComm = aSource.NSModeSpecComm;
        NSModeCommands = aSource.NSModeCommands;
        FtnBottomImpl = aSource.FtnBottomImpl;
        FtnBottomBack = aSource.FtnBottomBack;
        FtnMarginImpl = aSource.FtnMarginImpl;
        FtnMarginBack = aSource.FtnMarginBack;
    });
}

void TLuKezOptions::ReadFromRegistry(platform::RegKey aRoot, const QString& aKeyPath, const TLuKezOptions& aDefaults)
{
    PassOn(kModule, "ReadFromRegistry", [&] {
        miRegistryTools::RegistryReadBatch batch;
        // The two flags belong to the dialog only and always start off.
        IsDirectPipe = false;
        for (const StoredEntry& entry : kStoredLayout) {
            const QString name = QString::fromLatin1(entry.Name);
            if (entry.Font) {
                (this->*entry.Font).ReadFromRegistry(aRoot, aKeyPath + name, aDefaults.*entry.Font);
            } else {
                this->*entry.Number = miRegistryTools::ReadLongValueRangeDef(aRoot, aKeyPath, name, entry.Minimum,
                                                                             entry.Maximum, aDefaults.*entry.Number);
                if (entry.Number == &TLuKezOptions::SourceEncoding)
                    DontShowOptions = false;
            }
        }
    });
}

void TLuKezOptions::WriteToRegistry(platform::RegKey aRoot, const QString& aKeyPath) const
{
    PassOn(kModule, "WriteToRegistry", [&] {
        miRegistryTools::RegistryBatch batch;
        for (const StoredEntry& entry : kStoredLayout) {
            const QString name = QString::fromLatin1(entry.Name);
            if (entry.Font)
                (this->*entry.Font).WriteToRegistry(aRoot, aKeyPath + name);
            else
                miRegistryTools::WriteLongValue(aRoot, aKeyPath, name, this->*entry.Number);
        }
    });
}
