// A host of VelCalib.dll for the tests: loads the library by name, as any
// host would, runs calibrations on a thread of its own, finds the window,
// reads its pixels and reads what reached the simulated device.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#define VELCALIB_TYPES_ONLY
#include "velcalib.h"
#undef VELCALIB_TYPES_ONLY

class CWnd;

namespace calibhost {

typedef bool (*IsCalibrateFn)();
typedef void(WINAPI* StartCalibrateFn)(CWnd*, wchar_t*);
typedef void (*StopCalibrateFn)();
typedef int(WINAPI* StartCalibrateExFn)(HWND, const wchar_t*, const VEL_CALIB_OPTIONS*,
                                        VEL_CALIB_RESULT*);

struct Library {
    HMODULE hModule = nullptr;
    IsCalibrateFn IsCalibrate = nullptr;
    StartCalibrateFn StartCalibrate = nullptr;
    StopCalibrateFn StopCalibrate = nullptr;
    StartCalibrateExFn StartCalibrateEx = nullptr;
};

// VelCalib.dll, loaded once for the process.
const Library& Lib();

// Entry 0 of the device enumeration.
std::wstring DevicePath();

// One StartCalibrate on a thread of its own, with a null parent. The thread
// runs the calibration window's message loop inside the call.
class Run {
public:
    Run();
    // `before` runs on the run's thread just before StartCalibrate.
    explicit Run(const std::wstring& devicePath, std::function<void()> before = nullptr);
    // StartCalibrateEx with these options, of the first device.
    explicit Run(const VEL_CALIB_OPTIONS& options);
    // A run still going is stopped; a run that does not end fails the program.
    ~Run();
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    // True once StartCalibrate has returned.
    bool Done() const;
    bool WaitDone(DWORD timeoutMs = 10000);
    // The calibration window once it is shown; nullptr when none turns up.
    HWND Window(DWORD timeoutMs = 10000);
    DWORD ThreadId() const { return m_threadId; }
    // How long StartCalibrate took, once it has returned.
    DWORD ElapsedMs() const { return m_elapsedMs; }
    // Whether a WM_QUIT was waiting in the thread's queue when StartCalibrate
    // returned, as a host's own loop would see it.
    bool QuitSeen() const { return m_quitSeen; }
    // StartCalibrateEx's result and what it returned, once it has returned.
    const VEL_CALIB_RESULT& Result() const { return m_result; }
    int Outcome() const { return m_outcome; }

private:
    void Start(std::function<void()> before);

    std::wstring m_path;
    bool m_bEx = false;
    VEL_CALIB_OPTIONS m_options = {};
    VEL_CALIB_RESULT m_result = {};
    int m_outcome = -1;
    HANDLE m_done;
    DWORD m_threadId = 0;
    DWORD m_elapsedMs = 0;
    bool m_quitSeen = false;
    std::thread m_thread;
};

// The full-screen calibration dialogs (visible ones) of the process, 0: this one.
std::vector<HWND> CalibrationWindows(DWORD pid = 0);

// Centre of target i (0…3) on this screen, in pixels.
POINT TargetCentre(int index);
// The screen's pixel, read from the display.
COLORREF ScreenPixel(POINT point);
bool WaitForPixel(POINT point, COLORREF colour, DWORD timeoutMs = 3000);
// The four targets' colours, top left first, as "tl tr bl br" names
// (steping, steped, notstep or the hex value).
std::string TargetColours();
bool WaitForTargetColours(const std::string& expected, DWORD timeoutMs = 10000);

// The raw points the simulated panel reports for the four targets and the
// two records CalcCalibMatrix makes of them, as hex of their bytes.
struct ExpectedRecords {
    bool ok = false;
    std::string hd;
    std::string sixteen;
    float matrix_f[8] = {};
    int32_t rawX[4] = {};
    int32_t rawY[4] = {};
};
ExpectedRecords ExpectRecords(const std::string& panel);

// The bytes= field of a journal line.
std::string BytesOf(const std::string& line);
// Journal lines that start with prefix.
std::vector<std::string> JournalLines(const std::string& prefix);

// Script lines that touch target i still (n reports) and lift.
std::string TouchTarget(int index, int reports = 4);
// A whole run: the four targets in order.
std::string TouchAllTargets();

// What the process holds, for leak checks. Wine 8 answers GetProcessHandleCount
// and GetGuiResources with 0; there the handle figure is the slot a new handle
// gets (the lowest free one, so it rises with leaked handles) and the GDI
// figure counts the entries in use in the process's GDI handle table.
struct Resources {
    DWORD handles = 0;
    DWORD gdiObjects = 0;
    DWORD windows = 0; // top-level windows of the process, hidden ones too
    std::string Describe() const;
};
Resources CountResources();

// Whether every heap of the process passes validation.
bool HeapsAreSound();

// Checks that the journal shows `runs` runs, each with the device opened,
// put into calibration mode and given a callback once, and released once
// (UnRegDataCallback, StopCalibMode, CloseDevice in this order) after it.
void CheckRunsReleasedOnce(size_t runs);

} // namespace calibhost
