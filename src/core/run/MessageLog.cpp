#include "core/run/MessageLog.h"

#include "core/common/LineBreak.h"

namespace {

// Line ends as a viewer shows them: CR LF, a lone CR and a lone LF each as one "\n". A message
// ending in a lone CR meets the CR LF after it: as they stand, a text box would take the two for
// one line end.
QString shownForm(const QString& aText)
{
    QString shown = aText;
    shown.replace(kCrLf, QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}
} // namespace

void MessageLog::Add(const QString& aMessage)
{
    // The log always ends with CR LF, so the pair can never be split between old text and new.
    const QString added = aMessage + kCrLf;
    const QString shown = shownForm(added);
    mText += added;
    mPairs += added.count(kCrLf);
    qsizetype drop = 0;
    if (mText.size() > kLimit) {
        const qsizetype cut = mText.size() - kLimit;
        // Counted in what goes, not in the whole log: a full log loses about what it gains.
        qsizetype lost = QStringView(mText).left(cut).count(kCrLf);
        // A cut through a CR LF leaves its LF in front, shown as a line end of its own.
        if (mText.at(cut - 1) == QLatin1Char('\r') && mText.at(cut) == QLatin1Char('\n'))
            ++lost;
        mText.remove(0, cut);
        mPairs -= lost;
        const qsizetype remaining = mText.size() - mPairs;
        drop = mShownLength + shown.size() - remaining;
        mShownLength = remaining;
    } else {
        mShownLength += shown.size();
    }
    emit Appended(shown, drop);
}
