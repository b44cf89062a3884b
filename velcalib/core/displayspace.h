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
//
// This file says what is wrong with a place or a calibration; the texts that
// tell a user which option to take are the callers' (velctl's).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#define VELCALIB_TYPES_ONLY
#include "velcalib.h"
#undef VELCALIB_TYPES_ONLY

#include "calibmatrix.h"
#include "desktop.h"

// The spaces, one row each: a new space is a value of VEL_CALIB_SPACE and a
// row here (velctl's help lists the words, the simulator's driver maps to it).
struct SpaceRow {
    uint32_t nSpace;   // VEL_CALIB_SPACE
    const char* name;  // its word: velctl's --space value and the JSON report's
    const char* words; // what a text calls its rectangle: "the primary display"
    // The rectangle it covers for a window on display nDisplay (1…N).
    VEL_CALIB_RECT (*rect)(const DesktopLayout& layout, uint32_t nDisplay);
    // How the diagnosis names a range found to cover that rectangle.
    uint32_t nDiagnosis; // VEL_CALIB_DIAGNOSIS
};

// The rows, in VEL_CALIB_SPACE order.
const std::vector<SpaceRow>& Spaces();
// The row of a space, or null for a value that is none.
const SpaceRow* FindSpace(uint32_t nSpace);
// The row of a space's word, or null.
const SpaceRow* FindSpace(const std::string& name);
// Its word; "" for a value that is no space.
const char* SpaceName(uint32_t nSpace);
// The spaces to choose from: their words, "primary, display or desktop", or
// with their values, "0 primary, 1 display or 2 desktop".
std::string SpaceChoices(bool bValues);

// Where a run takes place.
struct RunPlace {
    uint32_t nDisplay = 1;                     // the display the window covers, 1…N
    uint32_t nSpace = VEL_CALIB_SPACE_PRIMARY; // VEL_CALIB_SPACE
    VEL_CALIB_RECT window = {0, 0, 0, 0};      // that display's rectangle
    VEL_CALIB_RECT space = {0, 0, 0, 0};       // the rectangle of the space
    uint32_t nPrimary = 1;                     // the layout's primary display
};

// Why a run cannot take place where it was asked to.
struct PlaceProblem {
    enum Kind {
        None,          // it can
        NoDisplay,     // the system reports no display
        NoSuchDisplay, // nDisplay beyond the nDisplays the system has
        NoSuchSpace,   // nSpace is no space
        NoSize,        // the display or the space has no size
        BeyondRange    // targets would lie outside the device's range in the space
    };
    Kind kind = None;
    uint32_t nDisplay = 0;  // the display asked for (the primary for 0)
    uint32_t nDisplays = 0; // how many the system has
    uint32_t nSpace = 0;
    VEL_CALIB_RECT window = {0, 0, 0, 0}; // BeyondRange: the display's rectangle
    VEL_CALIB_RECT space = {0, 0, 0, 0};  // ... and the space's
    std::vector<uint32_t> fitting;        // ... and the spaces whose range holds every target
};

// Places a run: nDisplay 0 is the primary. None with place filled, or why the
// run cannot take place there; for targets (any of pTargets, logical
// relative to the display) beyond the device's range, the spaces in which
// they would not be.
PlaceProblem PlaceRun(const DesktopLayout& layout, uint32_t nDisplay, uint32_t nSpace,
                      const CalibPoint* pTargets, int nTargets, RunPlace& place);

// The desktop pixel a target is drawn at (logical, relative to the window):
// its rings, dot and crossing are centred on that pixel, so a person touches
// the pixel's centre.
CalibPoint TargetPixel(const CalibPoint& target, const VEL_CALIB_RECT& window);

// A target's logical value in the run's space. In the primary space (the
// window is the primary display) the target itself, as StartCalibrate takes
// it: the pixel it is drawn at holds that value somewhere within it. In any
// other space the value of the centre of that pixel, where a person touches:
// 32768 · (P + ½ − R.origin) / R.size for the drawn pixel P and the space's
// rectangle R, rounded, so that the driver's mapping of the value comes back
// to that pixel with half a pixel to spare on every side.
CalibPoint ToSpace(const CalibPoint& target, const RunPlace& place);

// What the verify touches show.
struct Diagnosis {
    uint32_t nCode = VEL_CALIB_DIAGNOSIS_NONE; // VEL_CALIB_DIAGNOSIS
    uint32_t nDisplay = 0;                     // VEL_CALIB_DIAGNOSIS_DISPLAY: which
    VEL_CALIB_RECT rect = {0, 0, 0, 0};        // the rectangle the range evidently covers:
                                               // the named space's own, else as fitted
};

// Fits per axis the scale and offset that take the verify targets to where
// the pointer went and carries the space's rectangle through it: the
// rectangle the device's range evidently covers, named after the space
// whose rectangle it is (within a few pixels: the primary display, another
// display or the virtual desktop; the rectangle is then that space's own,
// to the pixel), else UNKNOWN. UNKNOWN with an empty
// rectangle when the points cannot fit an axis (fewer than two distinct
// targets on it).
Diagnosis Diagnose(const DesktopLayout& layout, const RunPlace& place,
                   const VEL_CALIB_VERIFY_POINT* pPoints, int nPoints);

// Whether a diagnosed rectangle is the rectangle of the run's space, within
// what a fit over a few touches can tell apart: the space was right, and the
// touches landed off for another reason (where they were made, too few
// targets).
bool InChosenSpace(const VEL_CALIB_RECT& diagnosed, const VEL_CALIB_RECT& space);
