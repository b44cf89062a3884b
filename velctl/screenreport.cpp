#include "screenreport.h"

#include <cstdio>

#include "displayspace.h"
#include "settings.h"

namespace ctl {

namespace {

const char kNoOrientation[] = "unknown: the device cannot report its orientation";

// The value of each setting as show reads it; false where it has none.
bool ValueOf(const ScreenState& state, const Setting& setting, int& value) {
    switch (setting.id) {
    case kDoubleClickRange:
        value = state.registryRange;
        return state.hasRegistryRange;
    case kDoubleClickSpeed:
        value = state.registrySpeed;
        return state.hasRegistrySpeed;
    default: {
        Values values;
        TakeTouchParams(state.touch, values);
        value = values.value[setting.id];
        return true;
    }
    }
}

std::string Column(std::string text, size_t width) {
    if (text.size() < width)
        text.resize(width, ' ');
    return text + " ";
}

std::string Degrees(int degrees) {
    return degrees < 0 ? std::string("orientation unknown") : std::to_string(degrees) + " degrees";
}

// The set written: "hd f0 ... f7", "16-bit m0 ... m7" or "none".
std::string SetText(const RememberedCalibration& e, const char* separator) {
    std::string text;
    for (int k = 0; k < 8 && e.nRecord != VEL_CALIB_RECORD_NONE; ++k)
        text += (k ? separator : "") + (e.nRecord == VEL_CALIB_RECORD_HD
                                            ? Real(e.fCoefficients[k])
                                            : std::to_string(e.nCoefficients[k]));
    return text;
}

std::vector<std::string> Changes(const ScreenState& state) {
    const RememberedCalibration& e = state.remembered;
    return ChangeTexts(e, CompareWithLayout(e, state.layout), state.layout);
}

// show's lines of the remembered calibration, after its own.
std::string RememberedText(const ScreenState& state) {
    if (!state.hasRemembered)
        return Column("calibration", 17) + "no calibration remembered for this screen\n";
    const RememberedCalibration& e = state.remembered;
    std::string text = Column("calibration", 17) + OutcomeWord(e.nOutcome) + ", " + e.date + "\n";
    text += Column("calibDisplay", 17) + std::to_string(e.nDisplay) + " (" + e.displayName + "), " +
            RectText(e.rect) + ", " + Degrees(e.orientation) + ", " +
            (e.dpi > 0 ? std::to_string(e.dpi) + " DPI" : std::string("DPI unknown")) + "\n";
    text += Column("calibIdentity", 17) + e.display + "\n";
    text += Column("calibSpace", 17) + SpaceName(e.nSpace) + " (" + RectText(e.space) + ")\n";
    text += Column("calibVerify", 17) +
            (e.nVerifyPoints == 0
                 ? std::string("none")
                 : std::to_string(e.nVerifyPoints) + " points, mean " + Pixels(e.dVerifyMeanPx) +
                       " px, max " + Pixels(e.dVerifyMaxPx) + " px") +
            "\n";
    text += Column("calibSet", 17) + RecordName(e.nRecord) +
            (e.nRecord == VEL_CALIB_RECORD_NONE ? "" : " " + SetText(e, " ")) + "\n";
    for (const std::string& change : Changes(state))
        text += Column("warning", 17) + change + "\n";
    return text;
}

std::string RememberedJson(const ScreenState& state) {
    if (!state.hasRemembered)
        return "null";
    const RememberedCalibration& e = state.remembered;
    const DisplayChange change = CompareWithLayout(e, state.layout);
    std::string now = ",\n    \"displayNow\": " +
                      (change.gone ? std::string("null") : std::to_string(change.nDisplay)) +
                      ",\n    \"changes\": [";
    const std::vector<std::string> changes = ChangeTexts(e, change, state.layout);
    for (size_t i = 0; i < changes.size(); ++i)
        now += (i ? ", " : "") + JsonString(changes[i]);
    return RememberedCalibrationJson(e, now + "]");
}

} // namespace

std::string RememberedCalibrationJson(const RememberedCalibration& e, const std::string& more) {
    return "{\n    \"display\": " + std::to_string(e.nDisplay) +
           ",\n    \"displayName\": " + JsonString(e.displayName) +
           ",\n    \"identity\": " + JsonString(e.display) +
           ",\n    \"rect\": " + RectJson(e.rect) + ",\n    \"orientation\": " +
           (e.orientation < 0 ? std::string("null") : std::to_string(e.orientation)) +
           ",\n    \"dpi\": " + std::to_string(e.dpi) +
           ",\n    \"space\": " + JsonString(SpaceName(e.nSpace)) +
           ",\n    \"spaceRect\": " + RectJson(e.space) +
           ",\n    \"outcome\": " + JsonString(OutcomeWord(e.nOutcome)) +
           ",\n    \"verifyPoints\": " + std::to_string(e.nVerifyPoints) +
           ",\n    \"verifyMeanPx\": " + Pixels(e.dVerifyMeanPx) +
           ",\n    \"verifyMaxPx\": " + Pixels(e.dVerifyMaxPx) +
           ",\n    \"checkMaxPx\": " + Pixels(e.dCheckMaxPx) +
           ",\n    \"record\": " + JsonString(RecordName(e.nRecord)) + ",\n    \"set\": [" +
           SetText(e, ", ") + "]" + ",\n    \"date\": " + JsonString(e.date) + more + "\n  }";
}

std::string RectJson(const VEL_CALIB_RECT& rect) {
    return "{\"x\": " + std::to_string(rect.x) + ", \"y\": " + std::to_string(rect.y) +
           ", \"width\": " + std::to_string(rect.width) +
           ", \"height\": " + std::to_string(rect.height) + "}";
}

std::string Real(double value) {
    return RealText(value);
}

std::string Pixels(double value) {
    return PixelText(value);
}

const char* RecordName(uint32_t nRecord) {
    return nRecord == VEL_CALIB_RECORD_HD   ? "hd"
           : nRecord == VEL_CALIB_RECORD_16 ? "16-bit"
                                            : "none";
}

std::string JsonString(const std::string& text) {
    std::string json = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof(escape), "\\u%04x", static_cast<unsigned char>(c));
            json += escape;
        } else {
            json += c;
        }
    }
    return json + "\"";
}

