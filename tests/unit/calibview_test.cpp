#include "calibview.h"
#include "collecthelper.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

// Target centres of the four-target run on common screens; fractions dropped.
TEST(CalibView, TargetCentresInPixels) {
    const struct {
        int32_t width, height;
        int32_t centres[4][2];
    } cases[] = {
        {1024, 768, {{64, 48}, {960, 48}, {64, 720}, {960, 720}}},
        {1920, 1080, {{120, 67}, {1800, 67}, {120, 1012}, {1800, 1012}}},
        {1366, 768, {{85, 48}, {1280, 48}, {85, 720}, {1280, 720}}},
        {3840, 2160, {{240, 135}, {3600, 135}, {240, 2025}, {3600, 2025}}},
    };
    CollectHelper collect(4, CALIB_PATH_TYPE_0);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(LogicalToPixel(collect.Targets()[i].x, c.width), c.centres[i][0]);
            EXPECT_EQ(LogicalToPixel(collect.Targets()[i].y, c.height), c.centres[i][1]);
        }
    }
}

// Wide extents and values outside the logical range: never a wrapped product.
TEST(CalibView, LogicalToPixelNeverOverflows) {
    const struct {
        int32_t logical, extent, pixel;
    } rows[] = {
        {32767, 69905, 69902}, // the first width whose product leaves 32 bits
        {30720, 100000, 93750},
        {32767, INT32_MAX, 2147418111},
        {0, INT32_MAX, 0},
        {-32768, 70000, -70000},
        {INT32_MAX, INT32_MAX, INT32_MAX}, // saturates
        {INT32_MIN, INT32_MAX, INT32_MIN},
    };
    for (const auto& row : rows)
        EXPECT_EQ(LogicalToPixel(row.logical, row.extent), row.pixel)
            << row.logical << " of " << row.extent;
}

} // namespace
