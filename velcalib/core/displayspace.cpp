#include "displayspace.h"

#include <cmath>
#include <cstdlib>

#include "calibview.h"

namespace {

const double LOGICAL_EXTENT = 32768.0;

bool SameRect(const VEL_CALIB_RECT& a, const VEL_CALIB_RECT& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

// One axis of ToSpace: 32768 · (origin + v · size / 32768 − spaceOrigin) / spaceSize.
int32_t AxisToSpace(int32_t v, int32_t origin, int32_t size, int32_t spaceOrigin,
                    int32_t spaceSize) {
    if (spaceSize <= 0)
        return v;
    const double point = origin + static_cast<double>(v) * size / LOGICAL_EXTENT;
    const double logical = LOGICAL_EXTENT * (point - spaceOrigin) / spaceSize;
    if (!(logical > -2e9 && logical < 2e9))
        return logical > 0 ? INT32_MAX : INT32_MIN;
    return static_cast<int32_t>(std::lround(logical));
}

// Least squares of to = a · from + b over the points; false without two
// distinct `from` values.
bool FitAxis(const double* pFrom, const double* pTo, int n, double& a, double& b) {
    double sumFrom = 0.0, sumTo = 0.0;
    for (int i = 0; i < n; ++i) {
        sumFrom += pFrom[i];
        sumTo += pTo[i];
    }
    if (n < 2)
        return false;
    const double meanFrom = sumFrom / n, meanTo = sumTo / n;
    double sxx = 0.0, sxy = 0.0;
    for (int i = 0; i < n; ++i) {
        sxx += (pFrom[i] - meanFrom) * (pFrom[i] - meanFrom);
        sxy += (pFrom[i] - meanFrom) * (pTo[i] - meanTo);
    }
    if (sxx < 1.0)
        return false;
    a = sxy / sxx;
    b = meanTo - a * meanFrom;
    return std::isfinite(a) && std::isfinite(b);
}

// How far a found rectangle is from a candidate, in pixels (its largest
// edge difference), and whether that is within what a fit over a few
// touches can tell apart: 3 pixels and 2 % of the candidate's size.
double Distance(const VEL_CALIB_RECT& found, const VEL_CALIB_RECT& candidate) {
    const double dLeft = std::abs(found.x - candidate.x);
    const double dTop = std::abs(found.y - candidate.y);
    const double dRight = std::abs(found.x + found.width - candidate.x - candidate.width);
    const double dBottom = std::abs(found.y + found.height - candidate.y - candidate.height);
    return std::fmax(std::fmax(dLeft, dTop), std::fmax(dRight, dBottom));
}

bool Near(const VEL_CALIB_RECT& found, const VEL_CALIB_RECT& candidate) {
    const double dTolerance =
        3.0 + 0.02 * (candidate.width > candidate.height ? candidate.width : candidate.height);
    return Distance(found, candidate) <= dTolerance;
}

} // namespace

std::string RectText(const VEL_CALIB_RECT& rect) {
    return std::to_string(rect.x) + "," + std::to_string(rect.y) + " " +
           std::to_string(rect.width) + "x" + std::to_string(rect.height);
}

const char* SpaceName(uint32_t nSpace) {
    switch (nSpace) {
    case VEL_CALIB_SPACE_PRIMARY:
        return "primary";
    case VEL_CALIB_SPACE_DISPLAY:
        return "display";
    case VEL_CALIB_SPACE_DESKTOP:
        return "desktop";
    default:
        return "";
    }
}

std::string PlaceRun(const DesktopLayout& layout, uint32_t nDisplay, uint32_t nSpace,
                     const CalibPoint* pTargets, int nTargets, RunPlace& place) {
    const size_t nCount = layout.displays.size();
    if (nCount == 0 || layout.nPrimary < 1 || layout.nPrimary > nCount)
        return "the system reports no display";
    if (nDisplay > nCount)
        return "display " + std::to_string(nDisplay) + ": the system has " +
               std::to_string(nCount) + (nCount == 1 ? " display" : " displays") +
               " (velctl displays lists them)";
    if (SpaceName(nSpace)[0] == '\0')
        return "space " + std::to_string(nSpace) + ": 0 primary, 1 display or 2 desktop";
    RunPlace placed;
    placed.nDisplay = nDisplay == 0 ? layout.nPrimary : nDisplay;
    placed.nSpace = nSpace;
    placed.nPrimary = layout.nPrimary;
    placed.window = layout.displays[placed.nDisplay - 1];
    placed.space = nSpace == VEL_CALIB_SPACE_DISPLAY   ? placed.window
                   : nSpace == VEL_CALIB_SPACE_DESKTOP ? layout.desktop
                                                       : layout.displays[layout.nPrimary - 1];
    if (placed.window.width <= 0 || placed.window.height <= 0 || placed.space.width <= 0 ||
        placed.space.height <= 0)
        return "display " + std::to_string(placed.nDisplay) + " has no size";
    for (int i = 0; i < nTargets; ++i) {
        const CalibPoint logical = ToSpace(pTargets[i], placed);
        if (logical.x < 0 || logical.x > 32767 || logical.y < 0 || logical.y > 32767) {
            const std::string where =
                "display " + std::to_string(placed.nDisplay) + " (" + RectText(placed.window) + ")";
            return where + " lies outside the " +
                   (nSpace == VEL_CALIB_SPACE_PRIMARY ? std::string("primary display")
                                                      : std::string("desktop")) +
                   " (" + RectText(placed.space) +
                   "), where this space puts the touch "
                   "screen's range: its targets would be beyond it. Choose --space display if "
                   "the touch screen's range covers that display, or --space desktop if it "
                   "covers the whole desktop";
        }
    }
    place = placed;
    return "";
}

CalibPoint TargetPixel(const CalibPoint& target, const VEL_CALIB_RECT& window) {
    return {window.x + LogicalToPixel(target.x, window.width),
            window.y + LogicalToPixel(target.y, window.height)};
}

CalibPoint ToSpace(const CalibPoint& target, const RunPlace& place) {
    if (SameRect(place.window, place.space))
        return target;
    return {
        AxisToSpace(target.x, place.window.x, place.window.width, place.space.x, place.space.width),
        AxisToSpace(target.y, place.window.y, place.window.height, place.space.y,
                    place.space.height)};
}

Diagnosis Diagnose(const DesktopLayout& layout, const RunPlace& place,
                   const VEL_CALIB_VERIFY_POINT* pPoints, int nPoints) {
    Diagnosis diagnosis;
    diagnosis.nCode = VEL_CALIB_DIAGNOSIS_UNKNOWN;
    if (pPoints == nullptr || nPoints < 2 || nPoints > VEL_CALIB_MAX_CHECKS)
        return diagnosis;
    double targetX[VEL_CALIB_MAX_CHECKS], targetY[VEL_CALIB_MAX_CHECKS];
    double pointerX[VEL_CALIB_MAX_CHECKS], pointerY[VEL_CALIB_MAX_CHECKS];
    for (int i = 0; i < nPoints; ++i) {
        targetX[i] = pPoints[i].targetX;
        targetY[i] = pPoints[i].targetY;
        pointerX[i] = pPoints[i].pointerX;
        pointerY[i] = pPoints[i].pointerY;
    }
    double ax = 0.0, bx = 0.0, ay = 0.0, by = 0.0;
    if (!FitAxis(targetX, pointerX, nPoints, ax, bx) ||
        !FitAxis(targetY, pointerY, nPoints, ay, by))
        return diagnosis;
    // pointer = R.origin + (P − S.origin) · R.size / S.size for the space S
    // the run assumed and the rectangle R the range covers.
    const double x = bx + ax * place.space.x, y = by + ay * place.space.y;
    const double width = ax * place.space.width, height = ay * place.space.height;
    if (!(std::fabs(x) < 1e7 && std::fabs(y) < 1e7 && std::fabs(width) < 1e7 &&
          std::fabs(height) < 1e7))
        return diagnosis;
    diagnosis.rect = {static_cast<int32_t>(std::lround(x)), static_cast<int32_t>(std::lround(y)),
                      static_cast<int32_t>(std::lround(width)),
                      static_cast<int32_t>(std::lround(height))};
    // The nearest of the primary, the other displays and the desktop.
    double dBest = 0.0;
    auto consider = [&](uint32_t nCode, uint32_t nDisplay, const VEL_CALIB_RECT& candidate) {
        const double d = Distance(diagnosis.rect, candidate);
        if (Near(diagnosis.rect, candidate) &&
            (diagnosis.nCode == VEL_CALIB_DIAGNOSIS_UNKNOWN || d < dBest)) {
            diagnosis.nCode = nCode;
            diagnosis.nDisplay = nDisplay;
            dBest = d;
        }
    };
    for (uint32_t n = 1; n <= layout.displays.size(); ++n) {
        consider(n == layout.nPrimary ? VEL_CALIB_DIAGNOSIS_PRIMARY : VEL_CALIB_DIAGNOSIS_DISPLAY,
                 n, layout.displays[n - 1]);
    }
    consider(VEL_CALIB_DIAGNOSIS_DESKTOP, 0, layout.desktop);
    if (diagnosis.nCode != VEL_CALIB_DIAGNOSIS_DISPLAY)
        diagnosis.nDisplay = diagnosis.nCode == VEL_CALIB_DIAGNOSIS_PRIMARY ? layout.nPrimary : 0;
    return diagnosis;
}
