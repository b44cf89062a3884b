// Decoding of the raw touch reports that the device hands to the calibration
// window's data callback.
//
// A report is used only when it is at least TOUCH_REPORT_LENGTH bytes long and
// its byte 60 is 1; only its first TOUCH_REPORT_LENGTH bytes are read. Byte 11
// is the contact state (7: a touch is present, anything else: released), bytes
// 12–13 and 14–15 the raw x and y, unsigned 16-bit little-endian.
#pragma once

#include <cstdint>

const unsigned TOUCH_REPORT_LENGTH = 61;

enum TouchReportKind {
    TOUCH_REPORT_IGNORED, // too short, or byte 60 is not 1
    TOUCH_REPORT_CONTACT, // a touch at (x, y)
    TOUCH_REPORT_RELEASE  // the touch was released; x and y are not read
};

struct TouchReport {
    TouchReportKind kind;
    int32_t x; // raw units, 0…65535; 0 unless kind is TOUCH_REPORT_CONTACT
    int32_t y;
};

// nLength is the length the device gave with the block; pData must hold at
// least that many bytes.
TouchReport DecodeTouchReport(const unsigned char* pData, unsigned char nLength);
