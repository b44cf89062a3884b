// What velctl record writes: a touch recording, the raw reports of a touch
// screen in calibration mode with what the screen and the desktop were when
// they came, so that the simulated touch screen can play them back.
//
// Format 1. Text, UTF-8, every line ending in CR LF. A header of
// "key = value" lines in this order, then the line "reports", then one line
// per report:
//
// clang-format off
//   # VelTouch touch recording
//   format = 1
//   tool = velctl 1.4.0 x64
//   os = Windows 10.0.19045 x64
//   started = 2026-12-09T21:40:00Z
//   devicePath = \\?\hid#velsim_touch#0
//   deviceCount = 1
//   config = 0100010000000000...
//   outputMode = 2
//   display = 1 \\.\DISPLAY1 0,0 1024x768 primary 0 96
//   display = 2 \\.\DISPLAY2 1024,0 800x600 - -1 120
//   calibration = display 1 \\.\DISPLAY1 space primary 0,0 1024x768 hd 1000 0 0 0 1000 0 0 0 2026-12-09T21:04:05Z
//   reports
//   0 00000000000000000000000700800080000000...
//   10512 00000000000000000000000702800080000000...
// clang-format on
//
//  - tool: the program, its version and the architecture it was built for
//    (x64 or x86); os: the system's major.minor.build and its architecture.
//  - started: when the recording began, UTC; the reports' times count from it.
//  - devicePath: the screen recorded (UTF-8); deviceCount: how many screens
//    the device library found.
//  - config: the screen's 54-byte parameter record (_VEL_DEVICE_CONFIG) as
//    the device stores it, 108 lowercase hex digits, byte 0 first.
//  - outputMode: the device's output mode, or "none" when it has none.
//  - display: one line per display, in the displays' numbers: the number,
//    the device name, the rectangle in desktop pixels (x,y WxH), "primary"
//    or "-", the orientation in degrees clockwise (-1: unknown) and the DPI.
//  - calibration: the calibration the tools remember for the screen: the
//    display it was made on (number and device name, "-" when the name is
//    not known), "space", the space's word (primary, display, desktop) and
//    rectangle, the record the device took ("hd" with eight single-precision
//    coefficients in up to nine significant digits, or "16" with eight
//    integers) and the date it was written, UTC ("-" when not known).
//    "none" when no calibration with a set is remembered.
//  - reports: the time of the report in microseconds since started, one
//    blank, and the report's bytes as the device gave them (1 to 255),
//    contiguous lowercase hex (64 bytes: 128 digits).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "Vel_DeviceManager.h"
#include "calibmemory.h"
#include "desktop.h"

namespace ctl {

// Everything the header holds. Strings are UTF-8.
struct RecordingInfo {
    std::string toolVersion;      // "1.4.0"
    std::string toolArchitecture; // "x64" or "x86": what velctl was built for
    uint32_t osMajor = 0, osMinor = 0, osBuild = 0;
    std::string osArchitecture; // "x64" or "x86": the system's own
    std::string started;        // UTC, 2026-12-09T21:40:00Z
    std::string devicePath;
    int deviceCount = 0;
    _VEL_DEVICE_CONFIG config = {};
    bool hasOutputMode = false;
    int outputMode = 0;
    DesktopLayout layout;        // its displays, in their numbers
    bool hasCalibration = false; // a calibration is remembered for the screen
    RememberedCalibration calibration;
};

// The header, from the first line through "reports".
std::string RecordingHeader(const RecordingInfo& info);

// One report's line: "10512 0000...01000000\r\n".
std::string RecordingLine(uint64_t microseconds, const unsigned char* data, size_t length);

} // namespace ctl
