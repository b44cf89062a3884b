#include "calibmatrix.h"
#include "collecthelper.h"
#include "panel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace {

const CalibPoint kFourTargets[4] = {{2048, 2048}, {30720, 2048}, {2048, 30720}, {30720, 30720}};

// Outputs start with garbage so that zeroing and "nothing written" are visible.
struct Outputs {
    int16_t m[8];
    float f[8];
    Outputs() {
        for (int k = 0; k < 8; ++k) {
            m[k] = 0x5A5A;
            f[k] = 12345.0f;
        }
    }
    bool AllZero() const {
        for (int k = 0; k < 8; ++k) {
            if (m[k] != 0 || f[k] != 0.0f) {
                return false;
            }
        }
        return true;
    }
};

TEST(CalcCalibMatrix, WorkedExample) {
    const CalibPoint raw[4] = {{1200, 1500}, {31500, 1000}, {900, 31800}, {32000, 32100}};
    const int16_t expected16[8] = {975, 11, 86, 17, 975, 56, 0, 0};
    // Each value to the digits it is known to, with half a unit of the last digit.
    const struct {
        double value, tolerance;
    } expectedF[8] = {{975.2596, 5e-5},     {11.41559, 5e-6},    {86.53920, 5e-6},
                      {17.86164, 5e-6},     {975.0710, 5e-5},    {56.87864, 5e-6},
                      {0.000879241, 5e-10}, {0.000867863, 5e-10}};
    Outputs out;
    ASSERT_TRUE(CalcCalibMatrix(kFourTargets, raw, 4, out.m, out.f));
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(out.m[k], expected16[k]) << "m" << k;
        EXPECT_NEAR(out.f[k], expectedF[k].value, expectedF[k].tolerance) << "m" << k;
    }
}

// Touch points equal to the targets give the identity, whatever the grid. The
// fixed-point gains may read 999: 999.99999999999… truncates toward zero.
TEST(CalcCalibMatrix, IdentityForEveryGrid) {
    const int16_t identity[8] = {1000, 0, 0, 0, 1000, 0, 0, 0};
    for (unsigned char count : {4, 5, 9, 16, 25}) {
        CollectHelper grid(count, CALIB_PATH_TYPE_1);
        Outputs out;
        ASSERT_TRUE(CalcCalibMatrix(grid.Targets(), grid.Targets(), count, out.m, out.f)) << +count;
        for (int k = 0; k < 8; ++k) {
            EXPECT_NEAR(out.f[k], identity[k], 1e-9) << "count " << +count << " m" << k;
            EXPECT_GE(out.m[k], identity[k] == 0 ? 0 : 999) << "count " << +count << " m" << k;
            EXPECT_LE(out.m[k], identity[k]) << "count " << +count << " m" << k;
        }
    }
}

TEST(EncodeCalibMatrix, TruncatesTheFixedPointSetAndRangeChecks) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double coef;
        bool ok;
        int16_t m;
        float f;
    } cases[] = {
        {1999.9999999999998, true, 1999, 2000.0f},
        {-999.9999999999998, true, -999, -1000.0f},
        {3276.7, true, 3276, 3276.7f},
        {0.000879241, true, 0, 0.000879241f},
        {-0.999, true, 0, -0.999f},
        {32767.999, true, 32767, 32767.999f},
        {-32768.0, true, -32768, -32768.0f},
        {32768.0, false, 0, 0.0f},
        {-32768.001, false, 0, 0.0f},
        {1e300, false, 0, 0.0f},
        {nan, false, 0, 0.0f},
        {inf, false, 0, 0.0f},
        {-inf, false, 0, 0.0f},
    };
    for (const auto& c : cases) {
        // The coefficient under test sits last so that a refusal must cover the whole set.
        const double coef[8] = {1000.0, 0.0, 0.0, 0.0, 1000.0, 0.0, 0.0, c.coef};
        Outputs out;
        ASSERT_EQ(EncodeCalibMatrix(coef, out.m, out.f), c.ok) << c.coef;
        if (c.ok) {
            EXPECT_EQ(out.m[0], 1000);
            EXPECT_EQ(out.m[7], c.m) << c.coef;
            EXPECT_EQ(out.f[7], c.f) << c.coef;
        } else {
            Outputs untouched;
            EXPECT_EQ(std::memcmp(&out, &untouched, sizeof out), 0) << c.coef;
        }
    }
}

