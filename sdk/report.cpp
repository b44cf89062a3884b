#include "report.h"

namespace velsim {

Report MakeReport(bool contact, uint16_t x, uint16_t y) {
    Report report{};
    report[11] = contact ? 7 : 0;
    report[12] = static_cast<uint8_t>(x);
    report[13] = static_cast<uint8_t>(x >> 8);
    report[14] = static_cast<uint8_t>(y);
    report[15] = static_cast<uint8_t>(y >> 8);
    report[60] = 1;
    return report;
}

std::string ReportLine(const uint8_t* data, size_t length) {
    auto byte = [&](size_t i) -> unsigned { return i < length ? data[i] : 0; };
    unsigned x = byte(12) | byte(13) << 8;
    unsigned y = byte(14) | byte(15) << 8;
    return "Report len=" + std::to_string(length) + " contact=" + (byte(11) == 7 ? "1" : "0") +
           " x=" + std::to_string(x) + " y=" + std::to_string(y);
}

} // namespace velsim
