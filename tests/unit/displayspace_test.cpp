// Where a run takes place on several displays, its targets' logical values
// in each space, and what the verify touches tell, over layouts with
// negative origins and displays of different sizes.
#include "displayspace.h"

#include <gtest/gtest.h>

#include <cmath>

#include "calibresult.h"
#include "collecthelper.h"

namespace {

// Wine's answer to heads 1024x768 at (800,0) and 800x600 at (0,100): the
// second display left of the primary, lower and smaller.
DesktopLayout LeftOfPrimary() {
    DesktopLayout layout;
    layout.displays = {{0, 0, 1024, 768}, {-800, 100, 800, 600}};
    layout.nPrimary = 1;
    layout.desktop = {-800, 0, 1824, 768};
    return layout;
}

// A larger second display right of the primary, which is display 2.
DesktopLayout RightOfPrimary() {
    DesktopLayout layout;
    layout.displays = {{1280, -200, 1920, 1080}, {0, 0, 1280, 1024}};
    layout.nPrimary = 2;
    layout.desktop = {0, -200, 3200, 1224};
    return layout;
}

// Where a pointer lands for a logical value that the range maps onto rect.
CalibPoint Land(const CalibPoint& logical, const VEL_CALIB_RECT& rect) {
    return {rect.x + static_cast<int32_t>(std::floor(logical.x * double(rect.width) / 32768)),
            rect.y + static_cast<int32_t>(std::floor(logical.y * double(rect.height) / 32768))};
}

const CalibPoint kCorners[2] = {{2048, 2048}, {30720, 30720}};

} // namespace

// Each layout × display × space: the window's and the space's rectangles, or
// the refusal; and a target's logical value, carried back through the
// space's rectangle, lands on the pixel the window draws it at.
TEST(DisplaySpace, PlacesTheRunAndItsTargets) {
    const struct {
        const char* what;
        DesktopLayout layout;
        uint32_t nDisplay, nSpace;
        VEL_CALIB_RECT window, space;
        const char* refusal; // "" when it runs
    } kRows[] = {
        {"the primary, as StartCalibrate",
         LeftOfPrimary(),
         0,
         VEL_CALIB_SPACE_PRIMARY,
         {0, 0, 1024, 768},
         {0, 0, 1024, 768},
         ""},
        {"left display, its own range",
         LeftOfPrimary(),
         2,
         VEL_CALIB_SPACE_DISPLAY,
         {-800, 100, 800, 600},
         {-800, 100, 800, 600},
         ""},
        {"left display, the desktop's range",
         LeftOfPrimary(),
         2,
         VEL_CALIB_SPACE_DESKTOP,
         {-800, 100, 800, 600},
         {-800, 0, 1824, 768},
         ""},
        {"primary, the desktop's range",
         LeftOfPrimary(),
         1,
         VEL_CALIB_SPACE_DESKTOP,
         {0, 0, 1024, 768},
         {-800, 0, 1824, 768},
         ""},
        {"left display, the primary's range",
         LeftOfPrimary(),
         2,
         VEL_CALIB_SPACE_PRIMARY,
         {},
         {},
         "--space display if"},
        {"display 3 of 2", LeftOfPrimary(), 3, VEL_CALIB_SPACE_DISPLAY, {}, {}, "has 2 displays"},
        {"primary is display 2",
         RightOfPrimary(),
         0,
         VEL_CALIB_SPACE_DISPLAY,
         {0, 0, 1280, 1024},
         {0, 0, 1280, 1024},
         ""},
        {"display 1 above the top",
         RightOfPrimary(),
         1,
         VEL_CALIB_SPACE_DESKTOP,
         {1280, -200, 1920, 1080},
         {0, -200, 3200, 1224},
         ""},
        {"display 1, the primary's range",
         RightOfPrimary(),
         1,
         VEL_CALIB_SPACE_PRIMARY,
         {},
         {},
         "--space desktop"},
        {"no display", DesktopLayout(), 0, VEL_CALIB_SPACE_PRIMARY, {}, {}, "no display"},
    };
    CollectHelper grid(25, CALIB_PATH_TYPE_0);
    for (const auto& row : kRows) {
        RunPlace place;
        const std::string why =
            PlaceRun(row.layout, row.nDisplay, row.nSpace, grid.Targets(), grid.Total(), place);
        if (*row.refusal != '\0') {
            EXPECT_NE(why.find(row.refusal), std::string::npos) << row.what << ": " << why;
            continue;
        }
        ASSERT_EQ(why, "") << row.what;
        EXPECT_EQ(place.window.x, row.window.x) << row.what;
        EXPECT_EQ(place.window.width, row.window.width) << row.what;
        EXPECT_EQ(place.space.x, row.space.x) << row.what;
        EXPECT_EQ(place.space.y, row.space.y) << row.what;
        EXPECT_EQ(place.space.height, row.space.height) << row.what;
        for (int i = 0; i < grid.Total(); ++i) {
            const CalibPoint logical = ToSpace(grid.Targets()[i], place);
            const CalibPoint drawn = TargetPixel(grid.Targets()[i], place.window);
            const CalibPoint landed = Land(logical, place.space);
            EXPECT_LE(std::abs(landed.x - drawn.x), 1) << row.what << " target " << i;
            EXPECT_LE(std::abs(landed.y - drawn.y), 1) << row.what << " target " << i;
        }
    }
    // On its own display a target is taken as it is: today's values.
    RunPlace place;
    ASSERT_EQ(PlaceRun(LeftOfPrimary(), 0, VEL_CALIB_SPACE_PRIMARY, kCorners, 2, place), "");
    EXPECT_EQ(ToSpace(kCorners[1], place).x, kCorners[1].x);
}