// Inputs that must be refused with both outputs zeroed.
TEST(CalcCalibMatrix, RefusalsLeaveZeroedOutputs) {
    struct Case {
        const char* name;
        std::vector<CalibPoint> raw;
        std::vector<CalibPoint> targets;
    };
    const std::vector<CalibPoint> four(kFourTargets, kFourTargets + 4);
    const Case cases[] = {
        // Touch range 1/40 of the logical range: gain 40 → 40000 thousandths.
        {"gain overflow", {{51, 51}, {768, 51}, {51, 768}, {768, 768}}, four},
        // Mirrored small range: gain −40, below the 16-bit range.
        {"negative gain overflow", {{768, 51}, {51, 51}, {768, 768}, {51, 768}}, four},
        {"three pairs",
         {{1200, 1500}, {31500, 1000}, {900, 31800}},
         {four.begin(), four.end() - 1}},
        {"raw x always zero", {{0, 1500}, {0, 1000}, {0, 31800}, {0, 32100}}, four},
        {"all raw points equal", {{500, 500}, {500, 500}, {500, 500}, {500, 500}}, four},
        {"all points zero", {{0, 0}, {0, 0}, {0, 0}, {0, 0}}, {{0, 0}, {0, 0}, {0, 0}, {0, 0}}},
        {"collinear raw points", {{100, 100}, {200, 200}, {300, 300}, {400, 400}}, four},
    };
    for (const Case& c : cases) {
        Outputs out;
        const auto n = static_cast<unsigned char>(c.raw.size());
        EXPECT_FALSE(CalcCalibMatrix(c.targets.data(), c.raw.data(), n, out.m, out.f)) << c.name;
        EXPECT_TRUE(out.AllZero()) << c.name;
    }
}

// Degenerate and random point sets: a true result always carries finite
// coefficients in the 16-bit range, a false one zeroed outputs.
TEST(CalcCalibMatrix, NeverTrueWithUnusableCoefficients) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coord(0, 65535);
    std::uniform_int_distribution<int> small(0, 3);
    int nTrue = 0;
    for (int trial = 0; trial < 2000; ++trial) {
        CalibPoint scr[6], raw[6];
        for (int k = 0; k < 6; ++k) {
            // Mix full-range values with a tiny set so duplicates and lines are common.
            const bool bTiny = trial % 2 == 0;
            scr[k] = {bTiny ? small(rng) * 1000 : coord(rng),
                      bTiny ? small(rng) * 1000 : coord(rng)};
            raw[k] = {bTiny ? small(rng) : coord(rng), bTiny ? small(rng) : coord(rng)};
        }
        Outputs out;
        const auto n = static_cast<unsigned char>(4 + trial % 3);
        if (CalcCalibMatrix(scr, raw, n, out.m, out.f)) {
            ++nTrue;
            for (int k = 0; k < 8; ++k) {
                ASSERT_TRUE(std::isfinite(out.f[k])) << trial;
                ASSERT_GE(out.f[k], -32768.0f) << trial;
                ASSERT_LT(out.f[k], 32768.0f) << trial;
            }
        } else {
            ASSERT_TRUE(out.AllZero()) << trial;
        }
    }
    EXPECT_GT(nTrue, 0);
}

#ifndef NDEBUG
TEST(CalcCalibMatrixDeathTest, PreconditionsInOrder) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    float f[8];
    EXPECT_DEATH(CalcCalibMatrix(NULL, NULL, 0, NULL, f), "pScrPoints != NULL");
    EXPECT_DEATH(CalcCalibMatrix(kFourTargets, NULL, 0, NULL, f), "pTagPoints != NULL");
    EXPECT_DEATH(CalcCalibMatrix(kFourTargets, kFourTargets, 0, NULL, f), "nPointCount != 0");
    EXPECT_DEATH(CalcCalibMatrix(kFourTargets, kFourTargets, 4, NULL, f), "pMatrix != NULL");
}
#else
TEST(CalcCalibMatrix, BrokenPreconditionsRefuseInRelease) {
    Outputs out;
    EXPECT_FALSE(CalcCalibMatrix(NULL, kFourTargets, 4, out.m, out.f));
    EXPECT_TRUE(out.AllZero());
    EXPECT_FALSE(CalcCalibMatrix(kFourTargets, kFourTargets, 0, out.m, out.f));
    EXPECT_FALSE(CalcCalibMatrix(kFourTargets, kFourTargets, 4, NULL, out.f));
    EXPECT_FALSE(CalcCalibMatrix(kFourTargets, kFourTargets, 4, out.m, NULL));
}
#endif

// ---- Householder QR ------------------------------------------------------

std::vector<double> RandomMatrix(std::mt19937& rng, int m, int n) {
    std::uniform_real_distribution<double> d(-100.0, 100.0);
    std::vector<double> a(static_cast<std::size_t>(m) * n);
    for (double& v : a) {
        v = d(rng);
    }
    return a;
}

