#include "calibresult.h"

#include <cmath>
#include <cstring>

namespace {

const double LOGICAL_EXTENT = 32768.0;

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
    if (pOptions->cbSize < sizeof(VEL_CALIB_OPTIONS))
        return "options of " + std::to_string(pOptions->cbSize) + " bytes, fewer than " +
               std::to_string(sizeof(VEL_CALIB_OPTIONS));
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
    settings = CalibSettings();
    settings.nTargets = static_cast<unsigned char>(nTargets);
    settings.nPathType = static_cast<unsigned char>(pOptions->nPathType);
    settings.nCheckPoints = static_cast<int>(pOptions->nCheckPoints);
    settings.dMaxCheckError = dLimit;
    settings.nAttempts = static_cast<int>(pOptions->nAttempts);
    if (pOptions->nIdleSeconds != 0)
        settings.nIdleTicks = static_cast<int32_t>(pOptions->nIdleSeconds);
    return "";
}

bool ResultUsable(const VEL_CALIB_RESULT* pResult) {
    return pResult != nullptr && pResult->cbSize >= sizeof(VEL_CALIB_RESULT);
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
    : m_settings(settings), m_accepted(), m_lastEnd(0) {
    std::memset(&m_result, 0, sizeof(m_result));
    m_result.cbSize = sizeof(m_result);
}

void CalibRecorder::Screen(int32_t nWidth, int32_t nHeight) {
    m_result.nScreenWidth = nWidth;
    m_result.nScreenHeight = nHeight;
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
    m_accepted = nRecord == VEL_CALIB_RECORD_16 ? SetOf(pMatrix) : SetOf(pMatrix_f);
    for (uint32_t i = 0; i < m_result.nTargets; ++i) {
        VEL_CALIB_POINT& point = m_result.targets[i];
        point.dErrorPx = ErrorPixels(m_accepted, Point(point), {point.rawX, point.rawY},
                                     m_result.nScreenWidth, m_result.nScreenHeight);
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
        point.dErrorPx = ErrorPixels(m_accepted, pTargets[i], pSamples[i], m_result.nScreenWidth,
                                     m_result.nScreenHeight);
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
    std::memcpy(pResult, &m_result, sizeof(m_result));
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
