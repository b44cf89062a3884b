#include "screenreport.h"

#include <cstdio>

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

} // namespace

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
    return text;
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
            "},\n  \"orientation\": null\n}\n";
    return json;
}

} // namespace ctl
