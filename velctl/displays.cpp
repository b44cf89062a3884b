#include "displays.h"

#include "screenreport.h"

namespace ctl {

namespace {

std::string Rectangle(const DisplayInfo& display) {
    return std::to_string(display.x) + "," + std::to_string(display.y) + " " +
           std::to_string(display.width) + "x" + std::to_string(display.height);
}

std::string Orientation(int degrees, const char* unknown) {
    return degrees < 0 ? unknown : std::to_string(degrees);
}

} // namespace

int OrientationDegrees(unsigned long code) {
    return code <= 3 ? static_cast<int>(code) * 90 : -1;
}

std::string DisplaysText(const std::vector<DisplayInfo>& displays) {
    std::vector<std::vector<std::string>> rows = {
        {"display", "device", "rectangle", "primary", "orientation", "dpi"}};
    for (const DisplayInfo& display : displays)
        rows.push_back({std::to_string(display.number), display.device, Rectangle(display),
                        display.primary ? "yes" : "no", Orientation(display.orientation, "?"),
                        std::to_string(display.dpi)});
    // Each column as wide as its widest entry, two blanks apart.
    std::vector<size_t> widths(rows[0].size(), 0);
    for (const auto& row : rows) {
        for (size_t i = 0; i < row.size(); ++i)
            widths[i] = row[i].size() > widths[i] ? row[i].size() : widths[i];
    }
    std::string text;
    for (const auto& row : rows) {
        std::string line;
        for (size_t i = 0; i < row.size(); ++i)
            line += i + 1 < row.size() ? row[i] + std::string(widths[i] - row[i].size() + 2, ' ')
                                       : row[i];
        text += line + "\n";
    }
    return text;
}

std::string DisplaysJson(const std::vector<DisplayInfo>& displays) {
    std::string json = "[";
    for (size_t i = 0; i < displays.size(); ++i) {
        const DisplayInfo& d = displays[i];
        json += std::string(i == 0 ? "\n" : ",\n") + "  {\"number\": " + std::to_string(d.number) +
                ", \"device\": " + JsonString(d.device) + ", \"x\": " + std::to_string(d.x) +
                ", \"y\": " + std::to_string(d.y) + ", \"width\": " + std::to_string(d.width) +
                ", \"height\": " + std::to_string(d.height) +
                ", \"primary\": " + (d.primary ? "true" : "false") +
                ", \"orientation\": " + Orientation(d.orientation, "null") +
                ", \"dpi\": " + std::to_string(d.dpi) + "}";
    }
    return json + (displays.empty() ? "]\n" : "\n]\n");
}

} // namespace ctl
