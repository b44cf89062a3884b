// Start-up under Wine, against the least the same work could cost:
//
//   startup_bench panel [runs]   VelApp.exe from its launch until its dialog is
//                                shown (populated: the dialog is filled in
//                                while it initialises, before it shows),
//                                against a bare program that shows the same
//                                dialog template and nothing else
//   startup_bench calib [runs]   StartCalibrate until the first target is on
//                                the screen, against a bare full-screen window
//                                that starts GDI+ and draws one ring
//
// Runs alternate (ours, bare, ours, …) so that both meet the same machine;
// prints each run, the medians and their ratio. Default: 10 runs each.
#include <windows.h>

#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "devicestate.h"
#include "resource.h"

namespace {

double NowMs() {
    LARGE_INTEGER f, t;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

std::wstring BinDir() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    return dir.substr(0, dir.rfind(L'\\'));
}

struct Found {
    DWORD pid;
    HWND hWnd;
};

BOOL CALLBACK FindShownDialog(HWND hWnd, LPARAM lParam) {
    Found* pFound = reinterpret_cast<Found*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    wchar_t cls[16] = {};
    ::GetClassNameW(hWnd, cls, 16);
    if (pid == pFound->pid && ::IsWindowVisible(hWnd) && std::wcscmp(cls, L"#32770") == 0) {
        pFound->hWnd = hWnd;
        return FALSE;
    }
    return TRUE;
}

// Launch to a shown dialog, in ms; the program is closed afterwards.
double TimeLaunch(const std::wstring& commandLine) {
    std::wstring line = commandLine;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    const double start = NowMs();
    if (!::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &pi))
        return -1.0;
    Found found = {pi.dwProcessId, nullptr};
    double shown = -1.0;
    while (NowMs() - start < 20000.0) {
        ::EnumWindows(FindShownDialog, reinterpret_cast<LPARAM>(&found));
        if (found.hWnd != nullptr) {
            shown = NowMs() - start;
            break;
        }
        ::Sleep(1);
    }
    if (found.hWnd != nullptr)
        ::PostMessageW(found.hWnd, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0)
        ::TerminateProcess(pi.hProcess, 1);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return shown;
}

INT_PTR CALLBACK BareDialogProc(HWND hDlg, UINT msg, WPARAM, LPARAM) {
    if (msg == WM_CLOSE) {
        ::EndDialog(hDlg, 0);
        return TRUE;
    }
    return msg == WM_INITDIALOG;
}

// The bare program: VelApp.exe's dialog template, shown modally, nothing else.
int BareDialog() {
    HMODULE hApp =
        ::LoadLibraryExW((BinDir() + L"\\VelApp.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    return static_cast<int>(
        ::DialogBoxParamW(hApp, MAKEINTRESOURCEW(IDD_VELAPP_DIALOG), nullptr, BareDialogProc, 0));
}

// Whether the first target's ring shows in the calibration colour.
bool TargetShown() {
    const int x = static_cast<int>(2048LL * ::GetSystemMetrics(SM_CXSCREEN) / 32768);
    const int y = static_cast<int>(2048LL * ::GetSystemMetrics(SM_CYSCREEN) / 32768);
    HDC hdc = ::GetDC(nullptr);
    bool bShown = false;
    // The vertical arm of the cross, a few pixels above the centre.
    for (int dy = -22; dy <= -6 && !bShown; ++dy)
        bShown = ::GetPixel(hdc, x, y + dy) == RGB(0, 192, 0);
    ::ReleaseDC(nullptr, hdc);
    return bShown;
}

double TimeToTarget(void (*start)(), void (*stop)()) {
    const double t0 = NowMs();
    std::thread run(start);
    double shown = -1.0;
    while (NowMs() - t0 < 20000.0) {
        if (TargetShown()) {
            shown = NowMs() - t0;
            break;
        }
    }
    stop();
    run.join();
    ::Sleep(300); // the window is gone from the screen
    return shown;
}

typedef void(WINAPI* StartCalibrateFn)(void*, wchar_t*);
typedef void (*StopCalibrateFn)();
StartCalibrateFn g_start = nullptr;
StopCalibrateFn g_stop = nullptr;
// The simulated screen's path as it leaves the factory.
std::wstring g_path;

void StartOurs() {
    g_start(nullptr, &g_path[0]);
}

void StopOurs() {
    g_stop();
}

HWND g_hBare = nullptr;

LRESULT CALLBACK BareProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC hdc = ::BeginPaint(hWnd, &ps);
        Gdiplus::GpGraphics* g = nullptr;
        Gdiplus::DllExports::GdipCreateFromHDC(hdc, &g);
        Gdiplus::GpPen* pen = nullptr;
        Gdiplus::DllExports::GdipCreatePen1(0xFF00C000, 1.0f, Gdiplus::UnitWorld, &pen);
        const float x = static_cast<float>(2048LL * ::GetSystemMetrics(SM_CXSCREEN) / 32768);
        const float y = static_cast<float>(2048LL * ::GetSystemMetrics(SM_CYSCREEN) / 32768);
        Gdiplus::DllExports::GdipDrawLine(g, pen, x, y - 24, x, y + 24);
        Gdiplus::DllExports::GdipDeletePen(pen);
        Gdiplus::DllExports::GdipDeleteGraphics(g);
        ::EndPaint(hWnd, &ps);
        return 0;
    }
    if (msg == WM_CLOSE) {
        ::DestroyWindow(hWnd);
        return 0;
    }
    if (msg == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(hWnd, msg, wParam, lParam);
}

