// The displays of the desktop as the system reports them, for displays.
#pragma once

#include <vector>

#include "displays.h"

namespace host {

// Every display in the order EnumDisplayMonitors reports them, numbered from
// 1, in physical pixels: meanwhile the thread is per-monitor DPI aware where
// the system knows that (velctl.manifest declares only system awareness).
std::vector<ctl::DisplayInfo> EnumerateDisplays();

} // namespace host