std::string ListText(const ScreenList& list) {
    std::string text = "screens: " + std::to_string(list.count);
    if (list.count > VEL_MAX_DEVICES)
        text += " (more than the " + std::to_string(VEL_MAX_DEVICES) +
                " the device library can name: the count cannot be trusted)";
    text += "\n";
    for (const std::string& path : list.paths)
        text += path + "\n";
    return text;
}

std::string ListJson(const ScreenList& list) {
    std::string json = "{\"count\": " + std::to_string(list.count) + ", \"paths\": [";
    for (size_t i = 0; i < list.paths.size(); ++i)
        json += (i == 0 ? "" : ", ") + JsonString(list.paths[i]);
    return json + "]}\n";
}

std::string ShowText(const ScreenState& state) {
    std::string text = "device            " + state.devicePath + "\n";
    for (const Setting& setting : Settings()) {
        int value = 0;
        std::string line = Column(setting.name, 17);
        if (!ValueOf(state, setting, value)) {
            line += Column("-", 6) + Column(RangeText(setting), 20) + "not in the registry";
        } else {
            line += Column(std::to_string(value), 6) + Column(RangeText(setting), 20);
            line += CheckRange(setting, value).empty() ? setting.meaning : "OUT OF RANGE";
        }
        text += line + "\n";
    }
    text += Column("outputMode", 17) +
            (state.hasOutputMode ? std::to_string(state.outputMode)
                                 : std::string("none (the device has no output mode)")) +
            "\n";
    text += Column("system", 17) + "double-click time " + std::to_string(state.systemSpeed) +
            " ms, rectangle " + std::to_string(state.systemWidth) + " x " +
            std::to_string(state.systemHeight) + " pixels\n";
    text += Column("orientation", 17) + kNoOrientation + "\n";
    return text + RememberedText(state);
}

std::string ShowJson(const ScreenState& state) {
    std::string json = "{\n  \"device\": " + JsonString(state.devicePath) + ",\n  \"settings\": {";
    bool bFirst = true;
    for (const Setting& setting : Settings()) {
        int value = 0;
        const bool bHas = ValueOf(state, setting, value);
        json += std::string(bFirst ? "\n" : ",\n") + "    " + JsonString(setting.name) +
                ": {\"value\": " + (bHas ? std::to_string(value) : std::string("null")) +
                ", \"unit\": " + JsonString(setting.unit) +
                ", \"min\": " + std::to_string(setting.minimum) +
                ", \"max\": " + std::to_string(setting.maximum) + ", \"inRange\": " +
                (!bHas                                ? "null"
                 : CheckRange(setting, value).empty() ? "true"
                                                      : "false") +
                "}";
        bFirst = false;
    }
    json += "\n  },\n  \"outputMode\": " +
            (state.hasOutputMode ? std::to_string(state.outputMode) : std::string("null")) +
            ",\n  \"systemDoubleClick\": {\"time\": " + std::to_string(state.systemSpeed) +
            ", \"width\": " + std::to_string(state.systemWidth) +
            ", \"height\": " + std::to_string(state.systemHeight) +
            "},\n  \"orientation\": null,\n  \"calibration\": " + RememberedJson(state) + "\n}\n";
    return json;
}

} // namespace ctl
