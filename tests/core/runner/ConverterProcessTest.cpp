// The converter process's ending rule and its timing, over a process whose end is scripted in time.
#include "core/runner/ConverterProcess.h"
#include "platform/Process.h"
#include "platform/Services.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

using namespace miKezConverterRunner;
using Clock = std::chrono::steady_clock;

namespace {

// A converter that, asked to end, tidies up for a while and ends, or never heeds the request;
// ended at once, it ends then. Notes when it was asked and when it was ended at once.
class TimedProcess : public platform::Process {
public:
    TimedProcess(std::optional<std::chrono::milliseconds> aTidying, bool aCanBeAsked = true)
        : mTidying(aTidying), mCanBeAsked(aCanBeAsked)
    {
    }

    platform::StartResult start(const std::string&) override { return {77, 0, {}}; }
    platform::ProcessHandle open(std::uint32_t, std::uint32_t) override { return 5; }
    bool setPriorityClass(platform::ProcessHandle, std::uint32_t) override { return true; }
    std::uint32_t priorityClass(platform::ProcessHandle) override { return platform::PriorityClass::Idle; }
    std::uint32_t wait(platform::ProcessHandle, std::uint32_t aTimeoutMs) override
    {
        std::unique_lock lock(mMutex);
        const auto deadline = aTimeoutMs == platform::kInfinite ? Clock::time_point::max()
                                                                 : Clock::now() + std::chrono::milliseconds(aTimeoutMs);
        while (!endedLocked() && Clock::now() < deadline) {
            if (mEndsAt)
                mChanged.wait_until(lock, std::min(deadline, *mEndsAt));
            else if (deadline == Clock::time_point::max())
                mChanged.wait(lock);
            else
                mChanged.wait_until(lock, deadline);
        }
        return endedLocked() ? platform::kWaitObject0 : platform::kWaitTimeout;
    }
    bool exitCode(platform::ProcessHandle, std::uint32_t& aCode) override
    {
        const std::lock_guard lock(mMutex);
        aCode = !endedLocked() ? platform::kStillActive : terminatedAt ? 1 : 0;
        return true;
    }
    bool requestEnd(platform::ProcessHandle) override
    {
        const std::lock_guard lock(mMutex);
        if (!mCanBeAsked || endedLocked())
            return false;
        askedAt = Clock::now();
        if (mTidying && !mEndsAt)
            mEndsAt = *askedAt + *mTidying;
        mChanged.notify_all();
        return true;
    }
    bool terminate(platform::ProcessHandle, std::uint32_t) override
    {
        const std::lock_guard lock(mMutex);
        if (endedLocked())
            return false;
        terminatedAt = Clock::now();
        mEndsAt = *terminatedAt;
        mChanged.notify_all();
        return true;
    }
    bool close(platform::ProcessHandle) override { return true; }

    std::optional<Clock::time_point> askedAt;
    std::optional<Clock::time_point> terminatedAt;

private:
    bool endedLocked() const { return mEndsAt && Clock::now() >= *mEndsAt; }

    std::optional<std::chrono::milliseconds> mTidying;
    bool mCanBeAsked;
    std::optional<Clock::time_point> mEndsAt;
    std::mutex mMutex;
    std::condition_variable mChanged;
};

constexpr auto kGrace = std::chrono::milliseconds(ConverterProcess::kEndGraceMs);
// How long a converter tidies up after the request: well within the grace a converter needs.
constexpr auto kTidying = std::chrono::milliseconds(300);

// Waits in short steps, ending the converter by its rule, as the window and kezconv do.
void EndWhileWaiting(ConverterProcess& aConverter)
{
    EXPECT_TRUE(aConverter.End()) << "the first request asks";
    while (!aConverter.WaitFor(10))
        aConverter.End();
}

} // namespace

// One that tidies up within the grace keeps its own end: no end at once cuts its tidying short.
TEST(ConverterProcessTest, OneThatEndsWithinTheGraceAfterTheRequestIsNotEndedAtOnce)
{
    for (const bool atExit : {false, true}) {
        TimedProcess process(kTidying);
        const platform::ScopedService<platform::Process> use(process);
        ConverterProcess converter;
        converter.Start(QStringLiteral("kezcc -c"));
        EXPECT_TRUE(converter.IsRunning());
        EXPECT_TRUE(IsConverterRunning());
        EXPECT_FALSE(converter.WaitFor(0));
        if (atExit) {
            converter.EndAndWait();
        } else {
            EndWhileWaiting(converter);
        }
        EXPECT_TRUE(converter.WasEnded());
        EXPECT_TRUE(process.askedAt.has_value());
        EXPECT_FALSE(process.terminatedAt.has_value()) << "ended at once within the grace";
        EXPECT_EQ(converter.Finish(), 0);
        EXPECT_FALSE(IsConverterRunning());
        EXPECT_FALSE(IsConverterBeingEnded());
    }
}

// One that ignores the request is ended at once, but only once the grace is over; so is one whose
// object goes while it still runs.
TEST(ConverterProcessTest, OneThatIgnoresTheRequestIsEndedAtOnceAfterTheGrace)
{
    for (const int how : {0, 1, 2}) {
        TimedProcess process(std::nullopt);
        const platform::ScopedService<platform::Process> use(process);
        {
            ConverterProcess converter;
            converter.Start(QStringLiteral("kezcc -c"));
            if (how == 0) {
                EndWhileWaiting(converter);
            } else if (how == 1) {
                converter.EndAndWait();
            }
            // how == 2: the object goes with the converter still running.
            if (how != 2) {
                EXPECT_TRUE(converter.WasEnded());
                EXPECT_EQ(converter.Finish(), 1);
            }
        }
        ASSERT_TRUE(process.askedAt.has_value()) << how;
        ASSERT_TRUE(process.terminatedAt.has_value()) << how;
        EXPECT_GE(*process.terminatedAt - *process.askedAt, kGrace) << how;
        EXPECT_LT(*process.terminatedAt - *process.askedAt, kGrace + std::chrono::seconds(20)) << how;
        EXPECT_FALSE(IsConverterRunning());
    }
}

// Where the system has no polite request, the first step ends it at once.
TEST(ConverterProcessTest, WhereNothingCanBeAskedItIsEndedAtOnce)
{
    TimedProcess process(kTidying, false);
    const platform::ScopedService<platform::Process> use(process);
    ConverterProcess converter;
    converter.Start(QStringLiteral("kezcc -c"));
    EXPECT_TRUE(converter.End());
    EXPECT_TRUE(process.terminatedAt.has_value());
    EXPECT_TRUE(converter.WaitFor(0));
    EXPECT_TRUE(converter.WasEnded());
    EXPECT_EQ(converter.Finish(), 1);
}
