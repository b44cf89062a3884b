// Calib on a computer with several displays: the options it hands the
// calibration library, and the box that tells the user how the run ended.
//
// The run finds the display by a touch, calibrates there in the display's
// own space and verifies with five touches; the library tries the primary
// display's or the desktop's space when the touches show the driver maps
// the touch screen there. The box names the display and the largest verify
// error, or what to change when the driver maps the touch screen to a
// rectangle no space can calibrate for, or what went wrong otherwise.
#pragma once

#include <string>
#include <vector>

#define VELCALIB_TYPES_ONLY
#include "velcalib.h"
#undef VELCALIB_TYPES_ONLY

namespace panel {

// The verify touches Calib asks for.
const uint32_t kCalibVerifyPoints = 5;

// Calib's options: four targets, the display found by a touch, the space
// found by the verify step, five verify points; the rest as the library's
// defaults.
VEL_CALIB_OPTIONS SeveralDisplaysCalibOptions();

struct CalibMessage {
    unsigned nString = 0;           // IDS_CALIB_* of resource.h; 0: no box
    std::vector<std::wstring> args; // %1, %2, … in their order
    bool bWarning = false;          // something is left to do
    unsigned nAppend = 0;           // a sentence after it (IDS_CALIB_*), or 0
};

// The box after a run: none when the user or another program ended it, or
// when another run was going on (a second click during a run).
CalibMessage CalibOutcomeMessage(const VEL_CALIB_RESULT& result);

} // namespace panel
