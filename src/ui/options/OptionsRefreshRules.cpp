#include "ui/options/OptionsRefreshRules.h"

namespace OptionsRefreshRules {

const QString kGreekUnicodeSample = QStringLiteral("&#1f18;&#3BD; &#1F00;&#3C1;&#3C7;&#1FC7;");

namespace {
// "Въ ќџміањмћ": the pre-reform phrase in the letters whose places the ROOS fonts reuse.
const QString kRoosSample = QString::fromUtf16(
    u"\u0412\u044A\u0020\u045C\u045F\u043C\u0456\u0430\u045A\u043C\u045B");
} // namespace

Effects Compute(const Choices& aChoices)
{
    Effects effects;
    effects.PageButtonsEnabled = !aChoices.IsDirectPipe;

    switch (aChoices.CSDigitMode) {
    case 0:
        effects.CsERoosTextEnabled = false;
        effects.CsOtherTextEnabled = false;
        break;
    case 1:
        effects.CsERoosTextEnabled = false;
        effects.CsOtherTextEnabled = true;
        break;
    case 2:
    case 3:
        effects.CsERoosTextEnabled = true;
        effects.CsOtherTextEnabled = true;
        break;
    default:
        break;
    }

    effects.CsSpacedOutTextEnabled = aChoices.CSSpacedOutMode == 3;

    switch (aChoices.RusMode) {
    case 0:
        effects.RuText = SelectorLook{fcCyrillicCodePage, QStringLiteral("Образец")};
        break;
    case 1:
        effects.RuText = SelectorLook{fcRoos, kRoosSample};
        break;
    case 2:
        effects.RuText = SelectorLook{fcCyrillicUnicode, QStringLiteral("Въ &#473;&#475;міа&#301;м&#463;")};
        break;
    default:
        break;
    }

    switch (aChoices.GreekMode) {
    case 0:
        effects.GrText = SelectorLook{fcGreekCodePage, QStringLiteral("&#395;&#3bd; &#3b1;&#3c1;&#3c7;&#3ae;")};
        break;
    case 1:
        effects.GrText = SelectorLook{fcGreekExtended, kGreekUnicodeSample};
        break;
    default:
        break;
    }

    effects.BotFtnColorEnabled = aChoices.FtnBottMode == 1;
    effects.FldFtnColorEnabled = aChoices.FtnMargMode == 1;
    effects.ErrTextEnabled = aChoices.ErrMode == 1;
    return effects;
}

} // namespace OptionsRefreshRules
