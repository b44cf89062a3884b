#include "calibhint.h"
#include "calibresult.h"
#include "calibview.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Text widths at 100 pixels of the message font, about as long as the
// English and the Chinese lines.
const HintWidths ENGLISH = {6000, 4700, 1700};
const HintWidths CHINESE = {4500, 3600, 1300};

// On every screen size, grid and number of check (or verify) targets, the
// line lies inside the window, clear of every target's drawing and of the
// centre, and its text fits its width and height.
TEST(CalibHint, ClearOfTargetsAndCentreAndFitted) {
    const struct {
        int32_t width, height;
    } sizes[] = {{1024, 768}, {800, 600}, {600, 800}, {640, 480}, {1920, 1080}, {768, 1024}};
    for (const auto& size : sizes)
        for (unsigned char nGrid : {4, 9, 16, 25})
            for (int nChecks = 0; nChecks <= VEL_CALIB_MAX_CHECKS; ++nChecks)
                for (const HintWidths& widths : {ENGLISH, CHINESE}) {
                    SCOPED_TRACE(testing::Message()
                                 << size.width << "x" << size.height << ", " << int(nGrid)
                                 << " targets, " << nChecks << " checks, widths " << widths.nOne);
                    CalibSettings settings;
                    settings.nTargets = nGrid;
                    settings.nCheckPoints = nChecks;
                    const std::vector<CalibPoint> targets = TargetsOfRun(settings);
                    const HintLayout line = PlaceHint(size.width, size.height, targets, widths);
                    const HintRect& r = line.rect;
                    ASSERT_FALSE(r.Empty());
                    EXPECT_GE(r.left, 0);
                    EXPECT_GE(r.top, 0);
                    EXPECT_LE(r.right, size.width);
                    EXPECT_LE(r.bottom, size.height);
                    EXPECT_FALSE(r.Intersects(HintCentre(size.width, size.height)));
                    for (const CalibPoint& t : targets)
                        EXPECT_FALSE(r.Intersects(TargetExtent(LogicalToPixel(t.x, size.width),
                                                               LogicalToPixel(t.y, size.height))))
                            << "target " << t.x << "," << t.y;
                    EXPECT_GE(line.nFontPx, HINT_MIN_FONT_PX);
                    EXPECT_GE(line.nLinePx, line.nFontPx);
                    EXPECT_LE(line.nLines * line.nLinePx, r.bottom - r.top);
                    const int32_t nText =
                        line.nLines == 1 ? widths.nOne : std::max(widths.nFirst, widths.nSecond);
                    EXPECT_LE(nText * line.nFontPx / HINT_MEASURE_PX, r.right - r.left);
                }
}

// A line too long for a narrow window wraps when two lines take a larger
// font; a wide window keeps it on one; a window without a free band shows
// none.
TEST(CalibHint, WrapsOnNarrowWindows) {
    const struct {
        int32_t width, height;
        unsigned char nGrid;
        int32_t nLines; // 0: no line
    } rows[] = {
        {1920, 1080, 4, 1}, {600, 800, 4, 2},  {600, 800, 25, 2},
        {1024, 768, 25, 2}, {200, 150, 25, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.width << "x" << row.height);
        CalibSettings settings;
        settings.nTargets = row.nGrid;
        const HintLayout line = PlaceHint(row.width, row.height, TargetsOfRun(settings), ENGLISH);
        EXPECT_EQ(line.rect.Empty() ? 0 : line.nLines, row.nLines);
    }
}

// The progress counts from 1 and stays on the last target once it is done.
TEST(CalibHint, ProgressOfTheStep) {
    const struct {
        HintStep step;
        int32_t nCurrent, nTotal, nIndex, nShownTotal;
    } rows[] = {
        {HintStep::Target, 0, 4, 1, 4},    {HintStep::Target, 3, 4, 4, 4},
        {HintStep::Target, 4, 4, 4, 4},    {HintStep::Check, 1, 5, 2, 5},
        {HintStep::Verify, 8, 9, 9, 9},    {HintStep::Verify, 0, 0, 1, 1},
        {HintStep::Target, -1, 25, 1, 25},
    };
    for (const auto& row : rows) {
        const CalibHint hint = HintOf(row.step, row.nCurrent, row.nTotal);
        EXPECT_EQ(hint.step, row.step);
        EXPECT_EQ(hint.nIndex, row.nIndex) << row.nCurrent << " of " << row.nTotal;
        EXPECT_EQ(hint.nTotal, row.nShownTotal) << row.nCurrent << " of " << row.nTotal;
    }
}

} // namespace
