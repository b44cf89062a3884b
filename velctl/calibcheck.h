// What velctl check makes of the calibration the tools remember for a screen
// and the displays now: one status with its exit code, the changes in words,
// and the calibration that mends them; as text and as JSON.
#pragma once

#include <string>
#include <vector>

#include "calibmemory.h"
#include "desktop.h"

namespace ctl {

// The calibration that mends any change: the display found by a touch, the
// space by the verify touches. Its arguments after "velctl", and as a
// command a person types (with --device when one was named).
std::vector<std::string> MendArguments();
std::string MendCommand(const std::string& device = "");

struct CalibrationCheck {
    int exitCode = 0;        // cmdline.h: kExitOk, or 20 to 26
    const char* status = ""; // "unchanged", "not remembered", "moved", ...
    const char* meaning = "";
    std::string device;
    bool hasRemembered = false;
    RememberedCalibration remembered;
    std::vector<std::string> otherPaths; // path changed: those remembered
    DisplayChange change;
    DisplayInfo now; // the remembered display as it stands, unless gone
    std::vector<std::string> changes;
    std::string mend; // "" when nothing changed
};

// The first change found, in the order of the exit codes: nothing remembered
// (for no path, or for others only), the display gone, turned, resized,
// moved, at another DPI. bNameDevice: the mending command names the device.
CalibrationCheck CheckCalibration(const std::vector<RememberedCalibration>& memory,
                                  const std::string& device, const DesktopLayout& layout,
                                  bool bNameDevice = false);

std::string CheckText(const CalibrationCheck& check);
// calibration: the JSON of the calibration --calibrate ran, "" for none.
std::string CheckJson(const CalibrationCheck& check, const std::string& calibration = "");

} // namespace ctl
