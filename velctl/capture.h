// What watch and record need of the device and the console: the screen held
// in calibration mode with its reports queued, timed from the start on a
// steady clock, and a stop that Ctrl+C, closing the console or the time
// running out asks for. The device is let go exactly once, whichever comes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "Vel_DeviceManager.h"

namespace host {

struct CapturedReport {
    uint64_t microseconds; // since the capture started
    std::vector<unsigned char> bytes;
};

class ReportCapture {
public:
    ReportCapture();
    // Lets the device go if Release was not called.
    ~ReportCapture();
    ReportCapture(const ReportCapture&) = delete;
    ReportCapture& operator=(const ReportCapture&) = delete;

    // Opens the screen, turns calibration mode on and registers the callback;
    // the clock starts here.
    void Start(VEL_WCHAR* pPath);
    // Waits up to timeoutMs for reports or a stop; the reports queued.
    std::vector<CapturedReport> Wait(DWORD timeoutMs);
    // Microseconds since Start.
    uint64_t Now() const;
    // Callback off, calibration mode off, device closed: once.
    void Release();

private:
    static void VEL_CALLBACK OnReport(const unsigned char* data, unsigned char length,
                                      void* context);

    Vel_DeviceManager* m_pDevice;
    LARGE_INTEGER m_start, m_frequency;
    std::mutex m_lock;
    std::deque<CapturedReport> m_queue;
    HANDLE m_hReport; // set while reports wait
    bool m_bHeld;
    std::once_flag m_released;
};

// Ctrl+C, Ctrl+Break, closing the console, logging off and shutting down ask
// the capture to stop; for the last three the system ends the process once
// the handler returns, so it waits (up to 4 s) until StoppedAndReleased.
void CatchStop();
// Whether a stop was asked for, and its event to wait on.
bool StopAsked();
HANDLE StopEvent();
// The device is let go: a console that is closing may end the process now.
void StoppedAndReleased();

} // namespace host
