#include "panelcore.h"

#include <climits>
#include <cstdio>

namespace panel {

TouchParams ParamsFromRecord(const _VEL_DEVICE_CONFIG& record) {
    TouchParams p;
    p.touchEnable = record.touchEnable;
    p.touchMode = record.touchMode;
    p.touchHeight = record.touchHeight;
    p.touchSmooth = record.touchSmooth;
    p.touchDelay = record.touchDelay;
    p.touchJitter = record.touchJitter;
    p.rightClickEnable = record.rightClickEnable;
    p.rightClickTime = record.rightClickTime;
    p.rightClickArea = record.rightClickArea;
    return p;
}

void FillRecord(_VEL_DEVICE_CONFIG& record, const TouchParams& params) {
    record.touchEnable = static_cast<uint8_t>(params.touchEnable);
    record.touchMode = static_cast<uint8_t>(params.touchMode);
    record.touchSmooth = static_cast<uint8_t>(params.touchSmooth);
    record.touchDelay = params.touchDelay;
    record.touchJitter = params.touchJitter;
    record.rightClickEnable = static_cast<uint8_t>(params.rightClickEnable);
    record.rightClickTime = params.rightClickTime;
    record.rightClickArea = params.rightClickArea;
    record.touchHeight = static_cast<uint16_t>(params.touchHeight);
}

Difference FirstDifference(const _VEL_DEVICE_CONFIG& sent, const TouchParams& params,
                           const DoubleClick& dblClk) {
    const TouchParams read = ParamsFromRecord(sent);
    if (read.touchEnable != params.touchEnable)
        return Difference::TouchEnable;
    if (read.touchMode != params.touchMode)
        return Difference::TouchMode;
    if (read.touchHeight != params.touchHeight)
        return Difference::TouchHeight;
    if (read.touchSmooth != params.touchSmooth)
        return Difference::TouchSmooth;
    if (read.touchDelay != params.touchDelay)
        return Difference::TouchDelay;
    if (read.rightClickEnable != params.rightClickEnable)
        return Difference::RightClickEnable;
    if (read.rightClickTime != params.rightClickTime)
        return Difference::RightClickTime;
    if (read.rightClickArea != params.rightClickArea)
        return Difference::RightClickArea;
    if (read.touchJitter != params.touchJitter)
        return Difference::TouchJitter;
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
    const int id = bRange ? 1041 : 1042;
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
    {1005, 3, 8, 1},         // touch height
    {1006, 0, 10, 1},        // touch smoothing
    {1007, 0, 500, 10},      // touch delay, ms
    {1009, 1000, 5000, 100}, // right click hold time, ms
    {1010, 100, 1500, 50},   // right click area, 1/32767
    {1041, 1, 500, 25},      // double-click range, pixels
    {1042, 1, 1000, 20},     // double-click time, ms
    {1012, 10, 15000, 50},   // touch jitter, 1/32767
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
