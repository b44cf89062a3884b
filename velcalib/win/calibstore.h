// Where the tools keep what they remember of each screen's calibration: the
// file calibrations.ini in the folder %VEL_TOOLS_HOME% names, else in
// %LOCALAPPDATA%\VelTouch. Per user and on this machine only: the tools run
// without administrator rights, and the displays it describes are this
// machine's (a roaming profile must not carry them to another).
#pragma once

#include <string>
#include <vector>

#include "calibmemory.h"

// The file's full path; "" when the system names no folder.
std::wstring MemoryFilePath();

// What is remembered; nothing when the file is missing or unreadable.
std::vector<RememberedCalibration> LoadMemory();

// Puts one screen's calibration in place of what the file held for it
// (written to a temporary file, then renamed over it); false when the folder
// or the file cannot be written.
bool SaveRemembered(const RememberedCalibration& entry);

// Now in UTC, as the file keeps dates: 2026-12-09T21:04:05Z.
std::string UtcNow();
