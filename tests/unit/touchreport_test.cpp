#include "touchreport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A block of exactly `length` bytes on the heap, so that a read past the
// length shows under the sanitizers.
std::vector<unsigned char> Block(unsigned length, int valid, int contact, unsigned x, unsigned y) {
    std::vector<unsigned char> block(length, 0xEE);
    auto put = [&](unsigned at, int value) {
        if (at < length) {
            block[at] = static_cast<unsigned char>(value);
        }
    };
    put(11, contact);
    put(12, x & 0xFF);
    put(13, x >> 8);
    put(14, y & 0xFF);
    put(15, y >> 8);
    put(60, valid);
    return block;
}

TEST(TouchReport, DecodesLengthValidityAndContact) {
    const struct {
        const char* what;
        unsigned length;
        int valid, contact;
        unsigned x, y;
        TouchReportKind kind;
        int32_t wantX, wantY;
    } cases[] = {
        {"60 bytes are too short", 60, 1, 7, 100, 200, TOUCH_REPORT_IGNORED, 0, 0},
        {"16 bytes are too short", 16, 1, 7, 100, 200, TOUCH_REPORT_IGNORED, 0, 0},
        {"61 bytes are enough", 61, 1, 7, 100, 200, TOUCH_REPORT_CONTACT, 100, 200},
        {"64 bytes, the rest unread", 64, 1, 7, 0x1234, 0x0102, TOUCH_REPORT_CONTACT, 0x1234,
         0x0102},
        {"longest block", 255, 1, 7, 7, 9, TOUCH_REPORT_CONTACT, 7, 9},
        {"byte 60 = 0", 64, 0, 7, 100, 200, TOUCH_REPORT_IGNORED, 0, 0},
        {"byte 60 = 2", 64, 2, 7, 100, 200, TOUCH_REPORT_IGNORED, 0, 0},
        {"byte 60 = 0x81", 64, 0x81, 0, 100, 200, TOUCH_REPORT_IGNORED, 0, 0},
        {"byte 11 = 6 is a release", 64, 1, 6, 100, 200, TOUCH_REPORT_RELEASE, 0, 0},
        {"byte 11 = 0 is a release", 61, 1, 0, 100, 200, TOUCH_REPORT_RELEASE, 0, 0},
        {"byte 11 = 0x87 is a release", 64, 1, 0x87, 100, 200, TOUCH_REPORT_RELEASE, 0, 0},
        {"coordinates are not sign-extended", 64, 1, 7, 0xFFFF, 0x8000, TOUCH_REPORT_CONTACT, 65535,
         32768},
        {"zero coordinates", 64, 1, 7, 0, 0, TOUCH_REPORT_CONTACT, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<unsigned char> block = Block(c.length, c.valid, c.contact, c.x, c.y);
        TouchReport report =
            DecodeTouchReport(block.data(), static_cast<unsigned char>(block.size()));
        EXPECT_EQ(report.kind, c.kind);
        EXPECT_EQ(report.x, c.wantX);
        EXPECT_EQ(report.y, c.wantY);
    }
}

// The length the device states is what counts, not the size of the buffer.
TEST(TouchReport, StatedLengthDecides) {
    std::vector<unsigned char> block = Block(64, 1, 7, 5, 6);
    EXPECT_EQ(DecodeTouchReport(block.data(), 60).kind, TOUCH_REPORT_IGNORED);
    EXPECT_EQ(DecodeTouchReport(block.data(), 61).kind, TOUCH_REPORT_CONTACT);
    EXPECT_EQ(DecodeTouchReport(nullptr, 0).kind, TOUCH_REPORT_IGNORED);
}

} // namespace
