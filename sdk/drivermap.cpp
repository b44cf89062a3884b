#include "drivermap.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace velsim {

namespace {

struct MapsName {
    DriverMaps maps;
    const char* name;
};

const MapsName kMapsNames[] = {
    {DriverMaps::Primary, "primary"},
    {DriverMaps::Display, "display"},
    {DriverMaps::Desktop, "desktop"},
};

bool ParseNumber(const std::string& token, double* pValue) {
    char* end = nullptr;
    errno = 0;
    double value = std::strtod(token.c_str(), &end);
    if (end == token.c_str() || *end != '\0' || !std::isfinite(value))
        return false;
    *pValue = value;
    return true;
}

bool ParseInteger(const std::string& token, long lo, long hi, long* pValue) {
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(token.c_str(), &end, 10);
    if (end == token.c_str() || *end != '\0' || errno == ERANGE || value < lo || value > hi)
        return false;
    *pValue = value;
    return true;
}

} // namespace

std::optional<DriverMaps> ParseDriverMaps(const std::string& text) {
    for (const MapsName& entry : kMapsNames) {
        if (text == entry.name)
            return entry.maps;
    }
    return std::nullopt;
}

const char* DriverMapsName(DriverMaps maps) {
    for (const MapsName& entry : kMapsNames) {
        if (entry.maps == maps)
            return entry.name;
    }
    return "primary";
}

const PixelRect& DisplayLayout::Display(int number) const {
    if (number >= 1 && static_cast<size_t>(number) <= displays.size())
        return displays[number - 1];
    return displays.at(primary);
}

DisplayLayout LayoutOf(const std::vector<SeenMonitor>& monitors, const PixelRect& screen,
                       const PixelRect& desktop) {
    DisplayLayout layout;
    for (const SeenMonitor& monitor : monitors) {
        if (!monitor.known)
            continue;
        if (monitor.primary)
            layout.primary = layout.displays.size();
        layout.displays.push_back(monitor.rect);
    }
    if (layout.displays.empty()) {
        layout.displays.push_back(screen);
        layout.primary = 0;
    }
    layout.desktop = desktop;
    return layout;
}

// "none"; "hd <enable> f0 … f7"; "16 m0 … m7".
std::optional<CalibrationSet> ParseCalibration(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> t;
    for (std::string word; in >> word;)
        t.push_back(word);
    CalibrationSet set;
    if (t.size() == 1 && t[0] == "none")
        return set;
    long enable = 1;
    bool hd = t.size() == 10 && t[0] == "hd" && ParseInteger(t[1], INT32_MIN, INT32_MAX, &enable);
    if (!hd && !(t.size() == 9 && t[0] == "16"))
        return std::nullopt;
    const size_t first = hd ? 2 : 1;
    for (size_t k = 0; k < 8; ++k) {
        long integer = 0;
        bool ok = hd ? ParseNumber(t[first + k], &set.m[k])
                     : ParseInteger(t[first + k], INT16_MIN, INT16_MAX, &integer);
        if (!ok)
            return std::nullopt;
        if (!hd)
            set.m[k] = static_cast<double>(integer);
    }
    return enable != 0 ? set : CalibrationSet();
}

double PixelToPanel(int p, int origin, int size) {
    return size > 0 ? 32768.0 * (p + 0.5 - origin) / size : 0.0;
}

bool PanelPoint(int x, int y, const PixelRect& d, double* pX, double* pY) {
    if (!d.Contains(x, y))
        return false;
    *pX = PixelToPanel(x, d.left, d.width);
    *pY = PixelToPanel(y, d.top, d.height);
    return true;
}

void DeviceLogical(const CalibrationSet& set, RawPoint raw, int* pX, int* pY) {
    const std::array<double, 8>& m = set.m;
    const double x = raw.x;
    const double y = raw.y;
    const double w = m[6] / 1000.0 * x + m[7] / 1000.0 * y + 1.0;
    const double values[2] = {(m[0] / 1000.0 * x + m[1] / 1000.0 * y + 10.0 * m[2]) / w,
                              (m[3] / 1000.0 * x + m[4] / 1000.0 * y + 10.0 * m[5]) / w};
    int* out[2] = {pX, pY};
    for (int i = 0; i < 2; ++i) {
        const double v = values[i];
        *out[i] = !std::isfinite(v) || v <= 0.0 ? 0
                  : v >= 32767.0                ? 32767
                                                : static_cast<int>(std::lround(v));
    }
}

int LogicalToPixel(int L, int origin, int size) {
    return origin + static_cast<int>(static_cast<int64_t>(L) * size / 32768);
}

int NormalisedInput(int p, int origin, int size) {
    if (size <= 0)
        return 0;
    double n = std::floor((p - origin + 0.5) * 65536.0 / size);
    return n < 0.0 ? 0 : n > 65535.0 ? 65535 : static_cast<int>(n);
}

bool MapDeskTouch(int x, int y, const DisplayLayout& layout, int panelDisplay,
                  const PanelModel& panel, GaussianNoise& noise, const CalibrationSet& set,
                  DriverMaps maps, PointerInput* pInput) {
    const PixelRect& d = layout.Display(panelDisplay);
    double X = 0;
    double Y = 0;
    if (!PanelPoint(x, y, d, &X, &Y))
        return false;
    PointerInput& in = *pInput;
    in.raw = ScreenToRaw(panel, noise, X, Y);
    DeviceLogical(set, in.raw, &in.logicalX, &in.logicalY);
    const PixelRect& primary = layout.Display(0);
    const PixelRect& r = maps == DriverMaps::Primary   ? primary
                         : maps == DriverMaps::Display ? d
                                                       : layout.desktop;
    in.pixelX = LogicalToPixel(in.logicalX, r.left, r.width);
    in.pixelY = LogicalToPixel(in.logicalY, r.top, r.height);
    in.virtualDesk = maps != DriverMaps::Primary;
    const PixelRect& n = in.virtualDesk ? layout.desktop : primary;
    in.inputX = NormalisedInput(in.pixelX, n.left, n.width);
    in.inputY = NormalisedInput(in.pixelY, n.top, n.height);
    return true;
}

std::string DeskLine(int x, int y, const PointerInput& input) {
    auto pair = [](int a, int b) { return std::to_string(a) + "," + std::to_string(b); };
    return "Desk pixel=" + pair(x, y) + " raw=" + pair(input.raw.x, input.raw.y) +
           " logical=" + pair(input.logicalX, input.logicalY) +
           " pointer=" + pair(input.pixelX, input.pixelY);
}

} // namespace velsim
