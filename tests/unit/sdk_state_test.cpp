// The simulated device's state file: editing keeps what a person wrote,
// values fall back to the factory ones, and the configuration record maps to
// and from the keys field by field.
#include "devicestate.h"
#include "statefile.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

using velsim::ConfigRecord;
using velsim::DeviceState;
using velsim::StateText;

TEST(SdkStateText, EditingAValueKeepsCommentsUnknownKeysAndOrder) {
    StateText text("\xEF\xBB\xBF# my notes\r\n"
                   "touchMode=7\r\n"
                   "\n"
                   "custom = keep me\n"
                   "devicePath = \\\\?\\hid#a#0\n"
                   "touchMode = 9\n");
    EXPECT_EQ(*text.Find("touchMode"), "7");
    EXPECT_EQ(*text.Find("devicePath"), "\\\\?\\hid#a#0"); // '#' belongs to the value
    EXPECT_FALSE(text.Find("touchHeight"));
    EXPECT_FALSE(text.Set("touchMode", "7")); // same value: no rewrite needed
    EXPECT_TRUE(text.Set("touchMode", "3"));
    EXPECT_TRUE(text.Set("touchHeight", "20"));
    EXPECT_EQ(text.Text(), "\xEF\xBB\xBF# my notes\n"
                           "touchMode = 3\n"
                           "\n"
                           "custom = keep me\n"
                           "devicePath = \\\\?\\hid#a#0\n"
                           "touchMode = 9\n"
                           "touchHeight = 20\n");
}

TEST(SdkStateText, OneByteOrderMarkIsSkippedAndKeptSoARewriteKeepsTheMeaning) {
    const std::string bom = "\xEF\xBB\xBF";
    for (int marks = 0; marks <= 2; ++marks) {
        std::string original;
        for (int i = 0; i < marks; ++i)
            original += bom;
        original += "touchMode = 7\n";
        StateText text(original);
        const auto before = text.Find("touchMode");
        EXPECT_EQ(before.has_value(), marks < 2) << marks;
        text.Set("touchHeight", "6");
        StateText rewritten(text.Text());
        EXPECT_EQ(rewritten.Find("touchMode"), before) << marks;
        EXPECT_EQ(*rewritten.Find("touchHeight"), "6") << marks;
    }
}

TEST(SdkDeviceState, MissingMalformedOrOutOfRangeValuesReadAsFactoryValues) {
    struct Row {
        const char* text;
        const char* key;
        int64_t value;
        bool bad; // journaled as a bad value
    };
    const Row rows[] = {
        {"", "deviceCount", 1, false},
        {"deviceCount = -1", "deviceCount", -1, false},
        {"deviceCount = 30", "deviceCount", 30, false},
        {"deviceCount = two", "deviceCount", 1, true},
        {"deviceCount = 2x", "deviceCount", 1, true},
        {"deviceCount =", "deviceCount", 1, true},
        {"deviceCount = 4294967297", "deviceCount", 1, true}, // never wrapped to 1
        {"deviceCount = -2147483648", "deviceCount", INT32_MIN, false},
        {"touchMode = 99999999999999999999", "touchMode", 2, true},
        {"touchMode = 255", "touchMode", 255, false},
        {"touchMode = 256", "touchMode", 2, true},
        {"reserved4 = -1", "reserved4", 165, true},
        {"touchHeight = 65535", "touchHeight", 65535, false},
        {"touchHeight = 70000", "touchHeight", 5, true},
        {"rightClickTime = -2147483648", "rightClickTime", INT32_MIN, false},
        {"touchDelay = 4294967297", "touchDelay", 100, true},
        {"failOpen = 2", "failOpen", 0, true},
        {"# touchHeight = 20", "touchHeight", 5, false},
        {"panelDisplay = 2", "panelDisplay", 2, false},
        {"panelDisplay = -1", "panelDisplay", 0, true},
    };
    for (const Row& row : rows) {
        DeviceState state(row.text);
        EXPECT_EQ(state.Int(row.key), row.value) << row.text;
        const std::vector<std::string> bad = state.TakeBadValues();
        EXPECT_EQ(bad.size(), row.bad ? 1u : 0u) << row.text;
        if (!bad.empty()) {
            EXPECT_EQ(bad[0].rfind(std::string(row.key) + " = ", 0), 0u) << bad[0];
        }
    }

    EXPECT_EQ(*DeviceState("").OutputMode(), 2);
    EXPECT_FALSE(DeviceState("outputMode = none").OutputMode());
    EXPECT_EQ(*DeviceState("outputMode = 0").OutputMode(), 0);
    EXPECT_EQ(*DeviceState("outputMode = 300").OutputMode(), 2);
    EXPECT_EQ(DeviceState("noise = -1").Noise(), 0.0);
    EXPECT_EQ(DeviceState("noise = 2.5").Noise(), 2.5);
}

TEST(SdkDeviceState, ANewFileListsEveryKeyOnlyOnceSomethingChanges) {
    DeviceState state;
    EXPECT_FALSE(state.Set("touchMode", "2")); // the factory value
    EXPECT_FALSE(state.Changed());
    EXPECT_TRUE(state.Set("touchMode", "3"));
    EXPECT_TRUE(state.Changed());
    DeviceState reread(state.Text());
    for (const velsim::StateKey& key : velsim::StateKeys()) {
        std::string expected = std::string(key.key) == "touchMode" ? "3" : key.factory;
        EXPECT_EQ(reread.Value(key.key), expected) << key.key;
    }
}

