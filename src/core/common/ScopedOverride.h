#pragma once
#include <utility>

// Puts a substitute in place of a replaceable procedure (how a dialog, a message box or the
// error window is shown) for the lifetime of the guard, and puts the previous one back: the
// Qt-side counterpart of platform::ScopedService. Each such seam gives access to its current
// procedure through a function returning a reference.
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
