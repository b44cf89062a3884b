// Scripts of a person at the simulated panel (the device folder's
// script.txt): each target touched at the centre of the pixel it is drawn
// at, the verify targets touched where the driver maps them, and the identify
// page touched once it shows on the panel's display.
#pragma once

#include <string>

#define VELCALIB_TYPES_ONLY
#include "velcalib.h"
#undef VELCALIB_TYPES_ONLY

namespace touchscript {

// The four targets of a window over `window` (desktop pixels), then a desk
// touch on each of the first nVerify verify targets (they wait until
// calibration mode is off).
std::string Targets(const VEL_CALIB_RECT& window, int nVerify);

// The identify page touched once it shows on the panel's display, then, in
// the next session, Targets(window, 5) and five more verify touches for a
// second round.
std::string ByTouch(const VEL_CALIB_RECT& window);

} // namespace touchscript
