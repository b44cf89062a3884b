// The verify step's decisions: which runs have one, which touches count, and
// which way out is kept, as sequences of the window's events.
#include "verifystep.h"

#include <gtest/gtest.h>

#include <string>

// Events: b begin, p press, r release (a counted touch moves on), i idle
// tick, E Escape, C close, F the last touch's verdict (verified).
TEST(VerifyStep, KeepsTheFirstWayOutAndCountsWholeTouches) {
    const struct {
        const char* events;
        bool bDeviceKept;
        uint32_t nOutcome;
        int nCurrent; // the target due at the end
    } kRows[] = {
        {"bprprF", true, VEL_CALIB_VERIFIED, 2},
        {"brrprpF", true, VEL_CALIB_VERIFIED, 1}, // a release without its press counts nothing
        {"bprE", true, VEL_CALIB_CANCELLED, 1},
        {"bprEC", true, VEL_CALIB_CANCELLED, 1}, // the close that follows Escape
        {"biii", true, VEL_CALIB_TIMED_OUT, 0},
        {"biipriiC", true, VEL_CALIB_STOPPED, 1}, // a touch starts the idle count again
        {"C", true, VEL_CALIB_STOPPED, 0},        // the window went before the step began
        {"Eb", true, VEL_CALIB_STOPPED, 0},       // Escape before it began ends nothing of it
        {"", false, VEL_CALIB_CHECKED, 0},        // no step: the run's own outcome
    };
    for (const auto& row : kRows) {
        VerifyStep step(2, 3);
        for (const char* p = row.events; *p != '\0'; ++p) {
            switch (*p) {
            case 'b':
                step.Begin();
                break;
            case 'p':
                step.Pressed();
                break;
            case 'r':
                if (step.Released() && step.Next())
                    continue;
                break;
            case 'i':
                step.IdleTick();
                break;
            case 'E':
                step.End(VEL_CALIB_CANCELLED);
                break;
            case 'C':
                step.End(VEL_CALIB_STOPPED);
                break;
            case 'F':
                step.End(VEL_CALIB_VERIFIED);
                break;
            }
        }
        EXPECT_EQ(step.Outcome(row.bDeviceKept, VEL_CALIB_CHECKED), row.nOutcome) << row.events;
        EXPECT_EQ(step.Current(), row.nCurrent) << row.events;
    }
    // Only a finished run whose record the device took goes on to the step.
    EXPECT_TRUE(VerifyStep::Follows(true, 5, true, VEL_CALIB_ATTEMPT_CHECKED));
    EXPECT_FALSE(VerifyStep::Follows(false, 5, true, VEL_CALIB_ATTEMPT_APPLIED));
    EXPECT_FALSE(VerifyStep::Follows(true, 0, true, VEL_CALIB_ATTEMPT_APPLIED));
    EXPECT_FALSE(VerifyStep::Follows(true, 5, false, VEL_CALIB_ATTEMPT_APPLIED));
    EXPECT_FALSE(VerifyStep::Follows(true, 5, true, VEL_CALIB_ATTEMPT_CHECK_FAILED));
}
