#include "app/MessageLog.h"

namespace {
const QString kCrLf = QStringLiteral("\r\n");

// Line ends as a viewer shows them: CR LF as one "\n", a lone CR or LF as it stands.
QString shownForm(const QString& aText)
{
    QString shown = aText;
    shown.replace(kCrLf, QStringLiteral("\n"));
    return shown;
}
} // namespace

void MessageLog::Add(const QString& aMessage)
{
    // The log always ends with CR LF, so the pair can never be split between old text and new.
    const QString added = aMessage + kCrLf;
    const QString shown = shownForm(added);
    mText += added;
    qsizetype drop = 0;
    if (mText.size() > kLimit) {
        mText.remove(0, mText.size() - kLimit);
        // A cut through a CR LF leaves its LF in front, shown as a line end of its own.
        const qsizetype remaining = mText.size() - mText.count(kCrLf);
        drop = mShownLength + shown.size() - remaining;
        mShownLength = remaining;
    } else {
        mShownLength += shown.size();
    }
    emit Appended(shown, drop);
}