// Verify touches that landed as a driver maps the range (the truth) while the
// run assumed another space: the diagnosis names the truth.
TEST(DisplaySpace, DiagnosesTheRectangleTheRangeCovers) {
    const DesktopLayout left = LeftOfPrimary();
    const struct {
        const char* what;
        uint32_t nDisplay, nSpace; // what the run assumed
        VEL_CALIB_RECT truth;      // what the range covers
        uint32_t nCode, nDiagnosedDisplay;
    } kRows[] = {
        {"assumed display 2, range on the desktop", 2, VEL_CALIB_SPACE_DISPLAY, left.desktop,
         VEL_CALIB_DIAGNOSIS_DESKTOP, 0},
        {"assumed the desktop, range on display 2", 2, VEL_CALIB_SPACE_DESKTOP, left.displays[1],
         VEL_CALIB_DIAGNOSIS_DISPLAY, 2},
        {"assumed the desktop, range on the primary", 1, VEL_CALIB_SPACE_DESKTOP, left.displays[0],
         VEL_CALIB_DIAGNOSIS_PRIMARY, 1},
        {"range on half the primary",
         1,
         VEL_CALIB_SPACE_PRIMARY,
         {0, 0, 512, 768},
         VEL_CALIB_DIAGNOSIS_UNKNOWN,
         0},
    };
    for (const auto& row : kRows) {
        RunPlace place;
        ASSERT_EQ(PlaceRun(left, row.nDisplay, row.nSpace, kCheckTargets, 9, place), "")
            << row.what;
        VEL_CALIB_VERIFY_POINT points[9];
        for (int i = 0; i < 9; ++i) {
            const CalibPoint target = TargetPixel(kCheckTargets[i], place.window);
            const CalibPoint landed = Land(ToSpace(kCheckTargets[i], place), row.truth);
            points[i] = {target.x, target.y, landed.x, landed.y, 0.0};
        }
        const Diagnosis diagnosis = Diagnose(left, place, points, 9);
        EXPECT_EQ(diagnosis.nCode, row.nCode) << row.what;
        EXPECT_EQ(diagnosis.nDisplay, row.nDiagnosedDisplay) << row.what;
        EXPECT_LE(std::abs(diagnosis.rect.x - row.truth.x), 2) << row.what;
        EXPECT_LE(std::abs(diagnosis.rect.width - row.truth.width), 3) << row.what;
    }
    // One touch fits no axis.
    RunPlace place;
    ASSERT_EQ(PlaceRun(left, 0, VEL_CALIB_SPACE_PRIMARY, kCorners, 2, place), "");
    const VEL_CALIB_VERIFY_POINT one = {100, 100, 300, 300, 0.0};
    EXPECT_EQ(Diagnose(left, place, &one, 1).nCode, uint32_t(VEL_CALIB_DIAGNOSIS_UNKNOWN));
}
