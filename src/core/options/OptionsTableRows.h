#pragma once

// The rows of the options table, one an option, in the order of TLuKezOptions' members, of the
// stored values and of the hand-over record. A row declares the member; the copy, the store, the
// record's filler (the layout's offset of the member's name) and the dialog's list bindings walk
// the rows. A new option is one row here and its control in the dialog.
//
//   FLAG(member)     a switch of the dialog's own, off at the start: neither stored nor sent
//   CHOICE(member, stored name, default, dialog property, words of the list ...)
//                    value k is word k; the range is the converter's (OptionValues::Ranges), the
//                    default a value of OptionValues; the dialog's property pair is the property
//                    and Set + the property
//   COLOUR(member, stored name, default)   a palette index, 0 automatic
//   FONT(member, stored subkey, face, size, bold, italic, text colour, background colour)
#define KEZ_OPTIONS_TABLE(FLAG, CHOICE, COLOUR, FONT)                                                           \
    FLAG(IsDirectPipe)                                                                                          \
    CHOICE(SourceEncoding, "SourceEncoding", SourceEncoding::Windows1251, IntSourceEncoding,                    \
           "Определять автоматически", "Windows (1251)", "DOS (866)")                                           \
    FLAG(DontShowOptions)                                                                                       \
    FONT(Ucs8Text, "\\Ucs8Text", "Corvinel Ucs", 16, false, false, 0, 0)                                        \
    CHOICE(CSDigitMode, "CSDigitMode", CSDigitMode::ERoosThenOrdinary, IntCSDigitMode, "Запретить",             \
           "Только то, что представимо обычными шрифтами", "Обычный шрифт, потом шрифт eROOS",                  \
           "Шрифт eROOS, потом обычный шрифт")                                                                  \
    FONT(CSERoosText, "\\CS_ERoosText", "Orthodox.tt eRoos", 16, false, false, 0, 0)                            \
    FONT(CSOtherText, "\\CS_OtherText", "Times New Roman", 16, false, false, 0, 0)                              \
    CHOICE(CSSpaceOutMode, "CSSpaceOutMode", CSSpaceOutMode::Italic, IntCSSpacedOutMode,                        \
           "Игнорировать разрядку", "Включать наклонное начертание", "Выделять подчеркиванием",                 \
           "Переключаться на другой шрифт")                                                                     \
    FONT(CSSpaceOutText, "\\CS_SpaceOutText", "Corvinel Ucs", 16, false, false, 0, 0)                           \
    CHOICE(RusMode, "RusMode", RusMode::CodePage1251, IntRusMode,                                               \
           "Обычный шрифт 1251, дореволюционная орфография и ударения не допускаются",                          \
           "Использовать шрифт ROOS для дореволюционной орфографии и ударений",                                 \
           "Использовать Unicode для дореволюционной орфографии, ударения не допускаются")                      \
    FONT(RussText, "\\RussText", "Times New Roman", 16, false, false, 0, 0)                                     \
    CHOICE(GreekMode, "GreekMode", GreekMode::Unicode, IntGreekMode,                                            \
           "Обычный шрифт 1253, упрощенная современная диакритика", "Шрифт Unicode, полная классическая диакритика") \
    FONT(GreekText, "\\GreekText", "Palatino Linotype", 16, false, false, 0, 0)                                 \
    FONT(LatinText, "\\LatinText", "Times New Roman", 16, false, false, 0, 0)                                   \
    CHOICE(ErrorMode, "ErrorMode", ErrorMode::InErrorFont, IntErrMode, "Игнорировать ошибки",                   \
           "Помещать ошибочные фрагменты в текст в указанном шрифте")                                           \
    FONT(ErrorText, "\\ErrorText", "Courier New", 16, true, false, 0, 5)                                        \
    FONT(NonSupportText, "\\NonSupportText", "Courier New", 16, true, false, 0, 0)                              \
    CHOICE(NSModeFunction, "NSMode_Function", NSMode::Hidden, IntNsFunctionsMode, KEZ_OPTIONS_SPECIAL_MODES)    \
    CHOICE(NSModeVariants, "NSMode_Variants", NSMode::Hidden, IntNsVariantsMode, KEZ_OPTIONS_SPECIAL_MODES)     \
    CHOICE(NSModeSpecComm, "NSMode_SpecComm", NSMode::Hidden, IntNsSpecCommMode, KEZ_OPTIONS_SPECIAL_MODES)     \
    CHOICE(NSModeCommands, "NSMode_Commands", NSMode::Hidden, IntNsCommandsMode, KEZ_OPTIONS_SPECIAL_MODES)     \
    CHOICE(FtnBottomImpl, "FtnBottom_Impl", FtnImpl::Note, IntFtnBottMode, KEZ_OPTIONS_FOOTNOTE_MODES)          \
    COLOUR(FtnBottomBack, "FtnBottom_Back", 0)                                                                  \
    CHOICE(FtnMarginImpl, "FtnMargin_Impl", FtnImpl::InText, IntFtnMargMode, KEZ_OPTIONS_FOOTNOTE_MODES)        \
    COLOUR(FtnMarginBack, "FtnMargin_Back", 4)

// The words shared by several lists.
#define KEZ_OPTIONS_SPECIAL_MODES                                                                               \
    "Игнорировать", "Оформлять как ошибка", "Выдавать указанным шрифтом, невидимым",                            \
        "Выдавать указанным шрифтом, видимым"
#define KEZ_OPTIONS_FOOTNOTE_MODES                                                                              \
    "Оформлять сноской внизу страницы", "Помещать в тексте, выделяя указанным цветом фона"

// For the kinds of row a walk passes over.
#define KEZ_OPTIONS_SKIP(...)
