#include "identifystep.h"

IdentifyStep::IdentifyStep(uint32_t nDisplays, uint32_t nFirst, uint32_t nSeconds, uint32_t nRounds)
    : m_order(Order(nDisplays, nFirst)), m_nSeconds(nSeconds == 0 ? DEFAULT_SECONDS : nSeconds),
      m_nRounds(nRounds == 0 ? DEFAULT_ROUNDS : nRounds), m_nPage(0), m_nRound(1),
      m_nSecondsLeft(m_nSeconds), m_nPressedOn(0), m_nChosen(0), m_nOutcome(NO_OUTCOME) {
    if (m_order.empty())
        m_nOutcome = VEL_CALIB_NOT_IDENTIFIED;
}

std::vector<uint32_t> IdentifyStep::Order(uint32_t nDisplays, uint32_t nFirst) {
    std::vector<uint32_t> order;
    if (nFirst >= 1 && nFirst <= nDisplays)
        order.push_back(nFirst);
    for (uint32_t n = 1; n <= nDisplays; ++n) {
        if (n != nFirst)
            order.push_back(n);
    }
    return order;
}

uint32_t IdentifyStep::Current() const {
    return Ended() ? 0 : m_order[m_nPage];
}

IdentifyStep::Next IdentifyStep::MoveOn() {
    m_nSecondsLeft = m_nSeconds;
    if (++m_nPage == m_order.size()) {
        m_nPage = 0;
        if (++m_nRound > m_nRounds) {
            m_nRound = m_nRounds;
            // A finger still down on the last page picks it when it lifts.
            if (m_nPressedOn == 0) {
                m_nOutcome = VEL_CALIB_NOT_IDENTIFIED;
                return Next::End;
            }
            m_nPage = m_order.size() - 1;
            m_nSecondsLeft = 0;
            return Next::Stay;
        }
    }
    return Next::Move;
}

IdentifyStep::Next IdentifyStep::Tick() {
    if (Ended())
        return Next::End;
    if (m_nSecondsLeft > 1) {
        --m_nSecondsLeft;
        return Next::Stay;
    }
    if (m_nSecondsLeft == 0)
        return Next::Stay; // the last page waits for its finger
    return MoveOn();
}

IdentifyStep::Next IdentifyStep::Skip() {
    if (Ended())
        return Next::End;
    if (m_nSecondsLeft == 0)
        return Next::Stay;
    return MoveOn();
}

void IdentifyStep::Pressed() {
    if (!Ended() && m_nPressedOn == 0)
        m_nPressedOn = m_order[m_nPage];
}

IdentifyStep::Next IdentifyStep::Released() {
    if (Ended())
        return Next::End;
    if (m_nPressedOn == 0)
        return Next::Stay; // a release whose touch began before the step
    m_nChosen = m_nPressedOn;
    m_nOutcome = VEL_CALIB_IDENTIFIED;
    return Next::End;
}

void IdentifyStep::End(uint32_t nOutcome) {
    if (!Ended())
        m_nOutcome = nOutcome;
}
