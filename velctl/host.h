// What velctl needs of Windows: the console, files, the user's registry and
// the system's double-click settings, and the screens of the device library.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "Vel_DeviceManager.h"
#include "cmdline.h"
#include "screenreport.h"
#include "settings.h"
#include "utf8.h"

namespace host {

using velsdk::Utf8;
using velsdk::Wide;

// Text for the user: to the console as it is, to a file or pipe as UTF-8.
void Out(const std::string& text);
// "velctl: <text>" and a line end, on the error stream.
void Error(const std::string& text);

// The whole file; false when it cannot be read or is larger than nLargest
// bytes (a profile is far smaller than the default).
bool ReadWholeFile(const std::wstring& path, std::string& text, long long nLargest = 1 << 20);
bool WriteWholeFile(const std::wstring& path, const std::string& text);

// The enumeration of the device library, paths terminated.
struct Screens {
    _VEL_DEVICE_INFO info;
    ctl::ScreenList List() const;
};
std::unique_ptr<Screens> Enumerate();

// The screen a command works on: the only one connected, or the one
// --device names. Prints the reason and returns kExitNoScreen otherwise.
int ChooseScreen(const ctl::Invocation& invocation, const Screens& screens, int& index);

// The record and the output mode, read in one session; false when the device
// refuses the record.
bool ReadDevice(VEL_WCHAR* pPath, _VEL_DEVICE_CONFIG& record, bool& hasOutputMode, int& outputMode);

// The double-click settings in the registry and in use now.
void ReadDoubleClick(ctl::ScreenState& state);

// Writes the given double-click settings to the registry (DoubleClickWidth
// and DoubleClickHeight for the range, DoubleClickSpeed for the time), then
// hands them to the running system; "" when done, else what failed.
std::string WriteDoubleClick(const ctl::Values& values);

} // namespace host
