// Accuracy study of the four-target calibration on simulated panels.
//
// Each trial draws a panel (logical screen → raw touch), feeds the collector a
// noisy sample stream at each of its four targets until its stable-sample rule
// holds, lifts, and fits the four measurements. The fits are then judged on a
// 1920 × 1080 screen at a 17 × 17 grid of points, in pixels: the projective fit
// as the device applies it (single-precision set, and the 16-bit set, which
// loses the denominator terms), and for comparison a 3-point exact affine fit,
// a 4-point affine least-squares fit and an axis-only fit on the same
// measurements (those three in double precision).
//
// Two more tables follow: the projective fit as the device applies it
// (single-precision set) with 4, 9, 16 and 25 targets on the same panels and
// on a bowed one that no projective map represents (PanelModel::WithBow,
// BOW raw units at the corners); and how well the mean error at StartCalibrateEx's
// check targets, measured with the collector's rule like the targets, estimates
// the true mean error over the grid: their ratio over the panels.
//
// Usage: calib_accuracy [trials per cell]   (default 1000; seeds are fixed)
#include "calibmatrix.h"
#include "calibresult.h"
#include "collecthelper.h"
#include "panel.h"

#include <Eigen/Dense>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

const double SCREEN_W = 1920.0;
const double SCREEN_H = 1080.0;
const int GRID = 17;
const int TARGETS = 4;
const int MAX_SAMPLES = 100000; // per target; never reached in practice

enum PanelKind {
    PANEL_AFFINE,
    PANEL_KEYSTONE,
    PANEL_ORIENTED,
    PANEL_KINDS,
    PANEL_BOWED = PANEL_KINDS
};
const char* const PANEL_NAMES[PANEL_KINDS + 1] = {"affine", "keystone ±2 %", "rotated/mirrored",
                                                  "keystone ±2 % + bow"};
// The bow of PANEL_BOWED, raw units at the corners: about 0.35 % of a span of
// 27000…31000, 6.7 px across 1920 pixels.
const double BOW = 100.0;

// A random panel of the simulated screen's model (sdk/panel.h): scale with a
// little shear, for PANEL_ORIENTED one of the seven rotations/mirrors besides
// the upright one, a shifted centre and, for PANEL_KEYSTONE, a keystone.
velsim::PanelModel RandomPanel(std::mt19937& rng, PanelKind kind) {
    if (kind == PANEL_BOWED) {
        return RandomPanel(rng, PANEL_KEYSTONE).WithBow(BOW);
    }
    std::uniform_real_distribution<double> scale(27000.0, 31000.0), shear(-0.015, 0.015),
        shift(-1500.0, 1500.0), key(-0.04, 0.04);
    std::uniform_int_distribution<int> orientation(1, 7);
    const int o = kind == PANEL_ORIENTED ? orientation(rng) : 0;
    const double sx = scale(rng), sy = scale(rng), hx = shear(rng), hy = shear(rng);
    // The denominator 1 + k·(u − ½, v − ½) spans 1 ± 0.02 along each axis.
    const velsim::PanelGeometry geometry{
        {{sx, hx * sx}, {hy * sy, sy}},
        o,
        {32768.0 + shift(rng), 32768.0 + shift(rng)},
        {kind == PANEL_KEYSTONE ? key(rng) : 0.0, kind == PANEL_KEYSTONE ? key(rng) : 0.0}};
    return velsim::PanelModel::FromGeometry(geometry);
}

// Raw point → logical point as one fit predicts it.
typedef std::function<void(double x, double y, double& X, double& Y)> Mapping;

enum FitKind { FIT_FLOAT, FIT_16BIT, FIT_AFFINE3, FIT_AFFINE4, FIT_AXIS, FIT_KINDS };
const char* const FIT_NAMES[FIT_KINDS] = {"projective, float set", "projective, 16-bit set",
                                          "affine, 3 points exact", "affine, 4 points LSQ",
                                          "axis only, 4 points LSQ"};

// The coefficient set m0…m7 as the device reads it back.
template <typename T> Mapping DeviceMapping(const T* m) {
    const CoefficientSet set = SetOf(m);
    return [=](double x, double y, double& X, double& Y) { MapRaw(set, x, y, X, Y); };
}

