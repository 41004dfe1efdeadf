#pragma once

// One worker of kezconv: converts the files it is sent, one at a time, through its own private
// hand-over store (the runtime folder kezconv gave it, which its converters inherit), and replies
// with each result. Ends when its input ends. Asked to end (SIGTERM) while a converter works, it
// asks the converter to end, which removes what it has half written, ends it if it does not
// within the window's grace, and replies with the file's failure. Returns the exit code.
int RunWorker();
