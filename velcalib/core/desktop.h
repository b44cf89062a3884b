// The displays of the desktop, without a window: one type for the
// calibration library and velctl, and the one rule that numbers them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#define VELCALIB_TYPES_ONLY
#include "velcalib.h"
#undef VELCALIB_TYPES_ONLY

// One display, in desktop pixels (the primary display's top left is 0,0).
struct DisplayInfo {
    std::string device;                 // UTF-8, e.g. \\.\DISPLAY1
    std::string identity;               // the monitor's device interface name, else device
    uintptr_t monitor = 0;              // the system's handle of it (an HMONITOR)
    VEL_CALIB_RECT rect = {0, 0, 0, 0}; // the whole display
    VEL_CALIB_RECT work = {0, 0, 0, 0}; // the work area: without the taskbar and docked bars
    bool primary = false;
    int orientation = 0; // degrees clockwise: 0, 90, 180 or 270; -1 unknown
    int dpi = 96;        // the effective DPI
};

// The displays in their numbers and the virtual desktop.
struct DesktopLayout {
    std::vector<DisplayInfo> displays; // display N at [N - 1]
    uint32_t nPrimary = 1;             // which display is the primary (1…N)
    VEL_CALIB_RECT desktop = {0, 0, 0, 0};

    // Display n's rectangle (1…N).
    const VEL_CALIB_RECT& Rect(uint32_t n) const { return displays[n - 1].rect; }
};

// One monitor as the system enumerates it: its information, or none when
// the system could not give it.
struct EnumeratedMonitor {
    bool bKnown = false;
    DisplayInfo info;
};

// The numbering rule: the monitors in the order the system enumerates them,
// those whose information the system could not give left out; display N is
// the Nth of the rest, the primary the one flagged so (else display 1).
DesktopLayout NumberDisplays(const std::vector<EnumeratedMonitor>& monitors,
                             const VEL_CALIB_RECT& desktop);

// Degrees of the system's orientation code (0 to 3, in quarter turns); -1
// for any other.
int OrientationDegrees(unsigned long code);

// "x,y WxH": how every text shows a rectangle.
std::string RectText(const VEL_CALIB_RECT& rect);
// A number as texts and files keep it: "%.9g" (a single-precision value
// comes back exactly), and pixels with two decimals.
std::string RealText(double value);
std::string PixelText(double value);
