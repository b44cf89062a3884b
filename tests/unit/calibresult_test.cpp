// StartCalibrateEx's options and result without a window: which options run,
// the check arithmetic on known panels, and the result of a run's attempts.
#include "calibresult.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "collecthelper.h"
#include "panel.h"

namespace {

VEL_CALIB_OPTIONS Options() {
    VEL_CALIB_OPTIONS options;
    std::memset(&options, 0, sizeof(options));
    options.cbSize = sizeof(options);
    return options;
}

// The raw points a panel gives for n targets (no noise) and the fit of them.
struct Fitted {
    CalibPoint targets[25];
    CalibPoint raw[25];
    int16_t matrix[8];
    float matrix_f[8];
};

Fitted Fit(const velsim::PanelModel& panel, unsigned char nTargets) {
    Fitted f;
    CollectHelper layout(nTargets, CALIB_PATH_TYPE_0);
    velsim::GaussianNoise noise(1, 0.0);
    for (int i = 0; i < nTargets; ++i) {
        f.targets[i] = layout.Targets()[i];
        const velsim::RawPoint p =
            velsim::ScreenToRaw(panel, noise, f.targets[i].x, f.targets[i].y);
        f.raw[i] = {p.x, p.y};
    }
    EXPECT_TRUE(CalcCalibMatrix(f.targets, f.raw, nTargets, f.matrix, f.matrix_f));
    return f;
}

// A panel with keystone: the denominator terms survive only in single precision.
velsim::PanelModel Keystoned() {
    const velsim::PanelGeometry g{{{30000, 0}, {0, 30000}}, 0, {32000, 33000}, {0.06, 0.04}};
    return velsim::PanelModel::FromGeometry(g);
}

} // namespace

