#pragma once
#include <QString>
#include <QVariant>

#include <functional>

// Small helpers of the font dialog.
namespace miCommon {

// The value read as a number in the user's locale and rounded to a 32-bit integer, halves to
// the even neighbour; aDefault when it is empty, not a number or out of range.
qint32 GetLongOrDefault(const QVariant& aValue, qint32 aDefault);

// The same for a double.
double GetDoubleOrDefault(const QVariant& aValue, double aDefault);

// A modal warning box with an OK button; the mouse pointer is the arrow while it is shown and
// what it was before afterwards.
void ShowWarning(const QString& aMessage, const QString& aCaption);

// Shows the box of ShowWarning: the real message box in the program, a recorder in tests
// (through ScopedOverride).
using WarningPresenter = std::function<void(const QString& aMessage, const QString& aCaption)>;
WarningPresenter& warningPresenter();

} // namespace miCommon
