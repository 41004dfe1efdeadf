#pragma once
#include "core/options/TLuKezOptions.h"

#include <QStringList>

#include <vector>

// The options held as numbers, in the order they are stored: the name the converter's request
// check gives, the stored value's name, the range accepted, the value a new installation starts
// with and, for a choice, the options' list as the dialog offers it (item k stands for value k).
// Reading, the dialog and the converter all take theirs from here.
namespace OptionsTable {

struct NumberOption {
    const char* Name;
    const char* RegistryName;
    qint32 TLuKezOptions::*Member;
    qint32 Minimum;
    qint32 Maximum;
    qint32 Default;
    QStringList Items; // empty: not a choice (a colour index)
};

const std::vector<NumberOption>& NumberOptions();

// The row of an option; every number member of TLuKezOptions has one.
const NumberOption& Of(qint32 TLuKezOptions::*aMember);

} // namespace OptionsTable
