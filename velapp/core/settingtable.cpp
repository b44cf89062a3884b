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
    &TouchParams::name, offsetof(_VEL_DEVICE_CONFIG, name), sizeof(_VEL_DEVICE_CONFIG::name),      \
        std::is_signed<decltype(_VEL_DEVICE_CONFIG::name)>::value
#define VEL_REGISTRY nullptr, 0, 0, false

using K = ControlKind;
const Section kTouch = Section::Touch;
const Section kDblClk = Section::DoubleClick;

} // namespace

// Check boxes and the mode buttons take the record's ranges; the rest the
// control panel's track bars.
constexpr SettingDesc kSettings[kSettingCount] = {
    {kTouchEnable,
     "touchEnable",
     kTouch,
     VEL_RECORD(touchEnable),
     "",
     0,
     1,
     0,
     "touch on (1) or off (0)",
     K::CheckBox,
     IDC_CHK_TOUCH_ENABLE,
     0,
     {},
     0},
    {kTouchMode,
     "touchMode",
     kTouch,
     VEL_RECORD(touchMode),
     "",
     0,
     3,
     0,
     "0 down click, 1 up click, 2 auto, 3 multi-touch",
     K::RadioGroup,
     IDC_RAD_DOWN_CLICK_MODE,
     0,
     {IDC_RAD_DOWN_CLICK_MODE, IDC_RAD_UP_CLICK_MODE, IDC_RAD_AUTO_MODE, IDC_RAD_MULTI_MODE},
     kNoClickOnLastChoice},
    {kTouchHeight,
     "touchHeight",
     kTouch,
     VEL_RECORD(touchHeight),
     "",
     3,
     8,
     1,
     "touch height level",
     K::TrackBar,
     IDC_SLD_TOUCH_HEIGHT,
     IDC_NUM_TOUCH_HEIGHT,
     {},
     0},
    {kTouchSmooth,
     "touchSmooth",
     kTouch,
     VEL_RECORD(touchSmooth),
     "",
     0,
     10,
     1,
     "smoothing level",
     K::TrackBar,
     IDC_SLD_TOUCH_SMOOTH,
     IDC_NUM_TOUCH_SMOOTH,
     {},
     0},
    {kTouchDelay,
     "touchDelay",
     kTouch,
     VEL_RECORD(touchDelay),
     "ms",
     0,
     500,
     10,
     "touch delay",
     K::TrackBar,
     IDC_SLD_TOUCH_DELAY,
     IDC_NUM_TOUCH_DELAY,
     {},
     0},
    {kTouchJitter,
     "touchJitter",
     kTouch,
     VEL_RECORD(touchJitter),
     "1/32767",
     10,
     15000,
     50,
     "jitter tolerance, in 1/32767 of the screen",
     K::TrackBar,
     IDC_SLD_TOUCH_JITTER,
     IDC_NUM_TOUCH_JITTER,
     {},
     kComesLast | kNoReleaseEntry | kTakesUnknownScroll},
    {kRightClickEnable,
     "rightClickEnable",
     kTouch,
     VEL_RECORD(rightClickEnable),
     "",
     0,
     1,
     0,
     "emulated right click on (1) or off (0)",
     K::CheckBox,
     IDC_CHK_RIGHT_CLICK_ENABLE,
     0,
     {},
     0},
    {kRightClickTime,
     "rightClickTime",
     kTouch,
     VEL_RECORD(rightClickTime),
     "ms",
     1000,
     5000,
     100,
     "how long a touch is held before it becomes a right click",
     K::TrackBar,
     IDC_SLD_RIGHT_CLICK_TIME,
     IDC_NUM_RIGHT_CLICK_TIME,
     {},
     0},
    {kRightClickArea,
     "rightClickArea",
     kTouch,
     VEL_RECORD(rightClickArea),
     "1/32767",
     100,
     1500,
     50,
     "how far a held touch may wander and still become a right click",
     K::TrackBar,
     IDC_SLD_RIGHT_CLICK_AREA,
     IDC_NUM_RIGHT_CLICK_AREA,
     {},
     0},
    {kDoubleClickRange,
     "doubleClickRange",
     kDblClk,
     VEL_REGISTRY,
     "pixels",
     1,
     500,
     25,
     "largest distance between the two clicks of a double click",
     K::TrackBar,
     IDC_SLD_DBLCLK_RANGE,
     IDC_NUM_DBLCLK_RANGE,
     {},
     0},
    {kDoubleClickSpeed,
     "doubleClickSpeed",
     kDblClk,
     VEL_REGISTRY,
     "ms",
     1,
     1000,
     20,
     "longest time between the two clicks of a double click",
     K::TrackBar,
     IDC_SLD_DBLCLK_SPEED,
     IDC_NUM_DBLCLK_SPEED,
     {},
     0},
};

#undef VEL_RECORD
#undef VEL_REGISTRY

namespace {

// Every row stands at its id, and a member exactly where a record field is.
constexpr bool RowsAreConsistent() {
    int i = 0;
    for (const SettingDesc& row : kSettings) {
        if (row.id != i++ || (row.section == Section::Touch) != (row.member != nullptr))
            return false;
        if ((row.control == ControlKind::TrackBar) != (row.tickFrequency > 0))
            return false;
    }
    return i == kSettingCount;
}
static_assert(RowsAreConsistent(), "kSettings: a row is out of place or its member is wrong");

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