TEST(HouseholderQR, FactorsIntoOrthogonalTimesUpperTriangular) {
    std::mt19937 rng(1);
    const int shapes[][2] = {{1, 1}, {3, 3}, {5, 3}, {8, 8}, {10, 8}, {50, 8}, {9, 1}};
    for (const auto& s : shapes) {
        const int m = s[0], n = s[1];
        for (int rep = 0; rep < 20; ++rep) {
            const std::vector<double> a0 = RandomMatrix(rng, m, n);
            std::vector<double> r = a0, q(static_cast<std::size_t>(m) * m, -1.0);
            ASSERT_TRUE(HouseholderQR(r.data(), m, n, q.data())) << m << "x" << n;
            for (int i = 0; i < m; ++i) {
                for (int j = 0; j < n; ++j) {
                    if (i > j) {
                        EXPECT_EQ(r[i * n + j], 0.0) << "R below diagonal " << i << "," << j;
                    }
                    double qr = 0.0;
                    for (int k = 0; k < m; ++k) {
                        qr += q[i * m + k] * (k <= j ? r[k * n + j] : 0.0);
                    }
                    EXPECT_NEAR(qr, a0[i * n + j], 1e-10) << "A = QR at " << i << "," << j;
                }
                for (int j = 0; j < m; ++j) {
                    double qtq = 0.0;
                    for (int k = 0; k < m; ++k) {
                        qtq += q[k * m + i] * q[k * m + j];
                    }
                    EXPECT_NEAR(qtq, i == j ? 1.0 : 0.0, 1e-12) << "QtQ at " << i << "," << j;
                }
            }
        }
    }
}

TEST(HouseholderQR, RefusesWideAndVanishingColumns) {
    std::vector<double> a(4 * 8, 1.0), q(16 * 16);
    EXPECT_FALSE(HouseholderQR(a.data(), 4, 8, q.data()));
    std::vector<double> b(4 * 8, 1.0);
    EXPECT_FALSE(SolveLeastSquares(a.data(), 4, 8, b.data()));

    // The test is absolute: a column of size 1e-17 counts as zero, 1e-3 does not.
    for (double tiny : {1e-17, 1e-3}) {
        std::vector<double> c = {tiny, 1.0, 0.0, 2.0, 0.0, 3.0};
        std::vector<double> qc(9);
        EXPECT_EQ(HouseholderQR(c.data(), 3, 2, qc.data()), tiny > 1e-10) << tiny;
    }
}

// The least-squares solution leaves a residual orthogonal to the columns of A.
TEST(SolveLeastSquares, ResidualIsOrthogonalToColumns) {
    std::mt19937 rng(3);
    for (int m : {8, 12, 50}) {
        const int n = 8;
        const std::vector<double> a0 = RandomMatrix(rng, m, n);
        const std::vector<double> b0 = RandomMatrix(rng, m, 1);
        std::vector<double> a = a0, x = b0;
        ASSERT_TRUE(SolveLeastSquares(a.data(), m, n, x.data()));
        for (int j = 0; j < n; ++j) {
            double dot = 0.0;
            for (int i = 0; i < m; ++i) {
                double ax = 0.0;
                for (int k = 0; k < n; ++k) {
                    ax += a0[i * n + k] * x[k];
                }
                dot += a0[i * n + j] * (ax - b0[i]);
            }
            EXPECT_NEAR(dot, 0.0, 1e-8) << m << " rows, column " << j;
        }
    }
}

// ---- Round trips through known panels -----------------------------------

// A random panel of the simulated screen's model: scale with shear, the given
// orientation, a shifted centre and a keystone of up to ±keystone.
velsim::PanelModel RandomPanel(std::mt19937& rng, int orientation, double keystone) {
    std::uniform_real_distribution<double> scale(18000.0, 30000.0), shear(-0.02, 0.02),
        shift(-2000.0, 2000.0), key(-keystone, keystone);
    const double sx = scale(rng), sy = scale(rng), h = shear(rng);
    const velsim::PanelGeometry geometry{{{sx, h * sx}, {h * sy, sy}},
                                         orientation,
                                         {32768.0 + shift(rng), 32768.0 + shift(rng)},
                                         {key(rng), key(rng)}};
    return velsim::PanelModel::FromGeometry(geometry);
}

