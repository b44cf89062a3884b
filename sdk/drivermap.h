// The simulated screen as the system's pointer driver sees it: where a pixel
// of the desktop lies on the panel, what the device reports for it through
// the coefficient set it holds, and where the driver puts the pointer.
//
//   desktop pixel p on the panel's display D
//     → panel logical  32768·(p + ½ − D.origin) / D.size      (the pixel's centre)
//     → raw            the panel model (panel.h), noise included
//     → device logical the held set m0…m7, rounded and clamped to 0…32767:
//                      X = (m0/1000·x + m1/1000·y + 10·m2) / (m6/1000·x + m7/1000·y + 1),
//                      Y likewise with m3, m4, m5
//     → pointer pixel  R.origin + ⌊L·R.size / 32768⌋ in the driver's rectangle R
//     → SendInput's normalised value over the primary or the virtual screen.
#pragma once

#include "panel.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velsim {

struct PixelRect {
    int left;
    int top;
    int width;
    int height;

    bool Contains(int x, int y) const {
        return x >= left && y >= top && x - left < width && y - top < height;
    }
};

// The rectangle the driver maps the device's logical range to: the primary
// display (absolute input), the panel's display, or the virtual screen (both
// absolute input over the virtual screen).
enum class DriverMaps { Primary, Display, Desktop };

std::optional<DriverMaps> ParseDriverMaps(const std::string& text);
const char* DriverMapsName(DriverMaps maps);

// The displays in the order the system enumerates them; display N (1-based)
// is displays[N − 1], display 0 the primary.
struct DisplayLayout {
    std::vector<PixelRect> displays;
    size_t primary = 0;
    PixelRect desktop{0, 0, 0, 0}; // the virtual screen

    // Display `number`; the primary when there is no such display.
    const PixelRect& Display(int number) const;
};

// One monitor as the system enumerates it: whether it told its rectangle
// (GetMonitorInfo), the rectangle and whether it is the primary.
struct SeenMonitor {
    bool known;
    PixelRect rect;
    bool primary;
};

// The layout of the monitors in the order the system enumerates them, by the
// rule the tools number displays with: a monitor the system told nothing of
// is no display, display N is the Nth of the rest, the primary the one
// flagged so (else display 1). With no display at all, `screen` (the primary
// screen's size) stands for display 1.
DisplayLayout LayoutOf(const std::vector<SeenMonitor>& monitors, const PixelRect& screen,
                       const PixelRect& desktop);

// The coefficient set m0…m7 the device applies to raw points. Without a set
// the device reports raw points as they are: the identity
// {1000, 0, 0, 0, 1000, 0, 0, 0}.
struct CalibrationSet {
    std::array<double, 8> m{{1000, 0, 0, 0, 1000, 0, 0, 0}};
};

// The state's form of the held set: "none", "hd <enable> f0 … f7" (a set
// whose enable word is 0 is off: none) or "16 m0 … m7" (16-bit integers).
// Nothing when the text is none of these.
std::optional<CalibrationSet> ParseCalibration(const std::string& text);

// The logical coordinate of the centre of pixel p on an axis [origin, origin + size).
double PixelToPanel(int p, int origin, int size);
// The panel's logical point for desktop pixel (x, y); false when the pixel is
// not on the panel's display d.
bool PanelPoint(int x, int y, const PixelRect& d, double* pX, double* pY);

// The device's logical point for a raw one: the set's projective map,
// rounded half away from zero and clamped to 0…32767 (not finite: 0).
void DeviceLogical(const CalibrationSet& set, RawPoint raw, int* pX, int* pY);

// The pixel of logical coordinate L (0…32767) on an axis [origin, origin + size).
int LogicalToPixel(int L, int origin, int size);

// SendInput's absolute coordinate (0…65535) for pixel p on an axis
// [origin, origin + size) that the system maps back as origin + ⌊n·size/65536⌋:
// the middle of the pixel's range of n, so a system that rounds slightly
// differently still lands on p.
int NormalisedInput(int p, int origin, int size);

// What one touch at a desktop pixel makes the driver do.
struct PointerInput {
    RawPoint raw;
    int logicalX, logicalY;
    int pixelX, pixelY; // where the pointer lands, desktop pixels
    int inputX, inputY; // SendInput's absolute coordinates
    bool virtualDesk;   // normalised over the virtual screen (else the primary)
};

// The input for a touch at desktop pixel (x, y) on a panel over display
// `panelDisplay` of the layout. False when the pixel is not on that display:
// the panel cannot be touched there.
bool MapDeskTouch(int x, int y, const DisplayLayout& layout, int panelDisplay,
                  const PanelModel& panel, GaussianNoise& noise, const CalibrationSet& set,
                  DriverMaps maps, PointerInput* pInput);

// The journal line of a desk touch: "Desk pixel=X,Y raw=x,y logical=X,Y pointer=x,y".
std::string DeskLine(int x, int y, const PointerInput& input);

} // namespace velsim
