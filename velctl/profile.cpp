#include "profile.h"

namespace ctl {

namespace {

std::string Trim(const std::string& text) {
    const char* kBlanks = " \t\r";
    size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

} // namespace

std::string FormatProfile(const Values& values, const std::string& devicePath) {
    std::string text = "# velctl profile of " + devicePath + "\n";
    for (Section section : {Section::Touch, Section::DoubleClick}) {
        if (!values.AnyGiven(section))
            continue;
        text += std::string("\n[") + SectionName(section) + "]\n";
        for (const Setting& setting : Settings()) {
            if (setting.section == section && values.given[setting.id])
                text += std::string(setting.name) + " = " +
                        std::to_string(values.value[setting.id]) + "\n";
        }
    }
    return text;
}

std::vector<std::string> ParseProfile(const std::string& text, Values& values) {
    std::vector<std::string> errors;
    size_t pos = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    const Section* pSection = nullptr;
    static const Section kSections[] = {Section::Touch, Section::DoubleClick};
    for (int nLine = 1; pos < text.size(); ++nLine) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        const std::string at = "line " + std::to_string(nLine) + ": ";
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        if (line[0] == '[') {
            pSection = nullptr;
            for (const Section& section : kSections) {
                if (line == std::string("[") + SectionName(section) + "]")
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
