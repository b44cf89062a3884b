// What support uses: velctl watch on a jittery simulated screen, its way out
// by Ctrl+C, and velctl record replayed by the simulated screen.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "check.h"
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
            CHECK_EQ(Statistics(replayed.out), Statistics(original.out));
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
