// Decisions of the control panel that need no window: how the device's
// parameter record maps to the dialog's values, when Apply has something to
// send, how registry text becomes a number and back, and how far the
// enumeration record can be trusted.
#pragma once

#include <cstddef>
#include <string>

#include "Vel_DeviceManager.h"

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

// What differs first, in the order Apply compares them.
enum class Difference {
    None,
    TouchEnable,
    TouchMode,
    TouchHeight,
    TouchSmooth,
    TouchDelay,
    RightClickEnable,
    RightClickTime,
    RightClickArea,
    TouchJitter,
    DoubleClickRange,
    DoubleClickSpeed,
};

// A touch parameter: what Apply reports when it differs, the member that
// holds its value and the bytes of the record that store it (little-endian).
struct TouchField {
    Difference difference;
    int TouchParams::*member;
    size_t offset;
    size_t width; // 1, 2 or 4 bytes
    bool isSigned;
};

// The touch parameters in the order Apply compares them; a new parameter is a
// row here, a member of TouchParams and a Difference.
extern const TouchField kTouchFields[9];

// Record to values: 8- and 16-bit fields widen without sign, 32-bit fields
// copy unchanged.
TouchParams ParamsFromRecord(const _VEL_DEVICE_CONFIG& record);

// Values to record: each field keeps the low bits of its value; the reserved
// bytes are left as they are.
void FillRecord(_VEL_DEVICE_CONFIG& record, const TouchParams& params);

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

// A track bar of the dialog: control id, range and tick frequency.
struct SliderSpec {
    int id;
    int minimum;
    int maximum;
    int tickFrequency;
};

// The eight track bars in the order their ranges are set.
extern const SliderSpec kSliders[8];

// Where track bar `id` stands when set to value: clamped to its range.
int SliderPosition(int id, int value);

} // namespace panel
