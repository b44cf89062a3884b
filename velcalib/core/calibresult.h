// A calibration run's options and result, without a window: the options a
// host gives StartCalibrateEx, checked and made complete; the check targets;
// the error in pixels of a touch mapped through a coefficient set; and the
// result that is handed back, filled attempt by attempt.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#define VELCALIB_TYPES_ONLY
#include "velcalib.h"
#undef VELCALIB_TYPES_ONLY

#include "calibmatrix.h"
#include "calibrun.h"
#include "displayspace.h"

// The verify limit when the options give none: a touch whose pointer lands
// on the target's pixel or a neighbour of it.
const double CALIB_DEFAULT_VERIFY_ERROR = 1.5;

// What a run does. The defaults are StartCalibrate's run.
struct CalibSettings {
    unsigned char nTargets = 4;
    unsigned char nPathType = 0;
    int nCheckPoints = 0;
    double dMaxCheckError = 0.0;                        // pixels; 0: measure only
    int nAttempts = 0;                                  // 0: unlimited
    int32_t nIdleTicks = CalibRun::IDLE_TICKS_TO_CLOSE; // one a second
    uint32_t nDisplay = 0;                              // 0: the primary; else 1…N
    uint32_t nSpace = VEL_CALIB_SPACE_PRIMARY;
    int nVerifyPoints = 0;
    double dMaxVerifyError = CALIB_DEFAULT_VERIFY_ERROR; // pixels
    // Found by a touch: the display (nDisplay is VEL_CALIB_DISPLAY_TOUCH
    // until then), and whether nothing but the display is asked for.
    bool bByTouch = false;
    bool bIdentifyOnly = false;
    uint32_t nIdentifySeconds = 0; // 0: the identify step's default
    uint32_t nIdentifyRounds = 0;
    // A failed verify step keeps its calibration in force instead of putting
    // back what was there before.
    bool bKeepUnverified = false;
};

// What the device held before a run, as far as the tools know: the set they
// last wrote for it (VEL_CALIB_RECORD_HD or _16), or none.
struct PreviousSet {
    uint32_t nRecord = VEL_CALIB_RECORD_NONE;
    float fCoefficients[8] = {};
    int16_t nCoefficients[8] = {};
};

// What a run that ended with nOutcome puts back (VEL_CALIB_RESTORED), when
// it wrote a set of its own (bWritten): nothing after a pass, a pointer that
// could not be held, a failed last check, or with bKeepUnverified; after a
// failed proof, and after a way out (Escape, a stop, the idle time) taken
// before the run's checks and verify touches were done, the previous set when
// one is known, else the device's own reset.
uint32_t RestoreAtEnd(uint32_t nOutcome, bool bWritten, bool bKeepUnverified,
                      const PreviousSet& previous);

// The run's outcome once it is known what was put back: a failed proof whose
// calibration was taken back is VEL_CALIB_VERIFY_UNDONE.
uint32_t OutcomeAfterRestore(uint32_t nOutcome, uint32_t nRestored);

// The space a run takes for its first round: the options' space, or with
// VEL_CALIB_SPACE_AUTO the display's own, also on the primary display (its
// targets' values are then their drawn pixels' centres, exact to the pixel).
uint32_t FirstSpace(const CalibSettings& settings);

// The auto space's second round: after a first round in `place` whose
// verify touches failed with this diagnosis, the place of the space they
// show the range to cover (the primary display or the desktop, for the same
// display), when its range holds every target; false when there is none.
bool SecondPlace(const DesktopLayout& layout, const RunPlace& place, const Diagnosis& diagnosis,
                 const std::vector<CalibPoint>& targets, RunPlace& second);

// The calibration of the touches (raw) at the targets (logical, relative to
// the window) taken in the place's space: the targets' values there
// (pInSpace) and both sets; false when they fit no set a real panel gives.
bool FitInPlace(const RunPlace& place, const CalibPoint* pTargets, const CalibPoint* pSamples,
                int nCount, CalibPoint* pInSpace, int16_t* pMatrix, float* pMatrix_f);

// The options' bounds.
const uint32_t CALIB_MAX_ATTEMPTS = 1000;
const uint32_t CALIB_MAX_IDLE_SECONDS = 3600;
const double CALIB_MAX_CHECK_ERROR = 10000.0;
const uint32_t CALIB_MAX_DISPLAY = 64;

