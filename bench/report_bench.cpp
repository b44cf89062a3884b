// Per-report cost of the calibration window's windowless work: decoding a
// device report and feeding it to the sample collector, as the data callback
// does on the device library's thread (the repaint it asks for is measured
// under Wine by calib_latency).
#include "collecthelper.h"
#include "touchreport.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

std::vector<unsigned char> Report(bool bContact, unsigned x, unsigned y) {
    std::vector<unsigned char> block(64, 0);
    block[11] = bContact ? 7 : 0;
    block[12] = static_cast<unsigned char>(x);
    block[13] = static_cast<unsigned char>(x >> 8);
    block[14] = static_cast<unsigned char>(y);
    block[15] = static_cast<unsigned char>(y >> 8);
    block[60] = 1;
    return block;
}

// One run as a finger makes it: per target four contacts (the fourth comes
// after the point is stable) and a lift.
std::vector<std::vector<unsigned char>> RunOfReports() {
    const unsigned raw[4][2] = {{2305, 2193}, {28109, 2767}, {3165, 27425}, {28970, 27998}};
    std::vector<std::vector<unsigned char>> reports;
    for (const auto& point : raw) {
        for (int i = 0; i < 4; ++i) {
            reports.push_back(Report(true, point[0] + (i & 1), point[1]));
        }
        reports.push_back(Report(false, point[0], point[1]));
    }
    return reports;
}

int CALIB_CALLBACK CountEvent(void* owner) {
    ++*static_cast<int64_t*>(owner);
    return 0;
}

// The data callback's work for every report of a run, over and over; the
// collector starts again at the first target when a run is complete.
void BM_DecodeAndCollect(benchmark::State& state) {
    const std::vector<std::vector<unsigned char>> reports = RunOfReports();
    CollectHelper collect(4, CALIB_PATH_TYPE_0);
    int64_t events = 0;
    collect.Start(&events, CountEvent, CountEvent, CountEvent);
    size_t next = 0;
    for (auto _ : state) {
        const std::vector<unsigned char>& block = reports[next];
        const TouchReport report =
            DecodeTouchReport(block.data(), static_cast<unsigned char>(block.size()));
        if (report.kind == TOUCH_REPORT_CONTACT) {
            collect.InputPoint(report.x, report.y);
        } else if (report.kind == TOUCH_REPORT_RELEASE) {
            collect.ConfirmPoint();
        }
        if (collect.IsFinished()) {
            collect.Reset();
        }
        next = next + 1 == reports.size() ? 0 : next + 1;
    }
    benchmark::DoNotOptimize(events);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DecodeAndCollect);

// Decoding alone, for a block that is used and for one that is dropped.
void BM_Decode(benchmark::State& state) {
    std::vector<unsigned char> block = Report(true, 1234, 5678);
    if (state.range(0) == 0) {
        block[60] = 0;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(block.data());
        TouchReport report =
            DecodeTouchReport(block.data(), static_cast<unsigned char>(block.size()));
        benchmark::DoNotOptimize(report);
    }
}
BENCHMARK(BM_Decode)->Arg(1)->Arg(0)->ArgNames({"valid"});

} // namespace

BENCHMARK_MAIN();
