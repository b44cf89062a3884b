// The verify step of a calibration run, without a window: whether a run has
// one, which verify target is due, and how the step ended.
//
// After the device took a record (and its check points passed), a run with
// verify points keeps the device open out of calibration mode and shows the
// verify targets one at a time; each press and release of the system's
// pointer is one touch. Every way out (the last touch, Escape, a close,
// the idle time) ends the step; the first one is kept, also one that came
// between the device's release and the step's beginning. All on the window's
// thread.
#pragma once

#include <cstdint>

#define VELCALIB_TYPES_ONLY
#include "velcalib.h"
#undef VELCALIB_TYPES_ONLY

class VerifyStep {
public:
    VerifyStep(int nPoints, int32_t nIdleTicksToEnd);

    // Whether a run that released its device this way goes on to the step:
    // placed on the desktop, with verify points, ended by its finish after a
    // record the device took (VEL_CALIB_ATTEMPT_END of the last attempt).
    static bool Follows(bool bPlaced, int nPoints, bool bFinished, uint32_t nLastEnd);

    // The step begins, at the first target, with the system's pointer held by
    // the window (a touch the range puts elsewhere on the desktop must come to
    // it too). False when a way out came first, whose outcome the run keeps,
    // or when the pointer could not be held: the step ends as
    // VEL_CALIB_VERIFY_NO_POINTER, since no touch could be measured.
    bool Begin(bool bPointerHeld);
    bool Active() const { return m_bActive; }
    int Current() const { return m_nCurrent; }

    // A press while active.
    void Pressed();
    // A release: true when it ends a touch (a press came first) on the
    // current target; the caller records it, then calls Next.
    bool Released();
    // On to the next target; true when that was the last one.
    bool Next();
    // After the last target (Next was true), another round over every
    // target from the first: the auto space's second. False when the step
    // is no longer active.
    bool Again();
    // One idle tick; true when the idle time ran out (the step ended as
    // timed out).
    bool IdleTick();
    // A way out (VEL_CALIB_OUTCOME), kept when it is the first: while the
    // step is active, or before it began.
    void End(uint32_t nOutcome);

    // The run's outcome. When the device was kept for the step: the step's
    // first way out, or stopped when none came (the window went); else the
    // run's own.
    uint32_t Outcome(bool bDeviceKept, uint32_t nRunOutcome) const;

private:
    static const uint32_t NO_OUTCOME = 0xFFFFFFFFu;

    const int m_nPoints;
    const int32_t m_nIdleTicksToEnd;
    bool m_bActive;
    bool m_bPressed;
    int m_nCurrent;
    int32_t m_nIdleTicks;
    uint32_t m_nOutcome;
};