TEST(CalibOptions, WhatRunsAndWhatIsRefused) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* what;
        void (*change)(VEL_CALIB_OPTIONS&, double);
        const char* refusal; // "" when the options run
    } kRows[] = {
        {"zeros: the run of StartCalibrate", [](VEL_CALIB_OPTIONS&, double) {}, ""},
        {"9 targets, path 1, 9 checks, 5 px, 3 attempts, 60 s",
         [](VEL_CALIB_OPTIONS& o, double) {
             o.nTargets = 9, o.nPathType = 1, o.nCheckPoints = 9, o.dMaxCheckError = 5;
             o.nAttempts = 3, o.nIdleSeconds = 60;
         },
         ""},
        {"the largest",
         [](VEL_CALIB_OPTIONS& o, double) {
             o.nTargets = 25, o.dMaxCheckError = 10000, o.nAttempts = 1000, o.nIdleSeconds = 3600;
         },
         ""},
        {"a later, longer version", [](VEL_CALIB_OPTIONS& o, double) { o.cbSize += 8; }, ""},
        {"shorter than the first version", [](VEL_CALIB_OPTIONS& o, double) { o.cbSize = 28; },
         "fewer than 32"},
        {"the first version, whatever lies beyond it",
         [](VEL_CALIB_OPTIONS& o, double n) {
             o.cbSize = VEL_CALIB_OPTIONS_V1_SIZE, o.nDisplay = 99, o.nSpace = 7;
             o.nVerifyPoints = 99, o.dMaxVerifyError = n;
         },
         ""},
        {"display 2, desktop, 9 verify points, 2 px",
         [](VEL_CALIB_OPTIONS& o, double) {
             o.nDisplay = 2, o.nSpace = VEL_CALIB_SPACE_DESKTOP, o.nVerifyPoints = 9;
             o.dMaxVerifyError = 2;
         },
         ""},
        {"display 65", [](VEL_CALIB_OPTIONS& o, double) { o.nDisplay = 65; }, "at most 64"},
        {"space 4", [](VEL_CALIB_OPTIONS& o, double) { o.nSpace = 4; }, "0 primary, 1 display"},
        {"display by touch, auto space, 5 verify points, 2 s a page, 1 round",
         [](VEL_CALIB_OPTIONS& o, double) {
             o.nDisplay = VEL_CALIB_DISPLAY_TOUCH, o.nSpace = VEL_CALIB_SPACE_AUTO;
             o.nVerifyPoints = 5, o.nIdentifySeconds = 2, o.nIdentifyRounds = 1;
         },
         ""},
        {"auto space, 1 verify point",
         [](VEL_CALIB_OPTIONS& o, double) { o.nSpace = VEL_CALIB_SPACE_AUTO, o.nVerifyPoints = 1; },
         "2 verify points"},
        {"identify only", [](VEL_CALIB_OPTIONS& o, double) { o.nFlags = 1; }, ""},
        {"keep unverified", [](VEL_CALIB_OPTIONS& o, double) { o.nFlags = 2; }, ""},
        {"an unknown flag", [](VEL_CALIB_OPTIONS& o, double) { o.nFlags = 4; }, "only 1"},
        {"61 s a page", [](VEL_CALIB_OPTIONS& o, double) { o.nIdentifySeconds = 61; },
         "at most 60"},
        {"21 rounds", [](VEL_CALIB_OPTIONS& o, double) { o.nIdentifyRounds = 21; }, "at most 20"},
        {"the second version, whatever lies beyond it",
         [](VEL_CALIB_OPTIONS& o, double) {
             o.cbSize = VEL_CALIB_OPTIONS_V2_SIZE, o.nFlags = 99, o.nIdentifyRounds = 99;
         },
         ""},
        {"10 verify points", [](VEL_CALIB_OPTIONS& o, double) { o.nVerifyPoints = 10; },
         "at most 9"},
        {"NaN verify limit", [](VEL_CALIB_OPTIONS& o, double n) { o.dMaxVerifyError = n; }, "0 to"},
        {"5 targets", [](VEL_CALIB_OPTIONS& o, double) { o.nTargets = 5; }, "4, 9, 16 or 25"},
        {"path type 2", [](VEL_CALIB_OPTIONS& o, double) { o.nPathType = 2; }, "0 or 1"},
        {"10 checks", [](VEL_CALIB_OPTIONS& o, double) { o.nCheckPoints = 10; }, "at most 9"},
        {"negative limit", [](VEL_CALIB_OPTIONS& o, double) { o.dMaxCheckError = -1; }, "0 to"},
        {"NaN limit", [](VEL_CALIB_OPTIONS& o, double n) { o.dMaxCheckError = n; }, "0 to"},
        {"1001 attempts", [](VEL_CALIB_OPTIONS& o, double) { o.nAttempts = 1001; }, "at most"},
        {"3601 s", [](VEL_CALIB_OPTIONS& o, double) { o.nIdleSeconds = 3601; }, "at most 3600"},
    };
    for (const auto& row : kRows) {
        VEL_CALIB_OPTIONS options = Options();
        row.change(options, nan);
        CalibSettings settings;
        const std::string why = CheckOptions(&options, settings);
        if (*row.refusal == '\0') {
            EXPECT_EQ(why, "") << row.what;
        } else {
            EXPECT_NE(why.find(row.refusal), std::string::npos) << row.what << ": " << why;
        }
    }
    CalibSettings settings;
    EXPECT_NE(CheckOptions(nullptr, settings), "");
    VEL_CALIB_OPTIONS zeros = Options();
    ASSERT_EQ(CheckOptions(&zeros, settings), "");
    EXPECT_EQ(settings.nTargets, 4);
    EXPECT_EQ(settings.nIdleTicks, CalibRun::IDLE_TICKS_TO_CLOSE);
    EXPECT_EQ(settings.nAttempts, 0);
    EXPECT_EQ(settings.nDisplay, 0u);
    EXPECT_EQ(settings.nVerifyPoints, 0);
    EXPECT_EQ(settings.dMaxVerifyError, CALIB_DEFAULT_VERIFY_ERROR);

    VEL_CALIB_RESULT result;
    result.cbSize = VEL_CALIB_RESULT_V1_SIZE;
    EXPECT_TRUE(ResultUsable(&result));
    result.cbSize = VEL_CALIB_RESULT_V1_SIZE - 1;
    EXPECT_FALSE(ResultUsable(&result));
    EXPECT_FALSE(ResultUsable(nullptr));
}

