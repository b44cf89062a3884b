// Speed of the calibration fit: CalcCalibMatrix against the same pipeline with
// Eigen's HouseholderQR as the solver (same design matrix, same scaling and
// encoding), for the dialog's 4 pairs and the collector's largest run of 25.
// After the usual benchmark output it prints one table with the ratio.
#include "calibmatrix.h"
#include "collecthelper.h"
#include "panel.h"

#include <Eigen/Dense>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

struct PointSet {
    std::vector<CalibPoint> targets;
    std::vector<CalibPoint> raw;
};

// Targets as the collector lays them out, measured on a panel of the simulated
// screen's model with a mild keystone and a little deterministic jitter.
PointSet MakePoints(unsigned char count) {
    const CollectHelper grid(count, CALIB_PATH_TYPE_0);
    const velsim::PanelModel panel = velsim::PanelModel::FromGeometry(
        {{{31000, 150}, {-120, 30500}}, 0, {33000, 32500}, {0.01, -0.008}});
    PointSet set;
    for (int k = 0; k < count; ++k) {
        double x, y;
        panel.Map(grid.Targets()[k].x, grid.Targets()[k].y, &x, &y);
        const int jitter = (k * 7) % 3 - 1;
        set.targets.push_back(grid.Targets()[k]);
        set.raw.push_back({static_cast<int32_t>(std::lround(x)) + jitter,
                           static_cast<int32_t>(std::lround(y)) - jitter});
    }
    return set;
}

// The pipeline of CalcCalibMatrix with Eigen solving A·h ≈ b.
bool EigenCalibMatrix(const CalibPoint* pScr, const CalibPoint* pTag, int nCount, int16_t* pMatrix,
                      float* pMatrix_f) {
    Eigen::MatrixXd a(2 * nCount, 8);
    Eigen::VectorXd b(2 * nCount);
    for (int k = 0; k < nCount; ++k) {
        const double sx = static_cast<uint16_t>(pScr[k].x), sy = static_cast<uint16_t>(pScr[k].y);
        const double tx = static_cast<uint16_t>(pTag[k].x), ty = static_cast<uint16_t>(pTag[k].y);
        a.row(2 * k) << tx, ty, 1.0, 0.0, 0.0, 0.0, -tx * sx, -ty * sx;
        a.row(2 * k + 1) << 0.0, 0.0, 0.0, tx, ty, 1.0, -tx * sy, -ty * sy;
        b(2 * k) = sx;
        b(2 * k + 1) = sy;
    }
    const Eigen::VectorXd h = a.householderQr().solve(b);
    const double coef[8] = {h(0) * 1000.0, h(1) * 1000.0, h(2) / 10.0,   h(3) * 1000.0,
                            h(4) * 1000.0, h(5) / 10.0,   h(6) * 1000.0, h(7) * 1000.0};
    return EncodeCalibMatrix(coef, pMatrix, pMatrix_f);
}

void BM_CalcCalibMatrix(benchmark::State& state) {
    const PointSet set = MakePoints(static_cast<unsigned char>(state.range(0)));
    int16_t m[8];
    float f[8];
    for (auto _ : state) {
        bool ok = CalcCalibMatrix(set.targets.data(), set.raw.data(),
                                  static_cast<unsigned char>(set.targets.size()), m, f);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(f);
        benchmark::ClobberMemory();
    }
}

void BM_EigenHouseholderQR(benchmark::State& state) {
    const PointSet set = MakePoints(static_cast<unsigned char>(state.range(0)));
    int16_t m[8];
    float f[8];
    for (auto _ : state) {
        bool ok = EigenCalibMatrix(set.targets.data(), set.raw.data(),
                                   static_cast<int>(set.targets.size()), m, f);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(f);
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_CalcCalibMatrix)->Arg(4)->Arg(25);
BENCHMARK(BM_EigenHouseholderQR)->Arg(4)->Arg(25);

// Console output as usual, and the CPU time per run kept by name; with
// repetitions the median is kept.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& reports) override {
        ConsoleReporter::ReportRuns(reports);
        for (const Run& run : reports) {
            const std::string name = run.run_name.str();
            const bool bMedian =
                run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Iteration && m_cpuNs.count(name) == 0) {
                m_cpuNs[name] = ToNs(run);
            } else if (bMedian) {
                m_cpuNs[name] = ToNs(run);
            }
        }
    }

    void PrintRatios() const {
        std::printf("\n| pairs | CalcCalibMatrix | Eigen HouseholderQR | ratio ours/Eigen |\n");
        std::printf("|------:|----------------:|--------------------:|-----------------:|\n");
        for (int n : {4, 25}) {
            const auto ours = m_cpuNs.find("BM_CalcCalibMatrix/" + std::to_string(n));
            const auto eigen = m_cpuNs.find("BM_EigenHouseholderQR/" + std::to_string(n));
            if (ours == m_cpuNs.end() || eigen == m_cpuNs.end()) {
                continue;
            }
            std::printf("| %5d | %12.0f ns | %16.0f ns | %15.2fx |\n", n, ours->second,
                        eigen->second, ours->second / eigen->second);
        }
    }

private:
    static double ToNs(const Run& run) {
        const double perUnit[] = {1.0, 1e3, 1e6, 1e9}; // ns, us, ms, s
        return run.GetAdjustedCPUTime() * perUnit[run.time_unit];
    }

    std::map<std::string, double> m_cpuNs;
};

// Both solvers must agree before their speeds mean anything.
bool SameResult() {
    for (unsigned char n : {4, 25}) {
        const PointSet set = MakePoints(n);
        int16_t m1[8], m2[8];
        float f1[8], f2[8];
        if (!CalcCalibMatrix(set.targets.data(), set.raw.data(), n, m1, f1) ||
            !EigenCalibMatrix(set.targets.data(), set.raw.data(), n, m2, f2)) {
            return false;
        }
        for (int k = 0; k < 8; ++k) {
            if (std::fabs(f1[k] - f2[k]) > 1e-3 * (1.0 + std::fabs(f1[k]))) {
                std::fprintf(stderr, "%d pairs: m%d differs: %g vs %g\n", n, k, f1[k], f2[k]);
                return false;
            }
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (!SameResult()) {
        std::fprintf(stderr, "CalcCalibMatrix and Eigen disagree\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    reporter.PrintRatios();
    return 0;
}
