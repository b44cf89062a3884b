// Calibration runs through the simulated touch screen: what reaches the
// device, what the user is told, and what the window shows.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "calibhost.h"
#include "calibmatrix.h"
#include "check.h"
#include "collecthelper.h"
#include "records.h"
#include "simdevice.h"
#include "uidriver.h"

using calibhost::Lib;
using calibhost::Run;

namespace {

const char COMPUTE_FAILED[] = "Compute Calibrate Matrix Failed, Please Do Calibrate Again.";
const char APPLY_FAILED[] = "Compute Calibrate Matrix Successed, But Apply Calibreate Param "
                            "Feiled, Please Do Calibrate Again.";

// A projective distortion with a denominator, so the fit needs all eight terms.
const char PANEL[] = "0.9 0.03 400 0.02 0.88 350 0.000001 0.000002 1";
// The records its run writes, the same bytes from every build (IEEE doubles
// on x86 as on x64): a change here changes what devices store.
const char PANEL_HD[] = "01000000c4e18a445b8813c2ddcb2cc28abdc6c1b3178e4475421bc255318bbaa49512bb";
const char PANEL_16[] = "5704dcffd5ffe8ff7004daff00000000";

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

HWND WaitForBox() {
    return ui::WaitForMessageBox(::GetCurrentProcessId(), 10000);
}

// A report block for the raw script command: the first `length` bytes (up to
// 64) of a report with these bytes 11, 12–15 and 60.
std::string RawReport(int length, int valid, int contact, int x, int y) {
    unsigned char block[64] = {};
    block[11] = static_cast<unsigned char>(contact);
    block[12] = static_cast<unsigned char>(x);
    block[13] = static_cast<unsigned char>(x >> 8);
    block[14] = static_cast<unsigned char>(y);
    block[15] = static_cast<unsigned char>(y >> 8);
    block[60] = static_cast<unsigned char>(valid);
    return "raw " + std::to_string(length) + " " +
           velsim::Hex(block, length < 64 ? static_cast<size_t>(length) : 64) + "\n";
}

std::string Repeat(const std::string& line, int n) {
    std::string text;
    for (int i = 0; i < n; ++i)
        text += line;
    return text;
}

} // namespace

VEL_CASE(ExportsByNameAndOrdinal) {
    simdev::Reset();
    const struct {
        const char* name;
        int ordinal;
    } exports[] = {{"IsCalibrate", 1}, {"StartCalibrate", 2}, {"StopCalibrate", 3}};
    for (const auto& e : exports) {
        FARPROC byName = ::GetProcAddress(Lib().hModule, e.name);
        CHECK(byName != nullptr);
        CHECK(byName == ::GetProcAddress(Lib().hModule, MAKEINTRESOURCEA(e.ordinal)));
    }
    CHECK(::GetProcAddress(Lib().hModule, "_StartCalibrate@8") == nullptr);

    // Idle: StopCalibrate changes nothing and reaches no device.
    CHECK(!Lib().IsCalibrate());
    Lib().StopCalibrate();
    CHECK(!Lib().IsCalibrate());
    CHECK(simdev::Journal().empty());

    // A program bound to the library at load time through its import library.
    ui::Program host;
    ui::Start(host, L"velcalib_host.exe");
    CHECK_EQ(host.Wait(10000), 0);
}

// A scripted run on a panel with a known distortion: the records sent are
// those the fit makes of the panel's raw points, the HD record first and the
// 16-bit one only when the device refused the HD one.
VEL_CASE(ScriptedRunAppliesTheFittedCalibration) {
    calibhost::ExpectedRecords expected = calibhost::ExpectRecords(PANEL);
    CHECK(expected.ok);
    CHECK_EQ(expected.hd, PANEL_HD);
    CHECK_EQ(expected.sixteen, PANEL_16);
    const struct {
        const char* refuseHd;
        std::vector<std::string> applied;
        const char* stored; // how device.ini's calibration value starts
    } cases[] = {
        {"0", {"hd " + expected.hd + " -> 1"}, "hd 1 "},
        {"1", {"hd " + expected.hd + " -> 0", "16 " + expected.sixteen + " -> 1"}, "16 "},
    };
    for (const auto& c : cases) {
        check::Note(std::string("refuseHd=") + c.refuseHd);
        simdev::Reset();
        simdev::Set("panel", PANEL);
        simdev::Set("refuseHd", c.refuseHd);
        simdev::WriteScript(calibhost::TouchAllTargets());
        {
            Run run;
            CHECK(run.WaitDone(15000));
        }
        CHECK(!Lib().IsCalibrate());
        std::vector<std::string> applied;
        for (const std::string& line : calibhost::JournalLines("ApplyCalibParam")) {
            const bool bHd = line.compare(0, 18, "ApplyCalibParam_hd") == 0;
            applied.push_back(std::string(bHd ? "hd " : "16 ") + calibhost::BytesOf(line) +
                              line.substr(line.rfind(" -> ")));
        }
        CHECK(applied == c.applied);
        CHECK(simdev::Get("calibration").compare(0, std::strlen(c.stored), c.stored) == 0);
        calibhost::CheckRunsReleasedOnce(1);
    }

    // The applied map takes each target's raw point back onto the target.
    const float* m = expected.matrix_f;
    CollectHelper layout(4, CALIB_PATH_TYPE_0);
    for (int i = 0; i < 4; ++i) {
        double x = expected.rawX[i], y = expected.rawY[i];
        double X = 0.0, Y = 0.0;
        MapRaw(SetOf(m), x, y, X, Y);
        CHECK(std::fabs(X - layout.Targets()[i].x) < 1.0);
        CHECK(std::fabs(Y - layout.Targets()[i].y) < 1.0);
    }
}

