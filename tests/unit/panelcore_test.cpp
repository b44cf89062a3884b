// The control panel's record mapping, Apply-state comparison, device count
// and registry text conversions.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <string>

#include "panelcore.h"
#include "resource.h"

namespace {

using panel::Difference;
using panel::TouchParams;

// One row per interpreted field: where it sits in the record, how wide it is,
// which member holds it and in which order Apply compares it.
struct FieldRow {
    const char* name;
    size_t offset;
    size_t width;
    int TouchParams::*member;
    Difference difference;
};

const FieldRow kFields[] = {
    {"touchEnable", 0, 1, &TouchParams::touchEnable, Difference::TouchEnable},
    {"touchMode", 1, 1, &TouchParams::touchMode, Difference::TouchMode},
    {"rightClickEnable", 2, 1, &TouchParams::rightClickEnable, Difference::RightClickEnable},
    {"touchSmooth", 5, 1, &TouchParams::touchSmooth, Difference::TouchSmooth},
    {"rightClickTime", 6, 4, &TouchParams::rightClickTime, Difference::RightClickTime},
    {"rightClickArea", 10, 4, &TouchParams::rightClickArea, Difference::RightClickArea},
    {"touchDelay", 14, 4, &TouchParams::touchDelay, Difference::TouchDelay},
    {"touchJitter", 18, 4, &TouchParams::touchJitter, Difference::TouchJitter},
    {"touchHeight", 22, 2, &TouchParams::touchHeight, Difference::TouchHeight},
};

_VEL_DEVICE_CONFIG RecordWithPattern() {
    _VEL_DEVICE_CONFIG record;
    unsigned char* bytes = reinterpret_cast<unsigned char*>(&record);
    for (size_t i = 0; i < sizeof(record); ++i)
        bytes[i] = static_cast<unsigned char>(0xA0 + i);
    return record;
}

// Little-endian value of width bytes at offset.
long long ReadBytes(const _VEL_DEVICE_CONFIG& record, size_t offset, size_t width) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&record);
    unsigned long long value = 0;
    for (size_t i = 0; i < width; ++i)
        value |= static_cast<unsigned long long>(bytes[offset + i]) << (8 * i);
    if (width == 4)
        return static_cast<int32_t>(value);
    return static_cast<long long>(value);
}

TEST(RecordMapping, EachFieldReadsFromItsBytesWidenedWithoutSign) {
    const _VEL_DEVICE_CONFIG record = RecordWithPattern();
    const TouchParams params = panel::ParamsFromRecord(record);
    for (const FieldRow& row : kFields) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(params.*row.member, ReadBytes(record, row.offset, row.width));
        if (row.width < 4) { // bytes 0xA0.. are above 0x7F: a signed widening would go negative
            EXPECT_GT(params.*row.member, 0);
        }
    }
}

TEST(RecordMapping, EachFieldWritesItsLowBitsAndNothingElse) {
    for (const FieldRow& row : kFields) {
        SCOPED_TRACE(row.name);
        _VEL_DEVICE_CONFIG record = RecordWithPattern();
        const _VEL_DEVICE_CONFIG before = record;
        TouchParams params = panel::ParamsFromRecord(record);
        params.*row.member = -2; // all bits set but the lowest
        panel::FillRecord(record, params);
        const unsigned char* now = reinterpret_cast<const unsigned char*>(&record);
        const unsigned char* old = reinterpret_cast<const unsigned char*>(&before);
        for (size_t i = 0; i < sizeof(record); ++i) {
            if (i >= row.offset && i < row.offset + row.width) {
                EXPECT_EQ(now[i], i == row.offset ? 0xFE : 0xFF) << "byte " << i;
            } else {
                EXPECT_EQ(now[i], old[i]) << "byte " << i;
            }
        }
    }
}

TEST(ApplyState, NothingDiffersRightAfterReading) {
    const _VEL_DEVICE_CONFIG record = RecordWithPattern();
    panel::DoubleClick dblClk;
    dblClk.range = dblClk.rangeRead = 4;
    dblClk.speed = dblClk.speedRead = 500;
    EXPECT_EQ(panel::FirstDifference(record, panel::ParamsFromRecord(record), dblClk),
              Difference::None);
}