// X = a·x + b·y + c and Y = d·x + e·y + f by least squares over the given
// pairs (exact for three); with bAxisOnly, X from x alone and Y from y alone.
Mapping AffineMapping(const CalibPoint* scr, const CalibPoint* raw, int n, bool bAxisOnly) {
    const int cols = bAxisOnly ? 2 : 3;
    Eigen::MatrixXd ax(n, cols), ay(n, cols);
    Eigen::VectorXd bx(n), by(n);
    for (int k = 0; k < n; ++k) {
        if (bAxisOnly) {
            ax.row(k) << raw[k].x, 1.0;
            ay.row(k) << raw[k].y, 1.0;
        } else {
            ax.row(k) << raw[k].x, raw[k].y, 1.0;
            ay.row(k) << raw[k].x, raw[k].y, 1.0;
        }
        bx(k) = scr[k].x;
        by(k) = scr[k].y;
    }
    const Eigen::VectorXd hx = ax.colPivHouseholderQr().solve(bx);
    const Eigen::VectorXd hy = ay.colPivHouseholderQr().solve(by);
    if (bAxisOnly) {
        return [=](double x, double y, double& X, double& Y) {
            X = hx(0) * x + hx(1);
            Y = hy(0) * y + hy(1);
        };
    }
    return [=](double x, double y, double& X, double& Y) {
        X = hx(0) * x + hx(1) * y + hx(2);
        Y = hy(0) * x + hy(1) * y + hy(2);
    };
}

// The collector's measurement of one target: samples around the true raw
// point, each coordinate with Gaussian noise rounded to whole raw units, until
// the stable-sample rule holds; then the lift stores the anchor.
void Measure(CollectHelper& helper, double x, double y, double sigma, std::mt19937& rng) {
    std::normal_distribution<double> noise(0.0, sigma > 0.0 ? sigma : 1.0);
    for (int i = 0; i < MAX_SAMPLES && !helper.IsStable(); ++i) {
        const double nx = sigma > 0.0 ? noise(rng) : 0.0;
        const double ny = sigma > 0.0 ? noise(rng) : 0.0;
        helper.InputPoint(static_cast<int32_t>(std::lround(x + nx)),
                          static_cast<int32_t>(std::lround(y + ny)));
    }
    helper.ConfirmPoint();
}

struct Stats {
    double mean, p95, max;
};

Stats Summarise(std::vector<double>& errors) {
    if (errors.empty()) {
        return {NAN, NAN, NAN};
    }
    double sum = 0.0;
    for (double e : errors) {
        sum += e;
    }
    const std::size_t i95 = static_cast<std::size_t>(0.95 * (errors.size() - 1));
    std::nth_element(errors.begin(), errors.begin() + i95, errors.end());
    const double p95 = errors[i95];
    const double max = *std::max_element(errors.begin(), errors.end());
    return {sum / errors.size(), p95, max};
}

// One cell of the table: errors in pixels of every fit over all trials.
struct Cell {
    std::vector<double> errors[FIT_KINDS];
    int refused = 0;     // trials where CalcCalibMatrix said false
    int implausible = 0; // fitted, but refused by the plausibility check
};

void RunTrial(PanelKind kind, double sigma, std::mt19937& rng, Cell& cell) {
    const velsim::PanelModel panel = RandomPanel(rng, kind);
    CollectHelper helper(TARGETS, CALIB_PATH_TYPE_0);
    helper.Start(nullptr, nullptr, nullptr, nullptr);
    for (int k = 0; k < TARGETS; ++k) {
        double x, y;
        panel.Map(helper.Targets()[k].x, helper.Targets()[k].y, &x, &y);
        Measure(helper, x, y, sigma, rng);
    }
    if (!helper.IsFinished()) {
        std::fprintf(stderr, "collector did not finish\n");
        std::exit(1);
    }

    int16_t m[8];
    float f[8];
    Mapping fits[FIT_KINDS];
    const bool bFitted = CalcCalibMatrix(helper.Targets(), helper.Samples(), TARGETS, m, f);
    if (!bFitted) {
        ++cell.refused;
    } else if (!IsPlausibleCalibration(helper.Targets(), helper.Samples(), TARGETS, f)) {
        ++cell.implausible;
    }
    fits[FIT_FLOAT] = DeviceMapping(f);
    fits[FIT_16BIT] = DeviceMapping(m);
    fits[FIT_AFFINE3] = AffineMapping(helper.Targets(), helper.Samples(), 3, false);
    fits[FIT_AFFINE4] = AffineMapping(helper.Targets(), helper.Samples(), TARGETS, false);
    fits[FIT_AXIS] = AffineMapping(helper.Targets(), helper.Samples(), TARGETS, true);

    for (int i = 0; i < GRID; ++i) {
        for (int j = 0; j < GRID; ++j) {
            const double px = i * (SCREEN_W - 1.0) / (GRID - 1);
            const double py = j * (SCREEN_H - 1.0) / (GRID - 1);
            double x, y;
            panel.Map(px * 32768.0 / SCREEN_W, py * 32768.0 / SCREEN_H, &x, &y);
            for (int fit = 0; fit < FIT_KINDS; ++fit) {
                if (!bFitted && (fit == FIT_FLOAT || fit == FIT_16BIT)) {
                    continue;
                }
                double X, Y;
                fits[fit](x, y, X, Y);
                const double ex = X * SCREEN_W / 32768.0 - px;
                const double ey = Y * SCREEN_H / 32768.0 - py;
                cell.errors[fit].push_back(std::hypot(ex, ey));
            }
        }
    }
}

