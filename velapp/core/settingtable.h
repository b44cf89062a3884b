// The settings of the control panel and velctl in one table: the touch
// parameters of the device's record and the double-click settings of the
// user's registry. A row says where the value lives, its unit, range and
// meaning, and how the dialog shows it, including the dialog's deliberate
// gaps. The record mapping, Apply's comparison, the track bars, the dialog's
// data exchange and velctl's settings, help, JSON and profiles read it.
#pragma once

#include <cstddef>

namespace panel {

// The touch parameters as the dialog holds them (one int per control).
struct TouchParams {
    int touchEnable = 0;
    int touchMode = 0;
    int touchHeight = 0;
    int touchSmooth = 0;
    int touchDelay = 0;
    int touchJitter = 0;
    int rightClickEnable = 0;
    int rightClickTime = 0;
    int rightClickArea = 0;
};

// The names of the rows, in the order of kSettings (velctl lists them so).
// An inline namespace so that velctl can take the names without the rest.
inline namespace setting_ids {
enum SettingId {
    kTouchEnable,
    kTouchMode,
    kTouchHeight,
    kTouchSmooth,
    kTouchDelay,
    kTouchJitter,
    kRightClickEnable,
    kRightClickTime,
    kRightClickArea,
    kDoubleClickRange,
    kDoubleClickSpeed,
    kSettingCount
};
} // namespace setting_ids

// Where a setting lives: the device's record or the user's registry.
enum class Section { Touch, DoubleClick };

// How the dialog shows a setting.
enum class ControlKind { CheckBox, RadioGroup, TrackBar };

// The dialog's deliberate gaps and its one late arrival.
enum SettingFlag : unsigned {
    // Apply compares it after the other touch parameters, and the dialog sets
    // its track bar's range after the other track bars.
    kComesLast = 1u << 0,
    // Letting go of its track bar does not update Apply.
    kNoReleaseEntry = 1u << 1,
    // A scroll from a control that is no track bar of the table moves its number.
    kTakesUnknownScroll = 1u << 2,
    // Clicking the last button of its group does not update Apply.
    kNoClickOnLastChoice = 1u << 3,
};

struct SettingDesc {
    SettingId id;
    const char* name; // velctl's and the profile's name
    Section section;
    // Touch: the member that holds the value and the record's bytes that
    // store it (little-endian). Double-click: nullptr and 0.
    int TouchParams::*member = nullptr;
    size_t offset = 0;
    size_t width = 0; // 1, 2 or 4 bytes
    bool isSigned = false;
    const char* unit; // "" when the value has none
    int minimum;
    int maximum;
    int tickFrequency = 0; // 0: not a track bar
    const char* meaning;
    ControlKind control;
    int controlId;         // the check box, the group's first button or the track bar
    int numberId = 0;      // the number beside a track bar; 0: none
    int choiceIds[4] = {}; // a radio group's buttons, by value; 0: none
    unsigned flags = 0;    // SettingFlag
};

// Every setting, indexed by SettingId. Touch rows, and only they, have a member
// (checked when the table is compiled).
extern const SettingDesc kSettings[kSettingCount];

inline bool HasFlag(const SettingDesc& setting, SettingFlag flag) {
    return (setting.flags & flag) != 0;
}

// The value within the setting's range.
int Clamped(const SettingDesc& setting, int value);

// The track bar with that control id; nullptr when none of the table has it.
const SettingDesc* FindTrackBar(int controlId);

// Where track bar `id` stands when set to value: clamped to its range; value
// itself when id is no track bar.
int SliderPosition(int id, int value);

// The track bar whose number follows a scroll from controlId: its own, or the
// one that takes unknown scrolls.
const SettingDesc& ScrolledTrackBar(int controlId);

// Whether letting go of control controlId, or clicking it, updates Apply.
bool ReleaseUpdatesApply(int controlId);
bool ClickUpdatesApply(int controlId);

// The track bars in the order the dialog sets their ranges; returns how many
// it wrote to pRows (at most kSettingCount).
size_t TrackBarsInSetUpOrder(const SettingDesc* pRows[kSettingCount]);

} // namespace panel
