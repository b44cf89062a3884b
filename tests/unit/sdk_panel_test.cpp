// The simulated panel: the projective map from screen to raw units, rounding
// and clamping, and the seeded noise.
#include "panel.h"

#include <gtest/gtest.h>

#include <cmath>

using velsim::GaussianNoise;
using velsim::PanelModel;
using velsim::RawPoint;

TEST(SdkPanel, MapsLogicalPointsToRoundedClampedRawPoints) {
    struct Row {
        const char* panel;
        double X, Y;
        int x, y;
    };
    const Row rows[] = {
        {"1 0 0 0 1 0 0 0 1", 100, 200, 100, 200},
        {"0.9 0.03 400 0.02 0.88 350 0 0 1", 0, 0, 400, 350},
        {"0.9 0.03 400 0.02 0.88 350 0 0 1", 32767, 32767, 30873, 29840},
        {"2 0 0.5 0 2 -0.5 0 0 1", 10, 10, 21, 20},       // halves round away from zero
        {"1 0 0 0 1 0 0.001 0 1", 1000, 3000, 500, 1500}, // projective term
        {"4 0 0 0 -1 0 0 0 1", 20000, 5, 65535, 0},       // clamped both ways
        {"1 0 0 0 1 0 0 0 0", 10, 10, 65535, 65535},      // vanishing denominator
        {"0 0 0 0 0 0 0 0 0", 10, 10, 0, 0},              // 0/0
    };
    for (const Row& row : rows) {
        GaussianNoise silent(1, 0.0);
        RawPoint raw = velsim::ScreenToRaw(*PanelModel::Parse(row.panel), silent, row.X, row.Y);
        EXPECT_EQ(raw.x, row.x) << row.panel << " at " << row.X << "," << row.Y;
        EXPECT_EQ(raw.y, row.y) << row.panel << " at " << row.X << "," << row.Y;
    }
}

// Screen point (8192, 0), u = −¼, v = −½, on a panel 20000 × 10000 raw units
// centred at (30000, 30000): each orientation puts it elsewhere.
TEST(SdkPanel, GeometryPlacesEachOrientationAndTheKeystone) {
    struct Row {
        int orientation;
        double keystoneX;
        double X, Y;
        int x, y;
    };
    const Row rows[] = {
        {0, 0, 8192, 0, 25000, 25000},        {1, 0, 8192, 0, 40000, 27500},
        {2, 0, 8192, 0, 35000, 35000},        {3, 0, 8192, 0, 20000, 32500},
        {4, 0, 8192, 0, 35000, 25000},        {5, 0, 8192, 0, 20000, 27500},
        {6, 0, 8192, 0, 25000, 35000},        {7, 0, 8192, 0, 40000, 32500},
        {0, 0.5, 24576, 16384, 31111, 26667}, // (35000, 30000) / 1.125
    };
    for (const Row& row : rows) {
        const PanelModel panel = PanelModel::FromGeometry(
            {{{20000, 0}, {0, 10000}}, row.orientation, {30000, 30000}, {row.keystoneX, 0}});
        GaussianNoise silent(1, 0.0);
        RawPoint raw = velsim::ScreenToRaw(panel, silent, row.X, row.Y);
        EXPECT_EQ(raw.x, row.x) << "orientation " << row.orientation;
        EXPECT_EQ(raw.y, row.y) << "orientation " << row.orientation;
    }
}

TEST(SdkPanel, ParseWantsExactlyNineFiniteNumbers) {
    for (const char* text : {"", "1 0 0 0 1 0 0 0", "1 0 0 0 1 0 0 0 1 0", "1 0 0 0 1 0 0 0 x",
                             "1 0 0 0 1 0 0 0 inf", "1 0 0 0 1 0 0 0 1e999"})
        EXPECT_FALSE(PanelModel::Parse(text)) << text;
    EXPECT_TRUE(PanelModel::Parse("  1e0 0 -0 0 1.0 0 0 0 1 "));
}

TEST(SdkPanel, NoiseIsSeededAndHasItsSigma) {
    GaussianNoise a(7, 3.0), b(7, 3.0), c(8, 3.0);
    bool differs = false;
    for (int i = 0; i < 100; ++i) {
        double va = a.Next();
        EXPECT_EQ(va, b.Next());
        differs = differs || va != c.Next();
    }
    EXPECT_TRUE(differs);

    GaussianNoise noise(12345, 2.0);
    const int n = 20000;
    double sum = 0, squares = 0;
    for (int i = 0; i < n; ++i) {
        double v = noise.Next();
        sum += v;
        squares += v * v;
    }
    double mean = sum / n;
    EXPECT_NEAR(mean, 0.0, 0.05);
    EXPECT_NEAR(std::sqrt(squares / n - mean * mean), 2.0, 0.05);

    GaussianNoise silent(1, 0.0);
    EXPECT_EQ(silent.Next(), 0.0);
}

TEST(SdkPanel, PixelsScaleToTheLogicalExtent) {
    EXPECT_EQ(velsim::PixelToLogical(0, 1024), 0.0);
    EXPECT_EQ(velsim::PixelToLogical(512, 1024), 16384.0);
    EXPECT_EQ(velsim::PixelToLogical(1023, 1024), 32736.0);
    EXPECT_EQ(velsim::PixelToLogical(2000, 1024), 32767.0);
    EXPECT_EQ(velsim::PixelToLogical(-5, 1024), 0.0);
    EXPECT_EQ(velsim::PixelToLogical(5, 0), 0.0);
}
