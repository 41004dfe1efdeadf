#pragma once
#include "core/options/TOptionsFont.h"
#include "platform/Registry.h"

#include <QString>

// Every setting that tells the converter how to turn one KEZ file into RTF. The nine font
// records are owned and never replaced; editors copy values in and out with AssignFrom.
class TLuKezOptions {
public:
    TLuKezOptions() = default;
    TLuKezOptions(const TLuKezOptions&) = delete;
    TLuKezOptions& operator=(const TLuKezOptions&) = delete;

    bool IsDirectPipe = false;
    qint32 SourceEncoding = 0;
    bool DontShowOptions = false;
    TOptionsFont& Ucs8Text() { return mUcs8Text; }
    qint32 CSDigitMode = 0;
    TOptionsFont& CSERoosText() { return mCSERoosText; }
    TOptionsFont& CSOtherText() { return mCSOtherText; }
    qint32 CSSpaceOutMode = 0;
    TOptionsFont& CSSpaceOutText() { return mCSSpaceOutText; }
    qint32 RusMode = 0;
    TOptionsFont& RussText() { return mRussText; }
    qint32 GreekMode = 0;
    TOptionsFont& GreekText() { return mGreekText; }
    TOptionsFont& LatinText() { return mLatinText; }
    qint32 ErrorMode = 0;
    TOptionsFont& ErrorText() { return mErrorText; }
    TOptionsFont& NonSupportText() { return mNonSupportText; }
    qint32 NSModeFunction = 0;
    qint32 NSModeVariants = 0;
    qint32 NSModeSpecComm = 0;
    qint32 NSModeCommands = 0;
    qint32 FtnBottomImpl = 0;
    qint32 FtnBottomBack = 0;
    qint32 FtnMarginImpl = 0;
    qint32 FtnMarginBack = 0;

    const TOptionsFont& Ucs8Text() const { return mUcs8Text; }
    const TOptionsFont& CSERoosText() const { return mCSERoosText; }
    const TOptionsFont& CSOtherText() const { return mCSOtherText; }
    const TOptionsFont& CSSpaceOutText() const { return mCSSpaceOutText; }
    const TOptionsFont& RussText() const { return mRussText; }
    const TOptionsFont& GreekText() const { return mGreekText; }
    const TOptionsFont& LatinText() const { return mLatinText; }
    const TOptionsFont& ErrorText() const { return mErrorText; }
    const TOptionsFont& NonSupportText() const { return mNonSupportText; }

    void FillWithDefaults();
    void AssignFrom(const TLuKezOptions& aSource);
    void ReadFromRegistry(platform::RegKey aRoot, const QString& aKeyPath, const TLuKezOptions& aDefaults);
    void WriteToRegistry(platform::RegKey aRoot, const QString& aKeyPath) const;

private:
    // One stored entry of the options: a number (its name and range in the options table), or a
    // font in a subkey (its suffix to the options key).
    struct StoredEntry {
        const char* FontKey;
        qint32 TLuKezOptions::*Number;
        TOptionsFont TLuKezOptions::*Font;
    };
    static const StoredEntry kStoredLayout[23];

    TOptionsFont mUcs8Text;
    TOptionsFont mCSERoosText;
    TOptionsFont mCSOtherText;
    TOptionsFont mCSSpaceOutText;
    TOptionsFont mRussText;
    TOptionsFont mGreekText;
    TOptionsFont mLatinText;
    TOptionsFont mErrorText;
    TOptionsFont mNonSupportText;
};
