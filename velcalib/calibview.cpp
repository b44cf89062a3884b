#include "calibview.h"

namespace {
const int32_t LOGICAL_EXTENT = 32768;
}

int32_t LogicalToPixel(int32_t nLogical, int32_t nExtent) {
    return nLogical * nExtent / LOGICAL_EXTENT;
}

TargetColour ColourOfTarget(int32_t nIndex, int32_t nCurrent, bool bStable) {
    if (nIndex != nCurrent) {
        return cNotStep;
    }
    return bStable ? cSteped : cSteping;
}
