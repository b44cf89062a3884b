#include "calibcheck.h"

#include <iterator>

#include "cmdline.h"
#include "screenreport.h"

namespace ctl {

namespace {

const char* const kMendArguments[] = {"calibrate", "--display", "touch", "--space",
                                      "auto",      "--verify",  "5"};

// One row per exit code of check, in the order the changes are looked for.
const struct {
    int exitCode;
    const char* status;
    const char* meaning;
} kStatuses[] = {
    {kExitOk, "unchanged", "the display the screen was calibrated on is as it was"},
    {kExitNotRemembered, "not remembered", "no calibration is remembered for this screen"},
    {kExitPathChanged, "path changed",
     "no calibration is remembered for this screen's device path, only for another: the "
     "screen's path changed (another port or hub)"},
    {kExitDisplayGone, "gone", "the display the screen was calibrated on is gone"},
    {kExitDisplayTurned, "turned", "the display the screen was calibrated on was turned"},
    {kExitDisplayResized, "resized",
     "the display the screen was calibrated on has another resolution"},
    {kExitDisplayMoved, "moved",
     "the display the screen was calibrated on has moved on the desktop"},
    {kExitDisplayRescaled, "dpi changed",
     "the display the screen was calibrated on is at another DPI"},
};

void SetStatus(CalibrationCheck& check, int exitCode) {
    for (const auto& row : kStatuses) {
        if (row.exitCode == exitCode) {
            check.exitCode = row.exitCode;
            check.status = row.status;
            check.meaning = row.meaning;
        }
    }
}

std::string Pad(const std::string& text, size_t width) {
    return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

// "2 (\\.\DISPLAY2), -800,100 800x600, 0 degrees, 96 DPI"
std::string DisplayText(uint32_t nDisplay, const std::string& name, const VEL_CALIB_RECT& rect,
                        int orientation, int dpi) {
    return std::to_string(nDisplay) + " (" + name + "), " + RectText(rect) + ", " +
           (orientation < 0 ? std::string("orientation unknown")
                            : std::to_string(orientation) + " degrees") +
           ", " + (dpi > 0 ? std::to_string(dpi) + " DPI" : std::string("DPI unknown"));
}

std::string Quoted(const std::string& text) {
    return text.find_first_of(" &^|<>()\"") == std::string::npos ? text : "\"" + text + "\"";
}

} // namespace

std::vector<std::string> MendArguments() {
    return std::vector<std::string>(std::begin(kMendArguments), std::end(kMendArguments));
}

std::string MendCommand(const std::string& device) {
    std::string command = "velctl";
    if (!device.empty())
        command += " --device " + Quoted(device);
    for (const char* arg : kMendArguments)
        command += std::string(" ") + arg;
    return command;
}

CalibrationCheck CheckCalibration(const std::vector<RememberedCalibration>& memory,
                                  const std::string& device, const DesktopLayout& layout,
                                  bool bNameDevice) {
    CalibrationCheck check;
    check.device = device;
    const RememberedCalibration* pEntry = Recall(memory, device);
    if (pEntry == nullptr) {
        for (const RememberedCalibration& e : memory) {
            check.otherPaths.push_back(e.device);
            check.changes.push_back("a calibration is remembered for " + e.device + " (display " +
                                    std::to_string(e.nDisplay) + ", " + e.date + ") and none for " +
                                    device);
        }
        SetStatus(check, memory.empty() ? kExitNotRemembered : kExitPathChanged);
    } else {
        check.hasRemembered = true;
        check.remembered = *pEntry;
        check.change = CompareWithLayout(*pEntry, layout);
        check.changes = ChangeTexts(*pEntry, check.change, layout);
        const DisplayChange& c = check.change;
        if (!c.gone)
            check.now = layout.displays[c.nDisplay - 1];
        SetStatus(check, c.gone       ? kExitDisplayGone
                         : c.turned   ? kExitDisplayTurned
                         : c.resized  ? kExitDisplayResized
                         : c.moved    ? kExitDisplayMoved
                         : c.rescaled ? kExitDisplayRescaled
                                      : kExitOk);
    }
    if (check.exitCode != kExitOk)
        check.mend = MendCommand(bNameDevice ? device : "");
    return check;
}

std::string CheckText(const CalibrationCheck& check) {
    std::string text = std::string(check.status) + ": " + check.meaning + "\n";
    text += Pad("device", 15) + check.device + "\n";
    for (const std::string& path : check.otherPaths)
        text += Pad("remembered for", 15) + path + "\n";
    if (check.hasRemembered) {
        const RememberedCalibration& e = check.remembered;
        text += Pad("calibrated", 15) + OutcomeWord(e.nOutcome) + ", " + e.date + ", display " +
                DisplayText(e.nDisplay, e.displayName.empty() ? e.display : e.displayName, e.rect,
                            e.orientation, e.dpi) +
                "\n";
        text += Pad("display now", 15) +
                (check.change.gone
                     ? std::string("gone")
                     : DisplayText(check.change.nDisplay, check.now.device, check.now.rect,
                                   check.now.orientation, check.now.dpi)) +
                "\n";
        for (const std::string& change : check.changes)
            text += Pad("change", 15) + change + "\n";
    }
    if (!check.mend.empty())
        text += Pad("mend with", 15) + check.mend + "\n";
    return text;
}

std::string CheckJson(const CalibrationCheck& check, const std::string& calibration) {
    std::string json = "{\n  \"status\": " + JsonString(check.status) +
                       ",\n  \"exitCode\": " + std::to_string(check.exitCode) +
                       ",\n  \"device\": " + JsonString(check.device) + ",\n  \"remembered\": ";
    json += check.hasRemembered ? RememberedCalibrationJson(check.remembered) : "null";
    json += ",\n  \"rememberedPaths\": [";
    for (size_t i = 0; i < check.otherPaths.size(); ++i)
        json += (i ? ", " : "") + JsonString(check.otherPaths[i]);
    json += "],\n  \"displayNow\": ";
    if (check.hasRemembered && !check.change.gone) {
        const DisplayInfo& now = check.now;
        json += "{\"number\": " + std::to_string(check.change.nDisplay) +
                ", \"device\": " + JsonString(now.device) + ", \"rect\": " + RectJson(now.rect) +
                ", \"orientation\": " +
                (now.orientation < 0 ? std::string("null") : std::to_string(now.orientation)) +
                ", \"dpi\": " + std::to_string(now.dpi) + "}";
    } else {
        json += "null";
    }
    json += ",\n  \"changes\": [";
    for (size_t i = 0; i < check.changes.size(); ++i)
        json += std::string(i ? ",\n    " : "\n    ") + JsonString(check.changes[i]);
    json += std::string(check.changes.empty() ? "" : "\n  ") + "],\n  \"mend\": " +
            (check.mend.empty() ? std::string("null") : JsonString(check.mend));
    if (!calibration.empty()) {
        // calibrate's object, one level deeper.
        std::string inner = calibration.substr(0, calibration.find_last_not_of('\n') + 1);
        for (size_t at = inner.find('\n'); at != std::string::npos; at = inner.find('\n', at + 3))
            inner.replace(at, 1, "\n  ");
        json += ",\n  \"calibration\": " + inner;
    }
    return json + "\n}\n";
}

} // namespace ctl
