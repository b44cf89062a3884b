// The control panel's calibration buttons as a user meets them: the
// orientation button's cycle, Reset with its box, and Calib running a
// calibration through the library, or saying why it cannot.
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "check.h"
#include "resource.h"
#include "panel_driver.h"
#include "simdevice.h"
#include "touchscript.h"
#include "velversion.h"

using namespace panel_test;

namespace {

using check::Hex;

// The bytes both records must carry for one coefficient set.
std::string Record16(const short (&m)[8]) {
    return Hex(m, sizeof(m));
}
std::string RecordHd(const short (&m)[8]) {
    unsigned char bytes[36] = {1, 0, 0, 0};
    for (int i = 0; i < 8; ++i) {
        float value = static_cast<float>(m[i]);
        std::memcpy(bytes + 4 + 4 * i, &value, 4);
    }
    return Hex(bytes, sizeof(bytes));
}

std::string BytesOf(const std::string& line) {
    size_t at = line.find("bytes=") + 6;
    return line.substr(at, line.find(' ', at) - at);
}

const struct {
    const char* captionAfter;
    short matrix[8];
} kCycle[] = {
    {"旋转180度", {0, -1000, 3277, 1000, 0, 0, 0, 0}},
    {"旋转270度", {-1000, 0, 3277, 0, -1000, 3277, 0, 0}},
    {"X镜像", {0, 1000, 0, -1000, 0, 3277, 0, 0}},
    {"Y镜像", {-1000, 0, 3277, 0, 1000, 0, 0, 0}},
    {"旋转0度", {1000, 0, 0, 0, -1000, 3277, 0, 0}},
    {"旋转90度", {1000, 0, 0, 0, 1000, 0, 0, 0}},
};

void Exit(Panel& panel) {
    ui::ClickButton(panel.hDlg, IDC_BTN_EXIT);
    CHECK_EQ(panel.program.Wait(), 0);
}

// Text, position and state of every control, to compare before and after.
std::vector<std::string> Snapshot(HWND hDlg) {
    std::vector<std::string> state;
    for (HWND h = ::GetWindow(hDlg, GW_CHILD); h != nullptr; h = ::GetWindow(h, GW_HWNDNEXT)) {
        int id = ::GetDlgCtrlID(h);
        state.push_back(std::to_string(id) + ":" + ui::Narrow(ui::Text(h)) + ":" +
                        std::to_string(::SendMessageW(h, BM_GETCHECK, 0, 0)) + ":" +
                        std::to_string(::IsWindowEnabled(h)));
    }
    for (int id : {IDC_SLD_TOUCH_HEIGHT, IDC_SLD_TOUCH_SMOOTH, IDC_SLD_TOUCH_DELAY,
                   IDC_SLD_RIGHT_CLICK_TIME, IDC_SLD_RIGHT_CLICK_AREA, IDC_SLD_TOUCH_JITTER,
                   IDC_SLD_DBLCLK_RANGE, IDC_SLD_DBLCLK_SPEED})
        state.push_back(std::to_string(id) + "@" + std::to_string(ui::SliderPos(hDlg, id)));
    return state;
}

// The calibration window: a visible dialog of the process covering the screen.
HWND WaitForCalibrationWindow(DWORD pid, HWND hPanel) {
    HWND hFound = nullptr;
    ui::WaitFor([&] {
        for (HWND h : ui::Windows(pid, L"#32770")) {
            RECT rect;
            ::GetWindowRect(h, &rect);
            if (h != hPanel && rect.right - rect.left == ::GetSystemMetrics(SM_CXSCREEN)) {
                hFound = h;
                return true;
            }
        }
        return false;
    });
    return hFound;
}

} // namespace

