// Text of the simulated device's state file: "key = value" lines.
//
// Lines whose first non-blank character is '#' are comments (values such as
// device paths contain '#', so there are no trailing comments). Editing a
// value keeps every other line as it was, so notes a person or a test put in
// the file survive a rewrite. One UTF-8 byte order mark at the start is not
// part of the first line; it is written back, so the text means the same
// after a rewrite.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace velsim {

class StateText {
public:
    explicit StateText(const std::string& text = std::string());

    // Value of the first line with this key, trimmed; nothing when absent.
    std::optional<std::string> Find(const std::string& key) const;
    // Replaces the value of the key's first line, or appends a line. True
    // when the text changed.
    bool Set(const std::string& key, const std::string& value);
    bool Empty() const { return m_lines.empty(); }
    std::string Text() const;

private:
    struct Line {
        std::string raw;
        std::string key; // empty for comments, blank and malformed lines
    };
    std::vector<Line> m_lines;
    bool m_byteOrderMark = false;
};

} // namespace velsim
