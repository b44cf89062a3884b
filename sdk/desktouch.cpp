#include "desktouch.h"

#include "devicecall.h"
#include "journal.h"

#include <windows.h>

namespace velsim {

namespace {

// How long the button stays down: a tap, as a touch driver sends it.
constexpr DWORD kPressMs = 10;

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    const bool known = GetMonitorInfoW(monitor, &info) != FALSE;
    const RECT& r = info.rcMonitor;
    reinterpret_cast<std::vector<SeenMonitor>*>(data)->push_back(
        {known, PixelRect{r.left, r.top, r.right - r.left, r.bottom - r.top},
         known && (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
    return TRUE;
}

bool Send(int x, int y, DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = x;
    input.mi.dy = y;
    input.mi.dwFlags = flags;
    return SendInput(1, &input, sizeof input) == 1;
}

} // namespace

DisplayLayout CurrentLayout() {
    std::vector<SeenMonitor> monitors;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    return LayoutOf(
        monitors, PixelRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)},
        PixelRect{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                  GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)});
}

void DeskTouch(const std::wstring& folder, int x, int y, int panelDisplay, const PanelModel& panel,
               GaussianNoise& noise) {
    DriverMaps maps = DriverMaps::Primary;
    CalibrationSet set;
    {
        DeviceCall call(folder);
        maps = call.State().Maps();
        set = call.State().Calibration();
        call.JournalBadValues();
    }
    PointerInput input{};
    if (!MapDeskTouch(x, y, CurrentLayout(), panelDisplay, panel, noise, set, maps, &input)) {
        JournalLine(folder, "Desk pixel=" + std::to_string(x) + "," + std::to_string(y) +
                                " not on the panel's display");
        return;
    }
    const DWORD flags = MOUSEEVENTF_ABSOLUTE | (input.virtualDesk ? MOUSEEVENTF_VIRTUALDESK : 0);
    bool sent = Send(input.inputX, input.inputY, flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN);
    DWORD error = sent ? 0 : GetLastError();
    Sleep(kPressMs);
    // The release goes out whatever happened to the press: no button stays down.
    if (!Send(input.inputX, input.inputY, flags | MOUSEEVENTF_LEFTUP) && sent) {
        sent = false;
        error = GetLastError();
    }
    std::string line = DeskLine(x, y, input);
    if (!sent)
        line += " SendInput failed, error " + std::to_string(error);
    JournalLine(folder, line);
}

} // namespace velsim