VEL_CASE(SixOrientationClicksSendEachSetAsHdThen16BitAndComeBack) {
    simdev::Reset();
    Panel panel;
    Open(panel);
    CHECK_EQ(ui::Narrow(ui::ItemText(panel.hDlg, IDC_BTN_ROTATE)), "旋转90度");
    simdev::ClearJournal();
    for (size_t i = 0; i < 6; ++i) {
        ui::ClickButton(panel.hDlg, IDC_BTN_ROTATE);
        CHECK(simdev::WaitForJournal("CloseDevice", i + 1, 5000));
        CHECK_EQ(ui::Narrow(ui::ItemText(panel.hDlg, IDC_BTN_ROTATE)), kCycle[i].captionAfter);
    }
    std::vector<std::string> calls = Calls();
    CHECK_EQ(calls.size(), 24u);
    for (size_t i = 0; i < 6; ++i) {
        CHECK_EQ(calls[4 * i].substr(0, 11), "OpenDevice ");
        CHECK_EQ(calls[4 * i + 1].substr(0, 19), "ApplyCalibParam_hd ");
        CHECK_EQ(BytesOf(calls[4 * i + 1]), RecordHd(kCycle[i].matrix));
        CHECK_EQ(calls[4 * i + 2].substr(0, 16), "ApplyCalibParam ");
        CHECK_EQ(BytesOf(calls[4 * i + 2]), Record16(kCycle[i].matrix));
        CHECK_EQ(calls[4 * i + 3], "CloseDevice");
    }
    // -1000 travels as 0xFC18 in the 16-bit record of the first click.
    CHECK_EQ(BytesOf(calls[2]).substr(4, 4), "18fc");
    Exit(panel);
}

VEL_CASE(AnotherCaptionSendsNoChangeAndStartsTheCycleAgain) {
    simdev::Reset();
    Panel panel;
    Open(panel);
    ::SetWindowTextW(::GetDlgItem(panel.hDlg, IDC_BTN_ROTATE), L"Rotate");
    simdev::ClearJournal();
    ui::ClickButton(panel.hDlg, IDC_BTN_ROTATE);
    CHECK(simdev::WaitForJournal("CloseDevice", 1, 5000));
    CHECK_EQ(ui::Narrow(ui::ItemText(panel.hDlg, IDC_BTN_ROTATE)), "旋转90度");
    CHECK_EQ(BytesOf(Calls()[2]), Record16(kCycle[5].matrix));
    // Both records are sent even when the device refuses them.
    simdev::Set("refuseHd", "1");
    simdev::Set("refuse16", "1");
    ui::ClickButton(panel.hDlg, IDC_BTN_ROTATE);
    CHECK(simdev::WaitForJournal("CloseDevice", 2, 5000));
    CHECK_EQ(simdev::CountJournal("ApplyCalibParam "), 2u);
    CHECK_EQ(ui::Narrow(ui::ItemText(panel.hDlg, IDC_BTN_ROTATE)), "旋转180度");
    Exit(panel);
}

VEL_CASE(ResetTellsTheOutcomeWhileTheDeviceIsOpen) {
    const struct {
        const char* fail;
        const char* message;
    } rows[] = {{"0", "Reset Success."}, {"1", "Reset Failed."}};
    for (const auto& row : rows) {
        simdev::Reset();
        simdev::Set("failReset", row.fail);
        Panel panel;
        Open(panel);
        std::vector<std::string> before = Snapshot(panel.hDlg);
        simdev::ClearJournal();
        ui::ClickButton(panel.hDlg, IDC_BTN_RESET);
        HWND hBox = ui::WaitForMessageBox(panel.program.pid, 5000, panel.hDlg);
        CHECK(hBox != nullptr);
        CHECK_EQ(ui::Narrow(ui::MessageBoxText(hBox)), row.message);
        CHECK_EQ(ui::Narrow(ui::Text(hBox)), "Set Touch");
        CHECK_EQ(Join(CallNames()), "OpenDevice,ResetCalibParam");
        ui::CloseMessageBox(hBox);
        CHECK(simdev::WaitForJournal("CloseDevice", 1, 5000));
        CHECK_EQ(Join(CallNames()), "OpenDevice,ResetCalibParam,CloseDevice");
        CHECK(Snapshot(panel.hDlg) == before);
        Exit(panel);
    }
}

