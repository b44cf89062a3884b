#include "desktop.h"

#include <cstdio>

DesktopLayout NumberDisplays(const std::vector<EnumeratedMonitor>& monitors,
                             const VEL_CALIB_RECT& desktop) {
    DesktopLayout layout;
    layout.desktop = desktop;
    for (const EnumeratedMonitor& monitor : monitors) {
        if (!monitor.bKnown)
            continue;
        layout.displays.push_back(monitor.info);
        if (monitor.info.primary)
            layout.nPrimary = static_cast<uint32_t>(layout.displays.size());
    }
    return layout;
}

int OrientationDegrees(unsigned long code) {
    return code <= 3 ? static_cast<int>(code) * 90 : -1;
}

std::string RectText(const VEL_CALIB_RECT& rect) {
    return std::to_string(rect.x) + "," + std::to_string(rect.y) + " " +
           std::to_string(rect.width) + "x" + std::to_string(rect.height);
}

std::string RealText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

std::string PixelText(double value) {
    // Any double: 309 digits before the point at most.
    char text[400];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}
