#include "displayspace.h"

#include <cmath>
#include <cstdlib>

#include "calibview.h"

namespace {

VEL_CALIB_RECT PrimaryRect(const DesktopLayout& layout, uint32_t) {
    return layout.Rect(layout.nPrimary);
}

VEL_CALIB_RECT DisplayRect(const DesktopLayout& layout, uint32_t nDisplay) {
    return layout.Rect(nDisplay);
}

VEL_CALIB_RECT DesktopRect(const DesktopLayout& layout, uint32_t) {
    return layout.desktop;
}

const std::vector<SpaceRow> kSpaces = {
    {VEL_CALIB_SPACE_PRIMARY, "primary", "the primary display", PrimaryRect,
     VEL_CALIB_DIAGNOSIS_PRIMARY},
    {VEL_CALIB_SPACE_DISPLAY, "display", "the display", DisplayRect, VEL_CALIB_DIAGNOSIS_DISPLAY},
    {VEL_CALIB_SPACE_DESKTOP, "desktop", "the whole desktop", DesktopRect,
     VEL_CALIB_DIAGNOSIS_DESKTOP},
};

bool SameRect(const VEL_CALIB_RECT& a, const VEL_CALIB_RECT& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

bool HasSize(const VEL_CALIB_RECT& r) {
    return r.width > 0 && r.height > 0;
}

// One axis of ToSpace: 32768 · (origin + ⌊v · size / 32768⌋ + ½ − spaceOrigin) / spaceSize.
int32_t AxisToSpace(int32_t v, int32_t origin, int32_t size, int32_t spaceOrigin,
                    int32_t spaceSize) {
    if (spaceSize <= 0)
        return v;
    const double centre = static_cast<double>(origin) + LogicalToPixel(v, size) + 0.5;
    const double logical = LOGICAL_EXTENT * (centre - spaceOrigin) / spaceSize;
    if (!(logical > -2e9 && logical < 2e9))
        return logical > 0 ? INT32_MAX : INT32_MIN;
    return static_cast<int32_t>(std::lround(logical));
}

// Whether every target lies within the device's range in the place's space.
bool WithinRange(const RunPlace& place, const CalibPoint* pTargets, int nTargets) {
    for (int i = 0; i < nTargets; ++i) {
        const CalibPoint logical = ToSpace(pTargets[i], place);
        if (logical.x < 0 || logical.x > 32767 || logical.y < 0 || logical.y > 32767)
            return false;
    }
    return true;
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

const std::vector<SpaceRow>& Spaces() {
    return kSpaces;
}

const SpaceRow* FindSpace(uint32_t nSpace) {
    for (const SpaceRow& row : kSpaces) {
        if (row.nSpace == nSpace)
            return &row;
    }
    return nullptr;
}

const SpaceRow* FindSpace(const std::string& name) {
    for (const SpaceRow& row : kSpaces) {
        if (name == row.name)
            return &row;
    }
    return nullptr;
}

const char* SpaceName(uint32_t nSpace) {
    const SpaceRow* pRow = FindSpace(nSpace);
    return pRow != nullptr ? pRow->name : "";
}

std::string SpaceChoices(bool bValues) {
    std::string text;
    for (size_t i = 0; i < kSpaces.size(); ++i) {
        text += (i == 0                    ? ""
                 : i + 1 == kSpaces.size() ? " or "
                                           : ", ") +
                (bValues ? std::to_string(kSpaces[i].nSpace) + " " : std::string()) +
                kSpaces[i].name;
    }
    return text;
}

PlaceProblem PlaceRun(const DesktopLayout& layout, uint32_t nDisplay, uint32_t nSpace,
                      const CalibPoint* pTargets, int nTargets, RunPlace& place) {
    PlaceProblem problem;
    problem.nDisplays = static_cast<uint32_t>(layout.displays.size());
    problem.nDisplay = nDisplay == 0 ? layout.nPrimary : nDisplay;
    problem.nSpace = nSpace;
    const SpaceRow* pRow = FindSpace(nSpace);
    if (problem.nDisplays == 0 || layout.nPrimary < 1 || layout.nPrimary > problem.nDisplays) {
        problem.kind = PlaceProblem::NoDisplay;
    } else if (nDisplay > problem.nDisplays) {
        problem.kind = PlaceProblem::NoSuchDisplay;
    } else if (pRow == nullptr) {
        problem.kind = PlaceProblem::NoSuchSpace;
    }
    if (problem.kind != PlaceProblem::None)
        return problem;
    RunPlace placed;
    placed.nDisplay = problem.nDisplay;
    placed.nPrimary = layout.nPrimary;
    placed.window = layout.Rect(placed.nDisplay);
    placed.nSpace = nSpace;
    placed.space = pRow->rect(layout, placed.nDisplay);
    problem.window = placed.window;
    problem.space = placed.space;
    if (!HasSize(placed.window) || !HasSize(placed.space)) {
        problem.kind = PlaceProblem::NoSize;
    } else if (!WithinRange(placed, pTargets, nTargets)) {
        problem.kind = PlaceProblem::BeyondRange;
        for (const SpaceRow& row : kSpaces) {
            RunPlace other = placed;
            other.nSpace = row.nSpace;
            other.space = row.rect(layout, placed.nDisplay);
            if (HasSize(other.space) && WithinRange(other, pTargets, nTargets))
                problem.fitting.push_back(row.nSpace);
        }
    } else {
        place = placed;
    }
    return problem;
}

CalibPoint TargetPixel(const CalibPoint& target, const VEL_CALIB_RECT& window) {
    return {window.x + LogicalToPixel(target.x, window.width),
            window.y + LogicalToPixel(target.y, window.height)};
}

CalibPoint ToSpace(const CalibPoint& target, const RunPlace& place) {
    if (place.nSpace == VEL_CALIB_SPACE_PRIMARY && SameRect(place.window, place.space))
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
    // The nearest rectangle of a space for a window on any display, named
    // after that space; a rectangle comes once, under the first space that
    // has it (the primary display under the primary), and the first of equal
    // distances is kept.
    double dBest = 0.0;
    const VEL_CALIB_RECT fitted = diagnosis.rect;
    std::vector<VEL_CALIB_RECT> considered;
    for (const SpaceRow& row : kSpaces) {
        for (uint32_t n = 1; n <= layout.displays.size(); ++n) {
            const VEL_CALIB_RECT candidate = row.rect(layout, n);
            bool bSeen = false;
            for (const VEL_CALIB_RECT& seen : considered)
                bSeen = bSeen || SameRect(seen, candidate);
            if (bSeen)
                continue;
            considered.push_back(candidate);
            const double d = Distance(fitted, candidate);
            if (Near(fitted, candidate) &&
                (diagnosis.nCode == VEL_CALIB_DIAGNOSIS_UNKNOWN || d < dBest)) {
                diagnosis.nCode = row.nDiagnosis;
                diagnosis.nDisplay = n;
                diagnosis.rect = candidate;
                dBest = d;
            }
        }
    }
    if (diagnosis.nCode == VEL_CALIB_DIAGNOSIS_PRIMARY)
        diagnosis.nDisplay = layout.nPrimary;
    else if (diagnosis.nCode != VEL_CALIB_DIAGNOSIS_DISPLAY)
        diagnosis.nDisplay = 0;
    return diagnosis;
}

bool InChosenSpace(const VEL_CALIB_RECT& diagnosed, const VEL_CALIB_RECT& space) {
    return HasSize(diagnosed) && Near(diagnosed, space);
}
