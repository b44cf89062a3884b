#include "calibview.h"

#include <climits>

int32_t LogicalToPixel(int32_t nLogical, int32_t nExtent) {
    // |v·extent| < 2^62: the product cannot overflow in 64 bits.
    const int64_t nPixel = static_cast<int64_t>(nLogical) * nExtent / LOGICAL_EXTENT;
    if (nPixel > INT32_MAX)
        return INT32_MAX;
    if (nPixel < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(nPixel);
}

TargetColour ColourOfTarget(int32_t nIndex, int32_t nCurrent, bool bStable) {
    if (nIndex != nCurrent) {
        return cNotStep;
    }
    return bStable ? cSteped : cSteping;
}

TargetColour ColourOfCheck(bool bStable) {
    return bStable ? cSteped : cChecking;
}
