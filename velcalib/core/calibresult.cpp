#include "calibresult.h"

#include <cmath>
#include <cstring>

#include "calibview.h"
#include "collecthelper.h"
#include "identifystep.h"

namespace {

bool IsGrid(uint32_t nTargets) {
    return nTargets == 4 || nTargets == 9 || nTargets == 16 || nTargets == 25;
}

CalibPoint Point(const VEL_CALIB_POINT& point) {
    return {point.x, point.y};
}

} // namespace

const CalibPoint kCheckTargets[VEL_CALIB_MAX_CHECKS] = {
    {14336, 18432}, {16384, 8192}, {24576, 16384}, {16384, 24576}, {8192, 16384},
    {8192, 8192},   {24576, 8192}, {24576, 24576}, {8192, 24576},
};

std::string CheckOptions(const VEL_CALIB_OPTIONS* pOptions, CalibSettings& settings) {
    if (pOptions == nullptr)
        return "no options";
    if (pOptions->cbSize < VEL_CALIB_OPTIONS_V1_SIZE)
        return "options of " + std::to_string(pOptions->cbSize) + " bytes, fewer than " +
               std::to_string(VEL_CALIB_OPTIONS_V1_SIZE);
    // The first version's structure ends before the place and the verify step.
    VEL_CALIB_OPTIONS options = {};
    std::memcpy(&options, pOptions,
                pOptions->cbSize < sizeof(options) ? pOptions->cbSize : sizeof(options));
    const uint32_t nTargets = pOptions->nTargets == 0 ? 4 : pOptions->nTargets;
    if (!IsGrid(nTargets))
        return std::to_string(nTargets) + " targets: a run takes 4, 9, 16 or 25";
    if (pOptions->nPathType > 1)
        return "path type " + std::to_string(pOptions->nPathType) + ": 0 or 1";
    if (pOptions->nCheckPoints > VEL_CALIB_MAX_CHECKS)
        return std::to_string(pOptions->nCheckPoints) + " check points: at most 9";
    const double dLimit = pOptions->dMaxCheckError;
    if (!(dLimit >= 0.0 && dLimit <= CALIB_MAX_CHECK_ERROR))
        return "a check error limit of " + std::to_string(dLimit) + " pixels: 0 to 10000";
    if (pOptions->nAttempts > CALIB_MAX_ATTEMPTS)
        return std::to_string(pOptions->nAttempts) + " attempts: at most 1000 (0: unlimited)";
    if (pOptions->nIdleSeconds > CALIB_MAX_IDLE_SECONDS)
        return "an idle time of " + std::to_string(pOptions->nIdleSeconds) +
               " seconds: at most 3600 (0: 20)";
    if (options.nDisplay > CALIB_MAX_DISPLAY && options.nDisplay != VEL_CALIB_DISPLAY_TOUCH)
        return "display " + std::to_string(options.nDisplay) + ": at most " +
               std::to_string(CALIB_MAX_DISPLAY) + " (0: the primary; " +
               std::to_string(VEL_CALIB_DISPLAY_TOUCH) + ": by touch)";
    if (FindSpace(options.nSpace) == nullptr && options.nSpace != VEL_CALIB_SPACE_AUTO)
        return "space " + std::to_string(options.nSpace) + ": " + SpaceChoices(true) + " or " +
               std::to_string(VEL_CALIB_SPACE_AUTO) + " auto";
    if (options.nVerifyPoints > VEL_CALIB_MAX_CHECKS)
        return std::to_string(options.nVerifyPoints) + " verify points: at most 9";
    if (options.nSpace == VEL_CALIB_SPACE_AUTO && options.nVerifyPoints < 2 &&
        (options.nFlags & VEL_CALIB_FLAG_IDENTIFY_ONLY) == 0)
        return "the auto space is found by the verify touches: 2 verify points or more";
    const uint32_t kFlags = VEL_CALIB_FLAG_IDENTIFY_ONLY | VEL_CALIB_FLAG_KEEP_UNVERIFIED;
    if ((options.nFlags & ~kFlags) != 0)
        return "flags " + std::to_string(options.nFlags) + ": only " +
               std::to_string(VEL_CALIB_FLAG_IDENTIFY_ONLY) + " (identify only) and " +
               std::to_string(VEL_CALIB_FLAG_KEEP_UNVERIFIED) + " (keep unverified) are known";
    if (options.nIdentifySeconds > IdentifyStep::MAX_SECONDS)
        return std::to_string(options.nIdentifySeconds) + " seconds a page: at most 60 (0: 5)";
    if (options.nIdentifyRounds > IdentifyStep::MAX_ROUNDS)
        return std::to_string(options.nIdentifyRounds) + " identify rounds: at most 20 (0: 3)";
    const double dVerifyLimit = options.dMaxVerifyError;
    if (!(dVerifyLimit >= 0.0 && dVerifyLimit <= CALIB_MAX_CHECK_ERROR))
        return "a verify error limit of " + std::to_string(dVerifyLimit) +
               " pixels: 0 to 10000 (0: 1.5)";
    settings = CalibSettings();
    settings.nTargets = static_cast<unsigned char>(nTargets);
    settings.nPathType = static_cast<unsigned char>(pOptions->nPathType);
    settings.nCheckPoints = static_cast<int>(pOptions->nCheckPoints);
    settings.dMaxCheckError = dLimit;
    settings.nAttempts = static_cast<int>(pOptions->nAttempts);
    if (pOptions->nIdleSeconds != 0)
        settings.nIdleTicks = static_cast<int32_t>(pOptions->nIdleSeconds);
    settings.nDisplay = options.nDisplay;
    settings.nSpace = options.nSpace;
    settings.nVerifyPoints = static_cast<int>(options.nVerifyPoints);
    if (dVerifyLimit != 0.0)
        settings.dMaxVerifyError = dVerifyLimit;
    settings.bIdentifyOnly = (options.nFlags & VEL_CALIB_FLAG_IDENTIFY_ONLY) != 0;
    settings.bByTouch = settings.bIdentifyOnly || options.nDisplay == VEL_CALIB_DISPLAY_TOUCH;
    settings.nIdentifySeconds = options.nIdentifySeconds;
    settings.bKeepUnverified = (options.nFlags & VEL_CALIB_FLAG_KEEP_UNVERIFIED) != 0;
    settings.nIdentifyRounds = options.nIdentifyRounds;
    return "";
}

