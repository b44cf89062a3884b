// The INI profile of export and import: every setting of one screen, to copy
// its set-up to others.
//
//   # velctl profile
//   [touch]
//   touchEnable = 1
//   ...
//   [doubleClick]
//   doubleClickRange = 4
//   doubleClickSpeed = 500
//
// UTF-8 (a byte order mark is skipped), LF or CRLF; blank lines and lines
// starting with # or ; are ignored; each setting stands in its own section.
#pragma once

#include <string>
#include <vector>

#include "settings.h"

namespace ctl {

// The given values as a profile, sections in order; the device path goes
// into the heading comment.
std::string FormatProfile(const Values& values, const std::string& devicePath);

// Reads a profile into values (only the settings it names become given).
// One message per bad line, "line N: ...", in line order; a profile that
// names no setting is bad too.
std::vector<std::string> ParseProfile(const std::string& text, Values& values);

} // namespace ctl
