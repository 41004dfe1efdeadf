#pragma once
#include <utility>

// Puts a substitute in place of a value for the lifetime of the guard, and puts the previous one
// back however the scope ends. Mostly a replaceable procedure (how a dialog, a message box or the
// error window is shown): the Qt-side counterpart of platform::ScopedService, each such seam
// giving access to its current procedure through a function returning a reference; also a state
// that holds only while a scope runs.
template <class Procedure>
class ScopedOverride {
public:
    ScopedOverride(Procedure& aSeam, Procedure aSubstitute)
        : mSeam(aSeam), mPrevious(std::exchange(aSeam, std::move(aSubstitute)))
    {
    }
    ~ScopedOverride() { mSeam = std::move(mPrevious); }
    ScopedOverride(const ScopedOverride&) = delete;
    ScopedOverride& operator=(const ScopedOverride&) = delete;

private:
    Procedure& mSeam;
    Procedure mPrevious;
};
