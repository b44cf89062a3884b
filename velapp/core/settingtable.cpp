#include "settingtable.h"

#include <initializer_list>
#include <type_traits>

#include "Vel_DeviceManager.h"
#include "resource.h"

namespace panel {

namespace {

// The member, and the record's bytes of the field of the same name: offset,
// width and sign come from the record itself.
#define VEL_RECORD(name)                                                                           \
    .member = &TouchParams::name, .offset = offsetof(_VEL_DEVICE_CONFIG, name),                    \
    .width = sizeof(_VEL_DEVICE_CONFIG::name),                                                     \
    .isSigned = std::is_signed<decltype(_VEL_DEVICE_CONFIG::name)>::value

using K = ControlKind;
const Section kTouch = Section::Touch;
const Section kDblClk = Section::DoubleClick;

} // namespace

// Check boxes and the mode buttons take the record's ranges; the rest the
// control panel's track bars. Fields left out are 0: no tick frequency (no
// track bar), no number, no choices, no flags; double-click rows no member.
constexpr SettingDesc kSettings[kSettingCount] = {
    {.id = kTouchEnable,
     .name = "touchEnable",
     .section = kTouch,
     VEL_RECORD(touchEnable),
     .unit = "",
     .minimum = 0,
     .maximum = 1,
     .meaning = "touch on (1) or off (0)",
     .control = K::CheckBox,
     .controlId = IDC_CHK_TOUCH_ENABLE},
    {.id = kTouchMode,
     .name = "touchMode",
     .section = kTouch,
     VEL_RECORD(touchMode),
     .unit = "",
     .minimum = 0,
     .maximum = 3,
     .meaning = "0 down click, 1 up click, 2 auto, 3 multi-touch",
     .control = K::RadioGroup,
     .controlId = IDC_RAD_DOWN_CLICK_MODE,
     .choiceIds = {IDC_RAD_DOWN_CLICK_MODE, IDC_RAD_UP_CLICK_MODE, IDC_RAD_AUTO_MODE,
                   IDC_RAD_MULTI_MODE},
     .flags = kNoClickOnLastChoice},
    {.id = kTouchHeight,
     .name = "touchHeight",
     .section = kTouch,
     VEL_RECORD(touchHeight),
     .unit = "",
     .minimum = 3,
     .maximum = 8,
     .tickFrequency = 1,
     .meaning = "touch height level",
     .control = K::TrackBar,
     .controlId = IDC_SLD_TOUCH_HEIGHT,
     .numberId = IDC_NUM_TOUCH_HEIGHT},
    {.id = kTouchSmooth,
     .name = "touchSmooth",
     .section = kTouch,
     VEL_RECORD(touchSmooth),
     .unit = "",
     .minimum = 0,
     .maximum = 10,
     .tickFrequency = 1,
     .meaning = "smoothing level",
     .control = K::TrackBar,
     .controlId = IDC_SLD_TOUCH_SMOOTH,
     .numberId = IDC_NUM_TOUCH_SMOOTH},
    {.id = kTouchDelay,
     .name = "touchDelay",
     .section = kTouch,
     VEL_RECORD(touchDelay),
     .unit = "ms",
     .minimum = 0,
     .maximum = 500,
     .tickFrequency = 10,
     .meaning = "touch delay",
     .control = K::TrackBar,
     .controlId = IDC_SLD_TOUCH_DELAY,
     .numberId = IDC_NUM_TOUCH_DELAY},
    {.id = kTouchJitter,
     .name = "touchJitter",
     .section = kTouch,
     VEL_RECORD(touchJitter),
     .unit = "1/32767",
     .minimum = 10,
     .maximum = 15000,
     .tickFrequency = 50,
     .meaning = "jitter tolerance, in 1/32767 of the screen",
     .control = K::TrackBar,
     .controlId = IDC_SLD_TOUCH_JITTER,
     .numberId = IDC_NUM_TOUCH_JITTER,
     .flags = kComesLast | kNoReleaseEntry | kTakesUnknownScroll},
    {.id = kRightClickEnable,
     .name = "rightClickEnable",
     .section = kTouch,
     VEL_RECORD(rightClickEnable),
     .unit = "",
     .minimum = 0,
     .maximum = 1,
     .meaning = "emulated right click on (1) or off (0)",
     .control = K::CheckBox,
     .controlId = IDC_CHK_RIGHT_CLICK_ENABLE},
    {.id = kRightClickTime,
     .name = "rightClickTime",
     .section = kTouch,
     VEL_RECORD(rightClickTime),
     .unit = "ms",
     .minimum = 1000,
     .maximum = 5000,
     .tickFrequency = 100,
     .meaning = "how long a touch is held before it becomes a right click",
     .control = K::TrackBar,
     .controlId = IDC_SLD_RIGHT_CLICK_TIME,
     .numberId = IDC_NUM_RIGHT_CLICK_TIME},
    {.id = kRightClickArea,
     .name = "rightClickArea",
     .section = kTouch,
     VEL_RECORD(rightClickArea),
     .unit = "1/32767",
     .minimum = 100,
     .maximum = 1500,
     .tickFrequency = 50,
     .meaning = "how far a held touch may wander and still become a right click",
     .control = K::TrackBar,
     .controlId = IDC_SLD_RIGHT_CLICK_AREA,
     .numberId = IDC_NUM_RIGHT_CLICK_AREA},
    {.id = kDoubleClickRange,
     .name = "doubleClickRange",
     .section = kDblClk,
     .unit = "pixels",
     .minimum = 1,
     .maximum = 500,
     .tickFrequency = 25,
     .meaning = "largest distance between the two clicks of a double click",
     .control = K::TrackBar,
     .controlId = IDC_SLD_DBLCLK_RANGE,
     .numberId = IDC_NUM_DBLCLK_RANGE},
    {.id = kDoubleClickSpeed,
     .name = "doubleClickSpeed",
     .section = kDblClk,
     .unit = "ms",
     .minimum = 1,
     .maximum = 1000,
     .tickFrequency = 20,
     .meaning = "longest time between the two clicks of a double click",
     .control = K::TrackBar,
     .controlId = IDC_SLD_DBLCLK_SPEED,
     .numberId = IDC_NUM_DBLCLK_SPEED},
};

#undef VEL_RECORD

namespace {

// Every row stands at its id, and a member exactly where a record field is.
constexpr bool RowsAreConsistent() {
    int i = 0;
    for (const SettingDesc& row : kSettings) {
        if (row.id != i++ || (row.section == Section::Touch) != (row.member != nullptr))
            return false;
        if ((row.control == ControlKind::TrackBar) != (row.tickFrequency > 0))
            return false;
        if (row.minimum >= row.maximum)
            return false;
    }
    return i == kSettingCount;
}
static_assert(RowsAreConsistent(),
              "kSettings: a row is out of place, its member is wrong or its range is reversed");

} // namespace

int Clamped(const SettingDesc& setting, int value) {
    return value < setting.minimum   ? setting.minimum
           : value > setting.maximum ? setting.maximum
                                     : value;
}

const SettingDesc* FindTrackBar(int controlId) {
    for (const SettingDesc& setting : kSettings) {
        if (setting.control == ControlKind::TrackBar && setting.controlId == controlId)
            return &setting;
    }
    return nullptr;
}

int SliderPosition(int id, int value) {
    const SettingDesc* pSetting = FindTrackBar(id);
    return pSetting != nullptr ? Clamped(*pSetting, value) : value;
}

const SettingDesc& ScrolledTrackBar(int controlId) {
    const SettingDesc* pSetting = FindTrackBar(controlId);
    if (pSetting != nullptr)
        return *pSetting;
    for (const SettingDesc& setting : kSettings) {
        if (HasFlag(setting, kTakesUnknownScroll))
            return setting;
    }
    return kSettings[kTouchJitter]; // not reached: the table has one such row
}

bool ReleaseUpdatesApply(int controlId) {
    const SettingDesc* pSetting = FindTrackBar(controlId);
    return pSetting != nullptr && !HasFlag(*pSetting, kNoReleaseEntry);
}

bool ClickUpdatesApply(int controlId) {
    for (const SettingDesc& setting : kSettings) {
        if (setting.control != ControlKind::RadioGroup)
            continue;
        const size_t nChoices = sizeof(setting.choiceIds) / sizeof(setting.choiceIds[0]);
        size_t nLast = 0;
        while (nLast + 1 < nChoices && setting.choiceIds[nLast + 1] != 0)
            ++nLast;
        for (size_t i = 0; i <= nLast; ++i) {
            if (setting.choiceIds[i] == controlId)
                return i != nLast || !HasFlag(setting, kNoClickOnLastChoice);
        }
    }
    return false;
}

size_t TrackBarsInSetUpOrder(const SettingDesc* pRows[kSettingCount]) {
    size_t n = 0;
    for (bool bLast : {false, true}) {
        for (const SettingDesc& setting : kSettings) {
            if (setting.control == ControlKind::TrackBar && HasFlag(setting, kComesLast) == bLast)
                pRows[n++] = &setting;
        }
    }
    return n;
}

} // namespace panel
