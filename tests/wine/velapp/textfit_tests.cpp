// Every text of the main dialog fits the room its control draws it in, in the
// language of the run (English, or Chinese under a Chinese locale), at 96,
// 144 and 192 DPI. The measuring happens inside the control panel, in each
// control's own font, through the hook of textfit_probe.dll.
#include <windows.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "check.h"
#include "panel_driver.h"
#include "resource.h"
#include "simdevice.h"

using namespace panel_test;

namespace {

struct Measured {
    int id = 0;
    std::string kind;
    int width = 0, height = 0, roomWidth = 0, roomHeight = 0;
    std::string text;
};

struct Report {
    int dpi = 0, baseX = 0, baseY = 0, windowWidth = 0, windowHeight = 0;
    std::vector<Measured> controls;
};

// Captions that are longer than their template-sized statics even on the
// metrics of the dialog font the platform uses (0: at every DPI). The README
// names them under "Labels cut short".
const struct {
    bool chinese;
    int dpi;
    int id;
} kLongerThanTheirControls[] = {
    {false, 96, IDC_LBL_TOUCH_SMOOTH},
    {false, 96, IDC_LBL_RIGHT_CLICK_TIME},
    {false, 96, IDC_LBL_DBLCLK_RANGE},
    // Eight ideographs need eight ems, 88 pixels at 8 points and 96 DPI, in
    // any face: the statics are 50 and 51 dialog units wide.
    {true, 0, IDC_LBL_RIGHT_CLICK_TIME},
    {true, 0, IDC_LBL_RIGHT_CLICK_AREA},
};

bool Expected(bool chinese, int dpi, int id) {
    for (const auto& row : kLongerThanTheirControls) {
        if (row.chinese == chinese && (row.dpi == 0 || row.dpi == dpi) && row.id == id)
            return true;
    }
    return false;
}

Report Measure(HWND hDlg) {
    const std::wstring path = simdev::Home() + L"\\textfit.txt";
    ::DeleteFileW(path.c_str());
    HMODULE hProbe = ::LoadLibraryW((ui::BinDir() + L"\\textfit_probe.dll").c_str());
    CHECK(hProbe != nullptr);
    auto hook = reinterpret_cast<HOOKPROC>(
        reinterpret_cast<void*>(::GetProcAddress(hProbe, "TextFitHook")));
    HHOOK hHook =
        ::SetWindowsHookExW(WH_GETMESSAGE, hook, hProbe, ::GetWindowThreadProcessId(hDlg, nullptr));
    CHECK(hHook != nullptr);
    ATOM atom = ::GlobalAddAtomW(path.c_str());
    ::PostMessageW(hDlg, ::RegisterWindowMessageW(L"VelTextFitReport"), atom, 0);
    bool written =
        ui::WaitFor([&] { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; });
    ::UnhookWindowsHookEx(hHook);
    ::GlobalDeleteAtom(atom);
    CHECK(written);

    Report report;
    std::istringstream lines(ui::ReadAll(path));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream in(line);
        std::string what;
        in >> what;
        if (what == "dialog") {
            in >> report.dpi >> report.baseX >> report.baseY >> report.windowWidth >>
                report.windowHeight;
        } else if (what == "control") {
            Measured m;
            in >> m.id >> m.kind >> m.width >> m.height >> m.roomWidth >> m.roomHeight;
            std::getline(in >> std::ws, m.text);
            report.controls.push_back(m);
        }
    }
    return report;
}

} // namespace

VEL_CASE(EveryTextFitsItsControlAtEachDpi) {
    std::string misfits;
    for (DWORD dpi : {96, 144, 192}) {
        ui::SystemDpi systemDpi(dpi);
        simdev::Reset();
        SetMouseText("DoubleClickWidth", "4");
        SetMouseText("DoubleClickSpeed", "500");
        Panel panel;
        Open(panel);
        const bool chinese = ui::Text(panel.hDlg) == L"TOUCH \u63a7\u5236\u9762\u677f";
        Report report = Measure(panel.hDlg);
        ui::ClickButton(panel.hDlg, IDC_BTN_EXIT);
        CHECK_EQ(panel.program.Wait(), 0);

        CHECK_EQ(report.dpi, static_cast<int>(dpi));
        std::printf("    %s at %d DPI: dialog base units %d x %d, window %d x %d pixels\n",
                    chinese ? "Chinese" : "English", report.dpi, report.baseX, report.baseY,
                    report.windowWidth, report.windowHeight);
        // "MS Shell Dlg" at 8 points and 96 DPI: the platform's 6 x 13.
        if (dpi == 96) {
            CHECK_EQ(report.baseX, 6);
            CHECK_EQ(report.baseY, 13);
        }
        // Every control with a text: 15 buttons of all kinds and 23 statics.
        CHECK_EQ(report.controls.size(), size_t(38));
        for (const Measured& m : report.controls) {
            bool fits = m.width <= m.roomWidth && m.height <= m.roomHeight;
            if (fits == Expected(chinese, report.dpi, m.id))
                misfits += "\n      " + std::to_string(report.dpi) + " DPI, " + m.kind + " " +
                           std::to_string(m.id) + " \"" + m.text + "\": text " +
                           std::to_string(m.width) + " x " + std::to_string(m.height) + ", room " +
                           std::to_string(m.roomWidth) + " x " + std::to_string(m.roomHeight) +
                           (fits ? " (fits, but is listed as too long)" : "");
        }
    }
    if (!misfits.empty())
        check::Fail(__FILE__, __LINE__, "texts that do not fit their controls:" + misfits);
}
