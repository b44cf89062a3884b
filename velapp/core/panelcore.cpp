#include "panelcore.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <initializer_list>

namespace panel {

namespace {

// The field's bytes as a number; narrower fields widen by their sign.
int ReadField(const _VEL_DEVICE_CONFIG& record, const SettingDesc& field) {
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
void WriteField(_VEL_DEVICE_CONFIG& record, const SettingDesc& field, int value) {
    unsigned char* pBytes = reinterpret_cast<unsigned char*>(&record) + field.offset;
    for (size_t i = 0; i < field.width; ++i)
        pBytes[i] = static_cast<unsigned char>(static_cast<uint32_t>(value) >> (8 * i));
}

} // namespace

TouchParams ParamsFromRecord(const _VEL_DEVICE_CONFIG& record) {
    TouchParams params;
    for (const SettingDesc& field : kSettings) {
        if (field.section == Section::Touch)
            params.*field.member = ReadField(record, field);
    }
    return params;
}

void FillRecord(_VEL_DEVICE_CONFIG& record, const TouchParams& params) {
    for (const SettingDesc& field : kSettings) {
        if (field.section == Section::Touch)
            WriteField(record, field, params.*field.member);
    }
}

Difference FirstDifference(const _VEL_DEVICE_CONFIG& sent, const TouchParams& params,
                           const DoubleClick& dblClk) {
    for (bool bLast : {false, true}) {
        for (const SettingDesc& field : kSettings) {
            if (field.section == Section::Touch && HasFlag(field, kComesLast) == bLast &&
                ReadField(sent, field) != params.*field.member)
                return static_cast<Difference>(field.id);
        }
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
    const SettingDesc& slider = kSettings[bRange ? kDoubleClickRange : kDoubleClickSpeed];
    return Clamped(slider, value) != Clamped(slider, read);
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

} // namespace panel