bool ResultUsable(const VEL_CALIB_RESULT* pResult) {
    return pResult != nullptr && pResult->cbSize >= VEL_CALIB_RESULT_V1_SIZE;
}

uint32_t FirstSpace(const CalibSettings& settings) {
    return settings.nSpace == VEL_CALIB_SPACE_AUTO ? static_cast<uint32_t>(VEL_CALIB_SPACE_DISPLAY)
                                                   : settings.nSpace;
}

bool SecondPlace(const DesktopLayout& layout, const RunPlace& place, const Diagnosis& diagnosis,
                 const std::vector<CalibPoint>& targets, RunPlace& second) {
    uint32_t nSpace = 0;
    if (diagnosis.nCode == VEL_CALIB_DIAGNOSIS_PRIMARY)
        nSpace = VEL_CALIB_SPACE_PRIMARY;
    else if (diagnosis.nCode == VEL_CALIB_DIAGNOSIS_DESKTOP)
        nSpace = VEL_CALIB_SPACE_DESKTOP;
    else if (diagnosis.nCode == VEL_CALIB_DIAGNOSIS_DISPLAY && diagnosis.nDisplay == place.nDisplay)
        nSpace = VEL_CALIB_SPACE_DISPLAY;
    else
        return false;
    // The space the first round took already: the touches landed off.
    if (InChosenSpace(diagnosis.rect, place.space))
        return false;
    return PlaceRun(layout, place.nDisplay, nSpace, targets.data(),
                    static_cast<int>(targets.size()), second)
               .kind == PlaceProblem::None;
}

uint32_t RestoreAtEnd(uint32_t nOutcome, bool bWritten, bool bKeepUnverified,
                      const PreviousSet& previous) {
    const bool bUnproved = nOutcome == VEL_CALIB_VERIFY_FAILED || nOutcome == VEL_CALIB_CANCELLED ||
                           nOutcome == VEL_CALIB_STOPPED || nOutcome == VEL_CALIB_TIMED_OUT;
    if (!bWritten || !bUnproved || bKeepUnverified)
        return VEL_CALIB_RESTORED_NONE;
    return previous.nRecord != VEL_CALIB_RECORD_NONE ? VEL_CALIB_RESTORED_REMEMBERED
                                                     : VEL_CALIB_RESTORED_RESET;
}

uint32_t OutcomeAfterRestore(uint32_t nOutcome, uint32_t nRestored) {
    return nOutcome == VEL_CALIB_VERIFY_FAILED && (nRestored == VEL_CALIB_RESTORED_REMEMBERED ||
                                                   nRestored == VEL_CALIB_RESTORED_RESET)
               ? static_cast<uint32_t>(VEL_CALIB_VERIFY_UNDONE)
               : nOutcome;
}

