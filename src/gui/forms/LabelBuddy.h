#pragma once

class QLabel;
class QWidget;

// Makes aBuddy the control of aLabel's mnemonic: the mnemonic moves the focus to it and does
// nothing else. Qt's own buddy also presses a button, so a label naming a check box would tick it.
void SetLabelBuddy(QLabel* aLabel, QWidget* aBuddy);
