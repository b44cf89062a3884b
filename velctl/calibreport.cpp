#include "calibreport.h"

#include <cmath>
#include <cstdio>

#include "cmdline.h"
#include "screenreport.h"

namespace ctl {

namespace {

const struct {
    uint32_t outcome;
    const char* name;
    int exitCode;
    const char* meaning;
} kOutcomes[] = {
    {VEL_CALIB_APPLIED, "applied", kExitOk, "the calibration was written"},
    {VEL_CALIB_CHECKED, "checked", kExitOk,
     "the calibration was written and its check points passed"},
    {VEL_CALIB_CHECK_FAILED, "check failed", kExitCheckFailed,
     "a check point lay beyond the limit in the last attempt; its calibration stays written"},
    {VEL_CALIB_CANCELLED, "cancelled", kExitCancelled, "the user ended it"},
    {VEL_CALIB_STOPPED, "stopped", kExitStopped, "another program ended it"},
    {VEL_CALIB_TIMED_OUT, "timed out", kExitTimedOut, "no touch for the idle time"},
    {VEL_CALIB_REFUSED, "refused", kExitDevice,
     "the screen refused every record of the last attempt"},
    {VEL_CALIB_NOT_FITTED, "not fitted", kExitNotFitted,
     "the touches made no calibration in the last attempt"},
    {VEL_CALIB_BUSY, "busy", kExitBusy, "another calibration runs"},
    {VEL_CALIB_NO_DEVICE, "no device", kExitNoScreen, "the device library cannot be used"},
    {VEL_CALIB_BAD_ARGUMENTS, "bad arguments", kExitBadValue,
     "the calibration library refused the options"},
};

const char* const kAttemptEnds[] = {"",        "not fitted",   "refused",    "applied",
                                    "checked", "check failed", "interrupted"};

const char* AttemptEnd(uint32_t nEnd) {
    return nEnd < sizeof kAttemptEnds / sizeof kAttemptEnds[0] ? kAttemptEnds[nEnd] : "?";
}

const char* RecordName(uint32_t nRecord) {
    return nRecord == VEL_CALIB_RECORD_HD   ? "hd"
           : nRecord == VEL_CALIB_RECORD_16 ? "16-bit"
                                            : "none";
}

// Pixels with two decimals; a set that maps a touch nowhere shows so.
std::string Pixels(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// JSON has no infinity: a touch mapped nowhere is null there.
std::string JsonPixels(double value) {
    return std::isfinite(value) ? Pixels(value) : std::string("null");
}

std::string Real(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

std::string Pad(const std::string& text, size_t width) {
    return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

std::string PointLine(uint32_t i, const VEL_CALIB_POINT& point) {
    return "  " + Pad(std::to_string(i + 1), 4) +
           Pad("(" + std::to_string(point.x) + ", " + std::to_string(point.y) + ")", 16) +
           Pad("raw (" + std::to_string(point.rawX) + ", " + std::to_string(point.rawY) + ")", 20) +
           Pixels(point.dErrorPx) + " px\n";
}

std::string PointJson(const VEL_CALIB_POINT& point) {
    return "{\"x\": " + std::to_string(point.x) + ", \"y\": " + std::to_string(point.y) +
           ", \"rawX\": " + std::to_string(point.rawX) +
           ", \"rawY\": " + std::to_string(point.rawY) +
           ", \"errorPx\": " + JsonPixels(point.dErrorPx) + "}";
}

uint32_t Clamp(uint32_t n, uint32_t most) {
    return n < most ? n : most;
}

} // namespace

int CalibrationExitCode(uint32_t nOutcome) {
    for (const auto& entry : kOutcomes) {
        if (entry.outcome == nOutcome)
            return entry.exitCode;
    }
    return kExitUsage;
}

const char* OutcomeName(uint32_t nOutcome) {
    for (const auto& entry : kOutcomes) {
        if (entry.outcome == nOutcome)
            return entry.name;
    }
    return "unknown";
}

std::string CalibrationText(const VEL_CALIB_RESULT& r, const VEL_CALIB_OPTIONS& options) {
    std::string meaning;
    for (const auto& entry : kOutcomes) {
        if (entry.outcome == r.nOutcome)
            meaning = entry.meaning;
    }
    std::string text = Pad("outcome", 15) + OutcomeName(r.nOutcome) + ": " + meaning + "\n";
    if (r.nOutcome == VEL_CALIB_BUSY || r.nOutcome == VEL_CALIB_NO_DEVICE ||
        r.nOutcome == VEL_CALIB_BAD_ARGUMENTS)
        return text;
    text += Pad("attempts", 15) + std::to_string(r.nAttempts) + "\n";
    text += Pad("screen", 15) + std::to_string(r.nScreenWidth) + " x " +
            std::to_string(r.nScreenHeight) + " pixels\n";
    if (r.nAttempts == 0)
        return text;
    text += Pad("record taken", 15) + RecordName(r.nAccepted) + "\n";
    text += Pad("set", 15);
    for (int k = 0; k < 8; ++k)
        text += (k ? " " : "") + Real(r.fCoefficients[k]);
    text += "\n" + Pad("16-bit set", 15);
    for (int k = 0; k < 8; ++k)
        text += (k ? " " : "") + std::to_string(r.nCoefficients[k]);
    text += "\n" + Pad("targets", 15) + std::to_string(r.nTargets) +
            ", residual in pixels through the set taken\n";
    for (uint32_t i = 0; i < Clamp(r.nTargets, VEL_CALIB_MAX_TARGETS); ++i)
        text += PointLine(i, r.targets[i]);
    if (r.nCheckPoints > 0) {
        text += Pad("check points", 15) + std::to_string(r.nCheckPoints) + ", mean " +
                Pixels(r.dCheckMeanPx) + " px, max " + Pixels(r.dCheckMaxPx) + " px" +
                (options.dMaxCheckError > 0 ? ", limit " + Pixels(options.dMaxCheckError) + " px"
                                            : std::string(", measured only")) +
                "\n";
        for (uint32_t i = 0; i < Clamp(r.nCheckPoints, VEL_CALIB_MAX_CHECKS); ++i)
            text += PointLine(i, r.checks[i]);
    }
    for (uint32_t i = 0; i < r.nAttemptsKept && r.nAttempts > 1; ++i) {
        const VEL_CALIB_ATTEMPT& a = r.attempts[i];
        text += Pad("attempt " + std::to_string(i + 1), 15) + AttemptEnd(a.nEnd);
        if (a.nCheckPoints > 0)
            text += ", check mean " + Pixels(a.dCheckMeanPx) + " px, max " + Pixels(a.dCheckMaxPx) +
                    " px";
        text += "\n";
    }
    return text;
}

std::string CalibrationJson(const VEL_CALIB_RESULT& r, const VEL_CALIB_OPTIONS& options) {
    std::string json = "{\n  \"outcome\": " + JsonString(OutcomeName(r.nOutcome)) +
                       ",\n  \"exitCode\": " + std::to_string(CalibrationExitCode(r.nOutcome)) +
                       ",\n  \"attempts\": " + std::to_string(r.nAttempts) +
                       ",\n  \"screen\": {\"width\": " + std::to_string(r.nScreenWidth) +
                       ", \"height\": " + std::to_string(r.nScreenHeight) + "}" +
                       ",\n  \"record\": " + JsonString(RecordName(r.nAccepted)) +
                       ",\n  \"set\": [";
    for (int k = 0; k < 8; ++k)
        json += (k ? ", " : "") + Real(r.fCoefficients[k]);
    json += "],\n  \"set16\": [";
    for (int k = 0; k < 8; ++k)
        json += (k ? ", " : "") + std::to_string(r.nCoefficients[k]);
    json += "],\n  \"targets\": [";
    for (uint32_t i = 0; i < Clamp(r.nTargets, VEL_CALIB_MAX_TARGETS); ++i)
        json += std::string(i ? ",\n    " : "\n    ") + PointJson(r.targets[i]);
    json += std::string(r.nTargets ? "\n  " : "") + "],\n  \"checks\": [";
    for (uint32_t i = 0; i < Clamp(r.nCheckPoints, VEL_CALIB_MAX_CHECKS); ++i)
        json += std::string(i ? ",\n    " : "\n    ") + PointJson(r.checks[i]);
    json += std::string(r.nCheckPoints ? "\n  " : "") +
            "],\n  \"checkMeanPx\": " + JsonPixels(r.dCheckMeanPx) +
            ",\n  \"checkMaxPx\": " + JsonPixels(r.dCheckMaxPx) +
            ",\n  \"checkLimitPx\": " + Pixels(options.dMaxCheckError) + ",\n  \"attemptList\": [";
    for (uint32_t i = 0; i < Clamp(r.nAttemptsKept, VEL_CALIB_ATTEMPTS_KEPT); ++i) {
        const VEL_CALIB_ATTEMPT& a = r.attempts[i];
        json += std::string(i ? ", " : "") + "{\"end\": " + JsonString(AttemptEnd(a.nEnd)) +
                ", \"checks\": " + std::to_string(a.nCheckPoints) +
                ", \"checkMeanPx\": " + JsonPixels(a.dCheckMeanPx) +
                ", \"checkMaxPx\": " + JsonPixels(a.dCheckMaxPx) + "}";
    }
    return json + "]\n}\n";
}

} // namespace ctl
