// Touch recordings as the simulated screen replays them: whatever the file
// holds, every report read has 1 to 255 bytes and a time no earlier than the
// one before, every error names a line of the text, and what was read,
// written out again, reads back the same and whole.
//
// Input: a recording as it is.
#include <cstdint>
#include <string>
#include <tuple>

#include "fuzz_check.h"
#include "recording.h"

using velsim::RecordedReport;
using velsim::Recording;

namespace {

// The reader's values as a writer puts them, with the text's line ends.
std::string Write(const Recording& recording, const char* end) {
    std::string text = std::string("format = 1") + end;
    if (recording.config)
        text += "config = " + velsim::Hex(recording.config->data(), recording.config->size()) + end;
    if (recording.hasOutputMode)
        text += "outputMode = " +
                (recording.outputMode ? std::to_string(*recording.outputMode) : "none") + end;
    if (recording.deviceCount)
        text += "deviceCount = " + std::to_string(*recording.deviceCount) + end;
    text += std::string("reports") + end;
    for (const RecordedReport& report : recording.reports)
        text += std::to_string(report.microseconds) + " " +
                velsim::Hex(report.bytes.data(), report.bytes.size()) + end;
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    const std::string text(reinterpret_cast<const char*>(pData), nSize);
    const Recording recording = velsim::ParseRecording(text);

    int lines = 0;
    for (char c : text)
        lines += c == '\n';
    lines += !text.empty() && text.back() != '\n';
    if (lines == 0)
        lines = 1; // an empty text is one empty line

    uint64_t previousTime = 0;
    int previousLine = 0;
    for (const RecordedReport& report : recording.reports) {
        FUZZ_CHECK(report.bytes.size() >= 1 && report.bytes.size() <= 255);
        FUZZ_CHECK(report.microseconds >= previousTime);
        FUZZ_CHECK(report.microseconds <= velsim::kMaxRecordedMicroseconds);
        FUZZ_CHECK(report.line > previousLine && report.line <= lines);
        previousTime = report.microseconds;
        previousLine = report.line;
    }
    int previousError = 1;
    for (const velsim::RecordingError& error : recording.errors) {
        FUZZ_CHECK(error.line >= previousError && error.line <= lines);
        FUZZ_CHECK(!error.message.empty());
        previousError = error.line;
    }
    static_assert(std::tuple_size<velsim::ConfigRecord>::value == 54, "a whole driver record");
    FUZZ_CHECK(!recording.outputMode || recording.hasOutputMode);
    FUZZ_CHECK(!recording.errors.empty() || recording.format == velsim::kRecordingFormat);

    const Recording reread = velsim::ParseRecording(
        Write(recording, text.find('\r') != std::string::npos ? "\r\n" : "\n"));
    FUZZ_CHECK(reread.errors.empty());
    FUZZ_CHECK(reread.config == recording.config);
    FUZZ_CHECK(reread.hasOutputMode == recording.hasOutputMode);
    FUZZ_CHECK(reread.outputMode == recording.outputMode);
    FUZZ_CHECK(reread.deviceCount == recording.deviceCount);
    FUZZ_CHECK(reread.reports.size() == recording.reports.size());
    for (size_t i = 0; i < reread.reports.size(); ++i) {
        FUZZ_CHECK(reread.reports[i].microseconds == recording.reports[i].microseconds);
        FUZZ_CHECK(reread.reports[i].bytes == recording.reports[i].bytes);
    }
    return 0;
}
