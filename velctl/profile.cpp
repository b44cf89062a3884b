#include "profile.h"

#include <cstdint>

namespace ctl {

namespace {

const char kSaveAsUtf8[] = "; save it as UTF-8";

std::string Trim(const std::string& text) {
    const char* kBlanks = " \t\r";
    size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

void AppendUtf8(uint32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16 after its byte order mark, as UTF-8; "" when it converts, else why not.
std::string FromUtf16(const std::string& bytes, bool bBigEndian, std::string& text) {
    if (bytes.size() % 2 != 0)
        return "the profile is UTF-16 of an odd number of bytes" + std::string(kSaveAsUtf8);
    auto unit = [&](size_t i) -> uint32_t {
        const uint32_t a = static_cast<uint8_t>(bytes[i]), b = static_cast<uint8_t>(bytes[i + 1]);
        return bBigEndian ? a << 8 | b : b << 8 | a;
    };
    for (size_t i = 2; i < bytes.size(); i += 2) {
        uint32_t c = unit(i);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 &&
            unit(i + 2) < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (c >= 0xD800 && c < 0xE000) {
            return "the profile's UTF-16 holds a lone surrogate" + std::string(kSaveAsUtf8);
        }
        AppendUtf8(c, text);
    }
    return std::string();
}

// The length of the UTF-8 sequence at text[i], 0 when it is none (overlong
// forms, surrogates and code points beyond U+10FFFF are none).
size_t Utf8Length(const std::string& text, size_t i) {
    const uint8_t b = static_cast<uint8_t>(text[i]);
    if (b < 0x80)
        return 1;
    const size_t n = b >= 0xC2 && b <= 0xDF   ? 2
                     : b >= 0xE0 && b <= 0xEF ? 3
                     : b >= 0xF0 && b <= 0xF4 ? 4
                                              : 0;
    if (n == 0 || i + n > text.size())
        return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((static_cast<uint8_t>(text[i + k]) & 0xC0) != 0x80)
            return 0;
    }
    const uint8_t second = static_cast<uint8_t>(text[i + 1]);
    if ((b == 0xE0 && second < 0xA0) || (b == 0xED && second >= 0xA0) ||
        (b == 0xF0 && second < 0x90) || (b == 0xF4 && second >= 0x90))
        return 0;
    return n;
}

// The profile's bytes as UTF-8 text without a byte order mark; "" when they
// are such text (or UTF-16 with its mark), else why not.
std::string Decode(const std::string& bytes, std::string& text) {
    if (bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0)
        return FromUtf16(bytes, bytes[0] == '\xFE', text);
    text = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? bytes.substr(3) : bytes;
    if (text.find('\0') != std::string::npos)
        return "the profile holds NUL bytes, as UTF-16 without a byte order mark does" +
               std::string(kSaveAsUtf8);
    int nLine = 1;
    for (size_t i = 0; i < text.size();) {
        const size_t n = Utf8Length(text, i);
        if (n == 0)
            return "line " + std::to_string(nLine) + ": a byte that is not UTF-8 (another " +
                   "encoding, such as ANSI)" + kSaveAsUtf8;
        nLine += text[i] == '\n';
        i += n;
    }
    return std::string();
}

// The line without a comment that ends it (; or # to the line's end).
std::string WithoutComment(const std::string& line) {
    return line.substr(0, line.find_first_of(";#"));
}

} // namespace

std::string FormatProfile(const Values& values, const std::string& devicePath) {
    std::string text = "# velctl profile of " + devicePath + "\r\n";
    for (Section section : {Section::Touch, Section::DoubleClick}) {
        if (!values.AnyGiven(section))
            continue;
        text += std::string("\r\n[") + SectionName(section) + "]\r\n";
        for (const Setting& setting : Settings()) {
            if (setting.section == section && values.given[setting.id])
                text += std::string(setting.name) + " = " +
                        std::to_string(values.value[setting.id]) + "\r\n";
        }
    }
    return text;
}

std::vector<std::string> ParseProfile(const std::string& bytes, Values& values) {
    std::string text;
    const std::string undecodable = Decode(bytes, text);
    if (!undecodable.empty())
        return {undecodable};
    std::vector<std::string> errors;
    const Section* pSection = nullptr;
    static const Section kSections[] = {Section::Touch, Section::DoubleClick};
    size_t pos = 0;
    for (int nLine = 1; pos < text.size(); ++nLine) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = Trim(WithoutComment(text.substr(pos, end - pos)));
        pos = end + 1;
        const std::string at = "line " + std::to_string(nLine) + ": ";
        if (line.empty())
            continue;
        if (line[0] == '[') {
            pSection = nullptr;
            const bool bClosed = line.back() == ']';
            const std::string name = AsciiLower(Trim(line.substr(1, line.size() - 1 - bClosed)));
            for (const Section& section : kSections) {
                if (bClosed && name == AsciiLower(SectionName(section)))
                    pSection = &section;
            }
            if (pSection == nullptr)
                errors.push_back(at + "unknown section " + line +
                                 "; the sections are [touch] and [doubleClick]");
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos) {
            errors.push_back(at + "\"" + line + "\" is not NAME = VALUE");
            continue;
        }
        const std::string name = Trim(line.substr(0, eq));
        const Setting* pSetting = FindSetting(name);
        if (pSetting != nullptr && (pSection == nullptr || *pSection != pSetting->section)) {
            errors.push_back(at + pSetting->name + " belongs in [" +
                             SectionName(pSetting->section) + "]");
            continue;
        }
        std::string error = Assign(name, Trim(line.substr(eq + 1)), values);
        if (!error.empty())
            errors.push_back(at + error);
    }
    if (errors.empty() && !values.AnyGiven())
        errors.push_back("the profile names no setting");
    return errors;
}

} // namespace ctl
