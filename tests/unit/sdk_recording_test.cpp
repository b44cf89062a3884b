// Touch recordings as the simulated screen reads them: the header's values,
// the reports as recorded, and every error by its line.
#include "recording.h"

#include <gtest/gtest.h>

#include <utility>

using velsim::ParseRecording;
using velsim::Recording;

namespace {

constexpr int kNotGiven = -1, kNone = -2; // outputMode absent, "none"
const std::string kConfig = "0102030405" + std::string(96, 'a') + "0f";

const std::string kHeader = "# VelTouch touch recording\nformat = 1\ntool = velctl 1.0.0.1 x64\n"
                            "devicePath = \\\\?\\hid#velsim_touch#0\ndeviceCount = 1\nconfig = " +
                            kConfig +
                            "\noutputMode = 2\ndisplay = 1 \\\\.\\DISPLAY1 0,0 1024x768\n"
                            "reports\n"; // line 9

} // namespace

TEST(SdkRecording, ReadsHeaderAndReportsAndNamesTheLineOfEachError) {
    using Timed = std::pair<uint64_t, std::string>;
    using Error = std::pair<int, std::string>;
    struct Row {
        const char* what;
        std::string text;
        std::vector<Timed> reports;
        std::vector<Error> errors;
        int outputMode = kNotGiven;
    };
    const std::string needs = "a report needs <microseconds> <hex bytes>";
    const std::string noFormat = "missing format: the header has no format = 1";
    const std::string noReports = "missing reports: the header has no reports line";
    const std::string noEnd = "the report has no line end: the recording was cut short";
    const Row rows[] = {
        {"whole",
         kHeader + "0 0101a03f0260\n# lifted\n\n10123 0101A13F0260\n10123 ff\n",
         {{0, "0101a03f0260"}, {10123, "0101a13f0260"}, {10123, "ff"}},
         {},
         2},
        {"snapshot", "format = 1\noutputMode = none\nreports\n", {}, {}, kNone},
        {"CRLF, byte order mark, blanks, a later minor version, unknown keys",
         "\xEF\xBB\xBF"
         "format=1.3\r\nfuture = a = b\r\noutputMode=0\r\nreports\r\n\t7   " +
             std::string(510, 'c') + "  \r\n",
         {{7, std::string(510, 'c')}},
         {},
         0},
        {"malformed header",
         "format = 1\nconfig = 0102\noutputMode = 256\ntool\nconfig = 01\nreports\n",
         {},
         {{2, "config needs 108 hex digits"},
          {3, "outputMode needs 0 to 255 or none"},
          {4, "a header line needs <name> = <value>, or reports to end the header"},
          {5, "config is given twice"}}},
        {"malformed reports",
         kHeader + "12\n-1 01\n0 01 02\n0x10 01\n0 0g\n0 abc\n0 " + std::string(512, '0') +
             "\n10000000000000 01\n1000 01\n900 02\n",
         {{1000, "01"}},
         {{10, needs},
          {11, needs},
          {12, needs},
          {13, needs},
          {14, "a report's bytes are pairs of hex digits"},
          {15, "a report's bytes are pairs of hex digits"},
          {16, "a report has 1 to 255 bytes, this one 256"},
          {17, "time 10000000000000 is beyond 9999999999999 microseconds"},
          {19, "time 900 is before the previous report's 1000"}},
         2},
        {"a later major version",
         "# c\nformat = 2\nreports\n0 01\n",
         {},
         {{2, "format 2: this reader knows 1"}}},
        {"format not first",
         "tool = x\nformat = 1\nreports\n",
         {},
         {{1, "missing format: the header's first key must be format = 1"}}},
        {"no format, no reports", "\n# c\n", {}, {{2, noFormat}, {2, noReports}}},
        {"cut in a pair", "format = 1\nreports\n0 01\n10 0a0", {{0, "01"}}, {{4, noEnd}}},
        {"cut after a pair", "format = 1\nreports\n0 01\n10 0a0b", {{0, "01"}}, {{4, noEnd}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const Recording recording = ParseRecording(row.text);
        std::vector<Timed> reports;
        for (const velsim::RecordedReport& report : recording.reports)
            reports.emplace_back(report.microseconds,
                                 velsim::Hex(report.bytes.data(), report.bytes.size()));
        EXPECT_EQ(reports, row.reports);
        std::vector<Error> errors;
        for (const velsim::RecordingError& error : recording.errors)
            errors.emplace_back(error.line, error.message);
        EXPECT_EQ(errors, row.errors);
        EXPECT_EQ(recording.hasOutputMode, row.outputMode != kNotGiven);
        EXPECT_EQ(recording.outputMode.has_value(), row.outputMode >= 0);
        if (row.outputMode >= 0 && recording.outputMode) {
            EXPECT_EQ(*recording.outputMode, row.outputMode);
        }
    }
    const Recording whole = ParseRecording(kHeader);
    EXPECT_EQ(whole.format, 1);
    EXPECT_EQ(whole.deviceCount, 1);
    ASSERT_TRUE(whole.config);
    EXPECT_EQ(velsim::Hex(whole.config->data(), whole.config->size()), kConfig);
}
