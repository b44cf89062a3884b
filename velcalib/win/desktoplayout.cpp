#include "desktoplayout.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "utf8.h"

namespace {

// A function of later systems than the oldest the tools run on.
typedef HRESULT(WINAPI* GetDpiForMonitorFn)(HMONITOR, int, UINT*, UINT*);
const int kEffectiveDpi = 0; // MDT_EFFECTIVE_DPI

BOOL CALLBACK AddMonitor(HMONITOR hMonitor, HDC, LPRECT, LPARAM lParam) {
    reinterpret_cast<std::vector<HMONITOR>*>(lParam)->push_back(hMonitor);
    return TRUE;
}

VEL_CALIB_RECT Rect(const RECT& r) {
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

int SystemDpi() {
    HDC hdc = ::GetDC(nullptr);
    const int dpi = hdc != nullptr ? ::GetDeviceCaps(hdc, LOGPIXELSX) : 96;
    if (hdc != nullptr)
        ::ReleaseDC(nullptr, hdc);
    return dpi;
}

// The identity of the monitor on an adapter output that survives its number:
// the monitor's device interface name (which names the monitor by its make
// and the port it hangs on), else the output's device name.
std::string MonitorIdentity(const wchar_t* pDevice) {
    DISPLAY_DEVICEW monitor;
    std::memset(&monitor, 0, sizeof(monitor));
    monitor.cb = sizeof(monitor);
    if (::EnumDisplayDevicesW(pDevice, 0, &monitor, EDD_GET_DEVICE_INTERFACE_NAME) &&
        monitor.DeviceID[0] != L'\0')
        return velsdk::Utf8(monitor.DeviceID);
    return velsdk::Utf8(pDevice);
}

// What the system tells of one monitor; not known when it tells nothing.
EnumeratedMonitor Describe(HMONITOR hMonitor, GetDpiForMonitorFn getDpi, int systemDpi) {
    EnumeratedMonitor monitor;
    MONITORINFOEXW info;
    info.cbSize = sizeof(info);
    if (!::GetMonitorInfoW(hMonitor, &info))
        return monitor;
    monitor.bKnown = true;
    DisplayInfo& display = monitor.info;
    display.device = velsdk::Utf8(info.szDevice);
    display.monitor = reinterpret_cast<uintptr_t>(hMonitor);
    display.rect = Rect(info.rcMonitor);
    display.work = Rect(info.rcWork);
    display.primary = (info.dwFlags & MONITORINFOF_PRIMARY) != 0;
    display.identity = MonitorIdentity(info.szDevice);
    DEVMODEW mode;
    std::memset(&mode, 0, sizeof(mode));
    mode.dmSize = sizeof(mode);
    display.orientation = ::EnumDisplaySettingsExW(info.szDevice, ENUM_CURRENT_SETTINGS, &mode, 0)
                              ? OrientationDegrees(mode.dmDisplayOrientation)
                              : -1;
    UINT dpiX = 0, dpiY = 0;
    display.dpi = getDpi != nullptr && SUCCEEDED(getDpi(hMonitor, kEffectiveDpi, &dpiX, &dpiY))
                      ? static_cast<int>(dpiX)
                      : systemDpi;
    return monitor;
}

typedef HANDLE(WINAPI* SetThreadDpiAwarenessContextFn)(HANDLE);

SetThreadDpiAwarenessContextFn SetContextFn() {
    const HMODULE hUser = ::GetModuleHandleW(L"user32.dll");
    return hUser == nullptr
               ? nullptr
               : reinterpret_cast<SetThreadDpiAwarenessContextFn>(reinterpret_cast<void*>(
                     ::GetProcAddress(hUser, "SetThreadDpiAwarenessContext")));
}

} // namespace

DesktopLayout CurrentDesktopLayout() {
    // shcore.dll from 8.1 on; from System32 only.
    HMODULE hShcore = ::LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    const GetDpiForMonitorFn getDpi =
        hShcore == nullptr ? nullptr
                           : reinterpret_cast<GetDpiForMonitorFn>(reinterpret_cast<void*>(
                                 ::GetProcAddress(hShcore, "GetDpiForMonitor")));
    const int systemDpi = SystemDpi();
    std::vector<HMONITOR> handles;
    ::EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&handles));
    std::vector<EnumeratedMonitor> monitors;
    for (HMONITOR hMonitor : handles)
        monitors.push_back(Describe(hMonitor, getDpi, systemDpi));
    if (hShcore != nullptr)
        ::FreeLibrary(hShcore);
    return NumberDisplays(
        monitors, {::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN),
                   ::GetSystemMetrics(SM_CXVIRTUALSCREEN), ::GetSystemMetrics(SM_CYVIRTUALSCREEN)});
}

// DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 is (HANDLE)-4, _PER_MONITOR_AWARE (HANDLE)-3.
PerMonitorDpiScope::PerMonitorDpiScope() : m_pFormer(nullptr) {
    const SetThreadDpiAwarenessContextFn setContext = SetContextFn();
    if (setContext == nullptr) {
        return;
    }
    m_pFormer = setContext(reinterpret_cast<HANDLE>(static_cast<intptr_t>(-4)));
    if (m_pFormer == nullptr) {
        m_pFormer = setContext(reinterpret_cast<HANDLE>(static_cast<intptr_t>(-3)));
    }
}

PerMonitorDpiScope::~PerMonitorDpiScope() {
    if (m_pFormer != nullptr) {
        SetContextFn()(m_pFormer);
    }
}
