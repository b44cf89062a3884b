// What calibrate prints of StartCalibrateEx's result, as text for people and
// as JSON for scripts, and the exit code of each outcome.
#pragma once

#include <string>

#define VELCALIB_TYPES_ONLY
#include "velcalib.h"
#undef VELCALIB_TYPES_ONLY

namespace ctl {

// The exit code of an outcome (cmdline.h): 0 when a calibration was written
// and, when asked, checked.
int CalibrationExitCode(uint32_t nOutcome);
// "applied", "checked", "check failed", ...
const char* OutcomeName(uint32_t nOutcome);

// The options tell the limit the checks were held to.
std::string CalibrationText(const VEL_CALIB_RESULT& result, const VEL_CALIB_OPTIONS& options);
std::string CalibrationJson(const VEL_CALIB_RESULT& result, const VEL_CALIB_OPTIONS& options);

} // namespace ctl
