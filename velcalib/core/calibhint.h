// The calibration window's line of instructions, without the window: what it
// says (the step, which of its targets is due, and how many it has) and where
// it goes (a band of the window clear of every target the run can show and of
// the window's centre, at a font that lets the text fit its width).
#pragma once

#include <cstdint>
#include <vector>

#include "calibmatrix.h"

// What the window asks for.
enum class HintStep {
    Target, // a calibration target: touch, hold still until it turns blue, lift
    Check,  // a check target, the same way
    Verify  // a verify target: one touch; the pointer should land on it
};

struct CalibHint {
    HintStep step;
    int32_t nIndex; // the due target, 1…nTotal
    int32_t nTotal; // the step's targets, at least 1
};

// The line for the step's collector at nCurrent of nTotal targets (0-based;
// nCurrent reaches nTotal once the last is done, which still shows the last).
CalibHint HintOf(HintStep step, int32_t nCurrent, int32_t nTotal);

// How far a target's drawing reaches from its centre pixel on every side:
// the cross's arm of 24 pixels and a verify target's last pixel.
constexpr int32_t TARGET_REACH = 25;
// The text widths are measured at this font height.
constexpr int32_t HINT_MEASURE_PX = 100;
// Fonts below this height are not drawn.
constexpr int32_t HINT_MIN_FONT_PX = 9;

// A rectangle of pixels, right and bottom excluded.
struct HintRect {
    int32_t left, top, right, bottom;
    bool Empty() const { return right <= left || bottom <= top; }
    bool Intersects(const HintRect& other) const {
        return !Empty() && !other.Empty() && left < other.right && other.left < right &&
               top < other.bottom && other.top < bottom;
    }
};

// The text's widths in pixels at a font of HINT_MEASURE_PX: all on one line,
// and its two lines when it wraps (the instruction; the progress and the
// keys).
struct HintWidths {
    int32_t nOne;
    int32_t nFirst;
    int32_t nSecond;
};

struct HintLayout {
    HintRect rect;   // erased and drawn whole; empty when no band has room
    int32_t nFontPx; // the font's height
    int32_t nLines;  // 1 or 2
    int32_t nLinePx; // the height of each line in rect
};

// The drawn extent of a target centred on pixel (x, y).
HintRect TargetExtent(int32_t x, int32_t y);
// The middle of the window the line keeps clear of: its central quarter on
// each axis.
HintRect HintCentre(int32_t nWidth, int32_t nHeight);

// Where the line goes in a client area of nWidth × nHeight pixels, given
// every target the run can show (logical; calibration, check and verify
// targets alike, so that the line stays put for the whole run). The line
// spans the width between side margins, in the band between rows of targets
// that gives the largest font (the upper one of equals), centred in it; it
// wraps to two lines when that gives a larger font than one line does.
HintLayout PlaceHint(int32_t nWidth, int32_t nHeight, const std::vector<CalibPoint>& targets,
                     const HintWidths& widths);
