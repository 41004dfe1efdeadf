#pragma once
#include "core/options/OptionsTableRows.h"
#include "core/options/TOptionsFont.h"
#include "platform/Registry.h"

#include <QString>

#include <vector>

namespace OptionsTable {
struct FontOption;
const std::vector<FontOption>& FontOptions();
} // namespace OptionsTable

// Every setting that tells the converter how to turn one KEZ file into RTF. The members are the
// rows of the options table (OptionsTableRows.h): a flag or a number is a member of its name, a
// font a record reached through a function of its name. The nine font records are owned and
// never replaced; editors copy values in and out with AssignFrom.
class TLuKezOptions {
public:
    TLuKezOptions() = default;
    TLuKezOptions(const TLuKezOptions&) = delete;
    TLuKezOptions& operator=(const TLuKezOptions&) = delete;

#define KEZ_OPTIONS_FLAG_MEMBER(aMember) bool aMember = false;
#define KEZ_OPTIONS_NUMBER_MEMBER(aMember, ...) qint32 aMember = 0;
#define KEZ_OPTIONS_FONT_ACCESS(aMember, ...)                                                                   \
    TOptionsFont& aMember() { return m##aMember; }                                                             \
    const TOptionsFont& aMember() const { return m##aMember; }
    KEZ_OPTIONS_TABLE(KEZ_OPTIONS_FLAG_MEMBER, KEZ_OPTIONS_NUMBER_MEMBER, KEZ_OPTIONS_NUMBER_MEMBER,
                      KEZ_OPTIONS_FONT_ACCESS)

    void FillWithDefaults();
    void AssignFrom(const TLuKezOptions& aSource);
    void ReadFromRegistry(platform::RegKey aRoot, const QString& aKeyPath, const TLuKezOptions& aDefaults);
    void WriteToRegistry(platform::RegKey aRoot, const QString& aKeyPath) const;

private:
    // The table's font rows point at the records.
    friend const std::vector<OptionsTable::FontOption>& OptionsTable::FontOptions();

#define KEZ_OPTIONS_FONT_MEMBER(aMember, ...) TOptionsFont m##aMember;
    KEZ_OPTIONS_TABLE(KEZ_OPTIONS_SKIP, KEZ_OPTIONS_SKIP, KEZ_OPTIONS_SKIP, KEZ_OPTIONS_FONT_MEMBER)
#undef KEZ_OPTIONS_FLAG_MEMBER
#undef KEZ_OPTIONS_NUMBER_MEMBER
#undef KEZ_OPTIONS_FONT_ACCESS
#undef KEZ_OPTIONS_FONT_MEMBER
};
