#include "recording.h"

#include <algorithm>

namespace velsim {

namespace {

const char kBlanks[] = " \t";

std::string Trim(const std::string& s) {
    size_t first = s.find_first_not_of(kBlanks);
    if (first == std::string::npos)
        return std::string();
    return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

bool AllDigits(const std::string& s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Whole decimal digits up to `maximum`; leading zeros allowed.
std::optional<uint64_t> ParseDecimal(const std::string& s, uint64_t maximum) {
    if (!AllDigits(s))
        return std::nullopt;
    uint64_t value = 0;
    for (char c : s) {
        value = value * 10 + static_cast<uint64_t>(c - '0');
        if (value > maximum)
            return std::nullopt;
    }
    return value;
}

// "<major>" or "<major>.<minor>": the major number, nothing when malformed.
std::optional<uint64_t> FormatMajor(const std::string& value) {
    size_t dot = value.find('.');
    if (dot != std::string::npos && !AllDigits(value.substr(dot + 1)))
        return std::nullopt;
    return ParseDecimal(value.substr(0, dot), 999999);
}

class Parser {
public:
    explicit Parser(const std::string& text) : m_text(text) {}

    Recording Run() {
        size_t pos = m_text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
        int number = 0;
        while (pos < m_text.size()) {
            size_t end = m_text.find('\n', pos);
            const bool ended = end != std::string::npos;
            if (!ended)
                end = m_text.size();
            std::string line = m_text.substr(pos, end - pos);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            pos = end + 1;
            ++number;
            line = Trim(line);
            if (line.empty() || line[0] == '#')
                continue;
            if (m_inReports)
                Report(number, line, ended);
            else if (!Header(number, line))
                return m_recording;
        }
        // An empty text is one empty line, so that every error names a line.
        number = std::max(number, 1);
        if (!m_keySeen)
            Error(number,
                  "missing format: the header has no format = " + std::to_string(kRecordingFormat));
        if (!m_inReports)
            Error(number, "missing reports: the header has no reports line");
        return m_recording;
    }

private:
    void Error(int line, const std::string& message) {
        m_recording.errors.push_back(RecordingError{line, message});
    }

    // False when the rest of the text is not for this reader.
    bool Header(int number, const std::string& line) {
        const std::string missingFormat =
            "missing format: the header's first key must be format = " +
            std::to_string(kRecordingFormat);
        if (line == "reports") {
            if (!m_keySeen)
                Error(number, missingFormat);
            m_keySeen = m_inReports = true;
            return true;
        }
        const size_t eq = line.find('=');
        const std::string key = eq == std::string::npos ? "" : Trim(line.substr(0, eq));
        if (key.empty()) {
            Error(number, "a header line needs <name> = <value>, or reports to end the header");
            return true;
        }
        const std::string value = Trim(line.substr(eq + 1));
        if (!m_keySeen && key != "format")
            Error(number, missingFormat);
        m_keySeen = true;
        if (key == "format" || key == "config" || key == "outputMode" || key == "deviceCount") {
            if (std::find(m_given.begin(), m_given.end(), key) != m_given.end()) {
                Error(number, key + " is given twice");
                return true;
            }
            m_given.push_back(key);
        }
        if (key == "format") {
            std::optional<uint64_t> major = FormatMajor(value);
            if (!major) {
                Error(number,
                      "format needs a version number such as " + std::to_string(kRecordingFormat));
            } else if (*major != static_cast<uint64_t>(kRecordingFormat)) {
                // What follows may mean something else: read no further.
                Error(number, "format " + value + ": this reader knows " +
                                  std::to_string(kRecordingFormat));
                return false;
            } else {
                m_recording.format = kRecordingFormat;
            }
        } else if (key == "config") {
            std::vector<uint8_t> bytes;
            ConfigRecord record;
            if (value.size() != 2 * record.size() || !ParseHex(value, &bytes)) {
                Error(number, "config needs " + std::to_string(2 * record.size()) + " hex digits");
            } else {
                std::copy(bytes.begin(), bytes.end(), record.begin());
                m_recording.config = record;
            }
        } else if (key == "outputMode") {
            std::optional<uint64_t> mode = ParseDecimal(value, 255);
            if (value != "none" && !mode) {
                Error(number, "outputMode needs 0 to 255 or none");
            } else {
                m_recording.hasOutputMode = true;
                if (mode)
                    m_recording.outputMode = static_cast<uint8_t>(*mode);
            }
        } else if (key == "deviceCount") {
            const bool negative = !value.empty() && value[0] == '-';
            std::optional<uint64_t> count =
                ParseDecimal(negative ? value.substr(1) : value,
                             negative ? uint64_t(2147483648u) : uint64_t(INT32_MAX));
            if (!count)
                Error(number, "deviceCount needs an integer from -2147483648 to 2147483647");
            else
                m_recording.deviceCount = static_cast<int32_t>(
                    negative ? -static_cast<int64_t>(*count) : static_cast<int64_t>(*count));
        }
        return true;
    }

    void Report(int number, const std::string& line, bool ended) {
        if (!ended) {
            Error(number, "the report has no line end: the recording was cut short");
            return;
        }
        const std::string needs = "a report needs <microseconds> <hex bytes>";
        const size_t blank = line.find_first_of(kBlanks);
        if (blank == std::string::npos) {
            Error(number, needs);
            return;
        }
        const std::string time = line.substr(0, blank);
        const std::string hex = Trim(line.substr(blank));
        if (!AllDigits(time) || hex.find_first_of(kBlanks) != std::string::npos) {
            Error(number, needs);
            return;
        }
        std::optional<uint64_t> microseconds = ParseDecimal(time, kMaxRecordedMicroseconds);
        if (!microseconds) {
            Error(number, "time " + time + " is beyond " +
                              std::to_string(kMaxRecordedMicroseconds) + " microseconds");
            return;
        }
        RecordedReport report;
        report.microseconds = *microseconds;
        report.line = number;
        if (!ParseHex(hex, &report.bytes)) {
            Error(number, "a report's bytes are pairs of hex digits");
            return;
        }
        if (report.bytes.size() > 255) {
            Error(number,
                  "a report has 1 to 255 bytes, this one " + std::to_string(report.bytes.size()));
            return;
        }
        if (!m_recording.reports.empty() &&
            report.microseconds < m_recording.reports.back().microseconds) {
            Error(number, "time " + time + " is before the previous report's " +
                              std::to_string(m_recording.reports.back().microseconds));
            return;
        }
        m_recording.reports.push_back(std::move(report));
    }

    const std::string& m_text;
    Recording m_recording;
    bool m_keySeen = false; // a header key, or reports, has been seen
    bool m_inReports = false;
    std::vector<std::string> m_given;
};

} // namespace

Recording ParseRecording(const std::string& text) {
    return Parser(text).Run();
}

} // namespace velsim