VEL_CASE(CalibRunsAScriptedCalibrationAndLeavesTheDialogAsItWas) {
    simdev::Reset();
    simdev::WriteScript("target 0\nlift\ntarget 1\nlift\ntarget 2\nlift\ntarget 3\nlift\n");
    Panel panel;
    Open(panel);
    ::SetWindowTextW(::GetDlgItem(panel.hDlg, IDC_BTN_ROTATE), L"X镜像");
    std::vector<std::string> before = Snapshot(panel.hDlg);
    simdev::ClearJournal();
    ui::ClickButton(panel.hDlg, IDC_BTN_CALIB);
    CHECK(simdev::WaitForJournal("CloseDevice", 1, 20000));
    // The run ends by itself: the calibration window closes.
    CHECK(ui::WaitFor([&] { return ui::Windows(panel.program.pid, L"#32770").size() == 1; }));
    CHECK_EQ(simdev::CountJournal("ApplyCalibParam_hd "), 1u);
    CHECK(simdev::Get("calibration").rfind("hd ", 0) == 0);
    ui::Sync(panel.hDlg);
    CHECK(Snapshot(panel.hDlg) == before);
    // The device of the path found at start was calibrated.
    std::vector<std::string> calls = Calls();
    CHECK(calls[0].find("OpenDevice path=" + simdev::Get("devicePath") + " -> ok") == 0);
    Exit(panel);
}

VEL_CASE(CalibThenEscapeAndASecondClickDuringTheRun) {
    simdev::Reset();
    Panel panel;
    Open(panel);
    std::vector<std::string> before = Snapshot(panel.hDlg);
    simdev::ClearJournal();
    ui::ClickButton(panel.hDlg, IDC_BTN_CALIB);
    HWND hCalib = WaitForCalibrationWindow(panel.program.pid, panel.hDlg);
    CHECK(hCalib != nullptr);
    // A second click reaches the dialog while the run goes on: no second window.
    ui::ClickButton(panel.hDlg, IDC_BTN_CALIB);
    ui::Sleep(500);
    CHECK_EQ(ui::Windows(panel.program.pid, L"#32770").size(), 2u);
    CHECK_EQ(simdev::CountJournal("StartCalibMode"), 1u);
    ::PostMessageW(hCalib, WM_KEYDOWN, VK_ESCAPE, 1);
    CHECK(simdev::WaitForJournal("CloseDevice", 1, 5000));
    CHECK(ui::WaitFor([&] { return ui::Windows(panel.program.pid, L"#32770").size() == 1; }));
    CHECK_EQ(Join(CallNames()),
             "OpenDevice,StartCalibMode,RegDataCallback,UnRegDataCallback,StopCalibMode,"
             "CloseDevice");
    ui::Sync(panel.hDlg);
    CHECK(Snapshot(panel.hDlg) == before);
    Exit(panel);
}

