#pragma once
#include "platform/Process.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>

namespace miKezConverterRunner {

class ConverterProcess;

// How the time passes while the converter runs. The waiter waits for its end through
// aConverter.WaitFor (which blocks until it has ended or the time given has passed; kInfinite
// waits to the end) and may end it meanwhile through aConverter.End. A waiter may wait a while
// itself, then go on waiting elsewhere and keep its own events flowing meanwhile, but returns only
// once the converter has ended. Without one (empty), the calling thread simply blocks.
using ConverterWaiter = std::function<void(ConverterProcess& aConverter)>;

// One converter process: started hidden, at idle priority, in a group of its own, and ended by the
// one rule of the program: asked politely (so that it can remove what it has half written), then,
// kEndGraceMs later, ended at once. One still running when the object goes or the program exits
// (a library ending it from inside the waiter's events) is ended by the same rule rather than left
// running on its own.
class ConverterProcess {
public:
    // How long a converter asked to end gets before it is ended at once.
    static constexpr std::uint32_t kEndGraceMs = 1000;

    ConverterProcess() = default;
    ~ConverterProcess();
    ConverterProcess(const ConverterProcess&) = delete;
    ConverterProcess& operator=(const ConverterProcess&) = delete;

    // Starts the command line. A failure to start, or a process that cannot be waited for, is a
    // run-time failure carrying the description.
    void Start(const QString& aCommandLine);

    // True once the converter has ended, false while it still runs after aTimeoutMs. Safe while
    // another thread ends it.
    bool WaitFor(std::uint32_t aTimeoutMs);

    // Its exit code once it has ended; lets go of it.
    qint32 Finish();

    // Started, not finished and nobody asked it to end.
    bool IsRunning() const { return mHandle != 0 && !mAsked; }
    // Asked to end and not finished yet.
    bool IsBeingEnded() const { return mHandle != 0 && mAsked; }
    // It was asked to end: whatever it left behind is no reply.
    bool WasEnded() const { return mAsked; }

    // The ending rule, one step at a time: the first call asks the converter to end (where the
    // system has no such request, it is ended at once); a call kEndGraceMs or more after that ends
    // it at once; calls in between do nothing. True when this call asked or ended it.
    bool End();

    // Ends it by the rule and waits until it has ended.
    void EndAndWait();

private:
    bool GraceOver() const;

    platform::Process* mProcess = nullptr;
    platform::ProcessHandle mHandle = 0;
    bool mAsked = false;
    bool mEndedNow = false;
    std::chrono::steady_clock::time_point mAskedAt;
};

// True while a converter of this program runs and nobody asked it to end.
bool IsConverterRunning();
// True while a converter of this program was asked to end and has not ended yet.
bool IsConverterBeingEnded();

} // namespace miKezConverterRunner
