#include "verifystep.h"

VerifyStep::VerifyStep(int nPoints, int32_t nIdleTicksToEnd)
    : m_nPoints(nPoints), m_nIdleTicksToEnd(nIdleTicksToEnd), m_bActive(false), m_bPressed(false),
      m_nCurrent(0), m_nIdleTicks(0), m_nOutcome(NO_OUTCOME) {}

bool VerifyStep::Follows(bool bPlaced, int nPoints, bool bFinished, uint32_t nLastEnd) {
    return bPlaced && nPoints > 0 && bFinished &&
           (nLastEnd == VEL_CALIB_ATTEMPT_APPLIED || nLastEnd == VEL_CALIB_ATTEMPT_CHECKED);
}

bool VerifyStep::Begin(bool bPointerHeld) {
    if (m_nOutcome != NO_OUTCOME || m_nPoints <= 0) {
        return false;
    }
    if (!bPointerHeld) {
        m_nOutcome = VEL_CALIB_VERIFY_NO_POINTER;
        return false;
    }
    m_bActive = true;
    m_bPressed = false;
    m_nCurrent = 0;
    m_nIdleTicks = 0;
    return true;
}

void VerifyStep::Pressed() {
    m_bPressed = m_bActive;
}

bool VerifyStep::Released() {
    const bool bTouch = m_bActive && m_bPressed;
    m_bPressed = false;
    if (bTouch) {
        m_nIdleTicks = 0;
    }
    return bTouch;
}

bool VerifyStep::Next() {
    if (!m_bActive) {
        return false;
    }
    return ++m_nCurrent >= m_nPoints;
}

bool VerifyStep::Again() {
    if (!m_bActive) {
        return false;
    }
    m_nCurrent = 0;
    m_bPressed = false;
    m_nIdleTicks = 0;
    return true;
}

bool VerifyStep::IdleTick() {
    if (!m_bActive || ++m_nIdleTicks < m_nIdleTicksToEnd) {
        return false;
    }
    End(VEL_CALIB_TIMED_OUT);
    return true;
}

void VerifyStep::End(uint32_t nOutcome) {
    if (m_nOutcome == NO_OUTCOME) {
        m_nOutcome = nOutcome;
    }
    m_bActive = false;
}

uint32_t VerifyStep::Outcome(bool bDeviceKept, uint32_t nRunOutcome) const {
    if (!bDeviceKept) {
        return nRunOutcome;
    }
    return m_nOutcome != NO_OUTCOME ? m_nOutcome : static_cast<uint32_t>(VEL_CALIB_STOPPED);
}
