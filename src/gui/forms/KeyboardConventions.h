#pragma once

class QLineEdit;
class QWidget;

// What a keyboard user of a form expects and Qt's widgets do not do by themselves.
namespace KeyboardConventions {

// Enter on a focused push button of aForm presses it, as Space does. Inside a dialog Qt does
// this already; a main window needs it.
void EnterPressesFocusedButtons(QWidget* aForm);

// In each group of radio buttons of aForm, Tab and Shift+Tab stop only on the ticked one (on
// every one while none is ticked); the arrow keys still move between them.
void TickedRadioIsTheTabStop(QWidget* aForm);

// Coming to a read-only field by Tab leaves its text unselected: the selection would hide what
// the field shows, such as the colour it is drawn in.
void NoSelectionOnTab(QLineEdit* aField);

} // namespace KeyboardConventions
