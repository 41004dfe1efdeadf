#include "core/options/OptionsRefreshRules.h"
#include "protocol/OptionValues.h"

namespace OptionsRefreshRules {

const QString kGreekUnicodeSample = QStringLiteral("&#1f18;&#3BD; &#1F00;&#3C1;&#3C7;&#1FC7;");

namespace {
// "Въ ќџміањмћ": the pre-reform phrase in the letters whose places the ROOS fonts reuse.
const QString kRoosSample = QString::fromUtf16(
    u"\u0412\u044A\u0020\u045C\u045F\u043C\u0456\u0430\u045A\u043C\u045B");
} // namespace

Effects Compute(const Choices& aChoices)
{
    using namespace OptionValues;
    Effects effects;
    effects.PageButtonsEnabled = !aChoices.IsDirectPipe;

    switch (aChoices.CSDigitMode) {
    case CSDigitMode::Forbidden:
        effects.CsERoosTextEnabled = false;
        effects.CsOtherTextEnabled = false;
        break;
    case CSDigitMode::OrdinaryOnly:
        effects.CsERoosTextEnabled = false;
        effects.CsOtherTextEnabled = true;
        break;
    case CSDigitMode::OrdinaryThenERoos:
    case CSDigitMode::ERoosThenOrdinary:
        effects.CsERoosTextEnabled = true;
        effects.CsOtherTextEnabled = true;
        break;
    default:
        break;
    }

    effects.CsSpacedOutTextEnabled = aChoices.CSSpacedOutMode == CSSpaceOutMode::OwnFont;

    switch (aChoices.RusMode) {
    case RusMode::CodePage1251:
        effects.RuText = SelectorLook{fcCyrillicCodePage, QStringLiteral("Образец")};
        break;
    case RusMode::Roos:
        effects.RuText = SelectorLook{fcRoos, kRoosSample};
        break;
    case RusMode::Unicode:
        effects.RuText = SelectorLook{fcCyrillicUnicode, QStringLiteral("Въ &#473;&#475;міа&#301;м&#463;")};
        break;
    default:
        break;
    }

    switch (aChoices.GreekMode) {
    case GreekMode::CodePage1253:
        effects.GrText = SelectorLook{fcGreekCodePage, QStringLiteral("&#395;&#3bd; &#3b1;&#3c1;&#3c7;&#3ae;")};
        break;
    case GreekMode::Unicode:
        effects.GrText = SelectorLook{fcGreekExtended, kGreekUnicodeSample};
        break;
    default:
        break;
    }

    effects.BotFtnColorEnabled = aChoices.FtnBottMode == FtnImpl::InText;
    effects.FldFtnColorEnabled = aChoices.FtnMargMode == FtnImpl::InText;
    effects.ErrTextEnabled = aChoices.ErrMode == ErrorMode::InErrorFont;
    return effects;
}

} // namespace OptionsRefreshRules
