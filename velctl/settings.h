// The settings velctl reads and writes by name: the touch parameters of the
// device's record and the double-click settings of the registry, with the
// control panel's units and ranges.
#pragma once

#include <string>
#include <vector>

#include "panelcore.h"

namespace ctl {

// The settings' names and rows are the control panel's (kSettings), in the
// order show, export and the help list them.
using namespace panel::setting_ids;
using Section = panel::Section;
using Setting = panel::SettingDesc;

// The text with ASCII letters made lower case: names and words ignore case.
std::string AsciiLower(std::string text);

// Every setting, indexed by SettingId.
const std::vector<Setting>& Settings();
// The setting of that name (ASCII case ignored); nullptr when there is none.
const Setting* FindSetting(const std::string& name);
// The profile's section header name: "touch" or "doubleClick".
const char* SectionName(Section section);
// "3..8", "0..500 ms".
std::string RangeText(const Setting& setting);

// A value for every setting, and which of them a command line or a profile names.
struct Values {
    int value[kSettingCount] = {};
    bool given[kSettingCount] = {};
    bool AnyGiven(Section section) const;
    bool AnyGiven() const;
};

// The touch part of the values from or to the record's values (the other
// part is left as it is).
void TakeTouchParams(const panel::TouchParams& params, Values& values);
panel::TouchParams TouchParamsOf(const Values& values);
// The touch values that are given laid over those read from the device.
panel::TouchParams ChangedParams(const panel::TouchParams& read, const Values& values);

// Reads a value as a setting takes it: optional sign and decimal digits,
// nothing else; "" when it is fine, else a message naming the value and the
// setting's range.
std::string ParseValue(const Setting& setting, const std::string& text, int& value);
// "" when the value lies in the setting's range, else the same message.
std::string CheckRange(const Setting& setting, int value);

// Takes one NAME=VALUE into the values; "" when it is fine, else a message.
std::string Assign(const std::string& name, const std::string& text, Values& values);
// Takes NAME=VALUE arguments; one message per bad argument.
std::vector<std::string> ParseAssignments(const std::vector<std::string>& args, Values& values);

} // namespace ctl
