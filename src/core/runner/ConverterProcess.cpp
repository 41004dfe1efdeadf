#include "core/runner/ConverterProcess.h"
#include "core/errors/mErrorHandling.h"
#include "platform/Services.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace miKezConverterRunner {
namespace {

// Ended converters report this exit code; nothing reads it but a person looking at the process.
constexpr std::uint32_t kEndedExitCode = 1;
// How often EndAndWait looks whether the grace is over.
constexpr std::uint32_t kEndStepMs = 50;

// The converters started and not finished: the program's exit ends them, as nothing else will.
struct Started {
    std::mutex mutex;
    std::vector<ConverterProcess*> converters;
};
Started& started()
{
    static Started instance;
    return instance;
}

void EndStartedAtExit()
{
    std::vector<ConverterProcess*> converters;
    {
        const std::lock_guard lock(started().mutex);
        converters = started().converters;
    }
    for (ConverterProcess* converter : converters)
        converter->EndAndWait();
}

void Forget(ConverterProcess* aConverter)
{
    const std::lock_guard lock(started().mutex);
    auto& converters = started().converters;
    converters.erase(std::remove(converters.begin(), converters.end(), aConverter), converters.end());
}

template <class Test>
bool AnyStarted(Test aTest)
{
    const std::lock_guard lock(started().mutex);
    return std::any_of(started().converters.begin(), started().converters.end(),
                       [&](const ConverterProcess* aConverter) { return aTest(*aConverter); });
}

} // namespace

ConverterProcess::~ConverterProcess()
{
    if (mHandle == 0)
        return;
    EndAndWait();
    Finish();
}

void ConverterProcess::Start(const QString& aCommandLine)
{
    using namespace platform;
    Process& process = service<Process>();
    // After the service and the list, so that both are still there when the program's exit runs it.
    Started& list = started();
    static const bool endsAtExit = std::atexit(EndStartedAtExit) == 0;
    (void)endsAtExit;
    const StartResult result = process.start(aCommandLine.toStdString());
    // 2 is "not found" both as ENOENT and as ERROR_FILE_NOT_FOUND.
    if (!result.started())
        mErrorHandling::RaiseError(result.error == 2 ? KezErrorNumber::FileNotFound : KezErrorNumber::InvalidArgument,
                                   QString::fromStdString(result.description));

    constexpr std::uint32_t kWaitRights =
        ProcessAccess::Synchronize | ProcessAccess::QueryInformation | ProcessAccess::Terminate;
    ProcessHandle handle = process.open(kWaitRights | ProcessAccess::SetInformation, result.processId);
    if (handle != 0)
        process.setPriorityClass(handle, PriorityClass::Idle);
    else
        handle = process.open(kWaitRights, result.processId);
    // Waiting is all that matters now: a reply read while the converter still runs is no reply,
    // so a converter that cannot even be waited for is a failure to start it.
    if (handle == 0)
        handle = process.open(ProcessAccess::Synchronize, result.processId);
    if (handle == 0)
        mErrorHandling::RaiseError(KezErrorNumber::InvalidArgument,
                                   QStringLiteral("Нельзя дождаться окончания работы конвертера."));
    mProcess = &process;
    mHandle = handle;
    mAsked = false;
    mEndedNow = false;
    const std::lock_guard lock(list.mutex);
    list.converters.push_back(this);
}

bool ConverterProcess::WaitFor(std::uint32_t aTimeoutMs)
{
    // A wait that fails has nothing left to wait for.
    return mHandle == 0 || mProcess->wait(mHandle, aTimeoutMs) != platform::kWaitTimeout;
}

qint32 ConverterProcess::Finish()
{
    if (mHandle == 0)
        return 0;
    Forget(this);
    std::uint32_t code = 0;
    mProcess->exitCode(mHandle, code);
    mProcess->close(mHandle);
    mHandle = 0;
    return qint32(code);
}

bool ConverterProcess::End()
{
    if (mHandle == 0 || mEndedNow)
        return false;
    if (!mAsked) {
        // A polite request the system does not have is an end at once.
        const bool asked = mProcess->requestEnd(mHandle);
        mEndedNow = !asked && mProcess->terminate(mHandle, kEndedExitCode);
        mAsked = asked || mEndedNow;
        mAskedAt = std::chrono::steady_clock::now();
        return mAsked;
    }
    if (!GraceOver())
        return false;
    mEndedNow = mProcess->terminate(mHandle, kEndedExitCode);
    return mEndedNow;
}

bool ConverterProcess::GraceOver() const
{
    return mAsked && std::chrono::steady_clock::now() - mAskedAt >= std::chrono::milliseconds(kEndGraceMs);
}

void ConverterProcess::EndAndWait()
{
    // One that cannot even be asked cannot be waited for either.
    if (mHandle == 0 || (!End() && !mAsked))
        return;
    while (!WaitFor(kEndStepMs)) {
        if (mEndedNow) {
            WaitFor(kEndGraceMs); // collected here, not left to whoever inherits it
            return;
        }
        if (GraceOver() && !End())
            return;
    }
}

bool IsConverterRunning()
{
    return AnyStarted([](const ConverterProcess& aConverter) { return aConverter.IsRunning(); });
}

bool IsConverterBeingEnded()
{
    return AnyStarted([](const ConverterProcess& aConverter) { return aConverter.IsBeingEnded(); });
}

} // namespace miKezConverterRunner
