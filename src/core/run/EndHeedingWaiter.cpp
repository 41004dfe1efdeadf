#include "core/run/EndHeedingWaiter.h"

#include <utility>

EndHeedingWaiter::EndHeedingWaiter(std::function<bool()> aEndAsked) : mEndAsked(std::move(aEndAsked)) {}

RunWaiter::Waited EndHeedingWaiter::Wait(miKezConverterRunner::ConverterProcess& aConverter)
{
    Waited waited;
    while (!aConverter.WaitFor(kStepMs)) {
        if (mEndAsked()) {
            aConverter.End();
            waited.endedOnRequest = true;
        }
    }
    return waited;
}
