#include "settings.h"

#include <climits>

#include "resource.h"

namespace ctl {

namespace {

// The range of one of the control panel's track bars.
const panel::SliderSpec& Slider(int id) {
    for (const panel::SliderSpec& slider : panel::kSliders) {
        if (slider.id == id)
            return slider;
    }
    return panel::kSliders[0]; // not reached: every id below is a track bar
}

Setting FromSlider(SettingId id, const char* name, Section section, const char* unit, int sliderId,
                   const char* meaning, int panel::TouchParams::*param = nullptr) {
    const panel::SliderSpec& slider = Slider(sliderId);
    return Setting{id, name, section, unit, slider.minimum, slider.maximum, meaning, param};
}

std::vector<Setting> MakeSettings() {
    using P = panel::TouchParams;
    const Section touch = Section::Touch;
    const Section dblClk = Section::DoubleClick;
    // Check boxes and the mode buttons take the record's ranges; the rest
    // take the control panel's track bars.
    return {
        {kTouchEnable, "touchEnable", touch, "", 0, 1, "touch on (1) or off (0)", &P::touchEnable},
        {kTouchMode, "touchMode", touch, "", 0, 3,
         "0 down click, 1 up click, 2 auto, 3 multi-touch", &P::touchMode},
        FromSlider(kTouchHeight, "touchHeight", touch, "", IDC_SLD_TOUCH_HEIGHT,
                   "touch height level", &P::touchHeight),
        FromSlider(kTouchSmooth, "touchSmooth", touch, "", IDC_SLD_TOUCH_SMOOTH, "smoothing level",
                   &P::touchSmooth),
        FromSlider(kTouchDelay, "touchDelay", touch, "ms", IDC_SLD_TOUCH_DELAY, "touch delay",
                   &P::touchDelay),
        FromSlider(kTouchJitter, "touchJitter", touch, "1/32767", IDC_SLD_TOUCH_JITTER,
                   "jitter tolerance, in 1/32767 of the screen", &P::touchJitter),
        {kRightClickEnable, "rightClickEnable", touch, "", 0, 1,
         "emulated right click on (1) or off (0)", &P::rightClickEnable},
        FromSlider(kRightClickTime, "rightClickTime", touch, "ms", IDC_SLD_RIGHT_CLICK_TIME,
                   "how long a touch is held before it becomes a right click", &P::rightClickTime),
        FromSlider(kRightClickArea, "rightClickArea", touch, "1/32767", IDC_SLD_RIGHT_CLICK_AREA,
                   "how far a held touch may wander and still become a right click",
                   &P::rightClickArea),
        FromSlider(kDoubleClickRange, "doubleClickRange", dblClk, "pixels", IDC_SLD_DBLCLK_RANGE,
                   "largest distance between the two clicks of a double click"),
        FromSlider(kDoubleClickSpeed, "doubleClickSpeed", dblClk, "ms", IDC_SLD_DBLCLK_SPEED,
                   "longest time between the two clicks of a double click"),
    };
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i] != 0; ++i) {
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    }
    return i == a.size() && b[i] == 0;
}

std::string RangeMessage(const Setting& setting, const std::string& what) {
    return std::string(setting.name) + ": " + what + "; " + setting.name + " takes " +
           RangeText(setting);
}

} // namespace

const std::vector<Setting>& Settings() {
    static const std::vector<Setting> settings = MakeSettings();
    return settings;
}

const Setting* FindSetting(const std::string& name) {
    for (const Setting& setting : Settings()) {
        if (SameName(name, setting.name))
            return &setting;
    }
    return nullptr;
}

const char* SectionName(Section section) {
    return section == Section::Touch ? "touch" : "doubleClick";
}

std::string RangeText(const Setting& setting) {
    std::string text = std::to_string(setting.minimum) + ".." + std::to_string(setting.maximum);
    if (setting.unit[0] != 0)
        text += std::string(" ") + setting.unit;
    return text;
}

bool Values::AnyGiven(Section section) const {
    for (const Setting& setting : Settings()) {
        if (setting.section == section && given[setting.id])
            return true;
    }
    return false;
}

bool Values::AnyGiven() const {
    return AnyGiven(Section::Touch) || AnyGiven(Section::DoubleClick);
}

void TakeTouchParams(const panel::TouchParams& params, Values& values) {
    for (const Setting& setting : Settings()) {
        if (setting.param != nullptr)
            values.value[setting.id] = params.*setting.param;
    }
}

panel::TouchParams TouchParamsOf(const Values& values) {
    panel::TouchParams params;
    for (const Setting& setting : Settings()) {
        if (setting.param != nullptr)
            params.*setting.param = values.value[setting.id];
    }
    return params;
}

panel::TouchParams ChangedParams(const panel::TouchParams& read, const Values& values) {
    Values merged;
    TakeTouchParams(read, merged);
    for (const Setting& setting : Settings()) {
        if (setting.section == Section::Touch && values.given[setting.id])
            merged.value[setting.id] = values.value[setting.id];
    }
    return TouchParamsOf(merged);
}

std::string ParseValue(const Setting& setting, const std::string& text, int& value) {
    size_t i = 0;
    bool bNegative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        bNegative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        return RangeMessage(setting, "\"" + text + "\" is not a number");
    long long number = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return RangeMessage(setting, "\"" + text + "\" is not a number");
        // Beyond an int every value is out of range; stop growing there.
        if (number <= INT_MAX)
            number = number * 10 + (text[i] - '0');
    }
    if (bNegative)
        number = -number;
    if (number < setting.minimum || number > setting.maximum)
        return RangeMessage(setting, text + " is out of range");
    value = static_cast<int>(number);
    return std::string();
}

std::string CheckRange(const Setting& setting, int value) {
    if (value >= setting.minimum && value <= setting.maximum)
        return std::string();
    return RangeMessage(setting, std::to_string(value) + " is out of range");
}

std::string Assign(const std::string& name, const std::string& text, Values& values) {
    const Setting* pSetting = FindSetting(name);
    if (pSetting == nullptr)
        return "unknown setting \"" + name + "\" (velctl help set lists them)";
    if (values.given[pSetting->id])
        return std::string(pSetting->name) + " is given twice";
    int value = 0;
    std::string error = ParseValue(*pSetting, text, value);
    if (!error.empty())
        return error;
    values.value[pSetting->id] = value;
    values.given[pSetting->id] = true;
    return std::string();
}

std::vector<std::string> ParseAssignments(const std::vector<std::string>& args, Values& values) {
    std::vector<std::string> errors;
    for (const std::string& arg : args) {
        size_t eq = arg.find('=');
        std::string error = eq == std::string::npos
                                ? "\"" + arg + "\" is not NAME=VALUE"
                                : Assign(arg.substr(0, eq), arg.substr(eq + 1), values);
        if (!error.empty())
            errors.push_back(error);
    }
    return errors;
}

} // namespace ctl