bool FitInPlace(const RunPlace& place, const CalibPoint* pTargets, const CalibPoint* pSamples,
                int nCount, CalibPoint* pInSpace, int16_t* pMatrix, float* pMatrix_f) {
    for (int i = 0; i < nCount; ++i)
        pInSpace[i] = ToSpace(pTargets[i], place);
    return CalcCalibMatrix(pInSpace, pSamples, static_cast<unsigned char>(nCount), pMatrix,
                           pMatrix_f) &&
           IsPlausibleCalibration(pInSpace, pSamples, static_cast<unsigned char>(nCount),
                                  pMatrix_f);
}

std::vector<CalibPoint> TargetsOfRun(const CalibSettings& settings) {
    const CollectHelper grid(settings.nTargets, settings.nPathType);
    std::vector<CalibPoint> targets(grid.Targets(), grid.Targets() + grid.Total());
    const int nChecks = settings.nCheckPoints > settings.nVerifyPoints ? settings.nCheckPoints
                                                                       : settings.nVerifyPoints;
    targets.insert(targets.end(), kCheckTargets, kCheckTargets + nChecks);
    return targets;
}

double ErrorPixels(const CoefficientSet& set, const CalibPoint& target, const CalibPoint& raw,
                   int32_t nWidth, int32_t nHeight) {
    double X = 0.0, Y = 0.0;
    MapRaw(set, raw.x, raw.y, X, Y);
    const double dx = (X - target.x) * nWidth / LOGICAL_EXTENT;
    const double dy = (Y - target.y) * nHeight / LOGICAL_EXTENT;
    return std::sqrt(dx * dx + dy * dy);
}

CalibRecorder::CalibRecorder(const CalibSettings& settings)
    : m_settings(settings), m_accepted(), m_place(), m_nSpaceWidth(0), m_nSpaceHeight(0),
      m_lastEnd(0), m_bWrote(false) {
    std::memset(&m_result, 0, sizeof(m_result));
    m_result.cbSize = sizeof(m_result);
}

void CalibRecorder::Screen(int32_t nWidth, int32_t nHeight) {
    m_result.nScreenWidth = nWidth;
    m_result.nScreenHeight = nHeight;
    m_nSpaceWidth = nWidth;
    m_nSpaceHeight = nHeight;
}

void CalibRecorder::Place(const RunPlace& place) {
    m_place = place;
    Screen(place.window.width, place.window.height);
    m_nSpaceWidth = place.space.width;
    m_nSpaceHeight = place.space.height;
    m_result.nDisplay = place.nDisplay;
    m_result.nSpace = place.nSpace;
    m_result.display = place.window;
    m_result.space = place.space;
}

void CalibRecorder::Verified(const CalibPoint& target, const CalibPoint& pointer) {
    if (m_result.nVerifyPoints >= VEL_CALIB_MAX_CHECKS)
        return;
    if (m_result.nVerifyRounds == 0)
        m_result.nVerifyRounds = 1;
    VEL_CALIB_VERIFY_POINT& point = m_result.verify[m_result.nVerifyPoints++];
    point.targetX = target.x;
    point.targetY = target.y;
    point.pointerX = pointer.x;
    point.pointerY = pointer.y;
    point.dErrorPx = std::hypot(static_cast<double>(pointer.x) - target.x,
                                static_cast<double>(pointer.y) - target.y);
    double dSum = 0.0, dMax = 0.0;
    for (uint32_t i = 0; i < m_result.nVerifyPoints; ++i) {
        dSum += m_result.verify[i].dErrorPx;
        dMax = std::fmax(dMax, m_result.verify[i].dErrorPx);
    }
    m_result.dVerifyMeanPx = dSum / m_result.nVerifyPoints;
    m_result.dVerifyMaxPx = dMax;
}

bool CalibRecorder::VerifyPassed(const DesktopLayout& layout) {
    const bool bPassed = static_cast<int>(m_result.nVerifyPoints) >= m_settings.nVerifyPoints &&
                         m_result.dVerifyMaxPx <= m_settings.dMaxVerifyError;
    if (bPassed)
        return true;
    const Diagnosis diagnosis =
        Diagnose(layout, m_place, m_result.verify, static_cast<int>(m_result.nVerifyPoints));
    m_result.nDiagnosis = diagnosis.nCode;
    m_result.nDiagnosedDisplay = diagnosis.nDisplay;
    m_result.diagnosed = diagnosis.rect;
    return false;
}

Diagnosis CalibRecorder::LastDiagnosis() const {
    Diagnosis diagnosis;
    diagnosis.nCode = m_result.nDiagnosis;
    diagnosis.nDisplay = m_result.nDiagnosedDisplay;
    diagnosis.rect = m_result.diagnosed;
    return diagnosis;
}

