#include "touchreport.h"

#include <cstring>

namespace {

const unsigned REPORT_CONTACT_BYTE = 11;
const unsigned REPORT_X_BYTE = 12;
const unsigned REPORT_Y_BYTE = 14;
const unsigned REPORT_VALID_BYTE = 60;
const unsigned char CONTACT_PRESENT = 7;
const unsigned char REPORT_VALID = 1;

// Zero-extended: a raw coordinate is never negative.
int32_t ReadU16(const unsigned char* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8));
}

} // namespace

TouchReport DecodeTouchReport(const unsigned char* pData, unsigned char nLength) {
    TouchReport result = {TOUCH_REPORT_IGNORED, 0, 0};
    if (pData == nullptr || nLength < TOUCH_REPORT_LENGTH) {
        return result;
    }
    unsigned char touchReport[TOUCH_REPORT_LENGTH];
    std::memcpy(touchReport, pData, TOUCH_REPORT_LENGTH);
    if (touchReport[REPORT_VALID_BYTE] != REPORT_VALID) {
        return result;
    }
    if (touchReport[REPORT_CONTACT_BYTE] != CONTACT_PRESENT) {
        result.kind = TOUCH_REPORT_RELEASE;
        return result;
    }
    result.kind = TOUCH_REPORT_CONTACT;
    result.x = ReadU16(&touchReport[REPORT_X_BYTE]);
    result.y = ReadU16(&touchReport[REPORT_Y_BYTE]);
    return result;
}
