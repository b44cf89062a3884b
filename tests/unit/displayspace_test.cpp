// Where a run takes place on several displays, its targets' logical values
// in each space, and what the verify touches tell, over layouts with
// negative origins and displays of different sizes.
#include "displayspace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <vector>

#include "calibresult.h"
#include "collecthelper.h"
#include "drivermap.h"

namespace {

DesktopLayout Layout(std::initializer_list<VEL_CALIB_RECT> rects, uint32_t nPrimary,
                     const VEL_CALIB_RECT& desktop) {
    DesktopLayout layout;
    for (const VEL_CALIB_RECT& rect : rects) {
        layout.displays.push_back(DisplayInfo());
        layout.displays.back().rect = rect;
    }
    layout.nPrimary = nPrimary;
    layout.desktop = desktop;
    return layout;
}

// Wine's answer to heads 1024x768 at (800,0) and 800x600 at (0,100): the
// second display left of the primary, lower and smaller.
DesktopLayout LeftOfPrimary() {
    return Layout({{0, 0, 1024, 768}, {-800, 100, 800, 600}}, 1, {-800, 0, 1824, 768});
}

// A larger second display right of the primary, which is display 2.
DesktopLayout RightOfPrimary() {
    return Layout({{1280, -200, 1920, 1080}, {0, 0, 1280, 1024}}, 2, {0, -200, 3200, 1224});
}

// Where a pointer lands for a logical value that the range maps onto rect.
CalibPoint Land(const CalibPoint& logical, const VEL_CALIB_RECT& rect) {
    return {rect.x + static_cast<int32_t>(std::floor(logical.x * double(rect.width) / 32768)),
            rect.y + static_cast<int32_t>(std::floor(logical.y * double(rect.height) / 32768))};
}

const CalibPoint kCorners[2] = {{2048, 2048}, {30720, 30720}};

} // namespace

