// The simulated screen as the system's pointer driver: the displays it maps
// to, and the pointer input a touch at a desktop pixel becomes.
#pragma once

#include "drivermap.h"

#include <string>

namespace velsim {

// The displays as EnumDisplayMonitors reports them, the primary and the
// virtual screen.
DisplayLayout CurrentLayout();

// One touch at desktop pixel (x, y) on the panel over display panelDisplay:
// reads the driver's mapping and the held coefficient set from the folder's
// state, presses and releases the left button there with SendInput, and
// journals a Desk line (after the input, so a test that sees the line finds
// the pointer moved).
void DeskTouch(const std::wstring& folder, int x, int y, int panelDisplay, const PanelModel& panel,
               GaussianNoise& noise);

} // namespace velsim
