#pragma once
#include "core/errors/KezError.h"

// The number of the failure aBody raises; 0 when it raises none.
template <class Body>
qint32 FailureNumberOf(Body&& aBody)
{
    try {
        aBody();
    } catch (const KezError& failure) {
        return failure.number();
    }
    return 0;
}
