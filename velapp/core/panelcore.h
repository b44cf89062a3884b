// Decisions of the control panel that need no window: how the device's
// parameter record maps to the dialog's values, when Apply has something to
// send, how registry text becomes a number and back, and how far the
// enumeration record can be trusted.
#pragma once

#include <cstddef>
#include <string>

#include "Vel_DeviceManager.h"
#include "settingtable.h"

namespace panel {

// The double-click values on the sliders and as last read from or written
// to the registry. A value is known once the registry gave it as usable text
// or Apply wrote it; one that was missing, of another type, too long, below 1
// or never asked for is not, and its slider shows the minimum.
struct DoubleClick {
    int range = 0;
    int speed = 0;
    int rangeRead = 0;
    int speedRead = 0;
    bool rangeKnown = false;
    bool speedKnown = false;
};

enum class DoubleClickValue { Range, Speed };

// A number read from registry text that can stand as a double-click setting.
bool IsUsableDoubleClickValue(int value);

// Whether the value on the slider differs from its baseline: the value read
// when it is known, else the position its slider showed it at.
bool DoubleClickChanged(const DoubleClick& dblClk, DoubleClickValue which);

// Whether Apply writes the value to the registry and hands it to the system:
// a known value always, an unknown one only once the user moved its slider,
// so that an Apply never replaces a setting it could not read by a slider's
// minimum.
bool DoubleClickWritten(const DoubleClick& dblClk, DoubleClickValue which);

// What Apply finds changed first: None, or a setting's id. The names are
// those the code and its tests mention; a new setting needs none.
enum class Difference : int {
    None = -1,
    TouchEnable = kTouchEnable,
    TouchMode = kTouchMode,
    TouchHeight = kTouchHeight,
    TouchSmooth = kTouchSmooth,
    TouchDelay = kTouchDelay,
    TouchJitter = kTouchJitter,
    RightClickEnable = kRightClickEnable,
    RightClickTime = kRightClickTime,
    RightClickArea = kRightClickArea,
    DoubleClickRange = kDoubleClickRange,
    DoubleClickSpeed = kDoubleClickSpeed,
};

// Record to values: 8- and 16-bit fields widen without sign, 32-bit fields
// copy unchanged.
TouchParams ParamsFromRecord(const _VEL_DEVICE_CONFIG& record);

// Values to record: each field keeps the low bits of its value; the reserved
// bytes are left as they are.
void FillRecord(_VEL_DEVICE_CONFIG& record, const TouchParams& params);

// The touch parameters in the table's order, the one that comes last after
// them, then the double-click range and speed.
Difference FirstDifference(const _VEL_DEVICE_CONFIG& sent, const TouchParams& params,
                           const DoubleClick& dblClk);

// How many screens the enumeration found. A count above the record's 24
// entries cannot be trusted and counts as several.
enum class ScreenCount { None, One, Several };
ScreenCount ClassifyDeviceCount(int deviceCount);

// Makes every device path of the record a NUL-terminated string of at most
// 259 characters, whatever the device library left in it.
void TerminateDevicePaths(_VEL_DEVICE_INFO& info);

// A registry text value as a number: only the bytes returned count (and no
// more than the buffer holds), up to the first NUL; leading blanks and a sign
// are accepted, the digits stop at the first other character, none give 0.
int NumberFromRegistryText(const char* pBytes, size_t nBytesReturned, size_t nBufferSize);

// A number as registry text ("%d", one byte per character, no NUL).
std::string RegistryTextFromNumber(int value);

} // namespace panel
