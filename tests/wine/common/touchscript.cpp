#include "touchscript.h"

#include <cmath>

#include "calibresult.h"
#include "calibview.h"
#include "collecthelper.h"
#include "displayspace.h"

namespace touchscript {

namespace {

// The panel's logical coordinate of the centre of the pixel a window of
// `size` pixels on the panel's display draws logical v at.
int DrawnCentre(int32_t v, int32_t size) {
    return static_cast<int>(std::lround(32768.0 * (LogicalToPixel(v, size) + 0.5) / size));
}

std::string Verify(const VEL_CALIB_RECT& window, int nVerify) {
    std::string script;
    for (int i = 0; i < nVerify; ++i) {
        const CalibPoint pixel = TargetPixel(kCheckTargets[i], window);
        script +=
            "desk " + std::to_string(pixel.x) + " " + std::to_string(pixel.y) + "\nwait 150\n";
    }
    return script;
}

} // namespace

std::string Targets(const VEL_CALIB_RECT& window, int nVerify) {
    std::string script;
    const CollectHelper grid(4, CALIB_PATH_TYPE_0);
    for (int i = 0; i < grid.Total(); ++i) {
        const CalibPoint& target = grid.Targets()[i];
        script += "screen " + std::to_string(DrawnCentre(target.x, window.width)) + " " +
                  std::to_string(DrawnCentre(target.y, window.height)) + " 5\nlift\n";
    }
    return script + Verify(window, nVerify);
}

std::string ByTouch(const VEL_CALIB_RECT& window) {
    return "shown\nscreen 16384 16384 5\nlift\nsession\n" + Targets(window, 5) + "wait 1500\n" +
           Verify(window, 5);
}

} // namespace touchscript
