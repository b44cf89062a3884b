#include "panelcore.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <type_traits>

#include "resource.h"

namespace panel {

// A row of kTouchFields: offset, width and sign come from the record itself.
#define VEL_TOUCH_FIELD(what, name)                                                                \
    {                                                                                              \
        Difference::what, &TouchParams::name, offsetof(_VEL_DEVICE_CONFIG, name),                  \
            sizeof(_VEL_DEVICE_CONFIG::name),                                                      \
            std::is_signed<decltype(_VEL_DEVICE_CONFIG::name)>::value                              \
    }

const TouchField kTouchFields[9] = {
    VEL_TOUCH_FIELD(TouchEnable, touchEnable),
    VEL_TOUCH_FIELD(TouchMode, touchMode),
    VEL_TOUCH_FIELD(TouchHeight, touchHeight),
    VEL_TOUCH_FIELD(TouchSmooth, touchSmooth),
    VEL_TOUCH_FIELD(TouchDelay, touchDelay),
    VEL_TOUCH_FIELD(RightClickEnable, rightClickEnable),
    VEL_TOUCH_FIELD(RightClickTime, rightClickTime),
    VEL_TOUCH_FIELD(RightClickArea, rightClickArea),
    VEL_TOUCH_FIELD(TouchJitter, touchJitter),
};

#undef VEL_TOUCH_FIELD

namespace {

// The field's bytes as a number; narrower fields widen by their sign.
int ReadField(const _VEL_DEVICE_CONFIG& record, const TouchField& field) {
    const unsigned char* pBytes = reinterpret_cast<const unsigned char*>(&record) + field.offset;
    uint32_t bits = 0;
    for (size_t i = 0; i < field.width; ++i)
        bits |= static_cast<uint32_t>(pBytes[i]) << (8 * i);
    const unsigned nBits = static_cast<unsigned>(8 * field.width);
    if (field.isSigned && nBits < 32 && (bits >> (nBits - 1)) != 0)
        bits |= ~0u << nBits;
    return static_cast<int32_t>(bits);
}

// Stores the low bits of value in the field's bytes.
void WriteField(_VEL_DEVICE_CONFIG& record, const TouchField& field, int value) {
    unsigned char* pBytes = reinterpret_cast<unsigned char*>(&record) + field.offset;
    for (size_t i = 0; i < field.width; ++i)
        pBytes[i] = static_cast<unsigned char>(static_cast<uint32_t>(value) >> (8 * i));
}

} // namespace

TouchParams ParamsFromRecord(const _VEL_DEVICE_CONFIG& record) {
    TouchParams params;
    for (const TouchField& field : kTouchFields)
        params.*field.member = ReadField(record, field);
    return params;
}

void FillRecord(_VEL_DEVICE_CONFIG& record, const TouchParams& params) {
    for (const TouchField& field : kTouchFields)
        WriteField(record, field, params.*field.member);
}

Difference FirstDifference(const _VEL_DEVICE_CONFIG& sent, const TouchParams& params,
                           const DoubleClick& dblClk) {
    for (const TouchField& field : kTouchFields) {
        if (ReadField(sent, field) != params.*field.member)
            return field.difference;
    }
    if (DoubleClickChanged(dblClk, DoubleClickValue::Range))
        return Difference::DoubleClickRange;
    if (DoubleClickChanged(dblClk, DoubleClickValue::Speed))
        return Difference::DoubleClickSpeed;
    return Difference::None;
}

bool IsUsableDoubleClickValue(int value) {
    return value >= 1;
}

bool DoubleClickChanged(const DoubleClick& dblClk, DoubleClickValue which) {
    const bool bRange = which == DoubleClickValue::Range;
    const int value = bRange ? dblClk.range : dblClk.speed;
    const int read = bRange ? dblClk.rangeRead : dblClk.speedRead;
    if (bRange ? dblClk.rangeKnown : dblClk.speedKnown)
        return value != read;
    const int id = bRange ? IDC_SLD_DBLCLK_RANGE : IDC_SLD_DBLCLK_SPEED;
    return SliderPosition(id, value) != SliderPosition(id, read);
}

bool DoubleClickWritten(const DoubleClick& dblClk, DoubleClickValue which) {
    const bool bKnown = which == DoubleClickValue::Range ? dblClk.rangeKnown : dblClk.speedKnown;
    return bKnown || DoubleClickChanged(dblClk, which);
}

ScreenCount ClassifyDeviceCount(int deviceCount) {
    if (deviceCount == 1)
        return ScreenCount::One;
    if (deviceCount > 1)
        return ScreenCount::Several;
    return ScreenCount::None;
}

void TerminateDevicePaths(_VEL_DEVICE_INFO& info) {
    for (auto& path : info.devicePath)
        path[VEL_MAX_PATH - 1] = 0;
}

int NumberFromRegistryText(const char* pBytes, size_t nBytesReturned, size_t nBufferSize) {
    size_t n = nBytesReturned < nBufferSize ? nBytesReturned : nBufferSize;
    size_t i = 0;
    while (i < n && (pBytes[i] == ' ' || (pBytes[i] >= '\t' && pBytes[i] <= '\r')))
        ++i;
    bool bNegative = false;
    if (i < n && (pBytes[i] == '+' || pBytes[i] == '-')) {
        bNegative = pBytes[i] == '-';
        ++i;
    }
    // Digits beyond what an int holds saturate instead of overflowing.
    const long long kLimit = static_cast<long long>(INT_MAX) + 1;
    long long value = 0;
    for (; i < n && pBytes[i] >= '0' && pBytes[i] <= '9'; ++i) {
        value = value * 10 + (pBytes[i] - '0');
        if (value > kLimit)
            value = kLimit;
    }
    if (bNegative)
        return static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

std::string RegistryTextFromNumber(int value) {
    char szText[16];
    std::snprintf(szText, sizeof(szText), "%d", value);
    return szText;
}

const SliderSpec kSliders[8] = {
    {IDC_SLD_TOUCH_HEIGHT, 3, 8, 1},
    {IDC_SLD_TOUCH_SMOOTH, 0, 10, 1},
    {IDC_SLD_TOUCH_DELAY, 0, 500, 10},           // ms
    {IDC_SLD_RIGHT_CLICK_TIME, 1000, 5000, 100}, // ms
    {IDC_SLD_RIGHT_CLICK_AREA, 100, 1500, 50},   // 1/32767 of the screen
    {IDC_SLD_DBLCLK_RANGE, 1, 500, 25},          // pixels
    {IDC_SLD_DBLCLK_SPEED, 1, 1000, 20},         // ms
    {IDC_SLD_TOUCH_JITTER, 10, 15000, 50},       // 1/32767 of the screen
};

int SliderPosition(int id, int value) {
    for (const SliderSpec& slider : kSliders) {
        if (slider.id == id)
            return value < slider.minimum   ? slider.minimum
                   : value > slider.maximum ? slider.maximum
                                            : value;
    }
    return value;
}

} // namespace panel
