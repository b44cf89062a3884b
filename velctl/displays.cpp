#include "displays.h"

#include "screenreport.h"

namespace ctl {

namespace {

std::string Orientation(int degrees, const char* unknown) {
    return degrees < 0 ? unknown : std::to_string(degrees);
}

} // namespace

std::string DisplaysText(const DesktopLayout& layout) {
    std::vector<std::vector<std::string>> rows = {
        {"display", "device", "rectangle", "primary", "orientation", "dpi"}};
    for (size_t i = 0; i < layout.displays.size(); ++i) {
        const DisplayInfo& display = layout.displays[i];
        rows.push_back({std::to_string(i + 1), display.device, RectText(display.rect),
                        display.primary ? "yes" : "no", Orientation(display.orientation, "?"),
                        std::to_string(display.dpi)});
    }
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

std::string DisplaysJson(const DesktopLayout& layout) {
    std::string json = "[";
    for (size_t i = 0; i < layout.displays.size(); ++i) {
        const DisplayInfo& d = layout.displays[i];
        json += std::string(i == 0 ? "\n" : ",\n") + "  {\"number\": " + std::to_string(i + 1) +
                ", \"device\": " + JsonString(d.device) + ", \"x\": " + std::to_string(d.rect.x) +
                ", \"y\": " + std::to_string(d.rect.y) +
                ", \"width\": " + std::to_string(d.rect.width) +
                ", \"height\": " + std::to_string(d.rect.height) +
                ", \"workX\": " + std::to_string(d.work.x) +
                ", \"workY\": " + std::to_string(d.work.y) +
                ", \"workWidth\": " + std::to_string(d.work.width) +
                ", \"workHeight\": " + std::to_string(d.work.height) +
                ", \"primary\": " + (d.primary ? "true" : "false") +
                ", \"orientation\": " + Orientation(d.orientation, "null") +
                ", \"dpi\": " + std::to_string(d.dpi) + "}";
    }
    return json + (layout.displays.empty() ? "]\n" : "\n]\n");
}

} // namespace ctl
