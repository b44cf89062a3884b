// What list and show print, as text for people and as JSON for scripts.
#pragma once

#include <string>
#include <vector>

#include "calibmemory.h"
#include "desktop.h"
#include "panelcore.h"

namespace ctl {

// The screens the device library found: the count it reported and the paths
// of the entries that count covers (at most 24).
struct ScreenList {
    int count = 0;
    std::vector<std::string> paths; // UTF-8
};

// Everything show reads about one screen.
struct ScreenState {
    std::string devicePath; // UTF-8
    panel::TouchParams touch;
    bool hasOutputMode = false;
    int outputMode = 0;
    // The double-click settings in the registry (text values); absent when
    // the key or value is missing or not text.
    bool hasRegistryRange = false;
    int registryRange = 0;
    bool hasRegistrySpeed = false;
    int registrySpeed = 0;
    // What the running system uses now.
    int systemSpeed = 0;
    int systemWidth = 0;
    int systemHeight = 0;
    // The calibration the tools remember for this screen (show only), and
    // the displays as they stand now, to tell what changed since.
    bool hasRemembered = false;
    RememberedCalibration remembered;
    DesktopLayout layout;
};

std::string ListText(const ScreenList& list);
std::string ListJson(const ScreenList& list);
std::string ShowText(const ScreenState& state);
std::string ShowJson(const ScreenState& state);

// A remembered calibration as a JSON object whose members stand one level in
// (as a member of a report's object), `more` members added at its end (each
// starting ",\n    ").
std::string RememberedCalibrationJson(const RememberedCalibration& entry,
                                      const std::string& more = "");

// A JSON string literal: quoted, with \ " and control characters escaped.
std::string JsonString(const std::string& text);
// {"x": 0, "y": 0, "width": 1024, "height": 768}
std::string RectJson(const VEL_CALIB_RECT& rect);
// A coefficient as the reports write it: nine significant digits.
std::string Real(double value);
// Pixels with two decimals.
std::string Pixels(double value);
// The record a device took: "hd", "16-bit" or "none".
const char* RecordName(uint32_t nRecord);

} // namespace ctl
