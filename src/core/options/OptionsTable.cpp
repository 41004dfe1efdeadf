#include "core/options/OptionsTable.h"
#include "protocol/ExternalDataLayout.h"
#include "protocol/FontValues.h"
#include "protocol/OptionValues.h"

#include <initializer_list>
#include <stdexcept>

namespace OptionsTable {
namespace {

QStringList words(std::initializer_list<const char*> aWords)
{
    QStringList list;
    for (const char* word : aWords)
        list << QString::fromUtf8(word);
    return list;
}

// A background colour: automatic or one of the palette.
constexpr qint32 kLastColorIndex = qint32(FontValues::kPalette.size());

} // namespace

// A choice's name and range are the converter's.
#define KEZ_OPTIONS_CHOICE_ROW(aMember, aStored, aDefault, aProperty, ...)                                     \
    {OptionValues::Ranges::aMember.Name,     aStored,                                                          \
     &TLuKezOptions::aMember,                OptionValues::Ranges::aMember.Minimum,                            \
     OptionValues::Ranges::aMember.Maximum,  OptionValues::aDefault,                                           \
     words({__VA_ARGS__}),                   ExternalData::Offset::aMember},
#define KEZ_OPTIONS_COLOUR_ROW(aMember, aStored, aDefault)                                                     \
    {#aMember, aStored, &TLuKezOptions::aMember, 0, kLastColorIndex, aDefault, {}, ExternalData::Offset::aMember},
#define KEZ_OPTIONS_FONT_ROW(aMember, aStored, aFace, aSize, aBold, aItalic, aFore, aBack)                      \
    {#aMember, aStored, &TLuKezOptions::m##aMember, aFace, aSize, aBold, aItalic, aFore, aBack,                 \
     ExternalData::Offset::aMember},

const std::vector<NumberOption>& NumberOptions()
{
    static const std::vector<NumberOption> table = {KEZ_OPTIONS_TABLE(
        KEZ_OPTIONS_SKIP, KEZ_OPTIONS_CHOICE_ROW, KEZ_OPTIONS_COLOUR_ROW, KEZ_OPTIONS_SKIP)};
    return table;
}

const std::vector<FontOption>& FontOptions()
{
    static const std::vector<FontOption> table = {
        KEZ_OPTIONS_TABLE(KEZ_OPTIONS_SKIP, KEZ_OPTIONS_SKIP, KEZ_OPTIONS_SKIP, KEZ_OPTIONS_FONT_ROW)};
    return table;
}

const std::vector<Option>& Options()
{
    static const std::vector<Option> table = [] {
        std::vector<Option> all;
        std::size_t number = 0;
        std::size_t font = 0;
#define KEZ_OPTIONS_FLAG_ENTRY(aMember) all.push_back({&TLuKezOptions::aMember, nullptr, nullptr});
#define KEZ_OPTIONS_NUMBER_ENTRY(...) all.push_back({nullptr, &NumberOptions()[number++], nullptr});
#define KEZ_OPTIONS_FONT_ENTRY(...) all.push_back({nullptr, nullptr, &FontOptions()[font++]});
        KEZ_OPTIONS_TABLE(KEZ_OPTIONS_FLAG_ENTRY, KEZ_OPTIONS_NUMBER_ENTRY, KEZ_OPTIONS_NUMBER_ENTRY,
                          KEZ_OPTIONS_FONT_ENTRY)
#undef KEZ_OPTIONS_FLAG_ENTRY
#undef KEZ_OPTIONS_NUMBER_ENTRY
#undef KEZ_OPTIONS_FONT_ENTRY
        return all;
    }();
    return table;
}

const NumberOption& Of(qint32 TLuKezOptions::*aMember)
{
    for (const NumberOption& row : NumberOptions()) {
        if (row.Member == aMember)
            return row;
    }
    throw std::logic_error("an option number without a row in the options table");
}

} // namespace OptionsTable