VEL_CASE(BothRecordsRefusedTellsTheUserAndStartsAgain) {
    simdev::Reset();
    simdev::Set("panel", PANEL);
    simdev::Set("refuseHd", "1");
    simdev::Set("refuse16", "1");
    simdev::WriteScript(calibhost::TouchAllTargets() + "waitfor again\n" +
                        calibhost::TouchAllTargets());
    Run run;
    HWND hBox = WaitForBox();
    CHECK(hBox != nullptr);
    CHECK_EQ(ui::Narrow(ui::MessageBoxText(hBox)), APPLY_FAILED);
    CHECK_EQ(ui::Narrow(ui::Text(hBox)), "Vel Calibrate");
    CHECK(calibhost::WaitForTargetColours("notstep notstep notstep notstep"));
    CHECK(Lib().IsCalibrate());

    simdev::Set("refuse16", "0");
    ui::CloseMessageBox(hBox);
    CHECK(calibhost::WaitForTargetColours("steping notstep notstep notstep"));
    simdev::CreateFile("again");
    CHECK(run.WaitDone(15000));

    std::vector<std::string> hd = calibhost::JournalLines("ApplyCalibParam_hd ");
    std::vector<std::string> sixteen = calibhost::JournalLines("ApplyCalibParam ");
    CHECK_EQ(hd.size(), size_t(2));
    CHECK_EQ(sixteen.size(), size_t(2));
    CHECK(EndsWith(sixteen[0], "-> 0"));
    CHECK(EndsWith(sixteen[1], "-> 1"));
    calibhost::CheckRunsReleasedOnce(1);
}

VEL_CASE(DegeneratePointsTellTheUserAndSendNothing) {
    using calibhost::TouchTarget;
    const struct {
        const char* what;
        std::string script;
    } cases[] = {
        // No transform fits at all.
        {"every target at one raw point", Repeat("touch 5000 5000 4\nlift\n", 4)},
        // An exact fit exists, but no panel can produce it.
        {"the second target touched at the first",
         TouchTarget(0) + TouchTarget(0) + TouchTarget(2) + TouchTarget(3)},
        {"two targets two raw units apart",
         "touch 9000 9000 4\nlift\ntouch 9002 9000 4\nlift\n" + TouchTarget(2) + TouchTarget(3)},
    };
    for (const auto& c : cases) {
        check::Note(c.what);
        simdev::Reset();
        simdev::WriteScript(c.script);
        Run run;
        HWND hBox = WaitForBox();
        CHECK(hBox != nullptr);
        CHECK_EQ(ui::Narrow(ui::MessageBoxText(hBox)), COMPUTE_FAILED);
        CHECK_EQ(ui::Narrow(ui::Text(hBox)), "Vel Calibrate");
        ui::CloseMessageBox(hBox);
        CHECK(calibhost::WaitForTargetColours("steping notstep notstep notstep"));
        CHECK(Lib().IsCalibrate());
        Lib().StopCalibrate();
        CHECK(run.WaitDone(5000));
        CHECK(calibhost::JournalLines("ApplyCalibParam").empty());
        calibhost::CheckRunsReleasedOnce(1);
    }
}

// Blocks that are too short or not marked valid do nothing; a valid block
// whose contact byte is not 7 is a release wherever it says the touch is.
VEL_CASE(ReportsAreCheckedBeforeTheyCount) {
    simdev::Reset();
    simdev::Set("panel", PANEL);
    calibhost::ExpectedRecords expected = calibhost::ExpectRecords(PANEL);
    const int x = expected.rawX[0], y = expected.rawY[0];
    simdev::WriteScript(Repeat(RawReport(60, 1, 7, x, y), 3) +
                        Repeat(RawReport(64, 0, 7, x, y), 3) +
                        Repeat(RawReport(64, 2, 7, x, y), 3) + "mark ignored\nwaitfor go\n" +
                        Repeat(RawReport(61, 1, 7, x, y), 3) + "mark counted\nwaitfor go\n" +
                        RawReport(64, 1, 6, x + 900, y + 900) + "mark released\n");
    Run run;
    CHECK(run.Window() != nullptr);
    CHECK(simdev::WaitForFile("ignored", 5000));
    ui::Sleep(300);
    // Nine contacts at the target, had any counted, would have made it stable.
    CHECK_EQ(calibhost::TargetColours(), "steping notstep notstep notstep");
    CHECK_EQ(calibhost::JournalLines("Report len=60 ").size(), size_t(3));

    simdev::CreateFile("go");
    CHECK(simdev::WaitForFile("counted", 5000));
    CHECK(calibhost::WaitForTargetColours("steped notstep notstep notstep"));
    simdev::CreateFile("go");
    CHECK(simdev::WaitForFile("released", 5000));
    CHECK(calibhost::WaitForTargetColours("notstep steping notstep notstep"));
}

