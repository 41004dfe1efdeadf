#include "core/options/OptionsTable.h"
#include "protocol/FontValues.h"
#include "protocol/OptionValues.h"

#include <stdexcept>

namespace OptionsTable {
namespace {

QStringList footnoteModes()
{
    return {QStringLiteral("Оформлять сноской внизу страницы"),
            QStringLiteral("Помещать в тексте, выделяя указанным цветом фона")};
}

QStringList specialModes()
{
    return {QStringLiteral("Игнорировать"), QStringLiteral("Оформлять как ошибка"),
            QStringLiteral("Выдавать указанным шрифтом, невидимым"), QStringLiteral("Выдавать указанным шрифтом, видимым")};
}

// A row for an option chosen from a list: its name and range are the converter's.
NumberOption choice(const OptionValues::Range& aRange, const char* aRegistryName, qint32 TLuKezOptions::*aMember,
                    qint32 aDefault, QStringList aItems)
{
    return {aRange.Name, aRegistryName, aMember, aRange.Minimum, aRange.Maximum, aDefault, std::move(aItems)};
}

// A background colour: automatic or one of the palette.
constexpr qint32 kLastColorIndex = qint32(FontValues::kPalette.size());

} // namespace

const std::vector<NumberOption>& NumberOptions()
{
    using namespace OptionValues;
    static const std::vector<NumberOption> table = {
        choice(Ranges::SourceEncoding, "SourceEncoding", &TLuKezOptions::SourceEncoding, SourceEncoding::Windows1251,
         {QStringLiteral("Определять автоматически"), QStringLiteral("Windows (1251)"), QStringLiteral("DOS (866)")}),
        choice(Ranges::CSDigitMode, "CSDigitMode", &TLuKezOptions::CSDigitMode, CSDigitMode::ERoosThenOrdinary,
         {QStringLiteral("Запретить"), QStringLiteral("Только то, что представимо обычными шрифтами"),
          QStringLiteral("Обычный шрифт, потом шрифт eROOS"), QStringLiteral("Шрифт eROOS, потом обычный шрифт")}),
        choice(Ranges::CSSpaceOutMode, "CSSpaceOutMode", &TLuKezOptions::CSSpaceOutMode, CSSpaceOutMode::Italic,
         {QStringLiteral("Игнорировать разрядку"), QStringLiteral("Включать наклонное начертание"),
          QStringLiteral("Выделять подчеркиванием"), QStringLiteral("Переключаться на другой шрифт")}),
        choice(Ranges::RusMode, "RusMode", &TLuKezOptions::RusMode, RusMode::CodePage1251,
         {QStringLiteral("Обычный шрифт 1251, дореволюционная орфография и ударения не допускаются"),
          QStringLiteral("Использовать шрифт ROOS для дореволюционной орфографии и ударений"),
          QStringLiteral("Использовать Unicode для дореволюционной орфографии, ударения не допускаются")}),
        choice(Ranges::GreekMode, "GreekMode", &TLuKezOptions::GreekMode, GreekMode::Unicode,
         {QStringLiteral("Обычный шрифт 1253, упрощенная современная диакритика"),
          QStringLiteral("Шрифт Unicode, полная классическая диакритика")}),
        choice(Ranges::ErrorMode, "ErrorMode", &TLuKezOptions::ErrorMode, ErrorMode::InErrorFont,
         {QStringLiteral("Игнорировать ошибки"),
          QStringLiteral("Помещать ошибочные фрагменты в текст в указанном шрифте")}),
        choice(Ranges::NSModeFunction, "NSMode_Function", &TLuKezOptions::NSModeFunction, NSMode::Hidden,
         specialModes()),
        choice(Ranges::NSModeVariants, "NSMode_Variants", &TLuKezOptions::NSModeVariants, NSMode::Hidden,
         specialModes()),
        choice(Ranges::NSModeSpecComm, "NSMode_SpecComm", &TLuKezOptions::NSModeSpecComm, NSMode::Hidden,
         specialModes()),
        choice(Ranges::NSModeCommands, "NSMode_Commands", &TLuKezOptions::NSModeCommands, NSMode::Hidden,
         specialModes()),
        choice(Ranges::FtnBottomImpl, "FtnBottom_Impl", &TLuKezOptions::FtnBottomImpl, FtnImpl::Note,
         footnoteModes()),
        {"FtnBottomBack", "FtnBottom_Back", &TLuKezOptions::FtnBottomBack, 0, kLastColorIndex, 0, {}},
        choice(Ranges::FtnMarginImpl, "FtnMargin_Impl", &TLuKezOptions::FtnMarginImpl, FtnImpl::InText,
         footnoteModes()),
        {"FtnMarginBack", "FtnMargin_Back", &TLuKezOptions::FtnMarginBack, 0, kLastColorIndex, 4, {}},
    };
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
