#include "desktouch.h"

#include "devicecall.h"
#include "journal.h"

#include <windows.h>

namespace velsim {

namespace {

// How long the button stays down: a tap, as a touch driver sends it.
constexpr DWORD kPressMs = 10;

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT pRect, LPARAM data) {
    DisplayLayout& layout = *reinterpret_cast<DisplayLayout*>(data);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info) && (info.dwFlags & MONITORINFOF_PRIMARY))
        layout.primary = layout.displays.size();
    layout.displays.push_back(
        PixelRect{pRect->left, pRect->top, pRect->right - pRect->left, pRect->bottom - pRect->top});
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
    DisplayLayout layout;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&layout));
    if (layout.displays.empty()) {
        layout.displays.push_back(
            PixelRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
        layout.primary = 0;
    }
    layout.desktop =
        PixelRect{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                  GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    return layout;
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
