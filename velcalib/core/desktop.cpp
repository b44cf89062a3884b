#include "desktop.h"

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
