// A calibration on either display of a two-display desktop, proved where the
// system puts the pointer: the simulated screen lies over one display and its
// driver maps the range to the primary display, to that display or to the
// whole desktop; velctl calibrates in a chosen space and verifies. The right
// space is verified within 1.5 px; a wrong one fails its verify step with a
// diagnosis that names the driver's rectangle. Runs under two-display
// layouts whose second display lies left of the primary and lower (see
// CMakeLists.txt), such as 1024x768+800+0,800x600+0+100: display 1 (the
// primary) 0,0 1024x768, display 2 -800,100 800x600, the desktop -800,0
// 1824x768. Every touch aims where a person aims: at the centre of the pixel a
// target is drawn at.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "calibresult.h"
#include "calibview.h"
#include "check.h"
#include "collecthelper.h"
#include "displayspace.h"
#include "simdevice.h"
#include "touchscript.h"
#include "uidriver.h"

namespace {

BOOL CALLBACK AddDisplay(HMONITOR hMonitor, HDC, LPRECT, LPARAM lParam) {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (::GetMonitorInfoW(hMonitor, &info)) {
        const RECT& r = info.rcMonitor;
        reinterpret_cast<std::vector<VEL_CALIB_RECT>*>(lParam)->push_back(
            {r.left, r.top, r.right - r.left, r.bottom - r.top});
    }
    return TRUE;
}

// The displays in velctl's numbers.
std::vector<VEL_CALIB_RECT> Displays() {
    std::vector<VEL_CALIB_RECT> displays;
    ::EnumDisplayMonitors(nullptr, nullptr, AddDisplay, reinterpret_cast<LPARAM>(&displays));
    return displays;
}

// The value after `"key": ` in velctl's JSON; "" when absent.
std::string JsonValue(const std::string& json, const std::string& key) {
    const size_t at = json.find("\"" + key + "\": ");
    if (at == std::string::npos)
        return "";
    const size_t begin = at + key.size() + 4;
    return json.substr(begin, json.find_first_of(",\n}", begin) - begin);
}

} // namespace

VEL_CASE(CalibratesOnEachDisplayAndVerifiesWhereThePointerLands) {
    const struct {
        int panelDisplay;   // the display the simulated panel lies over
        const char* driver; // the rectangle its driver maps the range to
        const char* args;   // velctl calibrate ...
        int exitCode;
        const char* outcome; // "" when refused before any window
        const char* covers;  // the diagnosis; "" for none
    } kRows[] = {
        {2, "display", "--display 2 --space display", 0, "verified", ""},
        {2, "display", "--display 2 --space desktop", 16, "verify failed and undone", "display"},
        {2, "desktop", "--display 2 --space desktop", 0, "verified", ""},
        {2, "desktop", "--display 2 --space display --keep-unverified", 13, "verify failed",
         "desktop"},
        {2, "primary", "--display 2 --space display", 16, "verify failed and undone", "primary"},
        {2, "primary", "--display 2 --space primary", 2, "", ""},
        {1, "primary", "", 0, "verified", ""},
        {1, "desktop", "--space primary", 16, "verify failed and undone", "desktop"},
        // Escape while the first verify target waits: the record was written, and
        // taken back (nothing was remembered: the screen's reset).
        {2, "display", "--display 2 --space display", 8, "cancelled", ""},
    };
    const std::vector<VEL_CALIB_RECT> kDisplays = Displays();
    CHECK_EQ(kDisplays.size(), size_t(2));
    std::printf("layout %s, %s\n", RectText(kDisplays[0]).c_str(), RectText(kDisplays[1]).c_str());
    std::printf("%-8s %-8s %-30s %-14s %10s %9s  %s\n", "panel", "driver", "options", "outcome",
                "mean error", "max error", "diagnosis");
    for (const auto& row : kRows) {
        check::Note(std::string(row.driver) + ": " + row.args);
        simdev::Reset();
        simdev::Set("panelDisplay", std::to_string(row.panelDisplay));
        simdev::Set("driverMaps", row.driver);
        const VEL_CALIB_RECT& window = kDisplays[row.panelDisplay - 1];
        const bool bEscape = row.exitCode == 8;
        simdev::WriteScript(touchscript::Targets(window, bEscape ? 0 : 5));
        RECT shown = {};
        const ui::Output result = ui::RunConsole(
            L"velctl.exe", ui::Widen(std::string("calibrate --verify 5 --json ") + row.args), 60000,
            [&](ui::Program& program) {
                if (*row.outcome == '\0')
                    return; // no window comes
                const HWND hWnd = ui::WaitForWindow(program.pid, L"#32770");
                if (hWnd != nullptr)
                    ::GetWindowRect(hWnd, &shown);
                if (bEscape && simdev::WaitForJournal("StopCalibMode", 1, 20000))
                    ::PostMessageW(hWnd, WM_KEYDOWN, VK_ESCAPE, 1);
            });
        CHECK_EQ(result.exitCode, row.exitCode);
        if (*row.outcome == '\0') {
            // Refused before any window or device call, naming the spaces that fit.
            CHECK(result.err.find("choose --space display") != std::string::npos ||
                  result.err.find("Choose --space display") != std::string::npos);
            CHECK(simdev::Journal().empty());
            std::printf("%-8d %-8s %-30s %-14s %10s %9s  %s\n", row.panelDisplay, row.driver,
                        row.args, "refused", "-", "-", "-");
            continue;
        }
        CHECK_EQ(JsonValue(result.out, "outcome"), "\"" + std::string(row.outcome) + "\"");
        // The window covers exactly the display.
        CHECK_EQ(shown.left, window.x);
        CHECK_EQ(shown.top, window.y);
        CHECK_EQ(shown.right - shown.left, window.width);
        CHECK_EQ(shown.bottom - shown.top, window.height);
        const double maxError = std::atof(JsonValue(result.out, "verifyMaxPx").c_str());
        if (row.exitCode == 0)
            CHECK(maxError < 1.5);
        else if (row.exitCode == 13 || row.exitCode == 16)
            CHECK(maxError > 10.0);
        else
            CHECK_EQ(JsonValue(result.out, "record"), std::string("\"hd\""));
        const std::string covers = JsonValue(result.out, "covers");
        CHECK_EQ(covers,
                 *row.covers == '\0' ? std::string() : "\"" + std::string(row.covers) + "\"");
        std::printf("%-8d %-8s %-30s %-14s %10.2f %9.2f  %s\n", row.panelDisplay, row.driver,
                    *row.args ? row.args : "(primary)", row.outcome,
                    std::atof(JsonValue(result.out, "verifyMeanPx").c_str()), maxError,
                    covers.empty() ? "-" : covers.c_str());
        // The device left calibration mode before the verify touches and was closed after.
        CHECK_EQ(simdev::Journal().back(), std::string("CloseDevice"));
    }
}

