// What displays prints: the displays of the desktop, as text for people and
// as JSON for scripts.
#pragma once

#include <string>
#include <vector>

namespace ctl {

struct DisplayInfo {
    int number = 0;     // 1..N in the order the system enumerates the displays
    std::string device; // UTF-8, e.g. \\.\DISPLAY1
    int x = 0, y = 0;   // the top left corner in desktop pixels (may be negative)
    int width = 0, height = 0;
    bool primary = false;
    int orientation = 0; // degrees clockwise: 0, 90, 180 or 270; -1: unknown
    int dpi = 96;
};

// Degrees of the system's orientation code (0 to 3, in quarter turns); -1
// for any other.
int OrientationDegrees(unsigned long code);

// A table with a header line, one display a line.
std::string DisplaysText(const std::vector<DisplayInfo>& displays);
// An array of objects, one a line.
std::string DisplaysJson(const std::vector<DisplayInfo>& displays);

} // namespace ctl
