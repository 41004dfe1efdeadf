#pragma once
#include "core/fonts/TInstalledFont.h"

#include <QString>

#include <optional>

// Which parts of the options dialog are usable, and how the Russian and Greek font selectors are
// set up, for the current choices of its mode lists. Plain logic: the dialog applies the result.
namespace OptionsRefreshRules {

struct Choices {
    bool IsDirectPipe = false;
    qint32 CSDigitMode = 0;
    qint32 CSSpacedOutMode = 0;
    qint32 RusMode = 0;
    qint32 GreekMode = 0;
    qint32 FtnBottMode = 0;
    qint32 FtnMargMode = 0;
    qint32 ErrMode = 0;
};

// A font selector's font class and sample text.
struct SelectorLook {
    qint32 AppropriateClass = fcAny;
    QString ExampleText;
    bool operator==(const SelectorLook&) const = default;
};

// An empty optional leaves that control as it is.
struct Effects {
    bool PageButtonsEnabled = true; // page buttons 1 to 7; the first is always usable
    std::optional<bool> CsERoosTextEnabled;
    std::optional<bool> CsOtherTextEnabled;
    bool CsSpacedOutTextEnabled = false;
    std::optional<SelectorLook> RuText;
    std::optional<SelectorLook> GrText;
    bool BotFtnColorEnabled = false;
    bool FldFtnColorEnabled = false;
    bool ErrTextEnabled = false;
};

Effects Compute(const Choices& aChoices);

// The Greek selector's design-time sample, also the one for Greek in Unicode.
extern const QString kGreekUnicodeSample;

} // namespace OptionsRefreshRules
