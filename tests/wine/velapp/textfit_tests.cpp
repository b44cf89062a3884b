// Every text of the main dialog fits the room its control draws it in, in the
// language of the run (English, or Chinese under a Chinese locale), at 96,
// 144 and 192 DPI, and the labels that grew to their captions cover no other
// control. The measuring happens inside the control panel, in each control's
// own font, through the hook of textfit_probe.dll.
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

// A control's place in the dialog's client area.
struct Placed {
    int id = 0;
    bool group = false;
    RECT box = {};
};

struct Report {
    int dpi = 0, baseX = 0, baseY = 0, windowWidth = 0, windowHeight = 0;
    std::vector<Measured> controls;
    std::vector<Placed> boxes;
};

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
        } else if (what == "box") {
            Placed p;
            in >> p.id >> p.group >> p.box.left >> p.box.top >> p.box.right >> p.box.bottom;
            report.boxes.push_back(p);
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
            if (m.width > m.roomWidth || m.height > m.roomHeight)
                misfits += "\n      " + std::to_string(report.dpi) + " DPI, " + m.kind + " " +
                           std::to_string(m.id) + " \"" + m.text + "\": text " +
                           std::to_string(m.width) + " x " + std::to_string(m.height) + ", room " +
                           std::to_string(m.roomWidth) + " x " + std::to_string(m.roomHeight);
        }
        // Labels grown to their captions cover no other control and stay in
        // the group box they lie in.
        for (const Measured& m : report.controls) {
            const Placed* label = nullptr;
            for (const Placed& p : report.boxes)
                label = p.id == m.id && m.kind == "static" ? &p : label;
            for (const Placed& other : report.boxes) {
                if (label == nullptr || &other == label)
                    continue;
                RECT common;
                const POINT middle = {(label->box.left + label->box.right) / 2,
                                      (label->box.top + label->box.bottom) / 2};
                const bool inGroup = other.group && ::PtInRect(&other.box, middle);
                if (inGroup ? ::UnionRect(&common, &other.box, &label->box) &&
                                  !::EqualRect(&common, &other.box)
                            : !other.group && ::IntersectRect(&common, &other.box, &label->box))
                    misfits += "\n      " + std::to_string(report.dpi) + " DPI, static " +
                               std::to_string(m.id) + " \"" + m.text + "\" " +
                               (inGroup ? "leaves group box " : "covers control ") +
                               std::to_string(other.id);
            }
        }
    }
    if (!misfits.empty())
        check::Fail(__FILE__, __LINE__,
                    "texts that do not fit their controls, labels out of place:" + misfits);
}
