#pragma once
#include "core/run/CommandLinePaths.h"

#include <QStringList>

class BrowserForm;

// The files and folders the program is started with: what a file manager passes when a file is
// opened with it, or what is typed after the program's name. They are the program's only
// command-line arguments.
namespace CommandLineFiles {

// Adds aPaths to the window's list as a drop of the same paths adds them: folders scanned,
// duplicates and the "*.kez" rule as for a drop, and the run started if it is to start at once.
// A path that names nothing is said so in the log and the others go on.
void Open(BrowserForm& aForm, const QStringList& aPaths);

} // namespace CommandLineFiles
