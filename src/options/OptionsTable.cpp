#include "options/OptionsTable.h"
#include "options/FontValues.h"
#include "options/OptionValues.h"

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

// A background colour: automatic or one of the palette.
constexpr qint32 kLastColorIndex = qint32(FontValues::kPalette.size());

} // namespace

const std::vector<NumberOption>& NumberOptions()
{
    using namespace OptionValues;
    static const std::vector<NumberOption> table = {
        {"SourceEncoding", "SourceEncoding", &TLuKezOptions::SourceEncoding, 0, SourceEncoding::Dos866,
         SourceEncoding::Windows1251,
         {QStringLiteral("Определять автоматически"), QStringLiteral("Windows (1251)"), QStringLiteral("DOS (866)")}},
        {"CSDigitMode", "CSDigitMode", &TLuKezOptions::CSDigitMode, 0, CSDigitMode::ERoosThenOrdinary,
         CSDigitMode::ERoosThenOrdinary,
         {QStringLiteral("Запретить"), QStringLiteral("Только то, что представимо обычными шрифтами"),
          QStringLiteral("Обычный шрифт, потом шрифт eROOS"), QStringLiteral("Шрифт eROOS, потом обычный шрифт")}},
        {"CSSpaceOutMode", "CSSpaceOutMode", &TLuKezOptions::CSSpaceOutMode, 0, CSSpaceOutMode::OwnFont,
         CSSpaceOutMode::Italic,
         {QStringLiteral("Игнорировать разрядку"), QStringLiteral("Включать наклонное начертание"),
          QStringLiteral("Выделять подчеркиванием"), QStringLiteral("Переключаться на другой шрифт")}},
        {"RusMode", "RusMode", &TLuKezOptions::RusMode, 0, RusMode::Unicode, RusMode::CodePage1251,
         {QStringLiteral("Обычный шрифт 1251, дореволюционная орфография и ударения не допускаются"),
          QStringLiteral("Использовать шрифт ROOS для дореволюционной орфографии и ударений"),
          QStringLiteral("Использовать Unicode для дореволюционной орфографии, ударения не допускаются")}},
        {"GreekMode", "GreekMode", &TLuKezOptions::GreekMode, 0, GreekMode::Unicode, GreekMode::Unicode,
         {QStringLiteral("Обычный шрифт 1253, упрощенная современная диакритика"),
          QStringLiteral("Шрифт Unicode, полная классическая диакритика")}},
        {"ErrorMode", "ErrorMode", &TLuKezOptions::ErrorMode, 0, ErrorMode::InErrorFont, ErrorMode::InErrorFont,
         {QStringLiteral("Игнорировать ошибки"),
          QStringLiteral("Помещать ошибочные фрагменты в текст в указанном шрифте")}},
        {"NSModeFunction", "NSMode_Function", &TLuKezOptions::NSModeFunction, 0, NSMode::Visible, NSMode::Hidden,
         specialModes()},
        {"NSModeVariants", "NSMode_Variants", &TLuKezOptions::NSModeVariants, 0, NSMode::Visible, NSMode::Hidden,
         specialModes()},
        {"NSModeSpecComm", "NSMode_SpecComm", &TLuKezOptions::NSModeSpecComm, 0, NSMode::Visible, NSMode::Hidden,
         specialModes()},
        {"NSModeCommands", "NSMode_Commands", &TLuKezOptions::NSModeCommands, 0, NSMode::Visible, NSMode::Hidden,
         specialModes()},
        {"FtnBottomImpl", "FtnBottom_Impl", &TLuKezOptions::FtnBottomImpl, 0, FtnImpl::InText, FtnImpl::Note,
         footnoteModes()},
        {"FtnBottomBack", "FtnBottom_Back", &TLuKezOptions::FtnBottomBack, 0, kLastColorIndex, 0, {}},
        {"FtnMarginImpl", "FtnMargin_Impl", &TLuKezOptions::FtnMarginImpl, 0, FtnImpl::InText, FtnImpl::InText,
         footnoteModes()},
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