// The errors in pixels of one mapping at the 17 × 17 grid, appended to `errors`.
void GridErrors(const velsim::PanelModel& panel, const Mapping& fit, std::vector<double>& errors) {
    for (int i = 0; i < GRID; ++i) {
        for (int j = 0; j < GRID; ++j) {
            const double px = i * (SCREEN_W - 1.0) / (GRID - 1);
            const double py = j * (SCREEN_H - 1.0) / (GRID - 1);
            double x, y, X, Y;
            panel.Map(px * 32768.0 / SCREEN_W, py * 32768.0 / SCREEN_H, &x, &y);
            fit(x, y, X, Y);
            errors.push_back(std::hypot(X * SCREEN_W / 32768.0 - px, Y * SCREEN_H / 32768.0 - py));
        }
    }
}

// One panel calibrated with n targets as a run measures them; false when the
// fit is refused. The grid errors of the single-precision set go to `grid`,
// and with nChecks the ratio of the check targets' mean error to the grid's.
bool Calibrate(const velsim::PanelModel& panel, int nTargets, int nChecks, double sigma,
               std::mt19937& rng, std::vector<double>* pGrid, double* pRatio) {
    CollectHelper helper(static_cast<unsigned char>(nTargets), CALIB_PATH_TYPE_0);
    helper.Start(nullptr, nullptr, nullptr, nullptr);
    for (int k = 0; k < nTargets; ++k) {
        double x, y;
        panel.Map(helper.Targets()[k].x, helper.Targets()[k].y, &x, &y);
        Measure(helper, x, y, sigma, rng);
    }
    int16_t m[8];
    float f[8];
    if (!CalcCalibMatrix(helper.Targets(), helper.Samples(), static_cast<unsigned char>(nTargets),
                         m, f)) {
        return false;
    }
    const Mapping fit = DeviceMapping(f);
    if (pGrid != nullptr) {
        GridErrors(panel, fit, *pGrid);
    }
    if (pRatio != nullptr) {
        CollectHelper checks(CALIB_MIN_POINTS, CALIB_PATH_TYPE_0);
        checks.UseTargets(kCheckTargets, nChecks);
        checks.Start(nullptr, nullptr, nullptr, nullptr);
        for (int k = 0; k < nChecks; ++k) {
            double x, y;
            panel.Map(checks.Targets()[k].x, checks.Targets()[k].y, &x, &y);
            Measure(checks, x, y, sigma, rng);
        }
        double sum = 0.0;
        for (int k = 0; k < nChecks; ++k) {
            sum += ErrorPixels(SetOf(f), checks.Targets()[k], checks.Samples()[k],
                               static_cast<int32_t>(SCREEN_W), static_cast<int32_t>(SCREEN_H));
        }
        std::vector<double> grid;
        GridErrors(panel, fit, grid);
        double gridSum = 0.0;
        for (double e : grid) {
            gridSum += e;
        }
        *pRatio = (sum / nChecks) / (gridSum / grid.size());
    }
    return true;
}

double Quantile(std::vector<double> values, double q) {
    const std::size_t i = static_cast<std::size_t>(q * (values.size() - 1));
    std::nth_element(values.begin(), values.begin() + i, values.end());
    return values[i];
}

