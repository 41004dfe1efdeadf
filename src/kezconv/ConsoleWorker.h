#pragma once

// One worker process of kezconv: converts the files it is sent through its own private hand-over
// store (the runtime folder kezconv gave it, which its converters inherit) and replies with each
// result. Ends when its input ends. Asked to end (SIGTERM), or left behind by a kezconv that was
// killed, it ends the converter at work (see EndHeedingWaiter). Returns the exit code.
int RunWorker();
