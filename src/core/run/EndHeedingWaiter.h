#pragma once
#include "core/run/RunWaiter.h"

#include <cstdint>
#include <functional>

// The waiter of a process without a window (kezconv, its workers): waits for the converter in
// short steps and asks aEndAsked after each; once it says yes, the converter is ended by its rule
// (asked to end, which removes what it has half written, then ended at once after its grace), and
// the file counts as interrupted.
class EndHeedingWaiter : public RunWaiter {
public:
    static constexpr std::uint32_t kStepMs = 50;

    explicit EndHeedingWaiter(std::function<bool()> aEndAsked);

    Waited Wait(miKezConverterRunner::ConverterProcess& aConverter) override;

private:
    std::function<bool()> mEndAsked;
};
