#pragma once

class QApplication;

// Everything the program does once Qt is up: its name and icon, Qt's Russian texts, the error
// window, ending on a logout or a signal, the main window and its event loop. Returns the exit
// code. main and the start-up benchmark both start the program through it.
int RunProgram(QApplication& aApplication);