void StartBare() {
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = BareProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = L"BareFullScreen";
    ::RegisterClassW(&wc);
    g_hBare = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0,
                                ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN),
                                nullptr, nullptr, wc.hInstance, nullptr);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0)
        ::DispatchMessageW(&msg);
    g_hBare = nullptr;
    Gdiplus::GdiplusShutdown(token);
}

void StopBare() {
    while (g_hBare == nullptr)
        ::Sleep(1);
    ::PostMessageW(g_hBare, WM_CLOSE, 0, 0);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2] / 2 + v[(v.size() - 1) / 2] / 2;
}

void Report(const char* what, const char* ours, const char* bare, const std::vector<double>& a,
            const std::vector<double>& b) {
    for (size_t i = 0; i < a.size(); ++i)
        std::printf("  run %2zu: %s %8.1f ms   %s %8.1f ms\n", i + 1, ours, a[i], bare, b[i]);
    const double ma = Median(a), mb = Median(b);
    std::printf("%s: median %s %.1f ms, %s %.1f ms, ratio %.2fx\n", what, ours, ma, bare, mb,
                mb > 0 ? ma / mb : 0.0);
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "bare-dialog") == 0)
        return BareDialog();
    const bool bCalib = argc > 1 && std::strcmp(argv[1], "calib") == 0;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    std::vector<double> ours, bare;
    if (!bCalib) {
        const std::wstring self = L"\"" + BinDir() + L"\\startup_bench.exe\" bare-dialog";
        const std::wstring app = L"\"" + BinDir() + L"\\VelApp.exe\"";
        TimeLaunch(app); // warm-up of both
        TimeLaunch(self);
        for (int i = 0; i < runs; ++i) {
            ours.push_back(TimeLaunch(app));
            bare.push_back(TimeLaunch(self));
        }
        Report("VelApp.exe launch to populated dialog", "VelApp", "bare dialog", ours, bare);
        return 0;
    }
    HMODULE hLib = ::LoadLibraryW(L"VelCalib.dll");
    g_start = reinterpret_cast<StartCalibrateFn>(
        reinterpret_cast<void*>(::GetProcAddress(hLib, "StartCalibrate")));
    g_stop = reinterpret_cast<StopCalibrateFn>(
        reinterpret_cast<void*>(::GetProcAddress(hLib, "StopCalibrate")));
    if (g_start == nullptr || g_stop == nullptr)
        return 1;
    const std::string path = velsim::FactoryValue("devicePath");
    g_path.assign(path.begin(), path.end());
    TimeToTarget(StartOurs, StopOurs);
    TimeToTarget(StartBare, StopBare);
    for (int i = 0; i < runs; ++i) {
        ours.push_back(TimeToTarget(StartOurs, StopOurs));
        bare.push_back(TimeToTarget(StartBare, StopBare));
    }
    Report("StartCalibrate to the first target on screen", "StartCalibrate", "bare window", ours,
           bare);
    return 0;
}
