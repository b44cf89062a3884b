#include "calibreport.h"

#include <cmath>
#include <cstdio>

#include "cmdline.h"
#include "calibresult.h"
#include "displayspace.h"
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
    {VEL_CALIB_VERIFIED, "verified", kExitOk,
     "the calibration was written and every verify touch landed on its target"},
    {VEL_CALIB_VERIFY_FAILED, "verify failed", kExitVerifyFailed,
     "a verify touch landed beyond the limit; the calibration stays written"},
    {VEL_CALIB_VERIFY_NO_POINTER, "verify not measured", kExitVerifyNoPointer,
     "the verify step could not hold the pointer (another program holds it), so no verify touch "
     "was measured; the calibration stays written"},
};

const char* const kAttemptEnds[] = {"",        "not fitted",   "refused",    "applied",
                                    "checked", "check failed", "interrupted"};

const char* AttemptEnd(uint32_t nEnd) {
    return nEnd < sizeof kAttemptEnds / sizeof kAttemptEnds[0] ? kAttemptEnds[nEnd] : "?";
}

// What a text calls a space's rectangle: "the primary display".
std::string SpaceWords(uint32_t nSpace) {
    const SpaceRow* pRow = FindSpace(nSpace);
    return pRow != nullptr ? pRow->words : "an unknown space";
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

const char* const kDiagnoses[] = {"", "primary", "display", "desktop", "none"};

std::string RectJson(const VEL_CALIB_RECT& rect) {
    return "{\"x\": " + std::to_string(rect.x) + ", \"y\": " + std::to_string(rect.y) +
           ", \"width\": " + std::to_string(rect.width) +
           ", \"height\": " + std::to_string(rect.height) + "}";
}

std::string VerifyLine(uint32_t i, const VEL_CALIB_VERIFY_POINT& point) {
    return "  " + Pad(std::to_string(i + 1), 4) +
           Pad("(" + std::to_string(point.targetX) + ", " + std::to_string(point.targetY) + ")",
               16) +
           Pad("pointer (" + std::to_string(point.pointerX) + ", " +
                   std::to_string(point.pointerY) + ")",
               24) +
           Pixels(point.dErrorPx) + " px\n";
}

std::string VerifyJson(const VEL_CALIB_VERIFY_POINT& point) {
    return "{\"targetX\": " + std::to_string(point.targetX) +
           ", \"targetY\": " + std::to_string(point.targetY) +
           ", \"pointerX\": " + std::to_string(point.pointerX) +
           ", \"pointerY\": " + std::to_string(point.pointerY) +
           ", \"errorPx\": " + JsonPixels(point.dErrorPx) + "}";
}

// The verify limit the run held its touches to.
double VerifyLimit(const VEL_CALIB_OPTIONS& options) {
    return options.dMaxVerifyError > 0 ? options.dMaxVerifyError : CALIB_DEFAULT_VERIFY_ERROR;
}

uint32_t Clamp(uint32_t n, uint32_t most) {
    return n < most ? n : most;
}

} // namespace

std::string PlaceRefusal(const VEL_CALIB_OPTIONS& options, const DesktopLayout& layout) {
    CalibSettings settings;
    if (!CheckOptions(&options, settings).empty())
        return ""; // told by the options' own check
    const std::vector<CalibPoint> targets = TargetsOfRun(settings);
    RunPlace place;
    const PlaceProblem problem = PlaceRun(layout, settings.nDisplay, settings.nSpace,
                                          targets.data(), static_cast<int>(targets.size()), place);
    const std::string display = "display " + std::to_string(problem.nDisplay);
    switch (problem.kind) {
    case PlaceProblem::None:
        return "";
    case PlaceProblem::NoDisplay:
        return "the system reports no display";
    case PlaceProblem::NoSuchDisplay:
        return display + ": the system has " + std::to_string(problem.nDisplays) +
               (problem.nDisplays == 1 ? " display" : " displays") +
               " (velctl displays lists them)";
    case PlaceProblem::NoSuchSpace:
        return "space " + std::to_string(problem.nSpace) + ": " + SpaceChoices(true);
    case PlaceProblem::NoSize:
        return display + " has no size";
    case PlaceProblem::BeyondRange:
        break;
    }
    std::string text = display + " (" + RectText(problem.window) + ") lies outside " +
                       SpaceWords(problem.nSpace) + " (" + RectText(problem.space) +
                       "), where this space puts the touch screen's range: its targets would be "
                       "beyond it.";
    if (problem.fitting.empty())
        return text + " No space reaches it";
    for (size_t i = 0; i < problem.fitting.size(); ++i) {
        text += std::string(i == 0 ? " Choose --space " : ", or --space ") +
                SpaceName(problem.fitting[i]) +
                (i == 0 ? " if the touch screen's range covers " : " if it covers ") +
                SpaceWords(problem.fitting[i]);
    }
    return text;
}

