// The verify step's decisions: which runs have one, which touches count, and
// which way out is kept, as sequences of the window's events.
#include "calibresult.h"
#include "identifystep.h"
#include "verifystep.h"

#include <gtest/gtest.h>

#include <string>

// Events: b begin (the pointer held), n begin without the pointer, p press,
// r release (a counted touch moves on), i idle tick, E Escape, C close,
// F the last touch's verdict (verified).
TEST(VerifyStep, KeepsTheFirstWayOutAndCountsWholeTouches) {
    const struct {
        const char* events;
        bool bDeviceKept;
        uint32_t nOutcome;
        int nCurrent; // the target due at the end
        bool bActive;
    } kRows[] = {
        {"bprprF", true, VEL_CALIB_VERIFIED, 2, false},
        {"brrprpF", true, VEL_CALIB_VERIFIED, 1,
         false},                                   // a release without its press counts nothing
        {"bpr", true, VEL_CALIB_STOPPED, 1, true}, // the window went during the step
        {"bprE", true, VEL_CALIB_CANCELLED, 1, false},
        {"bprEC", true, VEL_CALIB_CANCELLED, 1, false}, // the close that follows Escape
        {"biii", true, VEL_CALIB_TIMED_OUT, 0, false},
        {"biipriiC", true, VEL_CALIB_STOPPED, 1, false}, // a touch starts the idle count again
        {"C", true, VEL_CALIB_STOPPED, 0, false},        // the window went before the step began
        // A way out between the device's release and the step's beginning is
        // kept, and the step does not begin.
        {"Eb", true, VEL_CALIB_CANCELLED, 0, false},
        {"CbE", true, VEL_CALIB_STOPPED, 0, false},
        {"n", true, VEL_CALIB_VERIFY_NO_POINTER, 0, false}, // no touch can be measured
        {"nE", true, VEL_CALIB_VERIFY_NO_POINTER, 0, false},
        {"", false, VEL_CALIB_CHECKED, 0, false},  // no step: the run's own outcome
        {"E", false, VEL_CALIB_CHECKED, 0, false}, // ... whatever way out its window saw
    };
    for (const auto& row : kRows) {
        VerifyStep step(2, 3);
        for (const char* p = row.events; *p != '\0'; ++p) {
            switch (*p) {
            case 'b':
            case 'n':
                step.Begin(*p == 'b');
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
        EXPECT_EQ(step.Active(), row.bActive) << row.events;
    }
    // Only a finished run whose record the device took goes on to the step.
    EXPECT_TRUE(VerifyStep::Follows(true, 5, true, VEL_CALIB_ATTEMPT_CHECKED));
    EXPECT_FALSE(VerifyStep::Follows(false, 5, true, VEL_CALIB_ATTEMPT_APPLIED));
    EXPECT_FALSE(VerifyStep::Follows(true, 0, true, VEL_CALIB_ATTEMPT_APPLIED));
    EXPECT_FALSE(VerifyStep::Follows(true, 5, false, VEL_CALIB_ATTEMPT_APPLIED));
    EXPECT_FALSE(VerifyStep::Follows(true, 5, true, VEL_CALIB_ATTEMPT_CHECK_FAILED));
}

// The identify step over three displays, two seconds a page, two rounds:
// events t tick, s Enter or Space, p press, r release, E Escape, C close.
TEST(IdentifyStep, PicksTheDisplayTouchedAndEndsEveryOtherWay) {
    const struct {
        const char* what;
        uint32_t nFirst; // the display calibrated last; 0 none, 4 one that is gone
        const char* events;
        uint32_t nOutcome;
        uint32_t nChosen;
        uint32_t nShown; // the page showing at the end (0: over)
    } kRows[] = {
        {"a touch on the first page", 0, "pr", VEL_CALIB_IDENTIFIED, 1, 0},
        {"the remembered display first: one touch", 3, "pr", VEL_CALIB_IDENTIFIED, 3, 0},
        {"a remembered display that is gone", 4, "pr", VEL_CALIB_IDENTIFIED, 1, 0},
        {"the page moves on by itself", 0, "ttpr", VEL_CALIB_IDENTIFIED, 2, 0},
        {"Enter moves on", 3, "spr", VEL_CALIB_IDENTIFIED, 1, 0},
        {"the second round", 0, "sssspr", VEL_CALIB_IDENTIFIED, 2, 0},
        {"the page counts the press, not the release", 0, "pttr", VEL_CALIB_IDENTIFIED, 1, 0},
        {"a release without a press", 0, "rt", VEL_CALIB_STOPPED, 0, 1},
        {"nobody touches", 0, "tttttttttttt", VEL_CALIB_NOT_IDENTIFIED, 0, 0},
        {"nobody touches, Enter throughout", 0, "ssssss", VEL_CALIB_NOT_IDENTIFIED, 0, 0},
        {"a finger still down as the rounds end", 0, "sssssptttr", VEL_CALIB_IDENTIFIED, 3, 0},
        {"Escape", 0, "tpE", VEL_CALIB_CANCELLED, 0, 0},
        {"a touch after Escape", 0, "Epr", VEL_CALIB_CANCELLED, 0, 0},
        {"StopCalibrate", 2, "tC", VEL_CALIB_STOPPED, 0, 0},
    };
    for (const auto& row : kRows) {
        IdentifyStep step(3, row.nFirst, 2, 2);
        for (const char* p = row.events; *p != '\0'; ++p) {
            switch (*p) {
            case 't':
                step.Tick();
                break;
            case 's':
                step.Skip();
                break;
            case 'p':
                step.Pressed();
                break;
            case 'r':
                step.Released();
                break;
            case 'E':
                step.End(VEL_CALIB_CANCELLED);
                break;
            case 'C':
                step.End(VEL_CALIB_STOPPED);
                break;
            }
        }
        EXPECT_EQ(step.Outcome(), row.nOutcome) << row.what;
        EXPECT_EQ(step.Chosen(), row.nChosen) << row.what;
        EXPECT_EQ(step.Current(), row.nShown) << row.what;
    }
    // No display: nothing to touch.
    EXPECT_EQ(IdentifyStep(0, 0, 0, 0).Outcome(), uint32_t(VEL_CALIB_NOT_IDENTIFIED));
    EXPECT_EQ(IdentifyStep::Order(3, 2), (std::vector<uint32_t>{2, 1, 3}));
}

// Proof or undo: what a run puts back at its end, and the outcome it then
// tells. A way out before the proof is done counts as no proof.
TEST(VerifyStep, AFailedProofPutsBackWhatWasInForce) {
    PreviousSet remembered;
    remembered.nRecord = VEL_CALIB_RECORD_HD;
    const PreviousSet none;
    const struct {
        uint32_t nEnd;
        bool bWritten;
        bool bKeep;
        const PreviousSet& previous;
        uint32_t nRestore;
        uint32_t nOutcome; // when the device takes back what is put back
    } kRows[] = {
        {VEL_CALIB_VERIFIED, true, false, remembered, VEL_CALIB_RESTORED_NONE, VEL_CALIB_VERIFIED},
        {VEL_CALIB_VERIFY_FAILED, true, false, remembered, VEL_CALIB_RESTORED_REMEMBERED,
         VEL_CALIB_VERIFY_UNDONE},
        {VEL_CALIB_VERIFY_FAILED, true, false, none, VEL_CALIB_RESTORED_RESET,
         VEL_CALIB_VERIFY_UNDONE},
        {VEL_CALIB_VERIFY_FAILED, true, true, remembered, VEL_CALIB_RESTORED_NONE,
         VEL_CALIB_VERIFY_FAILED},
        // No touch measured, or nothing to prove: what the run wrote stays.
        {VEL_CALIB_VERIFY_NO_POINTER, true, false, remembered, VEL_CALIB_RESTORED_NONE,
         VEL_CALIB_VERIFY_NO_POINTER},
        {VEL_CALIB_APPLIED, true, false, remembered, VEL_CALIB_RESTORED_NONE, VEL_CALIB_APPLIED},
        {VEL_CALIB_CHECK_FAILED, true, false, remembered, VEL_CALIB_RESTORED_NONE,
         VEL_CALIB_CHECK_FAILED},
        // A way out after a set was written, before its checks or verify
        // touches were done: taken back, unless the run keeps it.
        {VEL_CALIB_CANCELLED, true, false, remembered, VEL_CALIB_RESTORED_REMEMBERED,
         VEL_CALIB_CANCELLED},
        {VEL_CALIB_STOPPED, true, false, none, VEL_CALIB_RESTORED_RESET, VEL_CALIB_STOPPED},
        {VEL_CALIB_TIMED_OUT, true, false, remembered, VEL_CALIB_RESTORED_REMEMBERED,
         VEL_CALIB_TIMED_OUT},
        {VEL_CALIB_CANCELLED, true, true, remembered, VEL_CALIB_RESTORED_NONE, VEL_CALIB_CANCELLED},
        // ... and before anything was written: nothing to take back.
        {VEL_CALIB_CANCELLED, false, false, none, VEL_CALIB_RESTORED_NONE, VEL_CALIB_CANCELLED},
        {VEL_CALIB_VERIFY_FAILED, false, false, none, VEL_CALIB_RESTORED_NONE,
         VEL_CALIB_VERIFY_FAILED},
    };
    for (const auto& row : kRows) {
        const uint32_t nRestore = RestoreAtEnd(row.nEnd, row.bWritten, row.bKeep, row.previous);
        EXPECT_EQ(nRestore, row.nRestore)
            << row.nEnd << " written " << row.bWritten << " keep " << row.bKeep;
        EXPECT_EQ(OutcomeAfterRestore(row.nEnd, nRestore), row.nOutcome) << row.nEnd;
    }
    // A device that refuses what is put back keeps the failed calibration: so it says.
    EXPECT_EQ(OutcomeAfterRestore(VEL_CALIB_VERIFY_FAILED, VEL_CALIB_RESTORED_FAILED),
              uint32_t(VEL_CALIB_VERIFY_FAILED));
}
