#include "calibhint.h"

#include <algorithm>

#include "calibview.h"

namespace {

// Room kept between the line and a target, the centre or the window's edge.
const int32_t GAP = 4;
// The largest font the line takes, also on large screens.
const int32_t MAX_FONT_PX = 28;

// Rows [top, bottom).
struct Span {
    int32_t top, bottom;
};

// The largest font at which text measured nMeasured pixels wide at
// HINT_MEASURE_PX fits nRoom pixels, with 1/16 to spare for the rounding of
// smaller fonts.
int32_t FontForWidth(int32_t nMeasured, int32_t nRoom) {
    if (nMeasured <= 0) {
        return MAX_FONT_PX;
    }
    return static_cast<int32_t>(int64_t(nRoom) * HINT_MEASURE_PX * 15 / 16 / nMeasured);
}

// A line is one and a half times its font's height.
int32_t LinePx(int32_t nFont) {
    return nFont * 3 / 2;
}

} // namespace

CalibHint HintOf(HintStep step, int32_t nCurrent, int32_t nTotal) {
    const int32_t nSteps = std::max<int32_t>(nTotal, 1);
    return {step, std::clamp<int32_t>(nCurrent, 0, nSteps - 1) + 1, nSteps};
}

HintRect TargetExtent(int32_t x, int32_t y) {
    return {x - TARGET_REACH, y - TARGET_REACH, x + TARGET_REACH + 1, y + TARGET_REACH + 1};
}

HintRect HintCentre(int32_t nWidth, int32_t nHeight) {
    return {nWidth * 3 / 8, nHeight * 3 / 8, nWidth - nWidth * 3 / 8, nHeight - nHeight * 3 / 8};
}

HintLayout PlaceHint(int32_t nWidth, int32_t nHeight, const std::vector<CalibPoint>& targets,
                     const HintWidths& widths) {
    HintLayout best = {{0, 0, 0, 0}, 0, 0, 0};
    if (nWidth <= 0 || nHeight <= 0) {
        return best;
    }
    // The line spans the width, so every target and the centre block their
    // rows across it.
    std::vector<Span> blocked;
    for (const CalibPoint& target : targets) {
        const HintRect extent = TargetExtent(0, LogicalToPixel(target.y, nHeight));
        blocked.push_back({extent.top - GAP, extent.bottom + GAP});
    }
    const HintRect centre = HintCentre(nWidth, nHeight);
    blocked.push_back({centre.top - GAP, centre.bottom + GAP});
    blocked.push_back({nHeight - GAP, nHeight});
    std::sort(blocked.begin(), blocked.end(),
              [](const Span& a, const Span& b) { return a.top < b.top; });

    const int32_t nSide = std::max(2 * GAP, nWidth / 32);
    const int32_t nRoom = nWidth - 2 * nSide;
    const int32_t nPreferred =
        std::clamp(std::min(nWidth, nHeight) / 32, HINT_MIN_FONT_PX, MAX_FONT_PX);
    const int32_t nOneFit = FontForWidth(widths.nOne, nRoom);
    const int32_t nTwoFit = FontForWidth(std::max(widths.nFirst, widths.nSecond), nRoom);
    Span chosen = {0, 0};
    int32_t nFree = GAP; // the first row not blocked
    for (const Span& span : blocked) {
        const int32_t nBand = span.top - nFree;
        if (nBand > 0) {
            const int32_t nOne = std::min({nPreferred, nBand * 2 / 3, nOneFit});
            const int32_t nTwo = std::min({nPreferred, nBand / 3, nTwoFit});
            const int32_t nFont = std::max(nOne, nTwo);
            if (nFont > best.nFontPx) {
                best.nFontPx = nFont;
                best.nLines = nTwo > nOne ? 2 : 1;
                chosen = {nFree, span.top};
            }
        }
        nFree = std::max(nFree, span.bottom);
    }
    if (best.nFontPx < HINT_MIN_FONT_PX || nRoom <= 0) {
        return {{0, 0, 0, 0}, 0, 0, 0};
    }
    best.nLinePx = LinePx(best.nFontPx);
    const int32_t nBox = best.nLines * best.nLinePx;
    const int32_t nTop = chosen.top + (chosen.bottom - chosen.top - nBox) / 2;
    best.rect = {nSide, nTop, nWidth - nSide, nTop + nBox};
    return best;
}