// No check target is a target of a grid, and all lie well inside the screen.
TEST(CalibChecks, CheckTargetsAvoidEveryGrid) {
    for (unsigned char n : {4, 9, 16, 25}) {
        CollectHelper grid(n, CALIB_PATH_TYPE_0);
        for (const CalibPoint& check : kCheckTargets) {
            for (int i = 0; i < n; ++i)
                EXPECT_FALSE(check.x == grid.Targets()[i].x && check.y == grid.Targets()[i].y)
                    << int(n);
            EXPECT_TRUE(check.x >= 4096 && check.x <= 28672 && check.y >= 4096 && check.y <= 28672);
        }
    }
}

// A known panel gives a known error: through the identity a touch 100
// logical units off is 100·1024/32768 = 3.125 px off on a 1024-pixel axis;
// the keystoned panel's 16-bit set loses its denominator and with it whole
// pixels that the single-precision set keeps.
TEST(CalibChecks, ErrorsInPixelsThroughTheSetTheDeviceTook) {
    const int16_t identity[8] = {1000, 0, 0, 0, 1000, 0, 0, 0};
    EXPECT_DOUBLE_EQ(ErrorPixels(SetOf(identity), {16384, 16384}, {16484, 16384}, 1024, 768),
                     3.125);
    EXPECT_DOUBLE_EQ(ErrorPixels(SetOf(identity), {16384, 16384}, {16384, 16484}, 1024, 768),
                     100.0 * 768 / 32768);

    const Fitted f = Fit(Keystoned(), 4);
    ASSERT_NE(f.matrix_f[6], 0.0f);
    EXPECT_EQ(f.matrix[6], 0);
    velsim::GaussianNoise noise(1, 0.0);
    double hdMax = 0, sixteenMax = 0;
    for (const CalibPoint& check : kCheckTargets) {
        const velsim::RawPoint p = velsim::ScreenToRaw(Keystoned(), noise, check.x, check.y);
        hdMax = std::max(hdMax, ErrorPixels(SetOf(f.matrix_f), check, {p.x, p.y}, 1920, 1080));
        sixteenMax =
            std::max(sixteenMax, ErrorPixels(SetOf(f.matrix), check, {p.x, p.y}, 1920, 1080));
    }
    EXPECT_LT(hdMax, 0.5);
    EXPECT_GT(sixteenMax, 20.0);
}