// Without a VelCalib.dll it can use, the control panel still starts and shows
// the device's values; Calib says which file is wrong and what to do, in the
// language of the user interface, and the panel stays open. A usable library
// put in place meanwhile is taken at the next click. All along, the current
// folder and PATH lead to the build's usable library, which is never taken.
VEL_CASE(CalibWithoutAUsableLibrarySaysWhyAndThePanelStaysOpen) {
    // What lies in the panel's folder as VelCalib.dll, and what Calib says.
    const struct {
        const wchar_t* name;
        const char* english;
        const char* chinese;
    } kRows[] = {
        {L"none",
         "The calibration library VelCalib.dll is missing. It is looked for only in {dir}\\, the "
         "folder of VelApp.exe. Calib needs it; everything else in the control panel works without "
         "it. Install the touch tools again, or copy the {arch} VelCalib.dll of version {version} "
         "into that folder.",
         "找不到校正库 VelCalib.dll。只在 VelApp.exe 所在的文件夹 {dir}\\ 中查找它。“校正”需要它，"
         "控制面板的其他功能不需要它。请重新安装触摸工具，或把 {version} 版 {arch} 的 VelCalib.dll "
         "复制到该文件夹。"},
        {L"text",
         "{dir}\\VelCalib.dll cannot be used as the calibration library: it is not an {arch} "
         "Windows library, or it is damaged. Calib needs it; everything else in the control panel "
         "works without it. Install the touch tools again, or replace the file with the {arch} "
         "VelCalib.dll of version {version}.",
         "{dir}\\VelCalib.dll 不能用作校正库：它不是 {arch} 的 Windows "
         "库，或者已损坏。“校正”需要它，"
         "控制面板的其他功能不需要它。请重新安装触摸工具，或用 {version} 版 {arch} 的 VelCalib.dll "
         "替换该文件。"},
        {L"textfit_probe.dll",
         "{dir}\\VelCalib.dll cannot be used as the calibration library: it lacks StartCalibrate, "
         "which Calib calls. Calib needs it; everything else in the control panel works without "
         "it. Install the touch tools again, or replace the file with the {arch} VelCalib.dll of "
         "version {version}.",
         "{dir}\\VelCalib.dll 不能用作校正库：它缺少“校正”调用的 StartCalibrate。“校正”需要它，"
         "控制面板的其他功能不需要它。请重新安装触摸工具，或用 {version} 版 {arch} 的 VelCalib.dll "
         "替换该文件。"},
    };
    const bool bChinese = PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_CHINESE;
    wchar_t previous[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, previous);
    std::wstring path(32768, L'\0');
    path.resize(::GetEnvironmentVariableW(L"PATH", &path[0], 32768));
    CHECK(::SetCurrentDirectoryW(ui::BinDir().c_str()));
    ::SetEnvironmentVariableW(L"PATH", (ui::BinDir() + L";" + path).c_str());
    for (const auto& row : kRows) {
        check::Note("VelCalib.dll: " + ui::Narrow(row.name));
        simdev::Reset();
        const std::wstring dir = simdev::Home() + L"\\panel-" + row.name;
        const std::wstring library = dir + L"\\VelCalib.dll";
        ::CreateDirectoryW(dir.c_str(), nullptr);
        for (const wchar_t* file : {L"VelApp.exe", L"SDK.dll"})
            CHECK(::CopyFileW((ui::BinDir() + L"\\" + file).c_str(), (dir + L"\\" + file).c_str(),
                              FALSE));
        ::DeleteFileW(library.c_str());
        if (std::wstring(row.name) == L"textfit_probe.dll") {
            CHECK(::CopyFileW((ui::BinDir() + L"\\" + row.name).c_str(), library.c_str(), FALSE));
        } else if (std::wstring(row.name) == L"text") {
            HANDLE hFile = ::CreateFileW(library.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr);
            DWORD written = 0;
            CHECK(::WriteFile(hFile, "not a library", 13, &written, nullptr));
            ::CloseHandle(hFile);
        }
        std::string expected = bChinese ? row.chinese : row.english;
        for (const auto& [from, to] :
             {std::pair<std::string, std::string>{"{dir}", ui::Narrow(dir)},
              {"{arch}", sizeof(void*) == 8 ? "x64" : "x86"},
              {"{version}", VEL_VERSION_TEXT}}) {
            for (size_t at; (at = expected.find(from)) != std::string::npos;)
                expected.replace(at, from.size(), to);
        }

        Panel panel;
        ui::Start(panel.program, dir + L"\\VelApp.exe");
        panel.hDlg = ui::WaitForWindow(panel.program.pid, L"#32770");
        CHECK(panel.hDlg != nullptr);
        ui::Sync(panel.hDlg);
        CHECK_EQ(ui::SliderPos(panel.hDlg, IDC_SLD_TOUCH_HEIGHT), 5);
        simdev::ClearJournal();
        ui::ClickButton(panel.hDlg, IDC_BTN_CALIB);
        HWND hBox = ui::WaitForMessageBox(panel.program.pid, 5000, panel.hDlg);
        CHECK(hBox != nullptr);
        CHECK_EQ(ui::Narrow(ui::MessageBoxText(hBox)), expected);
        CHECK_EQ(ui::Narrow(ui::Text(hBox)), "VelApp");
        ui::CloseMessageBox(hBox);
        ui::Sync(panel.hDlg);
        CHECK(panel.program.Running() && ui::Windows(panel.program.pid, L"#32770").size() == 1);
        CHECK(Calls().empty());

        // Put right while the panel runs: the next click calibrates.
        CHECK(::CopyFileW((ui::BinDir() + L"\\VelCalib.dll").c_str(), library.c_str(), FALSE));
        ui::ClickButton(panel.hDlg, IDC_BTN_CALIB);
        HWND hCalib = WaitForCalibrationWindow(panel.program.pid, panel.hDlg);
        CHECK(hCalib != nullptr);
        ::PostMessageW(hCalib, WM_KEYDOWN, VK_ESCAPE, 1);
        CHECK(simdev::WaitForJournal("CloseDevice", 1, 5000));
        CHECK(ui::WaitFor([&] { return ui::Windows(panel.program.pid, L"#32770").size() == 1; }));
        Exit(panel);
    }
    ::SetEnvironmentVariableW(L"PATH", path.c_str());
    ::SetCurrentDirectoryW(previous);
}

