// Where a calibration runs on the desktop, and what the device's range
// covers there, without a window: the display the window covers, the
// rectangle the device's logical range 0…32767 is taken to cover (its
// "space"), each target's logical value in that space, and, from the verify
// touches, the rectangle the range evidently covers.
//
// Targets are kept in logical units relative to the window's display, which
// is where the window draws them; the fit, the residuals and the check
// errors take them in the space. A run on the primary display in the primary
// space takes every target as it is.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#define VELCALIB_TYPES_ONLY
#include "velcalib.h"
#undef VELCALIB_TYPES_ONLY

#include "calibmatrix.h"

// The displays as the system enumerates them and the virtual desktop, in
// desktop pixels (the primary display's top left is 0,0).
struct DesktopLayout {
    std::vector<VEL_CALIB_RECT> displays; // display N at [N - 1]
    uint32_t nPrimary = 1;                // which display is the primary (1…N)
    VEL_CALIB_RECT desktop = {0, 0, 0, 0};
};

// Where a run takes place.
struct RunPlace {
    uint32_t nDisplay = 1;                     // the display the window covers, 1…N
    uint32_t nSpace = VEL_CALIB_SPACE_PRIMARY; // VEL_CALIB_SPACE
    VEL_CALIB_RECT window = {0, 0, 0, 0};      // that display's rectangle
    VEL_CALIB_RECT space = {0, 0, 0, 0};       // the rectangle of the space
    uint32_t nPrimary = 1;                     // the layout's primary display
};

// "x,y WxH".
std::string RectText(const VEL_CALIB_RECT& rect);

// "primary", "display", "desktop" (velctl's --space words); "" for another value.
const char* SpaceName(uint32_t nSpace);

// Places a run: nDisplay 0 is the primary. "" with place filled, or why the
// run cannot take place there: a display the layout does not have, or
// targets (any of pTargets, logical relative to the display) that would lie
// outside the device's range in that space; the message names the space to
// choose instead.
std::string PlaceRun(const DesktopLayout& layout, uint32_t nDisplay, uint32_t nSpace,
                     const CalibPoint* pTargets, int nTargets, RunPlace& place);

// The desktop pixel a target is drawn at (logical, relative to the window).
CalibPoint TargetPixel(const CalibPoint& target, const VEL_CALIB_RECT& window);

// A target's logical value in the run's space: 32768 · (P − R.origin) / R.size
// for the target's desktop point P (window origin + target · window size /
// 32768, the point the window draws it at), rounded; when the space is the
// window's own display, the target itself.
CalibPoint ToSpace(const CalibPoint& target, const RunPlace& place);

// What the verify touches show.
struct Diagnosis {
    uint32_t nCode = VEL_CALIB_DIAGNOSIS_NONE; // VEL_CALIB_DIAGNOSIS
    uint32_t nDisplay = 0;                     // VEL_CALIB_DIAGNOSIS_DISPLAY: which
    VEL_CALIB_RECT rect = {0, 0, 0, 0};        // the rectangle the range evidently covers
};

// Fits per axis the scale and offset that take the verify targets to where
// the pointer went and carries the space's rectangle through it: the
// rectangle the device's range evidently covers, named when it is (within a
// few pixels) the primary display, another display or the virtual desktop,
// else UNKNOWN. UNKNOWN with an empty rectangle when the points cannot fit
// an axis (fewer than two distinct targets on it).
Diagnosis Diagnose(const DesktopLayout& layout, const RunPlace& place,
                   const VEL_CALIB_VERIFY_POINT* pPoints, int nPoints);
