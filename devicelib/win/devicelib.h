// The tools' binding to the touch screen's device library, SDK.dll.
//
// Each module that links it (VelApp.exe, VelCalib.dll, velctl.exe) loads
// SDK.dll from its own folder, never from the current folder or PATH, the
// first time it needs it, and reaches Vel_DeviceManager's members by the
// platform compiler's names. A program asks LibraryProblem() before its
// first device call, so that a missing, foreign or incomplete library is
// told to the user before anything is written.
#pragma once

#include <string>

namespace velsdk {

// The SDK.dll this module uses (or would use): its full path. Loads nothing.
std::wstring LibraryPath();

// "" when the tools can use the library; else the message for the user,
// naming the file, the architecture or the members, and what to do. Loads
// the library on the first call.
std::wstring LibraryProblem();

// "" unless a library object showed a fault once it lived (a constructor
// that did not return its object, an object larger than its room); then the
// message. Loads nothing.
std::wstring LateProblem();

} // namespace velsdk
