// The simulated screen as a pointer driver: once calibration mode is off, a
// script's desk touch presses and releases the left button where the driver
// maps it through the coefficient set the device holds.
#include "check.h"
#include "sdk_testing.h"
#include "simdevice.h"

#include <windowsx.h>

using sdktest::OpenFirst;
using sdktest::Recorder;

namespace {

std::vector<POINT> g_downs;
std::vector<POINT> g_ups;

LRESULT CALLBACK CatcherProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONUP) {
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ClientToScreen(hWnd, &p);
        (message == WM_LBUTTONDOWN ? g_downs : g_ups).push_back(p);
    }
    return DefWindowProcW(hWnd, message, wParam, lParam);
}

// A borderless topmost window over the virtual screen that records where the
// left button goes down and up, in screen pixels.
void Catcher() {
    static HWND hWnd = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = CatcherProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VelDeskCatcher";
        RegisterClassW(&wc);
        HWND h = CreateWindowExW(
            WS_EX_TOPMOST, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE,
            GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
            GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN), nullptr,
            nullptr, wc.hInstance, nullptr);
        SetForegroundWindow(h);
        return h;
    }();
    (void)hWnd;
    g_downs.clear();
    g_ups.clear();
}

// Runs this thread's messages for ms, or until file `name` turns up.
bool Pump(int ms, const char* name = nullptr) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < static_cast<DWORD>(ms);) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        if (name && simdev::FileExists(name))
            return true;
        Sleep(5);
    }
    return false;
}

struct DeskRow {
    const char* maps;
    const char* calibration;
    int x, y;
    const char* line;
    int pointerX, pointerY;
};

// raw = (X/2 + 1000, Y/2 + 1000), of which these sets are the exact inverse.
const char kPanel[] = "0.5 0 1000 0 0.5 1000 0 0 1";
const char kInverseHd[] = "hd 1 2000 0 -200 0 2000 -200 0 0";
const char kInverse16[] = "16 2000 0 -200 0 2000 -200 0 0";

// The desk touch, with the set written while calibration mode is on. The
// touch after it is dropped: calibration mode is off by then.
void CheckDeskTouch(const DeskRow& row, int panelDisplay) {
    check::Note(row.line);
    simdev::Reset();
    simdev::Set("panel", kPanel);
    simdev::Set("panelDisplay", std::to_string(panelDisplay));
    simdev::Set("driverMaps", row.maps);
    simdev::WriteScript("desk " + std::to_string(row.x) + " " + std::to_string(row.y) +
                        "\ntouch 9 9\nmark done\n");
    Vel_DeviceManager device;
    Recorder recorder(&device);
    CHECK(OpenFirst(device));
    device.StartCalibMode();
    device.RegDataCallback(&Recorder::Callback, &recorder);
    simdev::Set("calibration", row.calibration);
    SetCursorPos(700, 600);
    Pump(50);
    Catcher();
    device.StopCalibMode();
    CHECK(Pump(5000, "done"));
    POINT cursor{};
    GetCursorPos(&cursor);
    Pump(200);
    device.CloseDevice();
    CHECK_EQ(cursor.x, row.pointerX);
    CHECK_EQ(cursor.y, row.pointerY);
    for (const std::vector<POINT>* points : {&g_downs, &g_ups}) {
        CHECK_EQ(points->size(), size_t(1));
        CHECK(points->at(0).x == row.pointerX && points->at(0).y == row.pointerY);
    }
    CHECK(sdktest::JournalLines("Desk") == std::vector<std::string>{row.line});
    CHECK_EQ(recorder.Count(), size_t(0));
}

} // namespace

VEL_CASE(DeskTouchClicksWhereTheDriverMapsTheHeldSet) {
    const DeskRow rows[] = {
        {"primary", kInverseHd, 300, 200,
         "Desk pixel=300,200 raw=5808,5277 logical=9616,8554 pointer=300,200", 300, 200},
        {"display", kInverse16, 1023, 0,
         "Desk pixel=1023,0 raw=17376,1011 logical=32752,22 pointer=1023,0", 1023, 0},
        {"desktop", kInverseHd, 0, 767,
         "Desk pixel=0,767 raw=1008,17373 logical=16,32746 pointer=0,767", 0, 767},
        // Without a set the device reports raw points, and the click lands off target.
        {"primary", "none", 300, 200,
         "Desk pixel=300,200 raw=5808,5277 logical=5808,5277 pointer=181,123", 181, 123},
    };
    for (const DeskRow& row : rows)
        CheckDeskTouch(row, 0);
}

// Display 2 of 1024x768+800+0,800x600+0+100 lies at -800,100, left of the
// primary; the virtual screen is -800,0 1824x768.
VEL_CASE(DeskTouchOnTheSecondDisplay) {
    const DeskRow rows[] = {
        {"display", kInverseHd, -400, 400,
         "Desk pixel=-400,400 raw=9202,9206 logical=16404,16412 pointer=-400,400", -400, 400},
        // An absolute pointer without the virtual-desktop flag lands on the primary.
        {"primary", kInverseHd, -400, 400,
         "Desk pixel=-400,400 raw=9202,9206 logical=16404,16412 pointer=512,384", 512, 384},
        {"desktop", kInverse16, -800, 699,
         "Desk pixel=-800,699 raw=1010,17370 logical=20,32740 pointer=-799,767", -799, 767},
    };
    for (const DeskRow& row : rows)
        CheckDeskTouch(row, 2);
}

VEL_CASE(CloseDeviceEndsADeskTouchStillWaitingForCalibrationModeToEnd) {
    simdev::Reset();
    simdev::WriteScript("desk 10 10\nmark done\n");
    Vel_DeviceManager device;
    CHECK(OpenFirst(device));
    device.StartCalibMode();
    Pump(300);
    DWORD start = GetTickCount();
    device.CloseDevice();
    CHECK(GetTickCount() - start < 500);
    Pump(200);
    CHECK_EQ(simdev::CountJournal("Desk"), size_t(0));
    CHECK(!simdev::FileExists("done"));
}