void CalibRecorder::SecondRound(const RunPlace& place, const CalibPoint* pTargets,
                                const float* pMatrix_f, const int16_t* pMatrix, uint32_t nRecord) {
    VEL_CALIB_VERIFY_ROUND& first = m_result.firstRound;
    first.nSpace = m_result.nSpace;
    first.nVerifyPoints = m_result.nVerifyPoints;
    first.nDiagnosis = m_result.nDiagnosis;
    first.nDiagnosedDisplay = m_result.nDiagnosedDisplay;
    first.space = m_result.space;
    first.diagnosed = m_result.diagnosed;
    first.dVerifyMeanPx = m_result.dVerifyMeanPx;
    first.dVerifyMaxPx = m_result.dVerifyMaxPx;
    std::memcpy(first.verify, m_result.verify, sizeof first.verify);
    std::memcpy(first.fCoefficients, m_result.fCoefficients, sizeof first.fCoefficients);
    const uint32_t nAttempts = m_result.nAttempts;
    const uint32_t nLastEnd = m_lastEnd;
    Place(place);
    m_result.nVerifyRounds = 2;
    m_result.nVerifyPoints = 0;
    m_result.nDiagnosis = VEL_CALIB_DIAGNOSIS_NONE;
    m_result.nDiagnosedDisplay = 0;
    m_result.diagnosed = VEL_CALIB_RECT{0, 0, 0, 0};
    m_result.dVerifyMeanPx = m_result.dVerifyMaxPx = 0.0;
    std::memset(m_result.verify, 0, sizeof m_result.verify);
    for (uint32_t i = 0; i < m_result.nTargets; ++i) {
        m_result.targets[i].x = pTargets[i].x;
        m_result.targets[i].y = pTargets[i].y;
    }
    // The same attempt, its set fitted anew: its end stays what it was.
    Sent(pMatrix_f, pMatrix, nRecord);
    m_result.nAttempts = nAttempts;
    SetEnd(nRecord == VEL_CALIB_RECORD_NONE ? static_cast<uint32_t>(VEL_CALIB_ATTEMPT_REFUSED)
                                            : nLastEnd);
}

void CalibRecorder::Chosen(bool bByTouch, int orientation, int dpi) {
    m_result.nChosenBy = bByTouch ? 1 : 0;
    m_result.nOrientation = orientation;
    m_result.nDpi = dpi < 0 ? 0 : static_cast<uint32_t>(dpi);
}

VEL_CALIB_ATTEMPT* CalibRecorder::Attempt() {
    const uint32_t n = m_result.nAttempts;
    return n >= 1 && n <= VEL_CALIB_ATTEMPTS_KEPT ? &m_result.attempts[n - 1] : nullptr;
}

void CalibRecorder::SetEnd(uint32_t nEnd) {
    m_lastEnd = nEnd;
    if (VEL_CALIB_ATTEMPT* pAttempt = Attempt())
        pAttempt->nEnd = nEnd;
}

void CalibRecorder::BeginAttempt(const CalibPoint* pTargets, const CalibPoint* pSamples,
                                 int nCount) {
    ++m_result.nAttempts;
    if (m_result.nAttempts <= VEL_CALIB_ATTEMPTS_KEPT)
        m_result.nAttemptsKept = m_result.nAttempts;
    m_result.nTargets = nCount < 0                       ? 0
                        : nCount > VEL_CALIB_MAX_TARGETS ? VEL_CALIB_MAX_TARGETS
                                                         : static_cast<uint32_t>(nCount);
    for (uint32_t i = 0; i < m_result.nTargets; ++i) {
        VEL_CALIB_POINT& point = m_result.targets[i];
        point = VEL_CALIB_POINT();
        point.x = pTargets[i].x;
        point.y = pTargets[i].y;
        point.rawX = pSamples[i].x;
        point.rawY = pSamples[i].y;
    }
    m_result.nCheckPoints = 0;
    m_result.dCheckMeanPx = m_result.dCheckMaxPx = 0.0;
}

void CalibRecorder::NotFitted() {
    SetEnd(VEL_CALIB_ATTEMPT_NOT_FITTED);
}

