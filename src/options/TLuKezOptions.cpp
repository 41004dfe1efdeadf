#include "options/TLuKezOptions.h"

void TLuKezOptions::FillWithDefaults()
{
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
}

void TLuKezOptions::AssignFrom(const TLuKezOptions& aSource)
{
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
}

// TODO(settings): registry transfer.
void TLuKezOptions::ReadFromRegistry(platform::RegKey, const QString&, const TLuKezOptions& aDefaults)
{
    AssignFrom(aDefaults);
    IsDirectPipe = false;
    DontShowOptions = false;
}

void TLuKezOptions::WriteToRegistry(platform::RegKey, const QString&) const {}