TEST(SdkDeviceState, ConfigRecordFieldsComeFromTheirKeys) {
    struct Row {
        const char* key;
        const char* value;
        size_t offset;
        std::vector<uint8_t> bytes;
    };
    const Row rows[] = {
        {"touchEnable", "0", 0, {0x00}},
        {"touchMode", "7", 1, {0x07}},
        {"rightClickEnable", "0", 2, {0x00}},
        {"reserved3", "255", 3, {0xFF}},
        {"reserved4", "128", 4, {0x80}},
        {"touchSmooth", "200", 5, {0xC8}},
        {"rightClickTime", "-2", 6, {0xFE, 0xFF, 0xFF, 0xFF}},
        {"rightClickArea", "32767", 10, {0xFF, 0x7F, 0x00, 0x00}},
        {"touchDelay", "2147483647", 14, {0xFF, 0xFF, 0xFF, 0x7F}},
        {"touchJitter", "65536", 18, {0x00, 0x00, 0x01, 0x00}},
        {"touchHeight", "65535", 22, {0xFF, 0xFF}},
    };
    for (const Row& row : rows) {
        DeviceState state(std::string(row.key) + " = " + row.value);
        ConfigRecord record = state.Config();
        ConfigRecord factory = DeviceState().Config();
        for (size_t i = 0; i < record.size(); ++i) {
            bool inField = i >= row.offset && i < row.offset + row.bytes.size();
            uint8_t want = inField ? row.bytes[i - row.offset] : factory[i];
            EXPECT_EQ(record[i], want) << row.key << " byte " << i;
        }
    }
}

TEST(SdkDeviceState, StoredRecordReadsBackByteForByte) {
    ConfigRecord record;
    for (size_t i = 0; i < record.size(); ++i)
        record[i] = static_cast<uint8_t>(0xC3 ^ (i * 37));
    DeviceState state;
    state.StoreConfig(record);
    EXPECT_TRUE(state.Changed());
    EXPECT_EQ(DeviceState(state.Text()).Config(), record);
    // The 32-bit fields are signed, the 16-bit one is not.
    int32_t time = 0;
    std::memcpy(&time, &record[6], 4);
    EXPECT_EQ(state.Value("rightClickTime"), std::to_string(time));
    EXPECT_EQ(state.Value("touchHeight"), std::to_string(record[22] | record[23] << 8));
}

TEST(SdkDeviceState, MalformedReservedBytesFallBackToTheFactoryPattern) {
    for (const char* value :
         {"zz", "3031", "", "303132333435363738393a3b3c3d3e3f404142434445464748494a4b4c4d4e"}) {
        ConfigRecord record = DeviceState(std::string("reserved24 = ") + value).Config();
        for (size_t i = 0; i < 30; ++i)
            EXPECT_EQ(record[24 + i], 0x30 + i) << value;
    }
}

TEST(SdkDeviceState, DriverSettingsAndTheHeldSetFallBackToFactoryValues) {
    using velsim::DriverMaps;
    struct Row {
        const char* text;
        int panelDisplay; // with two displays present
        DriverMaps maps;
        std::array<double, 8> set;
        bool bad;
    };
    const std::array<double, 8> none{1000, 0, 0, 0, 1000, 0, 0, 0};
    const std::array<double, 8> given{1.5, 0, -2.25, 0, -32768, 0, 0.5, 32767};
    const Row rows[] = {
        {"panelDisplay = 2\ndriverMaps = display", 2, DriverMaps::Display, none, false},
        {"panelDisplay = 3", 0, DriverMaps::Primary, none, true}, // no display 3
        {"driverMaps = Desktop", 0, DriverMaps::Primary, none, true},
        {"calibration = 16 1 0 -2 0 -32768 0 0 32767",
         0,
         DriverMaps::Primary,
         {1, 0, -2, 0, -32768, 0, 0, 32767},
         false},
        {"calibration = hd 1 1.5 0 -2.25 0 -32768 0 0.5 32767", 0, DriverMaps::Primary, given,
         false},
        {"calibration = hd 0 1.5 0 -2.25 0 -32768 0 0.5 32767", 0, DriverMaps::Primary, none,
         false},
        {"calibration = 16 1 0 -2 0 -32768 0 0 32768", 0, DriverMaps::Primary, none, true},
        {"calibration = hd 1 1.5 0 -2.25 0 -32768 0 0.5", 0, DriverMaps::Primary, none, true},
    };
    for (const Row& row : rows) {
        DeviceState state(row.text);
        EXPECT_EQ(state.PanelDisplay(2), row.panelDisplay) << row.text;
        EXPECT_EQ(state.Maps(), row.maps) << row.text;
        EXPECT_EQ(state.Calibration().m, row.set) << row.text;
        EXPECT_EQ(state.TakeBadValues().size(), row.bad ? 1u : 0u) << row.text;
    }
}