void CalibRecorder::Sent(const float* pMatrix_f, const int16_t* pMatrix, uint32_t nRecord) {
    std::memcpy(m_result.fCoefficients, pMatrix_f, sizeof(m_result.fCoefficients));
    std::memcpy(m_result.nCoefficients, pMatrix, sizeof(m_result.nCoefficients));
    m_result.nAccepted = nRecord;
    m_bWrote = m_bWrote || nRecord != VEL_CALIB_RECORD_NONE;
    m_accepted = nRecord == VEL_CALIB_RECORD_16 ? SetOf(pMatrix) : SetOf(pMatrix_f);
    for (uint32_t i = 0; i < m_result.nTargets; ++i) {
        VEL_CALIB_POINT& point = m_result.targets[i];
        point.dErrorPx = ErrorPixels(m_accepted, Point(point), {point.rawX, point.rawY},
                                     m_nSpaceWidth, m_nSpaceHeight);
    }
    if (nRecord == VEL_CALIB_RECORD_NONE)
        SetEnd(VEL_CALIB_ATTEMPT_REFUSED);
    else
        SetEnd(m_settings.nCheckPoints > 0 ? VEL_CALIB_ATTEMPT_INTERRUPTED
                                           : VEL_CALIB_ATTEMPT_APPLIED);
}

bool CalibRecorder::Checked(const CalibPoint* pTargets, const CalibPoint* pSamples, int nCount) {
    const uint32_t n = nCount < 0                      ? 0
                       : nCount > VEL_CALIB_MAX_CHECKS ? VEL_CALIB_MAX_CHECKS
                                                       : static_cast<uint32_t>(nCount);
    double dSum = 0.0, dMax = 0.0;
    for (uint32_t i = 0; i < n; ++i) {
        VEL_CALIB_POINT& point = m_result.checks[i];
        point.x = pTargets[i].x;
        point.y = pTargets[i].y;
        point.rawX = pSamples[i].x;
        point.rawY = pSamples[i].y;
        point.dErrorPx =
            ErrorPixels(m_accepted, pTargets[i], pSamples[i], m_nSpaceWidth, m_nSpaceHeight);
        dSum += point.dErrorPx;
        dMax = point.dErrorPx > dMax ? point.dErrorPx : dMax;
    }
    m_result.nCheckPoints = n;
    m_result.dCheckMeanPx = n > 0 ? dSum / n : 0.0;
    m_result.dCheckMaxPx = dMax;
    // A set that maps a touch nowhere (a vanishing denominator) fails any limit.
    const bool bPass = m_settings.dMaxCheckError == 0.0 ||
                       (std::isfinite(dMax) && dMax <= m_settings.dMaxCheckError);
    if (VEL_CALIB_ATTEMPT* pAttempt = Attempt()) {
        pAttempt->nCheckPoints = n;
        pAttempt->dCheckMeanPx = m_result.dCheckMeanPx;
        pAttempt->dCheckMaxPx = dMax;
    }
    SetEnd(bPass ? VEL_CALIB_ATTEMPT_CHECKED : VEL_CALIB_ATTEMPT_CHECK_FAILED);
    return bPass;
}

bool CalibRecorder::AttemptsLeft() const {
    return m_settings.nAttempts == 0 ||
           m_result.nAttempts < static_cast<uint32_t>(m_settings.nAttempts);
}

uint32_t CalibRecorder::LastEnd() const {
    return m_lastEnd;
}

void CalibRecorder::Fill(uint32_t nOutcome, VEL_CALIB_RESULT* pResult) const {
    const uint32_t cbSize = pResult->cbSize;
    std::memcpy(pResult, &m_result, cbSize < sizeof(m_result) ? cbSize : sizeof(m_result));
    pResult->cbSize = cbSize;
    pResult->nOutcome = nOutcome;
}

uint32_t CalibOutcome(CalibRun::EndReason reason, uint32_t nLastEnd) {
    switch (reason) {
    case CalibRun::EndReason::Finished:
        switch (nLastEnd) {
        case VEL_CALIB_ATTEMPT_NOT_FITTED:
            return VEL_CALIB_NOT_FITTED;
        case VEL_CALIB_ATTEMPT_REFUSED:
            return VEL_CALIB_REFUSED;
        case VEL_CALIB_ATTEMPT_CHECKED:
            return VEL_CALIB_CHECKED;
        case VEL_CALIB_ATTEMPT_CHECK_FAILED:
            return VEL_CALIB_CHECK_FAILED;
        default:
            return VEL_CALIB_APPLIED;
        }
    case CalibRun::EndReason::Cancelled:
        return VEL_CALIB_CANCELLED;
    case CalibRun::EndReason::TimedOut:
        return VEL_CALIB_TIMED_OUT;
    case CalibRun::EndReason::Stopped:
    case CalibRun::EndReason::None:
        break;
    }
    return VEL_CALIB_STOPPED;
}
