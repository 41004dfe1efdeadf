#pragma once
#include <QString>

#include <functional>

// The font dialog's warning box.
namespace miCommon {

// A modal warning box with an OK button; the mouse pointer is the arrow while it is shown and
// what it was before afterwards.
void ShowWarning(const QString& aMessage, const QString& aCaption);

// Shows the box of ShowWarning: the real message box in the program, a recorder in tests
// (through ScopedOverride).
using WarningPresenter = std::function<void(const QString& aMessage, const QString& aCaption)>;
WarningPresenter& warningPresenter();

} // namespace miCommon
