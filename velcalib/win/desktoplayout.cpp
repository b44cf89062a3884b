#include "desktoplayout.h"

#include <windows.h>

namespace {

BOOL CALLBACK AddMonitor(HMONITOR hMonitor, HDC, LPRECT, LPARAM lParam) {
    DesktopLayout& layout = *reinterpret_cast<DesktopLayout*>(lParam);
    MONITORINFOEXW info;
    info.cbSize = sizeof(info);
    if (!::GetMonitorInfoW(hMonitor, &info)) {
        return TRUE;
    }
    const RECT& r = info.rcMonitor;
    layout.displays.push_back({r.left, r.top, r.right - r.left, r.bottom - r.top});
    if ((info.dwFlags & MONITORINFOF_PRIMARY) != 0) {
        layout.nPrimary = static_cast<uint32_t>(layout.displays.size());
    }
    return TRUE;
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
    DesktopLayout layout;
    ::EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&layout));
    layout.desktop = {::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN),
                      ::GetSystemMetrics(SM_CXVIRTUALSCREEN),
                      ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    return layout;
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