// Each layout × display × space: the window's and the space's rectangles, or
// why it cannot run there and the spaces that would fit; and a target's
// logical value, carried back through the space's rectangle, lands on the
// pixel the window draws it at.
TEST(DisplaySpace, PlacesTheRunAndItsTargets) {
    using P = PlaceProblem;
    const uint32_t kDisplay = VEL_CALIB_SPACE_DISPLAY, kDesktop = VEL_CALIB_SPACE_DESKTOP;
    const struct {
        const char* what;
        DesktopLayout layout;
        uint32_t nDisplay, nSpace;
        VEL_CALIB_RECT window, space;
        P::Kind problem;
        std::vector<uint32_t> fitting;
    } kRows[] = {
        {"the primary, as StartCalibrate",
         LeftOfPrimary(),
         0,
         VEL_CALIB_SPACE_PRIMARY,
         {0, 0, 1024, 768},
         {0, 0, 1024, 768},
         P::None,
         {}},
        {"left display, its own range",
         LeftOfPrimary(),
         2,
         kDisplay,
         {-800, 100, 800, 600},
         {-800, 100, 800, 600},
         P::None,
         {}},
        {"left display, the desktop's range",
         LeftOfPrimary(),
         2,
         kDesktop,
         {-800, 100, 800, 600},
         {-800, 0, 1824, 768},
         P::None,
         {}},
        {"primary, the desktop's range",
         LeftOfPrimary(),
         1,
         kDesktop,
         {0, 0, 1024, 768},
         {-800, 0, 1824, 768},
         P::None,
         {}},
        {"left display, the primary's range",
         LeftOfPrimary(),
         2,
         VEL_CALIB_SPACE_PRIMARY,
         {-800, 100, 800, 600},
         {0, 0, 1024, 768},
         P::BeyondRange,
         {kDisplay, kDesktop}},
        {"display 3 of 2", LeftOfPrimary(), 3, kDisplay, {}, {}, P::NoSuchDisplay, {}},
        {"no such space", LeftOfPrimary(), 1, 7, {}, {}, P::NoSuchSpace, {}},
        {"primary is display 2",
         RightOfPrimary(),
         0,
         kDisplay,
         {0, 0, 1280, 1024},
         {0, 0, 1280, 1024},
         P::None,
         {}},
        {"display 1 above the top",
         RightOfPrimary(),
         1,
         kDesktop,
         {1280, -200, 1920, 1080},
         {0, -200, 3200, 1224},
         P::None,
         {}},
        {"display 1, the primary's range",
         RightOfPrimary(),
         1,
         VEL_CALIB_SPACE_PRIMARY,
         {1280, -200, 1920, 1080},
         {0, 0, 1280, 1024},
         P::BeyondRange,
         {kDisplay, kDesktop}},
        {"odd sizes, left display, its own range",
         Layout({{0, 0, 1023, 767}, {-801, 101, 801, 599}}, 1, {-801, 0, 1824, 767}),
         2,
         kDisplay,
         {-801, 101, 801, 599},
         {-801, 101, 801, 599},
         P::None,
         {}},
        {"odd sizes, left display, the desktop's range",
         Layout({{0, 0, 1023, 767}, {-801, 101, 801, 599}}, 1, {-801, 0, 1824, 767}),
         2,
         kDesktop,
         {-801, 101, 801, 599},
         {-801, 0, 1824, 767},
         P::None,
         {}},
        {"odd sizes, the primary",
         Layout({{0, 0, 1023, 767}}, 1, {0, 0, 1023, 767}),
         0,
         VEL_CALIB_SPACE_PRIMARY,
         {0, 0, 1023, 767},
         {0, 0, 1023, 767},
         P::None,
         {}},
        {"no display", DesktopLayout(), 0, VEL_CALIB_SPACE_PRIMARY, {}, {}, P::NoDisplay, {}},
        {"a display of no size",
         Layout({{0, 0, 0, 768}}, 1, {0, 0, 0, 768}),
         0,
         kDisplay,
         {},
         {},
         P::NoSize,
         {}},
    };
    CollectHelper grid(25, CALIB_PATH_TYPE_0);
    for (const auto& row : kRows) {
        RunPlace place;
        const PlaceProblem problem =
            PlaceRun(row.layout, row.nDisplay, row.nSpace, grid.Targets(), grid.Total(), place);
        EXPECT_EQ(problem.kind, row.problem) << row.what;
        EXPECT_EQ(problem.fitting, row.fitting) << row.what;
        if (problem.kind == P::BeyondRange) {
            EXPECT_EQ(RectText(problem.window), RectText(row.window)) << row.what;
            EXPECT_EQ(RectText(problem.space), RectText(row.space)) << row.what;
        }
        if (problem.kind != P::None)
            continue;
        EXPECT_EQ(RectText(place.window), RectText(row.window)) << row.what;
        EXPECT_EQ(RectText(place.space), RectText(row.space)) << row.what;
        // Where the value lies in the window's pixels: within the pixel the
        // target is drawn at, at its centre but in the primary space.
        for (int i = 0; i < grid.Total(); ++i) {
            const CalibPoint logical = ToSpace(grid.Targets()[i], place);
            const CalibPoint drawn = TargetPixel(grid.Targets()[i], place.window);
            const double x = place.space.x + logical.x * double(place.space.width) / 32768;
            const double y = place.space.y + logical.y * double(place.space.height) / 32768;
            if (row.nSpace == VEL_CALIB_SPACE_PRIMARY) {
                EXPECT_TRUE(x >= drawn.x && x < drawn.x + 1) << row.what << " target " << i;
                EXPECT_TRUE(y >= drawn.y && y < drawn.y + 1) << row.what << " target " << i;
            } else {
                EXPECT_NEAR(x, drawn.x + 0.5, 0.05) << row.what << " target " << i;
                EXPECT_NEAR(y, drawn.y + 0.5, 0.05) << row.what << " target " << i;
            }
            EXPECT_EQ(RectText({Land(logical, place.space).x, Land(logical, place.space).y, 0, 0}),
                      RectText({drawn.x, drawn.y, 0, 0}))
                << row.what << " target " << i;
        }
    }
    // On its own display a target is taken as it is: today's values.
    RunPlace place;
    ASSERT_EQ(PlaceRun(LeftOfPrimary(), 0, VEL_CALIB_SPACE_PRIMARY, kCorners, 2, place).kind,
              P::None);
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
        bool bChosen; // the space assumed was right
    } kRows[] = {
        {"assumed display 2, range on the desktop", 2, VEL_CALIB_SPACE_DISPLAY, left.desktop,
         VEL_CALIB_DIAGNOSIS_DESKTOP, 0, false},
        {"assumed the desktop, range on display 2", 2, VEL_CALIB_SPACE_DESKTOP, left.Rect(2),
         VEL_CALIB_DIAGNOSIS_DISPLAY, 2, false},
        {"assumed the desktop, range on the primary", 1, VEL_CALIB_SPACE_DESKTOP, left.Rect(1),
         VEL_CALIB_DIAGNOSIS_PRIMARY, 1, false},
        {"range on half the primary",
         1,
         VEL_CALIB_SPACE_PRIMARY,
         {0, 0, 512, 768},
         VEL_CALIB_DIAGNOSIS_UNKNOWN,
         0,
         false},
        // The right space, the touches 2 px off: not a matter of space.
        {"assumed display 2, range on it, 2 px off",
         2,
         VEL_CALIB_SPACE_DISPLAY,
         {-800, 102, 800, 602},
         VEL_CALIB_DIAGNOSIS_DISPLAY,
         2,
         true},
        {"assumed the desktop, range on it, 2 px off",
         1,
         VEL_CALIB_SPACE_DESKTOP,
         {-798, 2, 1824, 768},
         VEL_CALIB_DIAGNOSIS_DESKTOP,
         0,
         true},
    };
    for (const auto& row : kRows) {
        RunPlace place;
        ASSERT_EQ(PlaceRun(left, row.nDisplay, row.nSpace, kCheckTargets, 9, place).kind,
                  PlaceProblem::None)
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
        // A named space is told by its own rectangle, not the fit's.
        if (row.nCode != VEL_CALIB_DIAGNOSIS_UNKNOWN) {
            EXPECT_EQ(RectText(diagnosis.rect), RectText(row.nCode == VEL_CALIB_DIAGNOSIS_DESKTOP
                                                             ? left.desktop
                                                             : left.Rect(row.nDiagnosedDisplay)))
                << row.what;
        }
        EXPECT_EQ(InChosenSpace(diagnosis.rect, place.space), row.bChosen) << row.what;
    }
    // One touch fits no axis.
    RunPlace place;
    ASSERT_EQ(PlaceRun(left, 0, VEL_CALIB_SPACE_PRIMARY, kCorners, 2, place).kind,
              PlaceProblem::None);
    const VEL_CALIB_VERIFY_POINT one = {100, 100, 300, 300, 0.0};
    const Diagnosis none = Diagnose(left, place, &one, 1);
    EXPECT_EQ(none.nCode, uint32_t(VEL_CALIB_DIAGNOSIS_UNKNOWN));
    EXPECT_FALSE(InChosenSpace(none.rect, place.space));
}

