#include "settings.h"

#include <climits>
#include <iterator>

namespace ctl {

namespace {

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

std::string AsciiLower(std::string text) {
    for (char& c : text)
        c = Lower(c);
    return text;
}

const std::vector<Setting>& Settings() {
    static const std::vector<Setting> settings(std::begin(panel::kSettings),
                                               std::end(panel::kSettings));
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
        if (setting.section == Section::Touch)
            values.value[setting.id] = params.*setting.member;
    }
}

panel::TouchParams TouchParamsOf(const Values& values) {
    panel::TouchParams params;
    for (const Setting& setting : Settings()) {
        if (setting.section == Section::Touch)
            params.*setting.member = values.value[setting.id];
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
