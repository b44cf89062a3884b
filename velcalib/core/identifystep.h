// Which display the touch screen lies over, found by a touch, without a
// window: each display shows a page in turn ("Touch this screen" and a
// countdown); a touch on the device while a page shows picks its display.
//
// The display calibrated last comes first, so one touch confirms it. A page
// moves on by itself after its seconds, round after round, so no keyboard is
// needed; Enter or Space moves on at once, Escape cancels. A touch picks the
// display whose page showed when the finger came down and takes effect when
// it lifts, so that the next step starts with no finger on the screen.
// All on the window's thread.
#pragma once

#include <cstdint>
#include <vector>

#define VELCALIB_TYPES_ONLY
#include "velcalib.h"
#undef VELCALIB_TYPES_ONLY

class IdentifyStep {
public:
    // The defaults of VEL_CALIB_OPTIONS' 0 and their bounds.
    static const uint32_t DEFAULT_SECONDS = 5;
    static const uint32_t DEFAULT_ROUNDS = 3;
    static const uint32_t MAX_SECONDS = 60;
    static const uint32_t MAX_ROUNDS = 20;

    // nDisplays displays (1…N); nFirst the display to show first (the one
    // calibrated last), 0 or one beyond N for none; a page shows nSeconds,
    // every display nRounds times.
    IdentifyStep(uint32_t nDisplays, uint32_t nFirst, uint32_t nSeconds, uint32_t nRounds);

    // The order pages show in: nFirst, then the others in their numbers.
    static std::vector<uint32_t> Order(uint32_t nDisplays, uint32_t nFirst);

    // What the window does after an event.
    enum class Next {
        Stay, // the same page (its countdown changed: repaint)
        Move, // the page moves to Current()'s display
        End   // the step is over: Outcome()
    };

    // The display whose page shows (1…N); 0 once the step is over.
    uint32_t Current() const;
    // The seconds the page still shows, for its countdown.
    uint32_t SecondsLeft() const { return m_nSecondsLeft; }
    // 1…nRounds.
    uint32_t Round() const { return m_nRound; }
    bool Ended() const { return m_nOutcome != NO_OUTCOME; }

    // One second passed.
    Next Tick();
    // Enter or Space.
    Next Skip();
    // A contact report: the display shown is the touched one, when the
    // touch began now.
    void Pressed();
    // A release report: a touch that began on a page picks its display.
    Next Released();
    // Escape (VEL_CALIB_CANCELLED), StopCalibrate or a close
    // (VEL_CALIB_STOPPED); the first way out is kept.
    void End(uint32_t nOutcome);

    // VEL_CALIB_IDENTIFIED, VEL_CALIB_NOT_IDENTIFIED, or the way out taken;
    // VEL_CALIB_STOPPED while not over.
    uint32_t Outcome() const {
        return Ended() ? m_nOutcome : static_cast<uint32_t>(VEL_CALIB_STOPPED);
    }
    // The display picked (1…N), 0 without one.
    uint32_t Chosen() const { return m_nChosen; }

private:
    static const uint32_t NO_OUTCOME = 0xFFFFFFFFu;
    Next MoveOn();

    std::vector<uint32_t> m_order;
    const uint32_t m_nSeconds;
    const uint32_t m_nRounds;
    size_t m_nPage;
    uint32_t m_nRound;
    uint32_t m_nSecondsLeft;
    uint32_t m_nPressedOn; // the display a touch began on, 0 without one
    uint32_t m_nChosen;
    uint32_t m_nOutcome;
};
