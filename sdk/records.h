// Byte and text forms of the records the simulated device exchanges: the
// 54-byte driver configuration, hex dumps and the calibration sets as the
// state file and the journal write them.
#pragma once

#include "Vel_DeviceManager.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velsim {

using ConfigRecord = std::array<uint8_t, sizeof(_VEL_DEVICE_CONFIG)>;

// One integer field of the configuration record and its state key.
struct ConfigField {
    const char* key;
    size_t offset;
    size_t width; // 1, 2 or 4 bytes, little-endian
    bool isSigned;
};

const std::vector<ConfigField>& ConfigFields();

// Where the 30 uninterpreted bytes at the end of the record start.
constexpr size_t kReserved24Offset = offsetof(_VEL_DEVICE_CONFIG, reserved24);
constexpr size_t kReserved24Size = sizeof(ConfigRecord) - kReserved24Offset;

// Writes the low `width` bytes of value at offset, little-endian.
void PutLittleEndian(uint8_t* bytes, size_t width, int64_t value);
// Reads width bytes at offset, little-endian, sign-extended when asked.
int64_t GetLittleEndian(const uint8_t* bytes, size_t width, bool isSigned);

// Lowercase hex digits, two per byte, no separators.
std::string Hex(const void* data, size_t size);
// Accepts an even number of hex digits of either case.
bool ParseHex(const std::string& text, std::vector<uint8_t>* pBytes);

// "%.9g": enough digits to give back the same float.
std::string FormatFloat(float value);

// "f0,f1,...,f7" and "m0,m1,...,m7" as the journal writes them.
std::string JoinMatrix(const _VEL_CALIB_PARAM_HD& param);
std::string JoinMatrix(const _VEL_CALIB_PARAM& param);

// The calibration state value: "hd <enable> f0 ... f7" or "16 m0 ... m7".
std::string CalibrationValue(const _VEL_CALIB_PARAM_HD& param);
std::string CalibrationValue(const _VEL_CALIB_PARAM& param);

} // namespace velsim