// The tools and the simulated screen's driver enumerate the displays each in
// their own code: both number them by one rule, so a display number means
// one display to both.
TEST(DisplaySpace, TheToolsAndTheSimulatedDriverNumberDisplaysAlike) {
    struct Monitor {
        bool known;
        VEL_CALIB_RECT rect;
        bool primary;
    };
    const VEL_CALIB_RECT a = {0, 0, 1024, 768}, b = {-800, 100, 800, 600}, c = {1024, 0, 640, 480};
    const struct {
        const char* what;
        std::vector<Monitor> monitors;
        std::vector<VEL_CALIB_RECT> numbered; // display 1, 2, ...
        uint32_t nPrimary;
    } kRows[] = {
        {"primary first", {{true, a, true}, {true, b, false}}, {a, b}, 1},
        {"primary second", {{true, b, false}, {true, a, true}}, {b, a}, 2},
        {"one the system tells nothing of",
         {{true, b, false}, {false, c, false}, {true, a, true}},
         {b, a},
         2},
        {"no primary flagged", {{true, b, false}, {true, c, false}}, {b, c}, 1},
    };
    for (const auto& row : kRows) {
        std::vector<EnumeratedMonitor> tools;
        std::vector<velsim::SeenMonitor> driver;
        for (const Monitor& m : row.monitors) {
            EnumeratedMonitor monitor;
            monitor.bKnown = m.known;
            monitor.info.rect = m.rect;
            monitor.info.primary = m.primary;
            tools.push_back(monitor);
            driver.push_back(
                {m.known, {m.rect.x, m.rect.y, m.rect.width, m.rect.height}, m.primary});
        }
        const DesktopLayout ours = NumberDisplays(tools, {-800, 0, 2464, 768});
        const velsim::DisplayLayout theirs =
            velsim::LayoutOf(driver, {0, 0, 1024, 768}, {-800, 0, 2464, 768});
        ASSERT_EQ(ours.displays.size(), row.numbered.size()) << row.what;
        ASSERT_EQ(theirs.displays.size(), row.numbered.size()) << row.what;
        for (size_t n = 0; n < row.numbered.size(); ++n) {
            const velsim::PixelRect& r = theirs.displays[n];
            EXPECT_EQ(RectText(ours.displays[n].rect), RectText(row.numbered[n])) << row.what;
            EXPECT_EQ(RectText({r.left, r.top, r.width, r.height}), RectText(row.numbered[n]))
                << row.what;
        }
        EXPECT_EQ(ours.nPrimary, row.nPrimary) << row.what;
        EXPECT_EQ(theirs.primary + 1, row.nPrimary) << row.what;
    }
}