// Calib on two displays, the touch screen on the second (left of the
// primary): the identify page shows on each display in turn, a touch on the
// page over the touch screen picks it, the targets and the verify touches
// follow there, and a box in the panel's language tells how it went: where
// the driver maps the screen to that display, calibrated within a pixel;
// where it maps it to the primary display, what to change, and that the
// calibration before it is in force again.
VEL_CASE(CalibOnTwoDisplaysFindsTheTouchScreenAndTellsHowItWent) {
    const bool bChinese = PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_CHINESE;
    const struct {
        const char* driver;
        long firstPage; // where the first page shows: the primary, then the display calibrated
        const char* english;
        const char* chinese;
    } kRows[] = {
        {"display", 0, "Calibrated on display 2: 5 of 5 checks within 0.0 px.",
         "已在显示器 2 上完成校正：5 次检验中有 5 次误差不超过 0.0 像素。"},
        {"primary", -800,
         "The touch screen lies over display 2, but its driver maps it to the primary display. "
         "Map it to display 2 in the touch screen driver's settings, or make display 2 the "
         "primary display, then calibrate again. This calibration was not kept: the one before "
         "it is in force again.",
         "触摸屏位于显示器 2 上，但其驱动程序把它映射到了主显示器。请在触摸屏驱动程序的设置中把"
         "它映射到显示器 2，或把显示器 2 "
         "设为主显示器，然后重新校正。此次校正未被保留，之前的校正已恢复。"},
    };
    MONITORINFO second = {};
    second.cbSize = sizeof second;
    const POINT left = {-1, 200};
    CHECK(::GetMonitorInfoW(::MonitorFromPoint(left, MONITOR_DEFAULTTONULL), &second));
    const RECT& r = second.rcMonitor;
    const VEL_CALIB_RECT window = {r.left, r.top, r.right - r.left, r.bottom - r.top};
    std::string firstSet;
    for (const auto& row : kRows) {
        check::Note(std::string("driver ") + row.driver);
        simdev::Reset();
        simdev::Set("panelDisplay", "2");
        simdev::Set("driverMaps", row.driver);
        simdev::WriteScript(touchscript::ByTouch(window));
        Panel panel;
        Open(panel);
        simdev::ClearJournal();
        ui::ClickButton(panel.hDlg, IDC_BTN_CALIB);
        // The first page: over the primary, or over the display calibrated last; the one over
        // display 2 is touched.
        RECT page = {};
        CHECK(ui::WaitFor([&] {
            for (HWND h : ui::Windows(panel.program.pid, L"#32770")) {
                if (h != panel.hDlg && ::IsWindowVisible(h) && ::GetWindowRect(h, &page))
                    return true;
            }
            return false;
        }));
        CHECK_EQ(page.left, row.firstPage);
        const HWND hBox = ui::WaitForMessageBox(panel.program.pid, 60000);
        CHECK(hBox != nullptr);
        CHECK_EQ(ui::Narrow(ui::MessageBoxText(hBox)), bChinese ? row.chinese : row.english);
        ui::CloseMessageBox(hBox);
        // A calibration that failed its checks was taken back: the screen holds
        // what the first row wrote.
        if (firstSet.empty())
            firstSet = simdev::Get("calibration");
        else
            CHECK_EQ(simdev::Get("calibration"), firstSet);
        // The identify page and the targets each held the device once; a
        // calibration taken back was written, then the one before it.
        CHECK_EQ(simdev::CountJournal("OpenDevice"), 2u);
        CHECK_EQ(simdev::CountJournal("ApplyCalibParam_hd "), row.firstPage == 0 ? 1u : 2u);
        Exit(panel);
    }
}
