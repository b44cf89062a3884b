// What displays prints: the displays of the desktop, as text for people and
// as JSON for scripts, numbered as the calibration library numbers them.
#pragma once

#include <string>

#include "desktop.h"

namespace ctl {

// A table with a header line, one display a line.
std::string DisplaysText(const DesktopLayout& layout);
// An array of objects, one a line.
std::string DisplaysJson(const DesktopLayout& layout);

} // namespace ctl