std::string DiagnosisText(const VEL_CALIB_RESULT& r) {
    const std::string display = std::to_string(r.nDisplay);
    const std::string found = " (" + RectText(r.diagnosed) + ")";
    // The range covers what the run took it to cover: the touches themselves
    // landed off.
    if (r.nDiagnosis != VEL_CALIB_DIAGNOSIS_NONE && InChosenSpace(r.diagnosed, r.space))
        return "the space is right: the touches land as if the screen's range covered " +
               SpaceWords(r.nSpace) + found + ", as --space " + SpaceName(r.nSpace) +
               " takes it, but up to " + Pixels(r.dVerifyMaxPx) +
               " px off their targets: calibrate again, touching the centre of each target, "
               "with more targets (--targets 9 or 16) to even out single touches";
    switch (r.nDiagnosis) {
    case VEL_CALIB_DIAGNOSIS_DESKTOP:
        return "the touches land as if the screen's range covered the whole desktop" + found +
               ": calibrate with --space desktop";
    case VEL_CALIB_DIAGNOSIS_PRIMARY:
        if (r.nDisplay == r.nDiagnosedDisplay)
            return "the touches land as if the screen's range covered this display, the "
                   "primary" +
                   found + ": calibrate with --space display (or primary)";
        return "the touches land as if the screen's range covered the primary display" + found +
               ": its driver reaches only the primary display; set it to cover the whole "
               "desktop and calibrate with --space desktop, or map the touch screen to display " +
               display + " in the system's Tablet PC settings and calibrate with --space display";
    case VEL_CALIB_DIAGNOSIS_DISPLAY:
        if (r.nDisplay == r.nDiagnosedDisplay)
            return "the touches land as if the screen's range covered this display" + found +
                   ": calibrate with --space display";
        return "the touches land as if the screen's range covered display " +
               std::to_string(r.nDiagnosedDisplay) + found +
               ": the system maps the touch screen to that display; map it to display " + display +
               " in the system's Tablet PC settings, or calibrate on display " +
               std::to_string(r.nDiagnosedDisplay) + " (--display " +
               std::to_string(r.nDiagnosedDisplay) + " --space display)";
    case VEL_CALIB_DIAGNOSIS_UNKNOWN:
        if (r.diagnosed.width == 0 && r.diagnosed.height == 0)
            return "too few verify touches to tell which rectangle the screen's range covers: "
                   "verify with 2 or more points";
        return "the touches land as if the screen's range covered" + found +
               ", which is no display and not the desktop: check how the driver and the "
               "system map the touch screen, then calibrate again";
    default:
        return "";
    }
}

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
    if (r.cbSize >= sizeof(VEL_CALIB_RESULT) && r.nDisplay != 0)
        text += Pad("display", 15) + std::to_string(r.nDisplay) + " (" + RectText(r.display) +
                "); the screen's range taken to cover " + SpaceWords(r.nSpace) + " (" +
                RectText(r.space) + ")\n";
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
    if (r.cbSize >= sizeof(VEL_CALIB_RESULT) && options.nVerifyPoints > 0) {
        text += Pad("verify points", 15) + std::to_string(r.nVerifyPoints) + " of " +
                std::to_string(options.nVerifyPoints) + ", mean " + Pixels(r.dVerifyMeanPx) +
                " px, max " + Pixels(r.dVerifyMaxPx) + " px, limit " +
                Pixels(VerifyLimit(options)) + " px, where the system put the pointer\n";
        for (uint32_t i = 0; i < Clamp(r.nVerifyPoints, VEL_CALIB_MAX_CHECKS); ++i)
            text += VerifyLine(i, r.verify[i]);
        if (r.nDiagnosis != VEL_CALIB_DIAGNOSIS_NONE)
            text += Pad("diagnosis", 15) + DiagnosisText(r) + "\n";
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
    json += "]";
    if (r.cbSize >= sizeof(VEL_CALIB_RESULT)) {
        json += ",\n  \"display\": " + std::to_string(r.nDisplay) +
                ",\n  \"displayRect\": " + RectJson(r.display) +
                ",\n  \"space\": " + JsonString(SpaceName(r.nSpace)) +
                ",\n  \"spaceRect\": " + RectJson(r.space) + ",\n  \"verify\": [";
        for (uint32_t i = 0; i < Clamp(r.nVerifyPoints, VEL_CALIB_MAX_CHECKS); ++i)
            json += std::string(i ? ",\n    " : "\n    ") + VerifyJson(r.verify[i]);
        json += std::string(r.nVerifyPoints ? "\n  " : "") +
                "],\n  \"verifyMeanPx\": " + JsonPixels(r.dVerifyMeanPx) +
                ",\n  \"verifyMaxPx\": " + JsonPixels(r.dVerifyMaxPx) +
                ",\n  \"verifyLimitPx\": " + Pixels(VerifyLimit(options));
        if (r.nDiagnosis != VEL_CALIB_DIAGNOSIS_NONE)
            json += ",\n  \"diagnosis\": {\"covers\": " +
                    JsonString(r.nDiagnosis < 5 ? kDiagnoses[r.nDiagnosis] : "?") +
                    ", \"display\": " + std::to_string(r.nDiagnosedDisplay) +
                    ", \"rect\": " + RectJson(r.diagnosed) +
                    ", \"advice\": " + JsonString(DiagnosisText(r)) + "}";
    }
    return json + "\n}\n";
}

} // namespace ctl