// Target colours read back from the screen as a run goes on.
VEL_CASE(TargetsChangeColourAsTheRunGoes) {
    simdev::Reset();
    simdev::Set("panel", PANEL);
    simdev::WriteScript("waitfor go\n"
                        "target 0 2\nmark step\nwaitfor go\n"
                        "target 0 1\nmark step\nwaitfor go\n"
                        "lift\nmark step\nwaitfor go\n"
                        "target 1 3\nmark step\nwaitfor go\n"
                        "lift\ntarget 2 3\nlift\ntarget 3 3\nmark step\nwaitfor go\n"
                        "lift\n");
    Run run;
    CHECK(run.Window() != nullptr);
    const char* steps[] = {
        "steping notstep notstep notstep", // before the first touch
        "steping notstep notstep notstep", // two still samples: not yet stable
        "steped notstep notstep notstep",  // the third: stable
        "notstep steping notstep notstep", // lifted: the next target is due
        "notstep steped notstep notstep",  "notstep notstep notstep steped",
    };
    for (size_t i = 0; i < sizeof steps / sizeof steps[0]; ++i) {
        if (i > 0) {
            simdev::CreateFile("go");
            CHECK(simdev::WaitForFile("step", 5000));
            ::DeleteFileW((simdev::Home() + L"\\step").c_str());
        }
        check::Note(std::string("expecting ") + steps[i]);
        CHECK(calibhost::WaitForTargetColours(steps[i]));
    }
    simdev::CreateFile("go");
    CHECK(run.WaitDone(10000));
    calibhost::CheckRunsReleasedOnce(1);
}

// Without a script the simulated screen follows the mouse: holding the left
// button on each target until it turns stable calibrates the screen.
VEL_CASE(MouseCalibratesTheSimulatedScreen) {
    simdev::Reset();
    simdev::Set("panel", PANEL);
    calibhost::ExpectedRecords expected = calibhost::ExpectRecords(PANEL);
    auto button = [](POINT point, DWORD flags) {
        ::SetCursorPos(point.x, point.y);
        INPUT input = {};
        input.type = INPUT_MOUSE;
        input.mi.dwFlags = flags;
        ::SendInput(1, &input, sizeof input);
    };
    Run run;
    CHECK(run.Window() != nullptr);
    for (int i = 0; i < 4; ++i) {
        POINT centre = calibhost::TargetCentre(i);
        button(centre, MOUSEEVENTF_LEFTDOWN);
        CHECK(calibhost::WaitForPixel(centre, RGB(0, 0, 192)));
        button(centre, MOUSEEVENTF_LEFTUP);
        if (i < 3)
            CHECK(calibhost::WaitForPixel(calibhost::TargetCentre(i + 1), RGB(0, 192, 0)));
    }
    CHECK(run.WaitDone(10000));
    std::vector<std::string> hd = calibhost::JournalLines("ApplyCalibParam_hd ");
    CHECK_EQ(hd.size(), size_t(1));
    CHECK_EQ(calibhost::BytesOf(hd[0]), expected.hd);
    calibhost::CheckRunsReleasedOnce(1);
}

// The calibration window of a DPI-aware program covers the screen and shows
// its targets at the same pixels at every DPI setting: they follow the
// screen's size, not its resolution.
VEL_CASE(FullScreenWithItsTargetsAtEachDpi) {
    const int cx = ::GetSystemMetrics(SM_CXSCREEN);
    const int cy = ::GetSystemMetrics(SM_CYSCREEN);
    for (DWORD dpi : {96, 144, 192}) {
        check::Note("at " + std::to_string(dpi) + " DPI");
        ui::SystemDpi systemDpi(dpi);
        simdev::Reset();
        simdev::WriteScript("waitfor never\n");
        ui::Program velctl;
        ui::Start(velctl, L"velctl.exe", L"calibrate");
        HWND hWnd = ui::WaitForWindow(velctl.pid, L"#32770");
        CHECK(hWnd != nullptr);
        RECT rect = {};
        CHECK(ui::WaitFor([&] {
            ::GetWindowRect(hWnd, &rect);
            return rect.left == 0 && rect.top == 0 && rect.right == cx && rect.bottom == cy;
        }));
        CHECK(calibhost::WaitForTargetColours("steping notstep notstep notstep"));
        ::PostMessageW(hWnd, WM_KEYDOWN, VK_ESCAPE, 0);
        CHECK_EQ(velctl.Wait(), 8); // cancelled
    }
}