namespace {

// A panel mounted a quarter turn off its display, and one mirrored (raw x
// runs right to left): the default model's scales and offsets.
const char kTurnedPanel[] = "0 -0.9 29890.3 0.88 0 350 0 0 1";
const char kMirroredPanel[] = "-0.9 0 29890.3 0 0.88 350 0 0 1";

} // namespace

// velctl calibrate --display touch --space auto on a desktop of three
// displays (the primary 1024x768; a portrait 600x800 left of it; an 800x600
// above it): the simulated panel over each display × its driver mapping the
// range to the primary display, that display or the desktop. Wherever a
// space fits, verified on the display touched in the space the driver uses,
// with a second round where the first space was not it; where none fits,
// the advice that names what to change. Also a turned and a mirrored panel,
// Escape on the identify page, and nobody touching.
VEL_CASE(FindsTheTouchScreenAndItsSpaceOnThreeDisplays) {
    const struct {
        int panelDisplay;
        const char* driver;
        const char* panel; // "" for the default model
        int exitCode;
        const char* outcome;
        const char* space; // found; "" when none fits
        int rounds;
    } kRows[] = {
        {1, "primary", "", 0, "verified", "display", 1},
        {1, "display", "", 0, "verified", "display", 1},
        {1, "desktop", "", 0, "verified", "desktop", 2},
        {2, "primary", "", 16, "verify failed and undone", "", 1},
        {2, "display", "", 0, "verified", "display", 1},
        {2, "desktop", "", 0, "verified", "desktop", 2},
        {3, "primary", "", 16, "verify failed and undone", "", 1},
        {3, "display", "", 0, "verified", "display", 1},
        {3, "desktop", "", 0, "verified", "desktop", 2},
        {2, "display", kTurnedPanel, 0, "verified", "display", 1},
        {2, "desktop", kMirroredPanel, 0, "verified", "desktop", 2},
    };
    const std::vector<VEL_CALIB_RECT> kDisplays = Displays();
    CHECK_EQ(kDisplays.size(), size_t(3));
    std::printf("layout %s, %s, %s\n", RectText(kDisplays[0]).c_str(),
                RectText(kDisplays[1]).c_str(), RectText(kDisplays[2]).c_str());
    std::printf("%-6s %-8s %-9s %-24s %-8s %-7s %-12s %s\n", "panel", "driver", "mounted",
                "outcome", "space", "rounds", "1st max px", "max px");
    const std::wstring memory = simdev::Home() + L"\\tools\\calibrations.ini";
    for (const auto& row : kRows) {
        check::Note(std::string("display ") + std::to_string(row.panelDisplay) + ", driver " +
                    row.driver + (*row.panel ? ", turned or mirrored" : ""));
        simdev::Reset();
        ::DeleteFileW(memory.c_str());
        simdev::Set("panelDisplay", std::to_string(row.panelDisplay));
        simdev::Set("driverMaps", row.driver);
        if (*row.panel)
            simdev::Set("panel", row.panel);
        const VEL_CALIB_RECT& window = kDisplays[row.panelDisplay - 1];
        simdev::WriteScript(touchscript::ByTouch(window));
        RECT shown = {};
        const ui::Output result = ui::RunConsole(
            L"velctl.exe", L"calibrate --display touch --space auto --verify 5 --json", 90000,
            [&](ui::Program& program) {
                // The targets' window, once the identify page has gone.
                if (simdev::WaitForJournal("OpenDevice", 2, 40000)) {
                    const HWND hWnd = ui::WaitForWindow(program.pid, L"#32770");
                    if (hWnd != nullptr)
                        ::GetWindowRect(hWnd, &shown);
                }
            });
        CHECK_EQ(result.exitCode, row.exitCode);
        CHECK_EQ(JsonValue(result.out, "outcome"), "\"" + std::string(row.outcome) + "\"");
        CHECK_EQ(JsonValue(result.out, "display"), std::to_string(row.panelDisplay));
        CHECK_EQ(JsonValue(result.out, "chosenBy"), std::string("\"touch\""));
        CHECK_EQ(JsonValue(result.out, "verifyRounds"), std::to_string(row.rounds));
        CHECK_EQ(shown.left, window.x);
        CHECK_EQ(shown.right - shown.left, window.width);
        const double maxError = std::atof(JsonValue(result.out, "verifyMaxPx").c_str());
        const size_t first = result.out.find("\"firstRound\": {");
        const double firstMax =
            first == std::string::npos
                ? 0.0
                : std::atof(JsonValue(result.out.substr(first), "verifyMaxPx").c_str());
        if (*row.space != '\0') {
            CHECK_EQ(JsonValue(result.out, "space"), "\"" + std::string(row.space) + "\"");
            CHECK(maxError < 1.5);
        } else {
            // None fits: the advice says what to change.
            CHECK(maxError > 10.0);
            CHECK(result.out.find("primary display") != std::string::npos);
        }
        if (row.rounds == 2)
            CHECK(firstMax > 10.0);
        std::printf("%-6d %-8s %-9s %-24s %-8s %-7d %-12s %.2f\n", row.panelDisplay, row.driver,
                    *row.panel ? (row.panel == kTurnedPanel ? "turned" : "mirrored") : "straight",
                    row.outcome, *row.space ? row.space : "none", row.rounds,
                    row.rounds == 2 ? std::to_string(firstMax).substr(0, 6).c_str() : "-",
                    maxError);
        // What the tools remember: the display touched, unless the calibration
        // was taken back (nothing was remembered before it).
        CHECK_EQ(::GetFileAttributesW(memory.c_str()) != INVALID_FILE_ATTRIBUTES,
                 *row.space != '\0');
    }

    // Escape on the identify page, and nobody touching: nothing is written.
    for (const bool bEscape : {true, false}) {
        check::Note(bEscape ? "Escape on the identify page" : "nobody touches");
        simdev::Reset();
        simdev::Set("panelDisplay", "2");
        simdev::WriteScript("");
        const ui::Output result = ui::RunConsole(
            L"velctl.exe",
            L"calibrate --display touch --space auto --verify 5 --page-seconds 1 --rounds 1", 60000,
            [&](ui::Program& program) {
                const HWND hWnd = ui::WaitForWindow(program.pid, L"#32770");
                if (bEscape && hWnd != nullptr)
                    ::PostMessageW(hWnd, WM_KEYDOWN, VK_ESCAPE, 1);
            });
        CHECK_EQ(result.exitCode, bEscape ? 8 : 15);
        CHECK_EQ(simdev::CountJournal("ApplyCalibParam"), size_t(0));
        CHECK_EQ(simdev::Journal().back(), std::string("CloseDevice"));
    }
}