// "" when the options can run (settings filled from them), else what is
// wrong with them. A null structure or one shorter than the first version is
// wrong; the first version's runs on the primary display in the primary
// space without a verify step; a longer one (a later version's) is read as
// far as this version knows it.
std::string CheckOptions(const VEL_CALIB_OPTIONS* pOptions, CalibSettings& settings);
// Whether a result structure can take what the first version fills; Fill
// writes as much of this version's as its cbSize holds.
bool ResultUsable(const VEL_CALIB_RESULT* pResult);

// The check targets in the order they are shown. None lies on a target of
// any grid (4, 9, 16, 25): near the centre, halfway from the centre to the
// middle of each edge, and the centres of the four quarters.
extern const CalibPoint kCheckTargets[VEL_CALIB_MAX_CHECKS];

// Every target a run with these settings may show, logical and relative to
// its display: the grid, then the check and verify targets.
std::vector<CalibPoint> TargetsOfRun(const CalibSettings& settings);

// Pixels between a target (logical) and a raw touch mapped through the set,
// on a screen of nWidth × nHeight pixels (logical v is v·extent/32768 px).
double ErrorPixels(const CoefficientSet& set, const CalibPoint& target, const CalibPoint& raw,
                   int32_t nWidth, int32_t nHeight);

// The result of one run, filled on the report thread as attempts end and
// handed to the host when the window has gone.
class CalibRecorder {
public:
    explicit CalibRecorder(const CalibSettings& settings);

    void Screen(int32_t nWidth, int32_t nHeight);
    // Where the run takes place: the window's display and the space whose
    // pixels the targets' and checks' errors are measured in.
    void Place(const RunPlace& place);
    // The targets are done: a new attempt with these targets and touches.
    void BeginAttempt(const CalibPoint* pTargets, const CalibPoint* pSamples, int nCount);
    // The touches made no calibration.
    void NotFitted();
    // The two sets sent and the record the device took (RECORD_NONE: it
    // refused both). The targets' residuals are taken through the set the
    // device took, or the single-precision one.
    void Sent(const float* pMatrix_f, const int16_t* pMatrix, uint32_t nRecord);
    // The check targets are done: their errors; true when they pass.
    bool Checked(const CalibPoint* pTargets, const CalibPoint* pSamples, int nCount);

    // A verify touch: the target and where the system put the pointer
    // (desktop pixels). Kept up to VEL_CALIB_MAX_CHECKS.
    void Verified(const CalibPoint& target, const CalibPoint& pointer);
    // The verify step is over: true when every touch asked for landed within
    // the limit; else the diagnosis is taken from the touches.
    bool VerifyPassed(const DesktopLayout& layout);
    uint32_t VerifyPoints() const { return m_result.nVerifyPoints; }
    // The diagnosis VerifyPassed took.
    Diagnosis LastDiagnosis() const;
    // The auto space's second round: the first is kept as it was, the
    // targets take their values in the new place's space with the set fitted
    // there and sent (nRecord as Sent), and the verify touches start again.
    void SecondRound(const RunPlace& place, const CalibPoint* pTargets, const float* pMatrix_f,
                     const int16_t* pMatrix, uint32_t nRecord);
    // How the display was chosen and how it stood.
    void Chosen(bool bByTouch, int orientation, int dpi);
    // What the run put back at its end (VEL_CALIB_RESTORED).
    void Restored(uint32_t nRestored) { m_result.nRestored = nRestored; }
    // Whether the device took a set of this run, in any attempt or round.
    bool Wrote() const { return m_bWrote; }

    // Whether the attempts allowed are used up.
    bool AttemptsLeft() const;
    // How the last attempt ended (0 before any).
    uint32_t LastEnd() const;
    const VEL_CALIB_RESULT& Result() const { return m_result; }

    // The host's copy, with this outcome: as much as both versions know.
    void Fill(uint32_t nOutcome, VEL_CALIB_RESULT* pResult) const;

private:
    VEL_CALIB_ATTEMPT* Attempt();
    void SetEnd(uint32_t nEnd);

    CalibSettings m_settings;
    VEL_CALIB_RESULT m_result;
    CoefficientSet m_accepted; // the set the device took, for the checks
    RunPlace m_place;
    int32_t m_nSpaceWidth, m_nSpaceHeight; // the pixels a logical unit is measured in
    uint32_t m_lastEnd;                    // also beyond the attempts kept
    bool m_bWrote;
};

// The outcome of a run from the way it ended and how its last attempt did.
uint32_t CalibOutcome(CalibRun::EndReason reason, uint32_t nLastEnd);
