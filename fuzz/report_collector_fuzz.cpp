// Touch reports of any length and content, decoded and fed into the sample
// collector as the calibration window does, with the collector's invariants
// checked after every call.
//
// Input: a grid size and path type, then steps: one step byte, and for a
// report its length and bytes.
#include <cstdint>
#include <cstring>
#include <memory>

#include "collecthelper.h"
#include "fuzz_check.h"
#include "touchreport.h"

namespace {

struct Calls {
    int samples = 0;
    int pointsDone = 0;
    int completions = 0;
};

int CALIB_CALLBACK OnSample(void* owner) {
    ++static_cast<Calls*>(owner)->samples;
    return 0;
}
int CALIB_CALLBACK OnPointDone(void* owner) {
    ++static_cast<Calls*>(owner)->pointsDone;
    return 0;
}
int CALIB_CALLBACK OnComplete(void* owner) {
    ++static_cast<Calls*>(owner)->completions;
    return 0;
}

void CheckCollector(const CollectHelper& c, int count) {
    FUZZ_CHECK(c.Total() == count);
    FUZZ_CHECK(c.Current() >= 0 && c.Current() <= c.Total());
    FUZZ_CHECK(c.StableCount() >= 0 && c.StableCount() <= c.StableNeed());
    for (int32_t k = 0; k < c.Total(); ++k) {
        FUZZ_CHECK(c.Targets()[k].x >= 2048 && c.Targets()[k].x <= 30720);
        FUZZ_CHECK(c.Targets()[k].y >= 2048 && c.Targets()[k].y <= 30720);
    }
    // Only decoded reports reach it: every stored sample is a raw point.
    for (int32_t k = 0; k < c.Current(); ++k) {
        FUZZ_CHECK(c.Samples()[k].x >= 0 && c.Samples()[k].x <= 65535);
        FUZZ_CHECK(c.Samples()[k].y >= 0 && c.Samples()[k].y <= 65535);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    FuzzInput in(pData, nSize);
    const int count = CALIB_MIN_POINTS + in.Byte() % (CALIB_MAX_POINTS - CALIB_MIN_POINTS + 1);
    CollectHelper collect(static_cast<unsigned char>(count), in.Byte() & 1);
    Calls calls;
    collect.Start(&calls, OnSample, OnPointDone, OnComplete);
    CheckCollector(collect, count);

    while (!in.Empty()) {
        const unsigned char step = in.Byte();
        const int32_t before = collect.Current();
        const int pointsBefore = calls.pointsDone;
        const int completionsBefore = calls.completions;
        if (step < 240) {
            // A report of exactly the length the device gives: reading past
            // it is a heap overflow that ASan reports.
            const unsigned char length = in.Byte();
            std::unique_ptr<unsigned char[]> block(new unsigned char[length ? length : 1]);
            const unsigned char* pSource = nullptr;
            const size_t n = in.Take(length, &pSource);
            if (n != 0)
                std::memcpy(block.get(), pSource, n);
            // Short inputs still exercise long reports: repeat the step byte.
            for (size_t i = n; i < length; ++i)
                block[i] = step;
            const TouchReport report = DecodeTouchReport(block.get(), length);
            const bool bUsable = length >= TOUCH_REPORT_LENGTH && block[60] == 1;
            FUZZ_CHECK((report.kind != TOUCH_REPORT_IGNORED) == bUsable);
            FUZZ_CHECK(report.x >= 0 && report.x <= 65535 && report.y >= 0 && report.y <= 65535);
            if (report.kind != TOUCH_REPORT_CONTACT)
                FUZZ_CHECK(report.x == 0 && report.y == 0);
            if (report.kind == TOUCH_REPORT_CONTACT) {
                FUZZ_CHECK(block[11] == 7);
                FUZZ_CHECK(report.x == (block[12] | block[13] << 8));
                FUZZ_CHECK(report.y == (block[14] | block[15] << 8));
                collect.InputPoint(report.x, report.y);
                FUZZ_CHECK(collect.Current() == before);
            } else if (report.kind == TOUCH_REPORT_RELEASE) {
                const bool bStable = collect.IsStable();
                collect.ConfirmPoint();
                // A stable point is stored and told once; nothing else moves on.
                const bool bStored = bStable && before < collect.Total();
                FUZZ_CHECK(collect.Current() == before + (bStored ? 1 : 0));
                FUZZ_CHECK(calls.pointsDone == pointsBefore + (bStored ? 1 : 0));
                // Every release at the end of the run tells of its completion.
                FUZZ_CHECK(calls.completions ==
                           completionsBefore + (collect.Current() == collect.Total() ? 1 : 0));
            }
        } else if (step < 248) {
            const bool bMoved = collect.StepBack();
            FUZZ_CHECK(bMoved == (before >= 1 && before < collect.Total()));
            FUZZ_CHECK(collect.Current() == before - (bMoved ? 1 : 0));
        } else {
            collect.Reset();
            FUZZ_CHECK(collect.Current() == 0 && collect.StableCount() == 0);
        }
        if (step >= 240)
            FUZZ_CHECK(calls.completions == completionsBefore);
        CheckCollector(collect, count);
    }
    collect.Stop();
    return 0;
}