// Proof or undo, on one display: a verify step that passes keeps the new
// calibration; one that fails puts back what the tools wrote before for the
// screen, or the screen's reset when none is remembered; --keep-unverified
// keeps the failed one. A way out before the proof is done counts as none:
// Escape at the targets leaves everything as it was, and Escape, a close or
// the idle time at the check or verify targets puts back what was in force.
// What the screen holds afterwards is its state.
VEL_CASE(AFailedProofPutsBackWhatWasInForce) {
    const std::vector<VEL_CALIB_RECT> kDisplays = Displays();
    const VEL_CALIB_RECT& window = kDisplays[0];
    const char kRemembered[] = "16 1000 0 0 0 1000 0 0 0";
    enum class Way { None, EscapeAtTargets, EscapeAtChecks, EscapeAtVerify, CloseAtVerify };
    const struct {
        bool bLandOff;     // the verify touches land 25 px off their targets
        bool bRemembered;  // a calibration is remembered for the screen
        const char* extra; // more options
        Way way;           // a way out taken at the first target of a step
        int exitCode;
        const char* holds; // what the screen holds: "new", the remembered set, "none"
    } kRows[] = {
        {false, true, "", Way::None, 0, "new"},
        {true, true, "", Way::None, 16, kRemembered},
        {true, false, "", Way::None, 16, "none"},
        {true, true, " --keep-unverified", Way::None, 13, "new"},
        {false, true, "", Way::EscapeAtTargets, 8, "none"},
        {false, true, " --checks 3", Way::EscapeAtChecks, 8, kRemembered},
        {false, true, "", Way::EscapeAtVerify, 8, kRemembered},
        {false, false, "", Way::EscapeAtVerify, 8, "none"},
        {false, true, " --keep-unverified", Way::EscapeAtVerify, 8, "new"},
        {false, true, "", Way::CloseAtVerify, 9, kRemembered},
        {false, true, " --timeout 2", Way::None, 10, kRemembered},
    };
    const char* const kWays[] = {"-", "Esc targets", "Esc checks", "Esc verify", "close verify"};
    const std::wstring tools = simdev::Home() + L"\\tools";
    std::printf("%-9s %-10s %-18s %-13s %-5s %s\n", "verify", "remembered", "options", "way out",
                "exit", "the screen holds");
    for (const auto& row : kRows) {
        check::Note(std::string(row.bLandOff ? "off" : "on") +
                    (row.bRemembered ? ", remembered" : ""));
        simdev::Reset();
        ::CreateDirectoryW(tools.c_str(), nullptr);
        ::DeleteFileW((tools + L"\\calibrations.ini").c_str());
        if (row.bRemembered) {
            const std::string ini = "[" + simdev::Get("devicePath") + "]\r\ndisplayNumber = 1\r\n" +
                                    "outcome = verified\r\ncalibration = " + kRemembered + "\r\n";
            HANDLE hFile = ::CreateFileW((tools + L"\\calibrations.ini").c_str(), GENERIC_WRITE, 0,
                                         nullptr, CREATE_ALWAYS, 0, nullptr);
            DWORD written = 0;
            ::WriteFile(hFile, ini.data(), static_cast<DWORD>(ini.size()), &written, nullptr);
            ::CloseHandle(hFile);
        }
        // The targets, then the verify touches on their pixels or beside them;
        // a way out or the idle time takes the place of what follows it.
        VEL_CALIB_RECT aim = window;
        if (row.bLandOff)
            aim.x += 25, aim.y += 25;
        const bool bTimeout = std::strstr(row.extra, "--timeout") != nullptr;
        simdev::WriteScript(
            row.way == Way::EscapeAtTargets ? std::string()
            : row.way != Way::None || bTimeout
                ? touchscript::Targets(window, 0)
                : touchscript::Targets(window, 0) +
                      touchscript::Targets(aim, 3).substr(touchscript::Targets(aim, 0).size()));
        const ui::Output result = ui::RunConsole(
            L"velctl.exe",
            ui::Widen(std::string("calibrate --space display --verify 3") + row.extra), 60000,
            [&](ui::Program& program) {
                if (row.way == Way::None)
                    return;
                // The step is reached once the set is written (at the
                // verify step the device is out of calibration mode too).
                if (row.way == Way::EscapeAtChecks)
                    simdev::WaitForJournal("ApplyCalibParam", 1, 20000);
                else if (row.way != Way::EscapeAtTargets)
                    simdev::WaitForJournal("StopCalibMode", 1, 20000);
                const HWND hWnd = ui::WaitForWindow(program.pid, L"#32770");
                if (hWnd != nullptr)
                    ::PostMessageW(hWnd, row.way == Way::CloseAtVerify ? WM_CLOSE : WM_KEYDOWN,
                                   row.way == Way::CloseAtVerify ? 0 : VK_ESCAPE, 1);
            });
        CHECK_EQ(result.exitCode, row.exitCode);
        const std::string holds = simdev::Get("calibration");
        if (std::string(row.holds) == "new")
            CHECK(holds.rfind("hd 1 ", 0) == 0);
        else
            CHECK_EQ(holds, std::string(row.holds));
        std::printf("%-9s %-10s %-18s %-13s %-5d %s\n", row.bLandOff ? "fails" : "passes",
                    row.bRemembered ? "yes" : "no", *row.extra ? row.extra + 1 : "-",
                    kWays[static_cast<int>(row.way)], result.exitCode, holds.substr(0, 40).c_str());
    }
}