TEST(ApplyState, EachFieldIsComparedAndTheFirstDifferenceWins) {
    const _VEL_DEVICE_CONFIG record = RecordWithPattern();
    panel::DoubleClick dblClk;
    for (const FieldRow& row : kFields) {
        SCOPED_TRACE(row.name);
        TouchParams params = panel::ParamsFromRecord(record);
        params.*row.member += 1;
        EXPECT_EQ(panel::FirstDifference(record, params, dblClk), row.difference);
    }
    // With everything changed, the comparison order decides: putting back
    // what was reported first shows the next one.
    const Difference kOrder[] = {
        Difference::TouchEnable,      Difference::TouchMode,        Difference::TouchHeight,
        Difference::TouchSmooth,      Difference::TouchDelay,       Difference::RightClickEnable,
        Difference::RightClickTime,   Difference::RightClickArea,   Difference::TouchJitter,
        Difference::DoubleClickRange, Difference::DoubleClickSpeed,
    };
    TouchParams all = panel::ParamsFromRecord(record);
    for (const FieldRow& row : kFields)
        all.*row.member += 1;
    dblClk.rangeKnown = dblClk.speedKnown = true;
    dblClk.range = dblClk.speed = 7;
    for (Difference expected : kOrder) {
        const Difference first = panel::FirstDifference(record, all, dblClk);
        ASSERT_EQ(first, expected);
        for (const FieldRow& row : kFields) {
            if (row.difference == first)
                all.*row.member -= 1;
        }
        if (first == Difference::DoubleClickRange)
            dblClk.range = dblClk.rangeRead;
    }
    dblClk.speed = dblClk.speedRead;
    EXPECT_EQ(panel::FirstDifference(record, all, dblClk), Difference::None);
}

// Whether a double-click value counts as changed and whether Apply writes it:
// a value the registry gave is always written; one it could not give is
// written only once the user moved its slider away from where it stood.
TEST(ApplyState, DoubleClickValuesAgainstTheirBaselineAndWhatApplyWrites) {
    const struct {
        bool known;
        int onSlider;
        int read;
        bool changed;
        bool written;
    } rows[] = {
        {true, 10, 4, true, true},         {true, 4, 4, false, true},
        {true, 500, 1000, true, true}, // read beyond the slider: Apply writes the slider's end
        {false, 0, 0, false, false},   // never read
        {false, 1, 0, false, false},   // not read, slider at its minimum
        {false, 1, -5, false, false},  // read below 1
        {false, 1, INT_MIN, false, false}, {false, 200, 0, true, true}, // moved by the user
        {false, 2, -5, true, true},
    };
    const _VEL_DEVICE_CONFIG record = RecordWithPattern();
    const TouchParams params = panel::ParamsFromRecord(record);
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.known << " " << row.onSlider << "/" << row.read);
        for (panel::DoubleClickValue which :
             {panel::DoubleClickValue::Range, panel::DoubleClickValue::Speed}) {
            const bool bRange = which == panel::DoubleClickValue::Range;
            panel::DoubleClick dblClk;
            dblClk.range = dblClk.rangeRead = 4;
            dblClk.speed = dblClk.speedRead = 500;
            dblClk.rangeKnown = dblClk.speedKnown = true;
            (bRange ? dblClk.range : dblClk.speed) = row.onSlider;
            (bRange ? dblClk.rangeRead : dblClk.speedRead) = row.read;
            (bRange ? dblClk.rangeKnown : dblClk.speedKnown) = row.known;
            EXPECT_EQ(panel::DoubleClickChanged(dblClk, which), row.changed);
            EXPECT_EQ(panel::DoubleClickWritten(dblClk, which), row.written);
            const Difference expected = !row.changed ? Difference::None
                                        : bRange     ? Difference::DoubleClickRange
                                                     : Difference::DoubleClickSpeed;
            EXPECT_EQ(panel::FirstDifference(record, params, dblClk), expected);
        }
    }
    for (int value : {INT_MIN, -1, 0, 1, 500, INT_MAX})
        EXPECT_EQ(panel::IsUsableDoubleClickValue(value), value >= 1) << value;
}

