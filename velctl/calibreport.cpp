#include "calibreport.h"

#include <cmath>
#include <cstdio>

#include "calibmemory.h"
#include "calibresult.h"
#include "cmdline.h"
#include "displayspace.h"
#include "screenreport.h"

namespace ctl {

namespace {

// The outcomes' words are the calibration memory's (OutcomeWord).
const struct {
    uint32_t outcome;
    int exitCode;
    const char* meaning;
} kOutcomes[] = {
    {VEL_CALIB_APPLIED, kExitOk, "the calibration was written"},
    {VEL_CALIB_CHECKED, kExitOk, "the calibration was written and its check points passed"},
    {VEL_CALIB_CHECK_FAILED, kExitCheckFailed,
     "a check point lay beyond the limit in the last attempt; its calibration stays written"},
    {VEL_CALIB_CANCELLED, kExitCancelled, "the user ended it"},
    {VEL_CALIB_STOPPED, kExitStopped, "another program ended it"},
    {VEL_CALIB_TIMED_OUT, kExitTimedOut, "no touch for the idle time"},
    {VEL_CALIB_REFUSED, kExitDevice, "the screen refused every record of the last attempt"},
    {VEL_CALIB_NOT_FITTED, kExitNotFitted, "the touches made no calibration in the last attempt"},
    {VEL_CALIB_BUSY, kExitBusy, "another calibration runs"},
    {VEL_CALIB_NO_DEVICE, kExitNoScreen, "the device library cannot be used"},
    {VEL_CALIB_BAD_ARGUMENTS, kExitBadValue, "the calibration library refused the options"},
    {VEL_CALIB_VERIFIED, kExitOk,
     "the calibration was written and every verify touch landed on its target"},
    {VEL_CALIB_VERIFY_FAILED, kExitVerifyFailed,
     "a verify touch landed beyond the limit; the calibration stays written"},
    {VEL_CALIB_VERIFY_NO_POINTER, kExitVerifyNoPointer,
     "the verify step could not hold the pointer (another program holds it), so no verify touch "
     "was measured; the calibration stays written"},
    {VEL_CALIB_IDENTIFIED, kExitOk,
     "the touch screen's display was found by a touch; nothing was calibrated"},
    {VEL_CALIB_NOT_IDENTIFIED, kExitNotIdentified,
     "no display's page was touched within the rounds; nothing was calibrated"},
    {VEL_CALIB_VERIFY_UNDONE, kExitVerifyUndone,
     "a verify touch landed beyond the limit; what was in force before was put back"},
};

// What a failed verify step put back (VEL_CALIB_RESTORED), for JSON.
const char* const kRestoredWords[] = {nullptr, "remembered", "reset", "failed"};

const char* RestoredWord(uint32_t nRestored) {
    return nRestored < sizeof kRestoredWords / sizeof kRestoredWords[0] ? kRestoredWords[nRestored]
                                                                        : "?";
}

// ... and in words; the date is the one the tools remembered with the set.
std::string RestoredText(uint32_t nRestored, const std::string& date) {
    switch (nRestored) {
    case VEL_CALIB_RESTORED_REMEMBERED:
        return "the calibration the tools wrote before" + (date.empty() ? "" : " (" + date + ")");
    case VEL_CALIB_RESTORED_RESET:
        return "the screen's own reset (none was remembered)";
    case VEL_CALIB_RESTORED_FAILED:
        return "nothing: the screen refused it";
    default:
        return "?";
    }
}

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

// A space's word, auto's too (a result names the space found; a run that
// ended before its place was known may still hold auto).
std::string SpaceWord(uint32_t nSpace) {
    return nSpace == VEL_CALIB_SPACE_AUTO ? "auto" : SpaceName(nSpace);
}

// What a diagnosis says the range covers: "the whole desktop", "display 3".
std::string CoverWords(uint32_t nDiagnosis, uint32_t nDiagnosedDisplay,
                       const VEL_CALIB_RECT& rect) {
    if (nDiagnosis == VEL_CALIB_DIAGNOSIS_DISPLAY)
        return "display " + std::to_string(nDiagnosedDisplay) + " (" + RectText(rect) + ")";
    for (const SpaceRow& row : Spaces()) {
        if (row.nDiagnosis == nDiagnosis)
            return std::string(row.words) + " (" + RectText(rect) + ")";
    }
    if (nDiagnosis == VEL_CALIB_DIAGNOSIS_UNKNOWN && rect.width == 0 && rect.height == 0)
        return "a rectangle too few verify touches cannot tell";
    return "no display and not the desktop (" + RectText(rect) + ")";
}

// Whether the result holds the third version's fields.
bool HasChoice(const VEL_CALIB_RESULT& r) {
    return r.cbSize >= sizeof(VEL_CALIB_RESULT);
}

// What a way out leaves in force: nothing written, the run's calibration
// taken back (the "put back" line says what went back), or kept.
std::string WayOutLeaves(const VEL_CALIB_RESULT& r) {
    if (r.nOutcome != VEL_CALIB_CANCELLED && r.nOutcome != VEL_CALIB_STOPPED &&
        r.nOutcome != VEL_CALIB_TIMED_OUT)
        return "";
    const uint32_t nRestored =
        HasChoice(r) ? r.nRestored : static_cast<uint32_t>(VEL_CALIB_RESTORED_NONE);
    if (nRestored == VEL_CALIB_RESTORED_REMEMBERED || nRestored == VEL_CALIB_RESTORED_RESET)
        return "; the calibration it wrote was taken back";
    if (r.nAttempts == 0 || r.nAccepted == VEL_CALIB_RECORD_NONE)
        return "; nothing was written";
    return nRestored == VEL_CALIB_RESTORED_FAILED
               ? "; the screen refused what was there before, so the calibration it wrote stays"
               : "; the calibration it wrote stays";
}

// The display's own orientation and DPI, as the run found them.
std::string OrientationText(int32_t degrees) {
    return degrees < 0 ? std::string("unknown") : std::to_string(degrees) + " degrees";
}

// JSON has no infinity: a touch mapped nowhere (Pixels: inf) is null there.
std::string JsonPixels(double value) {
    return std::isfinite(value) ? Pixels(value) : std::string("null");
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
    // What the library decides only after the touch is not refused here: by
    // touch, no display is known yet; the auto space starts in the display's
    // own space, which always holds its targets.
    const bool bByTouch = options.nDisplay == VEL_CALIB_DISPLAY_TOUCH;
    const uint32_t nDisplay = bByTouch ? 0 : settings.nDisplay;
    const uint32_t nSpace = settings.nSpace == VEL_CALIB_SPACE_AUTO
                                ? static_cast<uint32_t>(VEL_CALIB_SPACE_DISPLAY)
                                : settings.nSpace;
    const std::vector<CalibPoint> targets = TargetsOfRun(settings);
    RunPlace place;
    const PlaceProblem problem =
        PlaceRun(layout, nDisplay, nSpace, targets.data(), static_cast<int>(targets.size()), place);
    const std::string display = "display " + std::to_string(problem.nDisplay);
    if (bByTouch && problem.kind != PlaceProblem::NoDisplay)
        return "";
    switch (problem.kind) {
    case PlaceProblem::None:
        return "";
    case PlaceProblem::NoDisplay:
        return "the system reports no display";
    case PlaceProblem::NoSuchDisplay:
        return display + ": the system has " + std::to_string(problem.nDisplays) +
               (problem.nDisplays == 1 ? " display" : " displays");
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

std::string PlaceMessage(const Invocation& invocation, const DesktopLayout& layout) {
    const std::string where = PlaceRefusal(invocation.calibration, layout);
    if (where.empty())
        return where;
    const std::string command = CommandName(invocation.command);
    return command + ": " + where + " (velctl displays, velctl help " + command + ")";
}

std::string DiagnosisText(const VEL_CALIB_RESULT& r, bool bAutoSpace) {
    const std::string display = std::to_string(r.nDisplay);
    // With the auto space, velctl tried every space that reaches the display:
    // what is left to change is the mapping itself.
    const std::string remap =
        "map the touch screen to display " + display +
        " in the touch screen driver's settings (or the system's pen and touch display setting)";
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
        if (bAutoSpace)
            return "the touches land as if the screen's range covered the primary display" + found +
                   ": its driver reaches only the primary display; " + remap +
                   ", or make display " + display + " the primary display, then calibrate again";
        return "the touches land as if the screen's range covered the primary display" + found +
               ": its driver reaches only the primary display; set it to cover the whole "
               "desktop and calibrate with --space desktop, or map the touch screen to display " +
               display + " in the system's Tablet PC settings and calibrate with --space display";
    case VEL_CALIB_DIAGNOSIS_DISPLAY:
        if (r.nDisplay == r.nDiagnosedDisplay)
            return "the touches land as if the screen's range covered this display" + found +
                   ": calibrate with --space display";
        if (bAutoSpace)
            return "the touches land as if the screen's range covered display " +
                   std::to_string(r.nDiagnosedDisplay) + found +
                   ": the system maps the touch screen to that display; " + remap +
                   ", then calibrate again, or calibrate on display " +
                   std::to_string(r.nDiagnosedDisplay) + " (--display " +
                   std::to_string(r.nDiagnosedDisplay) + ")";
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
            return OutcomeWord(nOutcome);
    }
    return "unknown";
}

std::string CalibrationText(const VEL_CALIB_RESULT& r, const VEL_CALIB_OPTIONS& options,
                            const std::string& rememberedDate) {
    std::string meaning;
    for (const auto& entry : kOutcomes) {
        if (entry.outcome == r.nOutcome)
            meaning = entry.meaning;
    }
    meaning += WayOutLeaves(r);
    std::string text = Pad("outcome", 15) + OutcomeName(r.nOutcome) + ": " + meaning + "\n";
    if (HasChoice(r) && r.nRestored != VEL_CALIB_RESTORED_NONE)
        text += Pad("put back", 15) + RestoredText(r.nRestored, rememberedDate) + "\n";
    const bool bAuto = options.nSpace == VEL_CALIB_SPACE_AUTO;
    // Found by touch, a display the space asked for cannot reach is known only
    // after the touch.
    if (r.nOutcome == VEL_CALIB_BAD_ARGUMENTS && HasChoice(r) && r.nChosenBy == 1 &&
        r.nDisplay != 0)
        return text + Pad("display", 15) + std::to_string(r.nDisplay) + " found by touch (" +
               RectText(r.display) + "): its targets lie beyond the screen's range if it covers " +
               SpaceWords(options.nSpace) +
               "; calibrate with --space auto (and --verify 2 or more), or with the space the "
               "touch screen's driver maps it to\n";
    if (r.nOutcome == VEL_CALIB_BUSY || r.nOutcome == VEL_CALIB_NO_DEVICE ||
        r.nOutcome == VEL_CALIB_BAD_ARGUMENTS)
        return text;
    text += Pad("attempts", 15) + std::to_string(r.nAttempts) + "\n";
    text += Pad("screen", 15) + std::to_string(r.nScreenWidth) + " x " +
            std::to_string(r.nScreenHeight) + " pixels\n";
    if (r.cbSize >= sizeof(VEL_CALIB_RESULT) && r.nDisplay != 0) {
        text += Pad("display", 15) + std::to_string(r.nDisplay) +
                (r.nChosenBy == 1 ? " found by touch" : "") + " (" + RectText(r.display) +
                "); the screen's range taken to cover " + SpaceWords(r.nSpace) + " (" +
                RectText(r.space) + ")\n";
        if (HasChoice(r) && r.nDpi != 0)
            text += Pad("orientation", 15) + OrientationText(r.nOrientation) + "\n" +
                    Pad("dpi", 15) + std::to_string(r.nDpi) + "\n";
    }
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
        if (HasChoice(r) && r.nVerifyRounds == 2) {
            // The auto space's first round, in the display's own space, and
            // the space its touches showed, where the second took them.
            const VEL_CALIB_VERIFY_ROUND& f = r.firstRound;
            text += Pad("verify round 1", 15) + SpaceWord(f.nSpace) + " (" + RectText(f.space) +
                    "): " + std::to_string(f.nVerifyPoints) + " of " +
                    std::to_string(options.nVerifyPoints) + ", mean " + Pixels(f.dVerifyMeanPx) +
                    " px, max " + Pixels(f.dVerifyMaxPx) +
                    " px; the touches land as if the screen's range covered " +
                    CoverWords(f.nDiagnosis, f.nDiagnosedDisplay, f.diagnosed) + "\n";
            for (uint32_t i = 0; i < Clamp(f.nVerifyPoints, VEL_CALIB_MAX_CHECKS); ++i)
                text += VerifyLine(i, f.verify[i]);
            text += Pad("verify round 2", 15) + SpaceWord(r.nSpace) + " (" + RectText(r.space) +
                    "), the space round 1 showed: the same touches fitted again for it\n";
        }
        text += Pad("verify points", 15) + std::to_string(r.nVerifyPoints) + " of " +
                std::to_string(options.nVerifyPoints) + ", mean " + Pixels(r.dVerifyMeanPx) +
                " px, max " + Pixels(r.dVerifyMaxPx) + " px, limit " +
                Pixels(VerifyLimit(options)) + " px, where the system put the pointer\n";
        for (uint32_t i = 0; i < Clamp(r.nVerifyPoints, VEL_CALIB_MAX_CHECKS); ++i)
            text += VerifyLine(i, r.verify[i]);
        if (r.nDiagnosis != VEL_CALIB_DIAGNOSIS_NONE)
            text += Pad("diagnosis", 15) + DiagnosisText(r, bAuto) + "\n";
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

std::string IdentifyText(const VEL_CALIB_RESULT& r, const DesktopLayout& layout) {
    std::string meaning;
    for (const auto& entry : kOutcomes) {
        if (entry.outcome == r.nOutcome)
            meaning = entry.meaning;
    }
    std::string text = Pad("outcome", 15) + OutcomeName(r.nOutcome) + ": " + meaning + "\n";
    if (r.nOutcome != VEL_CALIB_IDENTIFIED || r.nDisplay == 0)
        return text;
    const std::string device =
        r.nDisplay <= layout.displays.size() ? layout.displays[r.nDisplay - 1].device : "";
    return text + Pad("display", 15) + std::to_string(r.nDisplay) +
           (device.empty() ? "" : " (" + device + ")") + "\n" + Pad("rectangle", 15) +
           RectText(r.display) + "\n" + Pad("orientation", 15) + OrientationText(r.nOrientation) +
           "\n" + Pad("dpi", 15) + std::to_string(r.nDpi) + "\n";
}

std::string IdentifyJson(const VEL_CALIB_RESULT& r, const DesktopLayout& layout) {
    std::string json = "{\n  \"outcome\": " + JsonString(OutcomeName(r.nOutcome)) +
                       ",\n  \"exitCode\": " + std::to_string(CalibrationExitCode(r.nOutcome));
    if (r.nOutcome != VEL_CALIB_IDENTIFIED || r.nDisplay == 0)
        return json + ",\n  \"display\": null,\n  \"device\": null,\n  \"rect\": null" +
               ",\n  \"orientation\": null,\n  \"dpi\": null\n}\n";
    const bool bKnown = r.nDisplay <= layout.displays.size();
    return json + ",\n  \"display\": " + std::to_string(r.nDisplay) + ",\n  \"device\": " +
           (bKnown ? JsonString(layout.displays[r.nDisplay - 1].device) : std::string("null")) +
           ",\n  \"rect\": " + RectJson(r.display) + ",\n  \"orientation\": " +
           (r.nOrientation < 0 ? std::string("null") : std::to_string(r.nOrientation)) +
           ",\n  \"dpi\": " + std::to_string(r.nDpi) + "\n}\n";
}

std::string CalibrationJson(const VEL_CALIB_RESULT& r, const VEL_CALIB_OPTIONS& options,
                            const std::string& rememberedDate) {
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
                ",\n  \"space\": " + JsonString(SpaceWord(r.nSpace)) +
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
                    ", \"rect\": " + RectJson(r.diagnosed) + ", \"advice\": " +
                    JsonString(DiagnosisText(r, options.nSpace == VEL_CALIB_SPACE_AUTO)) + "}";
    }
    if (HasChoice(r)) {
        json += std::string(",\n  \"chosenBy\": ") +
                (r.nChosenBy == 1 ? "\"touch\"" : "\"option\"") + ",\n  \"orientation\": " +
                (r.nOrientation < 0 ? std::string("null") : std::to_string(r.nOrientation)) +
                ",\n  \"dpi\": " + std::to_string(r.nDpi) + ",\n  \"restored\": " +
                (r.nRestored == VEL_CALIB_RESTORED_NONE ? std::string("null")
                                                        : JsonString(RestoredWord(r.nRestored))) +
                ",\n  \"restoredDate\": " +
                (r.nRestored == VEL_CALIB_RESTORED_REMEMBERED && !rememberedDate.empty()
                     ? JsonString(rememberedDate)
                     : std::string("null")) +
                ",\n  \"verifyRounds\": " + std::to_string(r.nVerifyRounds) +
                ",\n  \"firstRound\": ";
        if (r.nVerifyRounds == 2) {
            const VEL_CALIB_VERIFY_ROUND& f = r.firstRound;
            json += "{\n    \"space\": " + JsonString(SpaceWord(f.nSpace)) +
                    ",\n    \"spaceRect\": " + RectJson(f.space) + ",\n    \"verify\": [";
            for (uint32_t i = 0; i < Clamp(f.nVerifyPoints, VEL_CALIB_MAX_CHECKS); ++i)
                json += std::string(i ? ",\n      " : "\n      ") + VerifyJson(f.verify[i]);
            json += std::string(f.nVerifyPoints ? "\n    " : "") +
                    "],\n    \"verifyMeanPx\": " + JsonPixels(f.dVerifyMeanPx) +
                    ",\n    \"verifyMaxPx\": " + JsonPixels(f.dVerifyMaxPx) +
                    ",\n    \"diagnosis\": {\"covers\": " +
                    JsonString(f.nDiagnosis < 5 ? kDiagnoses[f.nDiagnosis] : "?") +
                    ", \"display\": " + std::to_string(f.nDiagnosedDisplay) +
                    ", \"rect\": " + RectJson(f.diagnosed) + "}\n  }";
        } else {
            json += "null";
        }
    }
    return json + "\n}\n";
}

} // namespace ctl
