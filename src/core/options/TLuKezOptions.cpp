#include "core/options/TLuKezOptions.h"
#include "core/options/OptionsTable.h"
#include "core/errors/mErrorHandling.h"
#include "core/options/miRegistryTools.h"

using mErrorHandling::PassOn;

namespace {
constexpr const char* kModule = "TLuKezOptions";
}

// The stored entries in the order they are written: the numbers under the names of the options
// table, the fonts in subkeys of their own.
const TLuKezOptions::StoredEntry TLuKezOptions::kStoredLayout[23] = {
    {nullptr, &TLuKezOptions::SourceEncoding, nullptr},
    {"\\Ucs8Text", nullptr, &TLuKezOptions::mUcs8Text},
    {nullptr, &TLuKezOptions::CSDigitMode, nullptr},
    {"\\CS_ERoosText", nullptr, &TLuKezOptions::mCSERoosText},
    {"\\CS_OtherText", nullptr, &TLuKezOptions::mCSOtherText},
    {nullptr, &TLuKezOptions::CSSpaceOutMode, nullptr},
    {"\\CS_SpaceOutText", nullptr, &TLuKezOptions::mCSSpaceOutText},
    {nullptr, &TLuKezOptions::RusMode, nullptr},
    {"\\RussText", nullptr, &TLuKezOptions::mRussText},
    {nullptr, &TLuKezOptions::GreekMode, nullptr},
    {"\\GreekText", nullptr, &TLuKezOptions::mGreekText},
    {"\\LatinText", nullptr, &TLuKezOptions::mLatinText},
    {nullptr, &TLuKezOptions::ErrorMode, nullptr},
    {"\\ErrorText", nullptr, &TLuKezOptions::mErrorText},
    {"\\NonSupportText", nullptr, &TLuKezOptions::mNonSupportText},
    {nullptr, &TLuKezOptions::NSModeFunction, nullptr},
    {nullptr, &TLuKezOptions::NSModeVariants, nullptr},
    {nullptr, &TLuKezOptions::NSModeSpecComm, nullptr},
    {nullptr, &TLuKezOptions::NSModeCommands, nullptr},
    {nullptr, &TLuKezOptions::FtnBottomImpl, nullptr},
    {nullptr, &TLuKezOptions::FtnBottomBack, nullptr},
    {nullptr, &TLuKezOptions::FtnMarginImpl, nullptr},
    {nullptr, &TLuKezOptions::FtnMarginBack, nullptr},
};

void TLuKezOptions::FillWithDefaults()
{
    PassOn(kModule, "FillWithDefaults", [&] {
        IsDirectPipe = false;
        DontShowOptions = false;
        for (const OptionsTable::NumberOption& row : OptionsTable::NumberOptions())
            this->*row.Member = row.Default;
        mUcs8Text.FillWith(QStringLiteral("Corvinel Ucs"), 16, false, false, 0, 0);
        mCSERoosText.FillWith(QStringLiteral("Orthodox.tt eRoos"), 16, false, false, 0, 0);
        mCSOtherText.FillWith(QStringLiteral("Times New Roman"), 16, false, false, 0, 0);
        mCSSpaceOutText.FillWith(QStringLiteral("Corvinel Ucs"), 16, false, false, 0, 0);
        mRussText.FillWith(QStringLiteral("Times New Roman"), 16, false, false, 0, 0);
        mGreekText.FillWith(QStringLiteral("Palatino Linotype"), 16, false, false, 0, 0);
        mLatinText.FillWith(QStringLiteral("Times New Roman"), 16, false, false, 0, 0);
        mErrorText.FillWith(QStringLiteral("Courier New"), 16, true, false, 0, 5);
        mNonSupportText.FillWith(QStringLiteral("Courier New"), 16, true, false, 0, 0);
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
            if (entry.Font) {
                (this->*entry.Font).ReadFromRegistry(aRoot, aKeyPath + QString::fromLatin1(entry.FontKey),
                                                     aDefaults.*entry.Font);
            } else {
                const OptionsTable::NumberOption& row = OptionsTable::Of(entry.Number);
                this->*entry.Number = miRegistryTools::ReadLongValueRangeDef(
                    aRoot, aKeyPath, QString::fromLatin1(row.RegistryName), row.Minimum, row.Maximum,
                    aDefaults.*entry.Number);
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
            if (entry.Font)
                (this->*entry.Font).WriteToRegistry(aRoot, aKeyPath + QString::fromLatin1(entry.FontKey));
            else
                miRegistryTools::WriteLongValue(aRoot, aKeyPath, QString::fromLatin1(OptionsTable::Of(entry.Number).RegistryName),
                                                this->*entry.Number);
        }
    });
}
