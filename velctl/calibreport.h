// What calibrate prints of StartCalibrateEx's result, as text for people and
// as JSON for scripts, and the exit code of each outcome.
#pragma once

#include <string>

#include "cmdline.h"
#include "displayspace.h"

#define VELCALIB_TYPES_ONLY
#include "velcalib.h"
#undef VELCALIB_TYPES_ONLY

namespace ctl {

// The exit code of an outcome (cmdline.h): 0 when a calibration was written
// and, when asked, checked.
int CalibrationExitCode(uint32_t nOutcome);
// "applied", "checked", "check failed", ...
const char* OutcomeName(uint32_t nOutcome);

// The options tell the limit the checks were held to; rememberedDate, the
// date of the calibration the tools remembered for the screen before the run
// (what a failed verify step puts back), "" when none or unknown.
std::string CalibrationText(const VEL_CALIB_RESULT& result, const VEL_CALIB_OPTIONS& options,
                            const std::string& rememberedDate = "");
std::string CalibrationJson(const VEL_CALIB_RESULT& result, const VEL_CALIB_OPTIONS& options,
                            const std::string& rememberedDate = "");

// Why a calibration with these options cannot take place on this desktop
// (a display the system lacks, a space whose range cannot reach the
// display's targets), as velctl says it before any window, naming the
// options that fit; "" when it can, or when only the run can tell (the
// display by touch, the auto space).
std::string PlaceRefusal(const VEL_CALIB_OPTIONS& options, const DesktopLayout& layout);
// The same as velctl says it: the command, the reason and where to look.
std::string PlaceMessage(const Invocation& invocation, const DesktopLayout& layout);

// What a failed verify step shows, in words a user can act on: which
// rectangle the screen's range evidently covers and which options match;
// after the auto space (which tried the spaces that reach the display), what
// to change in the mapping.
std::string DiagnosisText(const VEL_CALIB_RESULT& result, bool bAutoSpace = false);

// What identify prints: how it ended and the display touched, by its number,
// the device name the layout gives it, its rectangle, orientation and DPI.
std::string IdentifyText(const VEL_CALIB_RESULT& result, const DesktopLayout& layout);
std::string IdentifyJson(const VEL_CALIB_RESULT& result, const DesktopLayout& layout);

} // namespace ctl