// Attempts as a run makes them: refused, then written with a failed check,
// then written and checked; the host's copy takes what both versions know.
TEST(CalibRecorder, KeepsEveryAttemptAndFillsTheHostsResult) {
    VEL_CALIB_OPTIONS options = Options();
    options.nTargets = 9;
    options.nCheckPoints = 2;
    options.dMaxCheckError = 3.0;
    options.nAttempts = 3;
    CalibSettings settings;
    ASSERT_EQ(CheckOptions(&options, settings), "");
    const int16_t identity16[8] = {1000, 0, 0, 0, 1000, 0, 0, 0};
    const float identity[8] = {1000, 0, 0, 0, 1000, 0, 0, 0};
    CollectHelper grid(9, CALIB_PATH_TYPE_0);
    CalibRecorder recorder(settings);
    recorder.Screen(1024, 768);

    recorder.BeginAttempt(grid.Targets(), grid.Targets(), 9);
    recorder.Sent(identity, identity16, VEL_CALIB_RECORD_NONE);
    EXPECT_EQ(recorder.LastEnd(), uint32_t(VEL_CALIB_ATTEMPT_REFUSED));

    recorder.BeginAttempt(grid.Targets(), grid.Targets(), 9);
    recorder.Sent(identity, identity16, VEL_CALIB_RECORD_HD);
    EXPECT_EQ(recorder.LastEnd(), uint32_t(VEL_CALIB_ATTEMPT_INTERRUPTED));
    const CalibPoint off[2] = {{kCheckTargets[0].x + 200, kCheckTargets[0].y}, kCheckTargets[1]};
    EXPECT_FALSE(recorder.Checked(kCheckTargets, off, 2)); // 6.25 px > 3
    EXPECT_TRUE(recorder.AttemptsLeft());

    recorder.BeginAttempt(grid.Targets(), grid.Targets(), 9);
    recorder.Sent(identity, identity16, VEL_CALIB_RECORD_HD);
    EXPECT_TRUE(recorder.Checked(kCheckTargets, kCheckTargets, 2));
    EXPECT_FALSE(recorder.AttemptsLeft());

    VEL_CALIB_RESULT big[2];
    std::memset(big, 0x5A, sizeof(big));
    big[0].cbSize = sizeof(big); // a later version's, twice the size
    recorder.Fill(CalibOutcome(CalibRun::EndReason::Finished, recorder.LastEnd()), &big[0]);
    const VEL_CALIB_RESULT& r = big[0];
    EXPECT_EQ(r.cbSize, sizeof(big));
    EXPECT_EQ(r.nOutcome, uint32_t(VEL_CALIB_CHECKED));
    EXPECT_EQ(r.nAttempts, 3u);
    EXPECT_EQ(r.nAttemptsKept, 3u);
    EXPECT_EQ(r.nAccepted, uint32_t(VEL_CALIB_RECORD_HD));
    EXPECT_EQ(r.nScreenWidth, 1024);
    EXPECT_EQ(r.nTargets, 9u);
    EXPECT_EQ(r.targets[4].rawX, 16384);
    EXPECT_EQ(r.targets[4].dErrorPx, 0.0);
    EXPECT_EQ(r.nCheckPoints, 2u);
    EXPECT_EQ(r.dCheckMaxPx, 0.0);
    const uint32_t ends[3] = {VEL_CALIB_ATTEMPT_REFUSED, VEL_CALIB_ATTEMPT_CHECK_FAILED,
                              VEL_CALIB_ATTEMPT_CHECKED};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(r.attempts[i].nEnd, ends[i]) << i;
    EXPECT_DOUBLE_EQ(r.attempts[1].dCheckMaxPx, 6.25);
    EXPECT_DOUBLE_EQ(r.attempts[1].dCheckMeanPx, 3.125);
    const unsigned char* tail = reinterpret_cast<const unsigned char*>(&big[1]);
    EXPECT_EQ(tail[0], 0x5A); // beyond this version's structure: untouched
}

TEST(CalibOutcome, FromTheWayOutAndTheLastAttempt) {
    using R = CalibRun::EndReason;
    const struct {
        R reason;
        uint32_t lastEnd;
        uint32_t outcome;
    } kRows[] = {
        {R::Finished, VEL_CALIB_ATTEMPT_APPLIED, VEL_CALIB_APPLIED},
        {R::Finished, VEL_CALIB_ATTEMPT_CHECKED, VEL_CALIB_CHECKED},
        {R::Finished, VEL_CALIB_ATTEMPT_CHECK_FAILED, VEL_CALIB_CHECK_FAILED},
        {R::Finished, VEL_CALIB_ATTEMPT_REFUSED, VEL_CALIB_REFUSED},
        {R::Finished, VEL_CALIB_ATTEMPT_NOT_FITTED, VEL_CALIB_NOT_FITTED},
        {R::Cancelled, VEL_CALIB_ATTEMPT_INTERRUPTED, VEL_CALIB_CANCELLED},
        {R::Stopped, 0, VEL_CALIB_STOPPED},
        {R::TimedOut, VEL_CALIB_ATTEMPT_REFUSED, VEL_CALIB_TIMED_OUT},
        {R::None, 0, VEL_CALIB_STOPPED},
    };
    for (const auto& row : kRows)
        EXPECT_EQ(CalibOutcome(row.reason, row.lastEnd), row.outcome) << row.outcome;
}
