// Touch reports as the simulated panel delivers them.
//
// A report is 64 bytes, all zero except byte 11 (7: contact present, 0:
// released), bytes 12-13 x and 14-15 y (raw units, little-endian) and byte
// 60 = 1.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace velsim {

constexpr size_t kReportSize = 64;
using Report = std::array<uint8_t, kReportSize>;

Report MakeReport(bool contact, uint16_t x, uint16_t y);

// The journal line of a delivered block: contact is byte 11 == 7, x and y the
// 16-bit values at 12 and 14; bytes beyond the length count as zero.
std::string ReportLine(const uint8_t* data, size_t length);

} // namespace velsim
