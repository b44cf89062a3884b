#include "hostdisplays.h"

#include <windows.h>

#include <cstring>

#include "desktoplayout.h"
#include "utf8.h"

namespace host {

namespace {

// A function of later systems than the oldest velctl runs on.
typedef HRESULT(WINAPI* GetDpiForMonitorFn)(HMONITOR, int, UINT*, UINT*);
const int kEffectiveDpi = 0; // MDT_EFFECTIVE_DPI

BOOL CALLBACK AddMonitor(HMONITOR hMonitor, HDC, LPRECT, LPARAM lParam) {
    reinterpret_cast<std::vector<HMONITOR>*>(lParam)->push_back(hMonitor);
    return TRUE;
}

int SystemDpi() {
    HDC hdc = ::GetDC(nullptr);
    const int dpi = hdc != nullptr ? ::GetDeviceCaps(hdc, LOGPIXELSX) : 96;
    if (hdc != nullptr)
        ::ReleaseDC(nullptr, hdc);
    return dpi;
}

} // namespace

std::vector<ctl::DisplayInfo> EnumerateDisplays() {
    const PerMonitorDpiScope aware;
    // shcore.dll from 8.1 on; from System32 only.
    HMODULE hShcore = ::LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    const GetDpiForMonitorFn getDpi =
        hShcore == nullptr ? nullptr
                           : reinterpret_cast<GetDpiForMonitorFn>(reinterpret_cast<void*>(
                                 ::GetProcAddress(hShcore, "GetDpiForMonitor")));
    const int systemDpi = SystemDpi();

    std::vector<HMONITOR> monitors;
    ::EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    std::vector<ctl::DisplayInfo> displays;
    for (HMONITOR hMonitor : monitors) {
        MONITORINFOEXW info;
        info.cbSize = sizeof(info);
        if (!::GetMonitorInfoW(hMonitor, &info))
            continue;
        ctl::DisplayInfo display;
        display.number = static_cast<int>(displays.size()) + 1;
        display.device = velsdk::Utf8(info.szDevice);
        display.x = info.rcMonitor.left;
        display.y = info.rcMonitor.top;
        display.width = info.rcMonitor.right - info.rcMonitor.left;
        display.height = info.rcMonitor.bottom - info.rcMonitor.top;
        display.primary = (info.dwFlags & MONITORINFOF_PRIMARY) != 0;
        DEVMODEW mode;
        std::memset(&mode, 0, sizeof(mode));
        mode.dmSize = sizeof(mode);
        display.orientation =
            ::EnumDisplaySettingsExW(info.szDevice, ENUM_CURRENT_SETTINGS, &mode, 0)
                ? ctl::OrientationDegrees(mode.dmDisplayOrientation)
                : -1;
        UINT dpiX = 0, dpiY = 0;
        display.dpi = getDpi != nullptr && SUCCEEDED(getDpi(hMonitor, kEffectiveDpi, &dpiX, &dpiY))
                          ? static_cast<int>(dpiX)
                          : systemDpi;
        displays.push_back(display);
    }
    if (hShcore != nullptr)
        ::FreeLibrary(hShcore);
    return displays;
}

} // namespace host
