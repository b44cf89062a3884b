// The simulated screen as a pointer driver: a desktop pixel through the
// panel, the device's held set and the driver's rectangle to the pointer, on
// a layout whose second display lies left of the primary (negative origin).
#include "drivermap.h"

#include <gtest/gtest.h>

using velsim::CalibrationSet;
using velsim::DisplayLayout;
using velsim::DriverMaps;
using velsim::PixelRect;
using velsim::PointerInput;

namespace {

// Display 1 (primary) 1024×768 at 0,0; display 2 800×600 at −800,100.
const DisplayLayout kLayout{{{0, 0, 1024, 768}, {-800, 100, 800, 600}}, 0, {-800, 0, 1824, 768}};

// raw = (X/2 + 1000, Y/2 + 1000) / (1 + X/100000)
const velsim::PanelModel kPanel({0.5, 0, 1000, 0, 0.5, 1000, 0.00001, 0, 1});

// The panel's exact inverse, as a calibration would find it.
const CalibrationSet kInverse{{2000, 0, -200, 40, 1960, -200, -0.02, 0}};
const CalibrationSet kIdentity{};

} // namespace

TEST(SdkDriver, DeskPixelsReachThePointerThroughPanelHeldSetAndDriverRectangle) {
    struct Row {
        int panelDisplay;
        const CalibrationSet& set;
        DriverMaps maps;
        int x, y;
        int rawX, rawY, logicalX, logicalY, pointerX, pointerY;
    };
    const Row rows[] = {
        // Without a set the device reports raw points: the pointer lands off target.
        {0, kIdentity, DriverMaps::Primary, 512, 384, 7904, 7906, 7904, 7906, 247, 185},
        {0, kInverse, DriverMaps::Primary, 512, 384, 7904, 7906, 16401, 16405, 512, 384},
        {0, kInverse, DriverMaps::Desktop, 512, 384, 7904, 7906, 16401, 16405, 112, 384},
        {0, kInverse, DriverMaps::Display, 1023, 767, 13089, 13087, 32752, 32746, 1023, 767},
        {2, kInverse, DriverMaps::Display, -400, 400, 7905, 7908, 16403, 16410, -400, 400},
        {2, kInverse, DriverMaps::Display, -1, 699, 13088, 13085, 32748, 32740, -1, 699},
        {2, kIdentity, DriverMaps::Display, -400, 400, 7905, 7908, 7905, 7908, -608, 244},
        {2, kInverse, DriverMaps::Primary, -400, 400, 7905, 7908, 16403, 16410, 512, 384},
        {2, kInverse, DriverMaps::Desktop, -800, 100, 1010, 1013, 20, 26, -799, 0},
        {2, kIdentity, DriverMaps::Desktop, -1, 699, 13088, 13085, 13088, 13085, -72, 306},
    };
    for (const Row& row : rows) {
        const std::string where = std::string(velsim::DriverMapsName(row.maps)) + " display " +
                                  std::to_string(row.panelDisplay) + " at " +
                                  std::to_string(row.x) + "," + std::to_string(row.y);
        velsim::GaussianNoise silent(1, 0.0);
        PointerInput in{};
        ASSERT_TRUE(velsim::MapDeskTouch(row.x, row.y, kLayout, row.panelDisplay, kPanel, silent,
                                         row.set, row.maps, &in))
            << where;
        EXPECT_EQ(in.raw.x, row.rawX) << where;
        EXPECT_EQ(in.raw.y, row.rawY) << where;
        EXPECT_EQ(in.logicalX, row.logicalX) << where;
        EXPECT_EQ(in.logicalY, row.logicalY) << where;
        EXPECT_EQ(in.pixelX, row.pointerX) << where;
        EXPECT_EQ(in.pixelY, row.pointerY) << where;
        // The system maps the absolute input back as origin + ⌊n·size/65536⌋.
        EXPECT_EQ(in.virtualDesk, row.maps != DriverMaps::Primary) << where;
        const PixelRect& n = in.virtualDesk ? kLayout.desktop : kLayout.Display(0);
        EXPECT_EQ(n.left + int64_t(in.inputX) * n.width / 65536, row.pointerX) << where;
        EXPECT_EQ(n.top + int64_t(in.inputY) * n.height / 65536, row.pointerY) << where;
    }

    // The panel cannot be touched beyond its display.
    const int offPanel[][3] = {
        {0, -1, 0}, {0, 1024, 10}, {2, 0, 400}, {2, -400, 99}, {2, -400, 700}};
    for (const auto& p : offPanel) {
        velsim::GaussianNoise silent(1, 0.0);
        PointerInput in{};
        EXPECT_FALSE(velsim::MapDeskTouch(p[1], p[2], kLayout, p[0], kPanel, silent, kInverse,
                                          DriverMaps::Display, &in))
            << p[0] << ": " << p[1] << "," << p[2];
    }
}
