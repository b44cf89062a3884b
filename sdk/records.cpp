#include "records.h"

#include <cstdio>

namespace velsim {

const std::vector<ConfigField>& ConfigFields() {
    static const std::vector<ConfigField> fields = {
        {"touchEnable", offsetof(_VEL_DEVICE_CONFIG, touchEnable), 1, false},
        {"touchMode", offsetof(_VEL_DEVICE_CONFIG, touchMode), 1, false},
        {"rightClickEnable", offsetof(_VEL_DEVICE_CONFIG, rightClickEnable), 1, false},
        {"reserved3", offsetof(_VEL_DEVICE_CONFIG, reserved3), 1, false},
        {"reserved4", offsetof(_VEL_DEVICE_CONFIG, reserved4), 1, false},
        {"touchSmooth", offsetof(_VEL_DEVICE_CONFIG, touchSmooth), 1, false},
        {"rightClickTime", offsetof(_VEL_DEVICE_CONFIG, rightClickTime), 4, true},
        {"rightClickArea", offsetof(_VEL_DEVICE_CONFIG, rightClickArea), 4, true},
        {"touchDelay", offsetof(_VEL_DEVICE_CONFIG, touchDelay), 4, true},
        {"touchJitter", offsetof(_VEL_DEVICE_CONFIG, touchJitter), 4, true},
        {"touchHeight", offsetof(_VEL_DEVICE_CONFIG, touchHeight), 2, false},
    };
    return fields;
}

void PutLittleEndian(uint8_t* bytes, size_t width, int64_t value) {
    uint64_t bits = static_cast<uint64_t>(value);
    for (size_t i = 0; i < width; ++i)
        bytes[i] = static_cast<uint8_t>(bits >> (8 * i));
}

int64_t GetLittleEndian(const uint8_t* bytes, size_t width, bool isSigned) {
    uint64_t bits = 0;
    for (size_t i = 0; i < width; ++i)
        bits |= static_cast<uint64_t>(bytes[i]) << (8 * i);
    if (isSigned && width < 8 && (bits >> (8 * width - 1)) != 0)
        bits |= ~uint64_t(0) << (8 * width);
    return static_cast<int64_t>(bits);
}

std::string Hex(const void* data, size_t size) {
    static const char digits[] = "0123456789abcdef";
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    std::string text;
    text.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

bool ParseHex(const std::string& text, std::vector<uint8_t>* pBytes) {
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    if (text.size() % 2 != 0)
        return false;
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < text.size(); i += 2) {
        int hi = nibble(text[i]);
        int lo = nibble(text[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        bytes.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    pBytes->insert(pBytes->end(), bytes.begin(), bytes.end());
    return true;
}

std::string FormatFloat(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

std::string JoinMatrix(const _VEL_CALIB_PARAM_HD& param) {
    std::string text;
    for (int i = 0; i < 8; ++i)
        text += (i ? "," : "") + FormatFloat(param.matrix[i]);
    return text;
}

std::string JoinMatrix(const _VEL_CALIB_PARAM& param) {
    std::string text;
    for (int i = 0; i < 8; ++i)
        text += (i ? "," : "") + std::to_string(param.matrix[i]);
    return text;
}

std::string CalibrationValue(const _VEL_CALIB_PARAM_HD& param) {
    std::string text = "hd " + std::to_string(param.enable);
    for (int i = 0; i < 8; ++i)
        text += " " + FormatFloat(param.matrix[i]);
    return text;
}

std::string CalibrationValue(const _VEL_CALIB_PARAM& param) {
    std::string text = "16";
    for (int i = 0; i < 8; ++i)
        text += " " + std::to_string(param.matrix[i]);
    return text;
}

} // namespace velsim