TEST(ApplyState, AWideValueDoesNotMatchItsTruncatedField) {
    // The member 261 is sent as 5 in touchSmooth; it still counts as a change.
    _VEL_DEVICE_CONFIG record = {};
    record.touchSmooth = 5;
    TouchParams params = panel::ParamsFromRecord(record);
    params.touchSmooth = 261;
    EXPECT_EQ(panel::FirstDifference(record, params, {}), Difference::TouchSmooth);
}

TEST(DeviceCount, OnlyExactlyOneScreenOpensTheDialog) {
    const struct {
        int count;
        panel::ScreenCount expected;
    } rows[] = {
        {INT_MIN, panel::ScreenCount::None}, {-1, panel::ScreenCount::None},
        {0, panel::ScreenCount::None},       {1, panel::ScreenCount::One},
        {2, panel::ScreenCount::Several},    {24, panel::ScreenCount::Several},
        {25, panel::ScreenCount::Several},   {INT_MAX, panel::ScreenCount::Several},
    };
    for (const auto& row : rows)
        EXPECT_EQ(panel::ClassifyDeviceCount(row.count), row.expected) << row.count;
}

TEST(DeviceCount, UnterminatedPathsAreCutAt259Characters) {
    _VEL_DEVICE_INFO info;
    std::fill(&info.devicePath[0][0], &info.devicePath[0][0] + 24 * 260, u'x');
    panel::TerminateDevicePaths(info);
    for (const auto& path : info.devicePath) {
        EXPECT_EQ(path[259], 0);
        EXPECT_EQ(path[258], u'x');
    }
}

TEST(RegistryText, ReadsLikeAtoiWithinTheBytesReturned) {
    const struct {
        std::string bytes;
        size_t returned;
        int expected;
    } rows[] = {
        {std::string("4\0", 2), 2, 4},
        {std::string("500\0", 4), 4, 500},
        {std::string("  -12\0", 6), 6, -12},
        {std::string("+7\0", 3), 3, 7},
        {std::string("12ab\0", 5), 5, 12},
        {std::string("abc\0", 4), 4, 0},
        {std::string("\0", 1), 1, 0},
        {std::string(), 0, 0},
        // Not terminated: only the bytes returned count.
        {std::string("1234"), 2, 12},
        {std::string("99\0"
                     "77",
                     5),
         5, 99},
        // Beyond an int: saturates instead of overflowing.
        {std::string("99999999999\0", 12), 12, INT_MAX},
        {std::string("-99999999999\0", 13), 13, INT_MIN},
        {std::string("-2147483648\0", 12), 12, INT_MIN},
    };
    for (const auto& row : rows)
        EXPECT_EQ(panel::NumberFromRegistryText(row.bytes.data(), row.returned, 24), row.expected)
            << '"' << row.bytes << "\" returned " << row.returned;
}

TEST(RegistryText, NeverReadsPastTheBuffer) {
    // 24 digits filling the buffer with no terminator, and a length that lies.
    char buffer[24];
    std::memset(buffer, '1', sizeof(buffer));
    buffer[3] = 'x';
    EXPECT_EQ(panel::NumberFromRegistryText(buffer, 1000, sizeof(buffer)), 111);
}

TEST(RegistryText, NumbersBecomeDecimalText) {
    for (int value : {INT_MIN, -1, 0, 1, 4, 500, 1000, INT_MAX}) {
        const std::string text = panel::RegistryTextFromNumber(value);
        EXPECT_EQ(panel::NumberFromRegistryText(text.c_str(), text.size() + 1, 24), value);
    }
}

TEST(Sliders, AValueStandsWithinItsTrackBarsRange) {
    const struct {
        int id;
        int value;
        int position;
    } rows[] = {
        {IDC_SLD_TOUCH_HEIGHT, 0, 3},         {IDC_SLD_TOUCH_HEIGHT, 5, 5},
        {IDC_SLD_TOUCH_HEIGHT, 300, 8},       {IDC_SLD_TOUCH_JITTER, INT_MIN, 10},
        {IDC_SLD_TOUCH_JITTER, 15000, 15000}, {IDC_SLD_DBLCLK_RANGE, 0, 1},
        {IDC_SLD_DBLCLK_SPEED, 1001, 1000},   {IDC_BTN_APPLY, -7, -7}, // not a track bar
    };
    for (const auto& row : rows)
        EXPECT_EQ(panel::SliderPosition(row.id, row.value), row.position)
            << row.id << " " << row.value;
}

} // namespace
