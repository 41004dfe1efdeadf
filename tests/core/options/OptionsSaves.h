#pragma once
// The two sets of options that helpers/options_saver.cpp saves by turns. Every stored integer and
// every field of every font differs between them, so a read that mixes two saves is neither.
#include "core/options/TLuKezOptions.h"

#include <array>

namespace optionssaves {

inline constexpr std::array<qint32 TLuKezOptions::*, 14> kIntegers = {
    &TLuKezOptions::SourceEncoding, &TLuKezOptions::CSDigitMode,    &TLuKezOptions::CSSpaceOutMode,
    &TLuKezOptions::RusMode,        &TLuKezOptions::GreekMode,      &TLuKezOptions::ErrorMode,
    &TLuKezOptions::NSModeFunction, &TLuKezOptions::NSModeVariants, &TLuKezOptions::NSModeSpecComm,
    &TLuKezOptions::NSModeCommands, &TLuKezOptions::FtnBottomImpl,  &TLuKezOptions::FtnBottomBack,
    &TLuKezOptions::FtnMarginImpl,  &TLuKezOptions::FtnMarginBack};

inline constexpr std::array<const TOptionsFont& (TLuKezOptions::*)() const, 9> kFonts = {
    &TLuKezOptions::Ucs8Text,  &TLuKezOptions::CSERoosText, &TLuKezOptions::CSOtherText,
    &TLuKezOptions::CSSpaceOutText, &TLuKezOptions::RussText, &TLuKezOptions::GreekText,
    &TLuKezOptions::LatinText, &TLuKezOptions::ErrorText,   &TLuKezOptions::NonSupportText};

// Save 0 or save 1 (every range of the integers holds both numbers).
inline void Fill(TLuKezOptions& aOptions, int aWhich)
{
    aOptions.FillWithDefaults();
    for (qint32 TLuKezOptions::*number : kIntegers)
        aOptions.*number = aWhich;
    for (const auto font : kFonts)
        const_cast<TOptionsFont&>((aOptions.*font)())
            .FillWith(aWhich ? QStringLiteral("Save One") : QStringLiteral("Save Zero"), 10 + aWhich, aWhich == 1,
                      aWhich == 0, aWhich, 1 - aWhich);
}

// 0 or 1 when the options are that save whole, -1 for anything else.
inline int Which(const TLuKezOptions& aOptions)
{
    for (int which : {0, 1}) {
        TLuKezOptions save;
        Fill(save, which);
        bool same = true;
        for (qint32 TLuKezOptions::*number : kIntegers)
            same = same && aOptions.*number == save.*number;
        for (const auto font : kFonts)
            same = same && (aOptions.*font)() == (save.*font)();
        if (same)
            return which;
    }
    return -1;
}

} // namespace optionssaves
