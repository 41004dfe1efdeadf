#pragma once
#include "platform/Registry.h"

#include <QString>
#include <QVariant>

// The thin layer through which every setting is read and written. Reads take a default and
// never fail towards the caller for a missing key or value, unconvertible data or an integer
// out of range; writes report only through their result. Each call opens and closes its own key.
//
// Values travel as variants: qint32 for REG_DWORD, QString for REG_SZ and REG_EXPAND_SZ,
// QStringList for REG_MULTI_SZ, QByteArray for REG_BINARY, a null QVariant for nothing.
namespace miRegistryTools {

// Reads one value. True only when the key opens and the value is read; aValue stays null and
// aType 0 until then. Types other than the five above give a null value and success.
bool LoadValue(platform::RegKey aRoot, const QString& aKeyPath, const QString& aValueName, QVariant& aValue,
               quint32& aType);

// Writes one value, creating the key and every missing key on its path. Type 11 writes
// nothing and succeeds; any other type outside the five above fails with 87.
bool SaveValue(platform::RegKey aRoot, const QString& aKeyPath, const QString& aValueName, const QVariant& aValue,
               quint32 aType);

// Integers become their decimal text; lists and byte arrays cannot be converted.
QString ReadStrValueDef(platform::RegKey aRoot, const QString& aKeyPath, const QString& aValueName,
                        const QString& aDefault);

// Numeric text counts as the number it spells; no range check.
qint32 ReadLongValueDef(platform::RegKey aRoot, const QString& aKeyPath, const QString& aValueName, qint32 aDefault);

// aDefault when the value is missing, unconvertible, below aMinimum or above aMaximum; never
// clamped.
qint32 ReadLongValueRangeDef(platform::RegKey aRoot, const QString& aKeyPath, const QString& aValueName,
                             qint32 aMinimum, qint32 aMaximum, qint32 aDefault);

// "true", "1", "-1", "yes", "y" are True; "false", "0", "", "no", "n" are False (after
// lower-casing); anything else, or nothing stored, is aDefault.
bool ReadBoolValueDef(platform::RegKey aRoot, const QString& aKeyPath, const QString& aValueName, bool aDefault);

bool WriteStrValue(platform::RegKey aRoot, const QString& aKeyPath, const QString& aValueName, const QString& aText);
bool WriteLongValue(platform::RegKey aRoot, const QString& aKeyPath, const QString& aValueName, qint32 aValue);
// 1 for True, 0 for False.
bool WriteBoolValue(platform::RegKey aRoot, const QString& aKeyPath, const QString& aValueName, bool aValue);

// The Win32 result of the most recent LoadValue or SaveValue (0 = success), or of a batch's
// commit when that came later and failed.
platform::RegResult LastRegistryError();

// While one lives, every value written in this process is kept in memory (reads see it) and
// all of them are stored as one change when it ends, so that other programs, and the file after
// a crash, have either all of them or none. Declare one at the top of a save:
//     miRegistryTools::RegistryBatch batch;
// Batches nest; the outermost one writes.
class RegistryBatch {
public:
    RegistryBatch();
    ~RegistryBatch();
    RegistryBatch(const RegistryBatch&) = delete;
    RegistryBatch& operator=(const RegistryBatch&) = delete;

    // Writes now rather than at the end of the scope; false (see LastRegistryError) when the
    // values could not be stored, in which case the stored settings are as they were.
    bool Commit();

    // Commit, and a worded failure naming aKeyPath when any value of the batch was not stored.
    void CommitOrRaise(const QString& aKeyPath);

private:
    bool mOpen;
};

// The words for a registry result, as the error window shows them.
QString RegistryErrorText(platform::RegResult aResult);

// While one lives, every value read in this process comes from one version of the stored
// settings (with this process's own writes on top), however often other programs save
// meanwhile. Declare one at the top of a read of settings that belong together:
//     miRegistryTools::RegistryReadBatch batch;
// Read batches nest; the outermost one decides the version.
class RegistryReadBatch {
public:
    RegistryReadBatch();
    ~RegistryReadBatch();
    RegistryReadBatch(const RegistryReadBatch&) = delete;
    RegistryReadBatch& operator=(const RegistryReadBatch&) = delete;

private:
    bool mOpen;
};

} // namespace miRegistryTools
