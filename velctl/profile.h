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
// export writes UTF-8 with CRLF line ends. import reads UTF-8 (a byte order
// mark is skipped) and UTF-16 with its byte order mark (LE or BE, as Notepad
// and PowerShell save it), LF or CRLF; other encodings are refused. A ; or #
// starts a comment to the line's end; blank lines are ignored; section and
// setting names ignore case; each setting stands in its own section.
#pragma once

#include <string>
#include <vector>

#include "settings.h"

namespace ctl {

// The given values as a profile, sections in order; the device path goes
// into the heading comment.
std::string FormatProfile(const Values& values, const std::string& devicePath);

// Reads a profile's bytes into values (only the settings it names become
// given). One message per bad line, "line N: ...", in line order; a profile
// that names no setting is bad too, and one not in an encoding it reads gets
// one message that ends "save it as UTF-8".
std::vector<std::string> ParseProfile(const std::string& bytes, Values& values);

} // namespace ctl
