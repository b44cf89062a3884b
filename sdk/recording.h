// A touch recording: what a real screen sent, as velctl writes it, for the
// simulated screen to replay (device.ini's `replay`).
//
// UTF-8 text, lines ending in LF or CRLF; one byte order mark at the start is
// skipped. Lines whose first non-blank character is '#' are comments, and
// blank lines are ignored, anywhere. The header holds `name = value` lines
// (blanks around '=' optional, names case-sensitive), `format` first; keys
// this reader does not know are ignored. A line `reports` ends the header;
// every further line is one report:
//
//   <microseconds> <hex bytes>
//
// the time since the recording started (non-decreasing) and the report's
// 1 to 255 bytes as contiguous pairs of hex digits. A header that ends with
// `reports` and no report is a snapshot. Every report line ends in a line
// end: one without is taken as cut short, even when its hex is whole.
#pragma once

#include "records.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velsim {

// The major format number this reader knows.
constexpr int kRecordingFormat = 1;
// The latest time a report may have: 13 digits, about 115 days.
constexpr uint64_t kMaxRecordedMicroseconds = 9999999999999ull;

struct RecordedReport {
    uint64_t microseconds = 0;  // since the recording started
    std::vector<uint8_t> bytes; // 1 to 255, handed over with this length
    int line = 0;
};

struct RecordingError {
    int line;
    std::string message;
};

struct Recording {
    int format = 0; // the major number; 0 when the header has none
    std::optional<ConfigRecord> config;
    bool hasOutputMode = false;        // `outputMode` was given
    std::optional<uint8_t> outputMode; // given: nothing for "none", the device has none
    std::optional<int32_t> deviceCount;
    std::vector<RecordedReport> reports;
    // In line order; empty when the recording is whole and this reader takes it.
    std::vector<RecordingError> errors;
};

Recording ParseRecording(const std::string& text);

} // namespace velsim
