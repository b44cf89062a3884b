// The displays of this desktop as the system enumerates them, for placing a
// calibration run and for velctl displays, and the per-monitor DPI awareness
// a run's thread (and velctl) takes them in.
#pragma once

#include "desktop.h"

// The monitors EnumDisplayMonitors reports, numbered by NumberDisplays:
// device, handle, rectangles, work area, primary, orientation and DPI, in
// the calling thread's DPI awareness.
DesktopLayout CurrentDesktopLayout();

// Makes the calling thread per-monitor DPI aware (version 2, else 1) where
// the system offers it, so that rectangles and pointer positions are
// physical pixels; the thread's former awareness comes back at the end.
class PerMonitorDpiScope {
public:
    PerMonitorDpiScope();
    ~PerMonitorDpiScope();
    PerMonitorDpiScope(const PerMonitorDpiScope&) = delete;
    PerMonitorDpiScope& operator=(const PerMonitorDpiScope&) = delete;

private:
    void* m_pFormer; // DPI_AWARENESS_CONTEXT, or null when nothing was changed
};
