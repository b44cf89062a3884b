#include "statefile.h"

namespace velsim {

namespace {

const char kByteOrderMark[] = "\xEF\xBB\xBF";

std::string Trim(const std::string& s) {
    const char* blanks = " \t\r\n";
    size_t first = s.find_first_not_of(blanks);
    if (first == std::string::npos)
        return std::string();
    size_t last = s.find_last_not_of(blanks);
    return s.substr(first, last - first + 1);
}

} // namespace

StateText::StateText(const std::string& text) {
    size_t pos = 0;
    // A UTF-8 byte order mark is not part of the first key; a second one is.
    m_byteOrderMark = text.compare(0, 3, kByteOrderMark) == 0;
    if (m_byteOrderMark)
        pos = 3;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        Line line;
        line.raw = text.substr(pos, end - pos);
        if (!line.raw.empty() && line.raw.back() == '\r')
            line.raw.pop_back();
        std::string body = Trim(line.raw);
        size_t eq = body.find('=');
        if (!body.empty() && body[0] != '#' && eq != std::string::npos)
            line.key = Trim(body.substr(0, eq));
        m_lines.push_back(line);
        pos = end + 1;
    }
}

std::optional<std::string> StateText::Find(const std::string& key) const {
    for (const Line& line : m_lines) {
        if (!line.key.empty() && line.key == key)
            return Trim(line.raw.substr(line.raw.find('=') + 1));
    }
    return std::nullopt;
}

bool StateText::Set(const std::string& key, const std::string& value) {
    std::string raw = key + " = " + value;
    for (Line& line : m_lines) {
        if (line.key == key) {
            if (Trim(line.raw.substr(line.raw.find('=') + 1)) == value)
                return false;
            line.raw = raw;
            return true;
        }
    }
    m_lines.push_back(Line{raw, key});
    return true;
}

std::string StateText::Text() const {
    std::string text = m_byteOrderMark ? kByteOrderMark : "";
    for (const Line& line : m_lines)
        text += line.raw + "\n";
    return text;
}

} // namespace velsim
