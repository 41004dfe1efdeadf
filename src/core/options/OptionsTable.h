#pragma once
#include "core/options/TLuKezOptions.h"

#include <QStringList>

#include <vector>

// The options as the rows of OptionsTableRows.h give them, walked by the copy, the store, the
// record's filler and the dialog.
namespace OptionsTable {

// An option held as a number: the name the converter's request check gives, the stored value's
// name, the range accepted, the value a new installation starts with, for a choice the options'
// list as the dialog offers it (item k stands for value k), and its field in the record.
struct NumberOption {
    const char* Name;
    const char* RegistryName;
    qint32 TLuKezOptions::*Member;
    qint32 Minimum;
    qint32 Maximum;
    qint32 Default;
    QStringList Items; // empty: not a choice (a colour index)
    qint32 RecordOffset;
};

// A font: its subkey's suffix to the options key, the record's values at the start and its
// sub-record in the hand-over record.
struct FontOption {
    const char* Name;
    const char* RegistryKey;
    TOptionsFont TLuKezOptions::*Member;
    const char* Face;
    qint32 Size;
    bool Bold;
    bool Italic;
    qint32 ForeColorIndex;
    qint32 BackColorIndex;
    qint32 RecordOffset;
};

// One member of TLuKezOptions; exactly one of the three is set. A flag is the dialog's own.
struct Option {
    bool TLuKezOptions::*Flag;
    const NumberOption* Number;
    const FontOption* Font;
};

// The numbers in the order they are stored.
const std::vector<NumberOption>& NumberOptions();
const std::vector<FontOption>& FontOptions();
// Every member in the order of the class, the store and the record.
const std::vector<Option>& Options();

// The row of an option; every number member of TLuKezOptions has one.
const NumberOption& Of(qint32 TLuKezOptions::*aMember);

} // namespace OptionsTable
