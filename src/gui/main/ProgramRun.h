#pragma once
#include <functional>

class QApplication;

// The whole program once main has found a display: Qt, its name and icon, Qt's Russian texts, the
// error window, ending on a logout or a signal, the main window with the files it is started with
// (CommandLineFiles) and its event loop. Returns the
// exit code. aWatch, when given, sees the application before anything is shown: the start-up
// benchmark starts the program through here as main does.
int RunProgram(int& argc, char** argv, const std::function<void(QApplication&)>& aWatch = {});
