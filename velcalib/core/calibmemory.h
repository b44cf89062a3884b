// What the tools remember of the calibration they last wrote to each touch
// screen, without a window: per device path, the display it was made on (by
// an identity that survives renumbering), the space, how the display stood
// (rectangle, orientation, DPI), how the run ended, its accuracy, the set
// written and the date; and how that display stands now.
//
// The file is text, one section per device:
//
//   [\\?\HID#VID_0EEF&PID_0001#7&1a2b#{4d1e55b2-f16f-11cf-88cb-001111000030}]
//   display = \\?\DISPLAY#ABC1234#5&2f1#0#{e6f07b5f-ee97-4a90-b076-33f57bf4eaa7}
//   displayName = \\.\DISPLAY2
//   ...
//
// Unknown keys are left out on reading, so a later version may add some.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#define VELCALIB_TYPES_ONLY
#include "velcalib.h"
#undef VELCALIB_TYPES_ONLY

#include "desktop.h"

struct RememberedCalibration {
    std::string device;      // the device path, UTF-8
    std::string display;     // the display's identity (DisplayInfo::identity)
    std::string displayName; // its device name then, \\.\DISPLAY2
    uint32_t nDisplay = 0;   // its number then
    VEL_CALIB_RECT rect = {0, 0, 0, 0};
    int orientation = -1; // degrees clockwise; -1 unknown
    int dpi = 0;
    uint32_t nSpace = VEL_CALIB_SPACE_PRIMARY;
    VEL_CALIB_RECT space = {0, 0, 0, 0};
    uint32_t nOutcome = VEL_CALIB_APPLIED; // VEL_CALIB_OUTCOME
    uint32_t nVerifyPoints = 0;
    double dVerifyMeanPx = 0.0, dVerifyMaxPx = 0.0;
    double dCheckMaxPx = 0.0;
    uint32_t nRecord = VEL_CALIB_RECORD_NONE; // the record the device took
    float fCoefficients[8] = {};
    int16_t nCoefficients[8] = {};
    std::string date; // UTC, 2026-12-09T21:04:05Z
};

// The calibrations remembered, in the file's order; lines that do not parse
// are left out (pProblems, when given, gets "line N: ..." for each).
std::vector<RememberedCalibration> ParseMemory(const std::string& text,
                                               std::vector<std::string>* pProblems = nullptr);
std::string FormatMemory(const std::vector<RememberedCalibration>& memory);

// The one remembered for a device (paths compare without regard to case), or
// null.
const RememberedCalibration* Recall(const std::vector<RememberedCalibration>& memory,
                                    const std::string& device);
// Puts a device's calibration in place of the one remembered for it; the
// entry as it now stands in memory.
RememberedCalibration& Remember(std::vector<RememberedCalibration>& memory,
                                const RememberedCalibration& entry);

// What a run that wrote a record leaves to remember: its place, outcome and
// set, the display's identity and standing from the layout it ran on.
RememberedCalibration RememberRun(const std::string& device, const DesktopLayout& layout,
                                  const VEL_CALIB_RESULT& result, const std::string& date);

// The display of a remembered calibration in a layout: the one of the same
// identity, else of the same device name; 0 when neither is there.
uint32_t FindRemembered(const DesktopLayout& layout, const RememberedCalibration& entry);

// How the remembered display stands now.
struct DisplayChange {
    uint32_t nDisplay = 0; // its number now; 0: gone
    bool gone = false;
    bool moved = false;    // its rectangle's origin changed
    bool resized = false;  // its size changed (a turn changes it too)
    bool turned = false;   // its orientation changed
    bool rescaled = false; // its DPI changed
    bool renumbered = false;
    bool Any() const { return gone || moved || resized || turned || rescaled; }
};
DisplayChange CompareWithLayout(const RememberedCalibration& entry, const DesktopLayout& layout);

// What changed, in words, one sentence each (none when nothing did):
// "display 2 (\\.\DISPLAY2), calibrated 2026-12-09T21:04:05Z, is gone",
// "... was -600,0 600x800 and is 1024,0 600x800", "... was turned 0 degrees
// and is turned 90", "... was at 96 DPI and is at 144".
std::vector<std::string> ChangeTexts(const RememberedCalibration& entry,
                                     const DisplayChange& change, const DesktopLayout& layout);

// The words of an outcome: "verified", "verify failed", ...; "?" for none.
const char* OutcomeWord(uint32_t nOutcome);