// The tables of targets and of check points (see the top of the file).
void TargetsAndChecks(int trials) {
    const double sigmas[] = {0.0, 1.0, 3.0};
    const int counts[] = {4, 9, 16, 25};
    std::printf("\nSingle-precision set, error in pixels on 1920 x 1080 over the 17 x 17 grid, "
                "%d panels per cell; bow %g raw units at the corners.\n\n",
                trials, BOW);
    std::printf(
        "| panel | targets | σ=0 mean | p95 | max | σ=1 mean | p95 | max | σ=3 mean | p95 | "
        "max |\n|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    int refused = 0;
    for (int kind = 0; kind <= PANEL_BOWED; ++kind) {
        for (int n : counts) {
            std::printf("| %s | %d |", PANEL_NAMES[kind], n);
            for (int s = 0; s < 3; ++s) {
                std::mt19937 rng(50000u + 1000u * kind + 10u * n + s);
                std::vector<double> errors;
                for (int t = 0; t < trials; ++t) {
                    refused += !Calibrate(RandomPanel(rng, static_cast<PanelKind>(kind)), n, 0,
                                          sigmas[s], rng, &errors, nullptr);
                }
                const Stats st = Summarise(errors);
                std::printf(" %.2f | %.2f | %.2f |", st.mean, st.p95, st.max);
            }
            std::printf("\n");
        }
    }
    std::printf("\nFits refused: %d.\n", refused);

    std::printf("\nCheck targets' mean error / true grid mean error, %d panels per cell: median "
                "(5th-95th percentile).\n\n",
                trials);
    std::printf("| panel | targets | checks | σ=0 | σ=1 | σ=3 |\n|---|---:|---:|---|---|---|\n");
    for (int kind = 0; kind <= PANEL_BOWED; ++kind) {
        for (int n : {4, 9}) {
            for (int nChecks : {5, 9}) {
                std::printf("| %s | %d | %d |", PANEL_NAMES[kind], n, nChecks);
                for (int s = 0; s < 3; ++s) {
                    std::mt19937 rng(90000u + 1000u * kind + 10u * n + nChecks + 100u * s);
                    std::vector<double> ratios;
                    for (int t = 0; t < trials; ++t) {
                        double ratio = 0.0;
                        if (Calibrate(RandomPanel(rng, static_cast<PanelKind>(kind)), n, nChecks,
                                      sigmas[s], rng, nullptr, &ratio)) {
                            ratios.push_back(ratio);
                        }
                    }
                    std::printf(" %.2f (%.2f-%.2f) |", Quantile(ratios, 0.5),
                                Quantile(ratios, 0.05), Quantile(ratios, 0.95));
                }
                std::printf("\n");
            }
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    const int trials = argc > 1 ? std::atoi(argv[1]) : 1000;
    if (trials <= 0) {
        std::fprintf(stderr, "usage: calib_accuracy [trials per cell]\n");
        return 2;
    }
    const double sigmas[] = {0.0, 1.0, 3.0};
    const int nSigmas = sizeof sigmas / sizeof sigmas[0];

    Stats stats[PANEL_KINDS][FIT_KINDS][nSigmas];
    int refused = 0, implausible = 0;
    for (int kind = 0; kind < PANEL_KINDS; ++kind) {
        for (int s = 0; s < nSigmas; ++s) {
            // Each cell has its own seed, so cells do not depend on each other.
            std::mt19937 rng(1000u * kind + s + 1u);
            Cell cell;
            for (int t = 0; t < trials; ++t) {
                RunTrial(static_cast<PanelKind>(kind), sigmas[s], rng, cell);
            }
            refused += cell.refused;
            implausible += cell.implausible;
            for (int fit = 0; fit < FIT_KINDS; ++fit) {
                stats[kind][fit][s] = Summarise(cell.errors[fit]);
            }
        }
    }

    std::printf("Calibration error in pixels on a 1920 x 1080 screen, 17 x 17 grid, "
                "%d panels per noise level, 4 targets; raw span ~27000-31000 per axis.\n",
                trials);
    std::printf("Projective fits refused: %d; fitted but judged implausible: %d.\n\n", refused,
                implausible);
    std::printf("| panel | fit |");
    for (double sigma : sigmas) {
        std::printf(" σ=%g mean | p95 | max |", sigma);
    }
    std::printf("\n|---|---|");
    for (int s = 0; s < nSigmas; ++s) {
        std::printf("---:|---:|---:|");
    }
    std::printf("\n");
    for (int kind = 0; kind < PANEL_KINDS; ++kind) {
        for (int fit = 0; fit < FIT_KINDS; ++fit) {
            std::printf("| %s | %s |", PANEL_NAMES[kind], FIT_NAMES[fit]);
            for (int s = 0; s < nSigmas; ++s) {
                const Stats& st = stats[kind][fit][s];
                std::printf(" %.2f | %.2f | %.2f |", st.mean, st.p95, st.max);
            }
            std::printf("\n");
        }
    }
    TargetsAndChecks(trials);
    return 0;
}