// Largest error, in logical units, of the single-precision set read back as the
// device does, over a 17 × 17 grid of the whole screen (corners included, so
// the fit is also judged outside the targets).
double HeldOutError(const velsim::PanelModel& panel, const float* m) {
    double worst = 0.0;
    for (int i = 0; i <= 16; ++i) {
        for (int j = 0; j <= 16; ++j) {
            const double X = i * 32767.0 / 16, Y = j * 32767.0 / 16;
            double x, y;
            panel.Map(X, Y, &x, &y);
            double fx = 0.0, fy = 0.0;
            MapRaw(SetOf(m), x, y, fx, fy);
            worst = std::max(worst, std::hypot(fx - X, fy - Y));
        }
    }
    return worst;
}

// Raw points are the targets sent through a known panel (rounded, plus noise);
// the fit must map the panel back onto the screen at held-out points, for all
// eight orientations.
TEST(CalcCalibMatrix, RoundTripThroughKnownPanels) {
    const struct {
        unsigned char count;
        double keystone;
        double noise;     // σ of the raw points, raw units
        double tolerance; // worst held-out error, logical units (32768 = full screen)
    } cases[] = {
        {4, 0.0, 0.0, 4.0},   {4, 0.04, 0.0, 4.0},   {9, 0.04, 0.0, 3.0},
        {25, 0.04, 0.0, 3.0}, {25, 0.04, 2.0, 16.0}, {4, 0.04, 3.0, 32.0},
    };
    std::mt19937 rng(11);
    for (const auto& c : cases) {
        std::normal_distribution<double> noise(0.0, c.noise > 0.0 ? c.noise : 1.0);
        const CollectHelper grid(c.count, CALIB_PATH_TYPE_0);
        for (int trial = 0; trial < 400; ++trial) {
            const int orientation = trial % 8;
            const velsim::PanelModel panel = RandomPanel(rng, orientation, c.keystone);
            CalibPoint raw[25];
            for (int k = 0; k < c.count; ++k) {
                double x, y;
                panel.Map(grid.Targets()[k].x, grid.Targets()[k].y, &x, &y);
                if (c.noise > 0.0) {
                    x += noise(rng);
                    y += noise(rng);
                }
                raw[k] = {static_cast<int32_t>(std::lround(x)),
                          static_cast<int32_t>(std::lround(y))};
            }
            Outputs out;
            ASSERT_TRUE(CalcCalibMatrix(grid.Targets(), raw, c.count, out.m, out.f));
            EXPECT_LT(HeldOutError(panel, out.f), c.tolerance)
                << +c.count << " points, orientation " << orientation;
            EXPECT_TRUE(IsPlausibleCalibration(grid.Targets(), raw, c.count, out.f))
                << +c.count << " points, orientation " << orientation;
        }
    }
}

// Measurements no panel can give: an exact fit may exist, but the set must
// not reach the device.
TEST(IsPlausibleCalibration, RefusesWhatNoPanelProduces) {
    std::mt19937 rng(5);
    const velsim::PanelModel panel = RandomPanel(rng, 0, 0.04);
    CalibPoint good[4];
    for (int k = 0; k < 4; ++k) {
        double x, y;
        panel.Map(kFourTargets[k].x, kFourTargets[k].y, &x, &y);
        good[k] = {static_cast<int32_t>(std::lround(x)), static_cast<int32_t>(std::lround(y))};
    }
    const struct {
        const char* what;
        CalibPoint raw[4];
    } cases[] = {
        {"second target touched at the first", {good[0], good[0], good[2], good[3]}},
        {"fourth target touched at the third", {good[0], good[1], good[2], good[2]}},
        {"two targets two raw units apart",
         {good[0], {good[0].x + 2, good[0].y}, good[2], good[3]}},
        {"targets a few raw units apart", {{0, 0}, {2, 3}, {5, 1}, {4, 6}}},
        {"far corner near the others", {{1000, 1000}, {30000, 1000}, {1000, 30000}, {1100, 1100}}},
        {"three targets on a line",
         {good[0], good[1], {(good[0].x + good[3].x) / 2, (good[0].y + good[3].y) / 2}, good[3]}},
    };
    for (const auto& c : cases) {
        Outputs out;
        const bool fitted = CalcCalibMatrix(kFourTargets, c.raw, 4, out.m, out.f);
        EXPECT_FALSE(fitted && IsPlausibleCalibration(kFourTargets, c.raw, 4, out.f)) << c.what;
    }
    Outputs out;
    ASSERT_TRUE(CalcCalibMatrix(kFourTargets, good, 4, out.m, out.f));
    EXPECT_TRUE(IsPlausibleCalibration(kFourTargets, good, 4, out.f));
    out.f[6] = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(IsPlausibleCalibration(kFourTargets, good, 4, out.f));
}

} // namespace
