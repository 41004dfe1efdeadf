#include "core/options/TLuKezOptions.h"
#include "core/options/OptionsTable.h"
#include "core/errors/mErrorHandling.h"
#include "core/options/miRegistryTools.h"

using mErrorHandling::PassOn;
using OptionsTable::Option;

namespace {
constexpr const char* kModule = "TLuKezOptions";
}

void TLuKezOptions::FillWithDefaults()
{
    PassOn(kModule, "FillWithDefaults", [&] {
        for (const Option& option : OptionsTable::Options()) {
            if (option.Flag) {
                this->*option.Flag = false;
            } else if (option.Number) {
                this->*option.Number->Member = option.Number->Default;
            } else {
                const OptionsTable::FontOption& row = *option.Font;
                (this->*row.Member).FillWith(QString::fromUtf8(row.Face), row.Size, row.Bold, row.Italic,
                                             row.ForeColorIndex, row.BackColorIndex);
            }
        }
    });
}

void TLuKezOptions::AssignFrom(const TLuKezOptions& aSource)
{
    PassOn(kModule, "AssignFrom", [&] {
        for (const Option& option : OptionsTable::Options()) {
            if (option.Flag)
                this->*option.Flag = aSource.*option.Flag;
            else if (option.Number)
                this->*option.Number->Member = aSource.*option.Number->Member;
            else
                (this->*option.Font->Member).AssignFrom(aSource.*option.Font->Member);
        }
    });
}

void TLuKezOptions::ReadFromRegistry(platform::RegKey aRoot, const QString& aKeyPath, const TLuKezOptions& aDefaults)
{
    PassOn(kModule, "ReadFromRegistry", [&] {
        miRegistryTools::RegistryReadBatch batch;
        for (const Option& option : OptionsTable::Options()) {
            if (option.Flag) {
                // The flags belong to the dialog only and always start off.
                this->*option.Flag = false;
            } else if (option.Number) {
                const OptionsTable::NumberOption& row = *option.Number;
                this->*row.Member = miRegistryTools::ReadLongValueRangeDef(
                    aRoot, aKeyPath, QString::fromLatin1(row.RegistryName), row.Minimum, row.Maximum,
                    aDefaults.*row.Member);
            } else {
                const OptionsTable::FontOption& row = *option.Font;
                (this->*row.Member).ReadFromRegistry(aRoot, aKeyPath + QString::fromLatin1(row.RegistryKey),
                                                     aDefaults.*row.Member);
            }
        }
    });
}

void TLuKezOptions::WriteToRegistry(platform::RegKey aRoot, const QString& aKeyPath) const
{
    PassOn(kModule, "WriteToRegistry", [&] {
        miRegistryTools::RegistryBatch batch;
        for (const Option& option : OptionsTable::Options()) {
            if (option.Number)
                miRegistryTools::WriteLongValue(aRoot, aKeyPath, QString::fromLatin1(option.Number->RegistryName),
                                                this->*option.Number->Member);
            else if (option.Font)
                (this->*option.Font->Member).WriteToRegistry(aRoot,
                                                             aKeyPath + QString::fromLatin1(option.Font->RegistryKey));
        }
        batch.CommitOrRaise(aKeyPath);
    });
}
