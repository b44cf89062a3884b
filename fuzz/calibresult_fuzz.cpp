// StartCalibrateEx's options and result: whatever a host passes, options are
// refused or give settings within their bounds; whatever the attempts
// measure (any points, any coefficients, NaN and infinities included), the
// result's counts stay within its arrays, every attempt is counted, and a
// host's larger structure keeps what this version does not know.
//
// Input: the options' bytes, a layout, then the attempts: a kind byte and
// its values, then verify touches. Whatever the layout and the touches, a
// placed run's targets lie in the device's range and the diagnosis is one
// of its codes.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "calibresult.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    FuzzInput in(pData, nSize);
    VEL_CALIB_OPTIONS options;
    const unsigned char* pBytes = nullptr;
    std::memset(&options, 0, sizeof(options));
    const size_t got = in.Take(sizeof(options), &pBytes);
    std::memcpy(&options, pBytes, got);
    CalibSettings settings;
    if (!CheckOptions(&options, settings).empty())
        options =
            VEL_CALIB_OPTIONS{sizeof(options), 0, 0, 0, 0.0, 0, 0, 0, 0, 0, 0, 0.0, 0, 0, 0, 0};
    FUZZ_CHECK(CheckOptions(&options, settings).empty());
    FUZZ_CHECK(settings.nTargets == 4 || settings.nTargets == 9 || settings.nTargets == 16 ||
               settings.nTargets == 25);
    FUZZ_CHECK(settings.nCheckPoints >= 0 && settings.nCheckPoints <= VEL_CALIB_MAX_CHECKS);
    FUZZ_CHECK(settings.dMaxCheckError >= 0 && settings.dMaxCheckError <= CALIB_MAX_CHECK_ERROR);
    FUZZ_CHECK(settings.nIdleTicks >= 1 && settings.nIdleTicks <= 3600);
    FUZZ_CHECK(
        (settings.nDisplay <= CALIB_MAX_DISPLAY || settings.nDisplay == VEL_CALIB_DISPLAY_TOUCH) &&
        settings.nSpace <= VEL_CALIB_SPACE_AUTO);
    FUZZ_CHECK(settings.bByTouch ==
               (settings.nDisplay == VEL_CALIB_DISPLAY_TOUCH || settings.bIdentifyOnly));
    FUZZ_CHECK(settings.nSpace != VEL_CALIB_SPACE_AUTO || settings.bIdentifyOnly ||
               settings.nVerifyPoints >= 2);
    FUZZ_CHECK(settings.nVerifyPoints >= 0 && settings.nVerifyPoints <= VEL_CALIB_MAX_CHECKS);
    FUZZ_CHECK(settings.dMaxVerifyError > 0 && settings.dMaxVerifyError <= CALIB_MAX_CHECK_ERROR);

    // A layout of up to three displays: a run placed on it takes every
    // target within the device's range, on the display it covers.
    DesktopLayout layout;
    const int nDisplays = in.Byte() % 4;
    for (int i = 0; i < nDisplays; ++i) {
        layout.displays.push_back(DisplayInfo());
        layout.displays.back().rect = {in.Int32() % 20000, in.Int32() % 20000, in.Int32() % 20000,
                                       in.Int32() % 20000};
    }
    layout.nPrimary = 1 + in.Byte() % 3;
    layout.desktop = {in.Int32() % 40000, in.Int32() % 40000, in.Int32() % 40000,
                      in.Int32() % 40000};
    const std::vector<CalibPoint> runTargets = TargetsOfRun(settings);
    // By touch: whichever display is touched, here the first.
    const uint32_t nDisplay = settings.bByTouch ? 1 : settings.nDisplay;
    RunPlace place;
    const PlaceProblem problem = PlaceRun(layout, nDisplay, FirstSpace(settings), runTargets.data(),
                                          static_cast<int>(runTargets.size()), place);
    // A place refused for its range names only spaces that hold every target.
    for (uint32_t nSpace : problem.fitting) {
        RunPlace other;
        FUZZ_CHECK(problem.kind == PlaceProblem::BeyondRange);
        FUZZ_CHECK(PlaceRun(layout, nDisplay, nSpace, runTargets.data(),
                            static_cast<int>(runTargets.size()), other)
                       .kind == PlaceProblem::None);
    }
    if (problem.kind == PlaceProblem::None) {
        FUZZ_CHECK(place.nDisplay >= 1 && place.nDisplay <= layout.displays.size());
        for (const CalibPoint& target : runTargets) {
            const CalibPoint logical = ToSpace(target, place);
            FUZZ_CHECK(logical.x >= 0 && logical.x <= 32767 && logical.y >= 0 &&
                       logical.y <= 32767);
        }
    }

    CalibRecorder recorder(settings);
    recorder.Screen(in.Int32() % 100000, in.Int32() % 100000);
    CalibPoint targets[25], samples[25];
    uint32_t attempts = 0;
    while (!in.Empty()) {
        const unsigned char kind = in.Byte() % 4;
        const int n = in.Byte() % 30;
        for (int i = 0; i < 25; ++i) {
            targets[i] = {in.Int32(), in.Int32()};
            samples[i] = {in.Int32(), in.Int32()};
        }
        if (kind == 0) {
            recorder.BeginAttempt(targets, samples, n);
            ++attempts;
        } else if (kind == 1) {
            recorder.NotFitted();
        } else if (kind == 2) {
            float f[8];
            int16_t m[8];
            for (int k = 0; k < 8; ++k) {
                const int32_t bits = in.Int32();
                std::memcpy(&f[k], &bits, sizeof bits);
                m[k] = static_cast<int16_t>(bits);
            }
            recorder.Sent(f, m, in.Byte() % 3);
        } else {
            recorder.Checked(targets, samples, n);
        }
        const VEL_CALIB_RESULT& r = recorder.Result();
        FUZZ_CHECK(r.nAttempts == attempts);
        FUZZ_CHECK(r.nAttemptsKept <= VEL_CALIB_ATTEMPTS_KEPT && r.nAttemptsKept <= r.nAttempts);
        FUZZ_CHECK(r.nTargets <= VEL_CALIB_MAX_TARGETS && r.nCheckPoints <= VEL_CALIB_MAX_CHECKS);
        FUZZ_CHECK(recorder.LastEnd() <= VEL_CALIB_ATTEMPT_INTERRUPTED);
        FUZZ_CHECK(!(r.dCheckMaxPx < 0) && !(r.dCheckMeanPx < 0));
    }

    // Verify touches anywhere: their count and the diagnosis stay in range.
    recorder.Place(place);
    const int nVerify = in.Byte() % 12;
    for (int i = 0; i < nVerify; ++i)
        recorder.Verified({in.Int32(), in.Int32()}, {in.Int32(), in.Int32()});
    recorder.VerifyPassed(layout);
    FUZZ_CHECK(recorder.Result().nVerifyPoints <= VEL_CALIB_MAX_CHECKS);
    FUZZ_CHECK(recorder.Result().nDiagnosis <= VEL_CALIB_DIAGNOSIS_UNKNOWN);

    static VEL_CALIB_RESULT host[2];
    std::memset(host, 0xA5, sizeof(host));
    host[0].cbSize = sizeof(host);
    const uint32_t outcome =
        CalibOutcome(static_cast<CalibRun::EndReason>(attempts % 5), recorder.LastEnd());
    FUZZ_CHECK(outcome <= VEL_CALIB_BAD_ARGUMENTS);
    recorder.Fill(outcome, &host[0]);
    FUZZ_CHECK(host[0].cbSize == sizeof(host) && host[0].nOutcome == outcome);
    FUZZ_CHECK(reinterpret_cast<const unsigned char*>(&host[1])[0] == 0xA5);
    return 0;
}
