// What support uses: velctl watch on a jittery simulated screen, its way out
// by Ctrl+C, velctl record replayed by the simulated screen, and velctl check
// against the displays.
#include <windows.h>

#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <string>

#include "calibmemory.h"
#include "check.h"
#include "desktoplayout.h"
#include "simdevice.h"
#include "uidriver.h"

namespace {

// The device calls of the journal by name (reports left out), comma-separated.
std::string CallNames() {
    std::string names;
    for (const std::string& line : simdev::Journal()) {
        if (line.rfind("Report ", 0) != 0)
            names += (names.empty() ? "" : ",") + line.substr(0, line.find(' '));
    }
    return names;
}

// The number after `"key": ` in the last line of JSON lines that has it.
double LastNumber(const std::string& json, const std::string& key) {
    const size_t at = json.rfind("\"" + key + "\": ");
    return at == std::string::npos ? -1.0 : std::atof(json.c_str() + at + key.size() + 4);
}

// Two still touches with noise of 12 raw units, then a swipe.
const char kJittery[] = "screen 16000 16000 100\nlift\nwait 200\nscreen 8000 20000 60\nlift\n"
                        "screen 4000 4000\nscreen 9000 4000\nscreen 14000 4000\nlift\n";

} // namespace

// watch stops by its time, by Ctrl+C, or is never started: every way it lets
// the screen go once, the callback first, and leaves nothing in calibration
// mode.
VEL_CASE(WatchShowsTheNoiseAndLetsTheScreenGoOnceEveryWay) {
    simdev::Reset();
    simdev::Set("noise", "12");
    simdev::WriteScript(kJittery);
    const ui::Output timed = ui::RunConsole(L"velctl.exe", L"watch --seconds 3 --json", 20000);
    CHECK_EQ(timed.exitCode, 0);
    std::printf("%s", timed.out.substr(timed.out.rfind("{\"event\": \"summary\"")).c_str());
    CHECK_EQ(LastNumber(timed.out, "touches"), 3.0);
    CHECK_EQ(LastNumber(timed.out, "stillTouches"), 2.0);
    // The noise set is what a still touch shows, within what 160 reports tell.
    const double sd = LastNumber(timed.out, "sd");
    CHECK(sd > 9.0 && sd < 15.0);
    CHECK_EQ(CallNames(), "EnumDevice,OpenDevice,GetDriverConfig,GetOutPutMode,CloseDevice,"
                          "OpenDevice,StartCalibMode,"
                          "RegDataCallback,UnRegDataCallback,StopCalibMode,CloseDevice");

    // Ctrl+C while it watches: the same release, once, and exit 0. The event
    // goes to the programs of a console: this one gets a console of its own
    // (the one it was started with, if any, cannot be told to), which velctl
    // shares.
    ::FreeConsole();
    CHECK(::AllocConsole());
    simdev::Reset();
    simdev::WriteScript("");
    const ui::Output stopped = ui::RunConsole(L"velctl.exe", L"watch", 20000, [](ui::Program&) {
        CHECK(simdev::WaitForJournal("RegDataCallback", 1, 10000));
        ::SetConsoleCtrlHandler(nullptr, TRUE); // this program goes on
        CHECK(::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
    });
    ::SetConsoleCtrlHandler(nullptr, FALSE);
    CHECK_EQ(stopped.exitCode, 0);
    std::printf("after Ctrl+C: %s\n", CallNames().c_str());
    CHECK_EQ(simdev::CountJournal("UnRegDataCallback"), 1u);
    CHECK_EQ(simdev::CountJournal("StopCalibMode"), 1u);
    CHECK_EQ(simdev::Journal().back(), std::string("CloseDevice"));
}

namespace {

// The hd set in calibrate's JSON.
std::string SetOf(const std::string& json) {
    const size_t at = json.find("\"set\": [");
    return at == std::string::npos ? "" : json.substr(at, json.find(']', at) - at);
}

// The summary's counts and noise: what a replay must give again.
std::string Statistics(const std::string& json) {
    const std::string summary = json.substr(json.rfind("{\"event\": \"summary\""));
    const size_t noise = summary.find("\"noise\"");
    return "reports " + std::to_string(static_cast<int>(LastNumber(summary, "reports"))) +
           ", touches " + std::to_string(static_cast<int>(LastNumber(summary, "touches"))) +
           ", still " + std::to_string(static_cast<int>(LastNumber(summary, "stillTouches"))) +
           ", " + summary.substr(noise, summary.find("\"touchJitter\"") - noise);
}

// Statistics with each standard deviation rounded to whole raw units: which
// reports fall in a touch's first 50 ms (left out of its noise) depends on
// when they arrive, live or replayed, and moves a deviation by hundredths.
std::string Rounded(const std::string& statistics) {
    std::string text = statistics;
    for (size_t at = text.find("\"sd\": "); at != std::string::npos;
         at = text.find("\"sd\": ", at + 1)) {
        const size_t begin = at + 6, end = text.find(',', begin);
        text.replace(
            begin, end - begin,
            std::to_string(static_cast<int>(std::lround(std::atof(text.c_str() + begin)))));
    }
    return text;
}

} // namespace

// A session recorded and replayed by the simulated screen gives what the
// session gave: the same watch statistics (a jittery screen) and the same
// calibration (a scripted one). The recording's header holds the screen's
// settings, which the replaying screen takes.
VEL_CASE(ARecordingReplaysAsTheSessionItRecorded) {
    // Beside the simulated screen's folder, which each row empties.
    ::CreateDirectoryW((simdev::Home() + L"\\support").c_str(), nullptr);
    const std::wstring file = simdev::Home() + L"\\support\\recording.txt";
    const std::string path = ui::Narrow(file);
    const struct {
        const char* what;
        const char* noise;
        const char* script;
        const wchar_t* command;
    } kRows[] = {
        {"watch, jittery", "12", kJittery, L"watch --seconds 3 --json"},
        {"calibrate", "0",
         "target 0 5\nlift\ntarget 1 5\nlift\ntarget 2 5\nlift\ntarget 3 5\nlift\n",
         L"calibrate --json"},
    };
    for (const auto& row : kRows) {
        check::Note(row.what);
        simdev::Reset();
        simdev::Set("noise", row.noise);
        simdev::Set("touchJitter", "150");
        simdev::WriteScript(row.script);
        const ui::Output original = ui::RunConsole(L"velctl.exe", row.command, 30000);
        const ui::Output recorded =
            ui::RunConsole(L"velctl.exe", L"record \"" + file + L"\" --seconds 3", 30000);
        CHECK_EQ(recorded.exitCode, 0);
        const std::string text = ui::ReadAll(file);
        if (row.noise[0] == '1')
            std::printf(
                "%s", text.substr(0, text.find("\r\n", text.find("reports\r\n") + 9) + 2).c_str());
        // A desk with a screen of other settings and no script replays it.
        simdev::Reset();
        simdev::Set("touchJitter", "40");
        simdev::Set("replay", path);
        const ui::Output replayed = ui::RunConsole(L"velctl.exe", row.command, 30000);
        CHECK_EQ(replayed.exitCode, original.exitCode);
        if (row.noise[0] == '1') {
            CHECK_EQ(Rounded(Statistics(replayed.out)), Rounded(Statistics(original.out)));
            CHECK_EQ(LastNumber(replayed.out, "touchJitter"), 150.0);
            std::printf("original: %s\nreplayed: %s\n", Statistics(original.out).c_str(),
                        Statistics(replayed.out).c_str());
        } else {
            CHECK(!SetOf(original.out).empty());
            CHECK_EQ(SetOf(replayed.out), SetOf(original.out));
            std::printf("original: %s]\nreplayed: %s]\n", SetOf(original.out).c_str(),
                        SetOf(replayed.out).c_str());
        }
    }
}

namespace {

// What the tools remember, as the calibration library writes it.
void WriteMemory(const RememberedCalibration& entry) {
    ::CreateDirectoryW((simdev::Home() + L"\\tools").c_str(), nullptr);
    FILE* pFile = ::_wfopen((simdev::Home() + L"\\tools\\calibrations.ini").c_str(), L"wb");
    CHECK(pFile != nullptr && std::fputs(FormatMemory({entry}).c_str(), pFile) >= 0);
    std::fclose(pFile);
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

} // namespace

// velctl check on two displays: a calibration remembered for display 2 as the
// layout has it, as if the display had stood elsewhere, as if it were gone
// (an identity and name the layout lacks), and for another device path only.
// --calibrate calibrates only when the check fails.
VEL_CASE(CheckTellsWhatChangedSinceTheCalibration) {
    DesktopLayout layout;
    {
        const PerMonitorDpiScope aware; // as velctl takes the layout
        layout = CurrentDesktopLayout();
    }
    CHECK_EQ(layout.displays.size(), size_t(2));
    const DisplayInfo& two = layout.displays[1];
    RememberedCalibration asIs;
    asIs.device = simdev::Get("devicePath"), asIs.date = "2026-12-09T21:04:05Z";
    asIs.display = two.identity.empty() ? two.device : two.identity;
    asIs.displayName = two.device, asIs.nDisplay = 2, asIs.rect = two.rect;
    asIs.orientation = two.orientation, asIs.dpi = two.dpi, asIs.nOutcome = VEL_CALIB_VERIFIED;
    RememberedCalibration elsewhere = asIs, gone = asIs, otherPath = asIs;
    elsewhere.rect.x += 100;
    gone.display = "\\\\?\\DISPLAY#VEL9999#9", gone.displayName = "\\\\.\\DISPLAY9";
    otherPath.device = "\\\\?\\hid#velsim_touch#7";
    const struct {
        const char* what;
        const RememberedCalibration& memory;
        int exitCode;
        const char* status;
        std::string words;
    } kRows[] = {
        {"as the layout has it", asIs, 0, "unchanged", "\ndisplay now    2 (" + two.device},
        {"moved", elsewhere, 25, "moved",
         "\nchange         display 2 (" + two.device + ") was " + RectText(elsewhere.rect) +
             " and is " + RectText(two.rect) + "\n"},
        {"gone", gone, 22, "gone", "\ndisplay now    gone\n"},
        {"another path", otherPath, 21, "path changed", "\nremembered for " + otherPath.device},
    };
    std::printf("%-22s %-5s %s\n", "remembered", "exit", "first line");
    for (const auto& row : kRows) {
        check::Note(row.what);
        simdev::Reset();
        WriteMemory(row.memory);
        const ui::Output text = ui::RunConsole(L"velctl.exe", L"check");
        CHECK_EQ(text.exitCode, row.exitCode);
        CHECK_EQ(FirstLine(text.out).rfind(std::string(row.status) + ": ", 0), size_t(0));
        CHECK(text.out.find(row.words) != std::string::npos);
        const ui::Output json = ui::RunConsole(L"velctl.exe", L"check --json");
        CHECK_EQ(json.exitCode, row.exitCode);
        CHECK(json.out.find("\"status\": \"" + std::string(row.status) + "\",\n  \"exitCode\": " +
                            std::to_string(row.exitCode) + ",") != std::string::npos);
        std::printf("%-22s %-5d %s\n", row.what, text.exitCode, FirstLine(text.out).c_str());
    }
    // --calibrate: as remembered, nothing else runs; moved, the calibration
    // runs (Escape on its first page) and its exit code is the command's.
    for (const bool bMoved : {false, true}) {
        check::Note(bMoved ? "--calibrate, moved" : "--calibrate, as the layout has it");
        simdev::Reset();
        WriteMemory(bMoved ? elsewhere : asIs);
        const ui::Output result =
            ui::RunConsole(L"velctl.exe", L"check --calibrate", 60000, [&](ui::Program& program) {
                const HWND hWnd = bMoved ? ui::WaitForWindow(program.pid, L"#32770") : nullptr;
                if (hWnd != nullptr)
                    ::PostMessageW(hWnd, WM_KEYDOWN, VK_ESCAPE, 1);
            });
        CHECK_EQ(result.exitCode, bMoved ? 8 : 0);
        CHECK_EQ(simdev::CountJournal("StartCalibMode"), bMoved ? size_t(1) : size_t(0));
        std::printf("%-22s %-5d %s\n", bMoved ? "moved, --calibrate" : "as is, --calibrate",
                    result.exitCode, FirstLine(result.out).c_str());
    }
}