// The auto space over three displays (the primary 1024x768; a portrait
// 600x800 left of it; an 800x600 above it): the simulated panel over each
// display, its driver mapping the range to the primary display, that display
// or the desktop, also turned and mirrored. The four touches are fitted in
// the display's own space and verified where the driver puts the pointer;
// when that fails, the same touches are fitted again for the space the
// diagnosis names and verified again. Every touch lands on its target's
// pixel wherever a space fits.
TEST(DisplaySpace, TheAutoSpaceFitsTheSameTouchesAgainForTheSpaceFound) {
    const DesktopLayout layout = Layout(
        {{0, 0, 1024, 768}, {-600, 0, 600, 800}, {0, -600, 800, 600}}, 1, {-600, -600, 1624, 1400});
    velsim::DisplayLayout driverLayout;
    for (const DisplayInfo& d : layout.displays)
        driverLayout.displays.push_back({d.rect.x, d.rect.y, d.rect.width, d.rect.height});
    driverLayout.desktop = {-600, -600, 1624, 1400};
    using velsim::DriverMaps;
    const velsim::PanelGeometry straight{{{26000, 0}, {0, 25000}}, 0, {32000, 33000}, {0.02, 0.01}};
    velsim::PanelGeometry turned = straight, mirrored = straight;
    turned.orientation = 1;
    mirrored.orientation = 4;
    const struct {
        uint32_t nDisplay;
        DriverMaps maps;
        const velsim::PanelGeometry& panel;
        uint32_t nFound; // the space of the last round; 99: none fits
        int nRounds;
    } kRows[] = {
        {1, DriverMaps::Primary, straight, VEL_CALIB_SPACE_DISPLAY, 1},
        {1, DriverMaps::Display, straight, VEL_CALIB_SPACE_DISPLAY, 1},
        {1, DriverMaps::Desktop, straight, VEL_CALIB_SPACE_DESKTOP, 2},
        {2, DriverMaps::Primary, straight, 99, 1},
        {2, DriverMaps::Display, straight, VEL_CALIB_SPACE_DISPLAY, 1},
        {2, DriverMaps::Desktop, straight, VEL_CALIB_SPACE_DESKTOP, 2},
        {3, DriverMaps::Primary, straight, 99, 1},
        {3, DriverMaps::Display, straight, VEL_CALIB_SPACE_DISPLAY, 1},
        {3, DriverMaps::Desktop, straight, VEL_CALIB_SPACE_DESKTOP, 2},
        {2, DriverMaps::Desktop, turned, VEL_CALIB_SPACE_DESKTOP, 2},
        {2, DriverMaps::Display, mirrored, VEL_CALIB_SPACE_DISPLAY, 1},
    };
    CalibSettings settings;
    settings.nSpace = VEL_CALIB_SPACE_AUTO;
    settings.nVerifyPoints = 5;
    const std::vector<CalibPoint> targets = TargetsOfRun(settings);
    const CollectHelper grid(4, CALIB_PATH_TYPE_0);
    for (const auto& row : kRows) {
        const std::string what = "display " + std::to_string(row.nDisplay) + ", driver " +
                                 velsim::DriverMapsName(row.maps) + ", orientation " +
                                 std::to_string(row.panel.orientation);
        const velsim::PanelModel panel = velsim::PanelModel::FromGeometry(row.panel);
        velsim::GaussianNoise still(1, 0.0);
        // The four touches, each at the centre of the pixel its target is drawn at.
        RunPlace place;
        ASSERT_EQ(PlaceRun(layout, row.nDisplay, FirstSpace(settings), targets.data(),
                           static_cast<int>(targets.size()), place)
                      .kind,
                  PlaceProblem::None)
            << what;
        CalibPoint samples[4];
        for (int i = 0; i < 4; ++i) {
            const CalibPoint pixel = TargetPixel(grid.Targets()[i], place.window);
            double X = 0, Y = 0;
            ASSERT_TRUE(velsim::PanelPoint(pixel.x, pixel.y,
                                           driverLayout.displays[row.nDisplay - 1], &X, &Y));
            const velsim::RawPoint raw = velsim::ScreenToRaw(panel, still, X, Y);
            samples[i] = {raw.x, raw.y};
        }
        // Fits a place, verifies five touches through the driver: the largest error.
        VEL_CALIB_VERIFY_POINT points[5];
        auto verify = [&](const RunPlace& at) {
            CalibPoint inSpace[4];
            int16_t m[8];
            float f[8];
            EXPECT_TRUE(FitInPlace(at, grid.Targets(), samples, 4, inSpace, m, f)) << what;
            velsim::CalibrationSet set;
            for (int i = 0; i < 8; ++i)
                set.m[i] = f[i];
            double dMax = 0.0;
            for (int i = 0; i < 5; ++i) {
                const CalibPoint pixel = TargetPixel(kCheckTargets[i], at.window);
                velsim::PointerInput input;
                EXPECT_TRUE(velsim::MapDeskTouch(pixel.x, pixel.y, driverLayout,
                                                 static_cast<int>(row.nDisplay), panel, still, set,
                                                 row.maps, &input));
                points[i] = {pixel.x, pixel.y, input.pixelX, input.pixelY,
                             std::hypot(input.pixelX - pixel.x, input.pixelY - pixel.y)};
                dMax = std::fmax(dMax, points[i].dErrorPx);
            }
            return dMax;
        };
        int nRounds = 1;
        uint32_t nFound = place.nSpace;
        if (verify(place) > CALIB_DEFAULT_VERIFY_ERROR) {
            RunPlace second;
            if (SecondPlace(layout, place, Diagnose(layout, place, points, 5), targets, second)) {
                ++nRounds;
                nFound = second.nSpace;
                EXPECT_EQ(verify(second), 0.0) << what;
            } else {
                nFound = 99;
            }
        } else {
            EXPECT_EQ(verify(place), 0.0) << what;
        }
        EXPECT_EQ(nFound, row.nFound) << what;
        EXPECT_EQ(nRounds, row.nRounds) << what;
    }
}
