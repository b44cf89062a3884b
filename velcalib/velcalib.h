// VelCalib.dll: runs one calibration of one touch screen in a window that
// covers the primary screen.
//
// StartCalibrate blocks its caller until the calibration window has closed
// and must be called on a thread that can run a message loop. StopCalibrate
// and IsCalibrate may be called from any thread.
#pragma once

#include <windows.h>

class CWnd;

#if defined(VELCALIB_BUILD)
// The library's .def file exports these, by name and ordinal.
#define VELCALIB_API
#else
#define VELCALIB_API __declspec(dllimport)
#endif

extern "C" {

// True from the moment StartCalibrate accepts a run until the run has ended or
// StopCalibrate was called.
VELCALIB_API bool IsCalibrate();

// Runs a calibration of the touch screen at pDevicePath (as the device library
// enumerates it) and returns when it is over. pParent may be null. The path is
// borrowed for the whole call. Returns at once when a run is already active.
VELCALIB_API void WINAPI StartCalibrate(CWnd* pParent, wchar_t* pDevicePath);

// Asks a running calibration to end: the device is released and the
// StartCalibrate call that runs it returns. Does not wait.
VELCALIB_API void StopCalibrate();

} // extern "C"
