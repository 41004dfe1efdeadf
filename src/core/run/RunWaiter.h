#pragma once
#include "core/runner/ConverterProcess.h"

#include <functional>

// How the run engine passes the time while a converter works, given to it by whoever drives it:
// the window keeps its events flowing, kezconv waits in short steps and heeds its end requests.
// The engine calls Wait for each converter; the rest serves a whole run over the waiting files
// and does nothing unless the waiter keeps a driver's events flowing.
class RunWaiter {
public:
    // What became of a wait besides the converter's end.
    struct Waited {
        // The waiter ended the converter because the user asked it to: the file was interrupted.
        bool endedOnRequest = false;
        // The driver can wait no longer (its events cannot run: it is quitting): the run closes.
        bool closing = false;
    };

    RunWaiter() = default;
    virtual ~RunWaiter() = default;
    RunWaiter(const RunWaiter&) = delete;
    RunWaiter& operator=(const RunWaiter&) = delete;

    // Returns once aConverter has ended; may end it meanwhile by its rule.
    virtual Waited Wait(miKezConverterRunner::ConverterProcess& aConverter) = 0;

    // A run's files begin and end: in between, converters are waited for the run's way.
    virtual void RunBegins() {}
    virtual void RunEnds() {}
    // After each file of a run: the driver's events run when they are due.
    virtual void BetweenFiles() {}
    // The run is about to wait elsewhere with the driver's events flowing (for its turn), and has.
    virtual void EventsWillRun() {}
    virtual void EventsRan() {}
    // The driver is closing (true) or its runs have ended (false): a converter that goes on working
    // long after a close is ended.
    virtual void SetClosing(bool /*aClosing*/) {}
    // Ends the converter being waited for, when one still works and aConfirm agrees.
    virtual void EndConverter(const std::function<bool()>& /*aConfirm*/) {}
};
