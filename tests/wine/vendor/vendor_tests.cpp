// The tool set against a device library built in the touch screen maker's ABI
// (vendorsdk.cpp, by clang in its MSVC mode), as a user with a real screen
// meets it: the tools and the library in one folder. Every program's actions
// reach the library with the right bytes, on x64 and on x86 with either
// convention of the data callback; a missing, foreign or incomplete library is
// told before any device call; velctl check-sdk reports on each library.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "calibmatrix.h"
#include "check.h"
#include "orientation.h"
#include "records.h"
#include "resource.h"
#include "simdevice.h"
#include "uidriver.h"

namespace {

// The variants of bin\vendor: those the tools of this architecture use, the
// one that lacks GetOutPutMode, and one of the other architecture.
#if defined(_WIN64)
const wchar_t* const kUsable[] = {L"x64", L"x64-ushort"};
const wchar_t kLacking[] = L"x64-lacking";
const wchar_t kOversized[] = L"x64-oversized";
const wchar_t kForeign[] = L"x86";
#else
const wchar_t* const kUsable[] = {L"x86", L"x86-cdecl", L"x86-ushort"};
const wchar_t kLacking[] = L"x86-lacking";
const wchar_t kOversized[] = L"x86-oversized";
const wchar_t kForeign[] = L"x64";
#endif

// The library's record (vendorsdk.cpp), byte 14 on being the touch delay.
const std::string kRecord = "010100112207b80b000020030000fa000000d20400000400"
                            "e0e1e2e3e4e5e6e7e8e9eaebecedeeeff0f1f2f3f4f5f6f7f8f9fafbfcfd";

std::string WithDelay(const std::string& hexDelay) {
    return kRecord.substr(0, 28) + hexDelay + kRecord.substr(36);
}

// A folder holding the tools and the variant's SDK.dll (L"": none).
std::wstring Tools(const std::wstring& variant) {
    const std::wstring dir = simdev::Home() + L"\\tools-" + (variant.empty() ? L"none" : variant);
    ::CreateDirectoryW(simdev::Home().c_str(), nullptr);
    ::CreateDirectoryW(dir.c_str(), nullptr);
    for (const wchar_t* name :
         {L"VelApp.exe", L"VelCalib.dll", L"velctl.exe", L"velcalib_host.exe"})
        CHECK(::CopyFileW((ui::BinDir() + L"\\" + name).c_str(), (dir + L"\\" + name).c_str(),
                          FALSE));
    const std::wstring sdk = dir + L"\\SDK.dll";
    ::DeleteFileW(sdk.c_str());
    if (!variant.empty())
        CHECK(::CopyFileW((ui::BinDir() + L"\\vendor\\" + variant + L"\\SDK.dll").c_str(),
                          sdk.c_str(), FALSE));
    return dir;
}

std::wstring JournalPath() {
    return simdev::Home() + L"\\vendor-journal.txt";
}

std::vector<std::string> Journal() {
    std::vector<std::string> lines;
    const std::string text = ui::ReadAll(JournalPath());
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

// The operations of the journal, comma-separated.
std::string Calls() {
    std::string names;
    for (const std::string& line : Journal())
        names += (names.empty() ? "" : ",") + line.substr(0, line.find(' '));
    return names;
}

// The last line that starts with `prefix`, "" when none does.
std::string Last(const std::string& prefix) {
    std::string found;
    for (const std::string& line : Journal()) {
        if (line.rfind(prefix, 0) == 0)
            found = line;
    }
    return found;
}

bool WaitForLine(const std::string& prefix, DWORD timeoutMs) {
    return ui::WaitFor([&] { return !Last(prefix).empty(); }, timeoutMs);
}

// The journal lines of the two records of an orientation.
std::vector<std::string> OrientationLines(const panel::OrientationStep& step) {
    _VEL_CALIB_PARAM param;
    _VEL_CALIB_PARAM_HD paramHd;
    panel::FillOrientationRecords(step, param, paramHd);
    return {"ApplyCalibParam_hd bytes=" + velsim::Hex(&paramHd, sizeof paramHd) + " -> 1",
            "ApplyCalibParam bytes=" + velsim::Hex(&param, sizeof param) + " -> 1"};
}

// The record a run makes of the library's touches: raw = target / 2 + (1000, 2000).
std::string CalibrationLine() {
    const CalibPoint targets[4] = {{2048, 2048}, {30720, 2048}, {2048, 30720}, {30720, 30720}};
    CalibPoint raw[4];
    for (int i = 0; i < 4; ++i)
        raw[i] = {targets[i].x / 2 + 1000, targets[i].y / 2 + 2000};
    _VEL_CALIB_PARAM param;
    _VEL_CALIB_PARAM_HD paramHd;
    paramHd.enable = 1;
    CHECK(CalcCalibMatrix(targets, raw, 4, param.matrix, paramHd.matrix));
    return "ApplyCalibParam_hd bytes=" + velsim::Hex(&paramHd, sizeof paramHd) + " -> 1";
}

// The control panel of the folder, its dialog shown.
struct Panel {
    ui::Program program;
    HWND hDlg = nullptr;

    explicit Panel(const std::wstring& dir) {
        ui::Start(program, dir + L"\\VelApp.exe");
        hDlg = ui::WaitForWindow(program.pid, L"#32770");
        CHECK(hDlg != nullptr);
        ui::Sync(hDlg);
    }
    void Exit() {
        ui::ClickButton(hDlg, IDC_BTN_EXIT);
        CHECK_EQ(program.Wait(), 0);
    }
};

ui::Output Velctl(const std::wstring& dir, const std::wstring& args, DWORD timeoutMs = 20000) {
    return ui::RunConsole(dir + L"\\velctl.exe", args, timeoutMs);
}

struct Action {
    const char* name;
    std::function<void(const std::wstring& dir)> run;
};

const Action kActions[] = {
    {"VelApp shows the library's values",
     [](const std::wstring& dir) {
         Panel panel(dir);
         const int expected[][2] = {
             {IDC_SLD_TOUCH_HEIGHT, 4},        {IDC_SLD_TOUCH_SMOOTH, 7},
             {IDC_SLD_TOUCH_DELAY, 250},       {IDC_SLD_TOUCH_JITTER, 1234},
             {IDC_SLD_RIGHT_CLICK_TIME, 3000}, {IDC_SLD_RIGHT_CLICK_AREA, 800}};
         for (const auto& slider : expected)
             CHECK_EQ(ui::SliderPos(panel.hDlg, slider[0]), slider[1]);
         CHECK(ui::Checked(panel.hDlg, IDC_CHK_TOUCH_ENABLE));
         CHECK(!ui::Checked(panel.hDlg, IDC_CHK_RIGHT_CLICK_ENABLE));
         CHECK(ui::Checked(panel.hDlg, IDC_RAD_UP_CLICK_MODE));
         panel.Exit();
         CHECK_EQ(Calls(), "Loaded,EnumDevice,Vel_DeviceManager,OpenDevice,GetDriverConfig,"
                           "GetOutPutMode,CloseDevice,~Vel_DeviceManager");
         CHECK_EQ(Last("GetDriverConfig"), "GetDriverConfig -> 1 bytes=" + kRecord);
     }},
    {"VelApp Apply sends the record and the output mode",
     [](const std::wstring& dir) {
         Panel panel(dir);
         CHECK_EQ(ui::KeySlider(panel.hDlg, IDC_SLD_TOUCH_DELAY, 251), 251);
         ui::ClickButton(panel.hDlg, IDC_BTN_APPLY);
         HWND hBox = ui::WaitForMessageBox(panel.program.pid, 5000, panel.hDlg);
         CHECK(hBox != nullptr);
         ui::CloseMessageBox(hBox);
         CHECK(WaitForLine("~Vel_DeviceManager", 5000));
         panel.Exit();
         CHECK_EQ(Last("SetDriverConfig"),
                  "SetDriverConfig bytes=" + WithDelay("fb000000") + " -> 1");
         CHECK_EQ(Last("ChangeOutPutMode"), "ChangeOutPutMode mode=1 -> 1");
     }},
    {"VelApp rotate sends both records",
     [](const std::wstring& dir) {
         Panel panel(dir);
         const std::wstring caption = ui::ItemText(panel.hDlg, IDC_BTN_ROTATE);
         ui::ClickButton(panel.hDlg, IDC_BTN_ROTATE);
         CHECK(WaitForLine("ApplyCalibParam ", 5000));
         panel.Exit();
         const std::vector<std::string> lines =
             OrientationLines(panel::OrientationForCaption(caption.c_str()));
         CHECK_EQ(Last("ApplyCalibParam_hd"), lines[0]);
         CHECK_EQ(Last("ApplyCalibParam "), lines[1]);
     }},
    {"VelApp Reset",
     [](const std::wstring& dir) {
         Panel panel(dir);
         ui::ClickButton(panel.hDlg, IDC_BTN_RESET);
         HWND hBox = ui::WaitForMessageBox(panel.program.pid, 5000, panel.hDlg);
         CHECK(hBox != nullptr);
         CHECK_EQ(ui::Narrow(ui::MessageBoxText(hBox)), "Reset Success.");
         ui::CloseMessageBox(hBox);
         panel.Exit();
         CHECK_EQ(Last("ResetCalibParam"), "ResetCalibParam -> 1");
     }},
    {"VelApp Calib: a run on the library's reports",
     [](const std::wstring& dir) {
         Panel panel(dir);
         ui::ClickButton(panel.hDlg, IDC_BTN_CALIB);
         CHECK(WaitForLine("ApplyCalibParam_hd", 20000));
         CHECK(WaitForLine("~Vel_DeviceManager", 5000));
         ui::Sync(panel.hDlg);
         panel.Exit();
         CHECK_EQ(Last("ApplyCalibParam_hd"), CalibrationLine());
         CHECK(Calls().find("StartCalibMode,RegDataCallback,ApplyCalibParam_hd,UnRegDataCallback,"
                            "StopCalibMode,CloseDevice,~Vel_DeviceManager") != std::string::npos);
     }},
    {"velctl show",
     [](const std::wstring& dir) {
         const ui::Output output = Velctl(dir, L"show");
         CHECK_EQ(output.exitCode, 0);
         CHECK(output.out.find("touchDelay        250 ") != std::string::npos);
         CHECK(output.out.find("touchJitter       1234 ") != std::string::npos);
         CHECK(output.out.find("outputMode        1\n") != std::string::npos);
     }},
    {"velctl set",
     [](const std::wstring& dir) {
         CHECK_EQ(Velctl(dir, L"set touchDelay=300").exitCode, 0);
         CHECK_EQ(Last("SetDriverConfig"),
                  "SetDriverConfig bytes=" + WithDelay("2c010000") + " -> 1");
     }},
    {"velctl rotate",
     [](const std::wstring& dir) {
         CHECK_EQ(Velctl(dir, L"rotate 180").exitCode, 0);
         const std::vector<std::string> lines = OrientationLines(panel::kOrientationCycle[1]);
         CHECK_EQ(Last("ApplyCalibParam_hd"), lines[0]);
         CHECK_EQ(Last("ApplyCalibParam "), lines[1]);
     }},
    {"velctl calibrate: VelCalib.dll on the library's reports",
     [](const std::wstring& dir) {
         CHECK_EQ(Velctl(dir, L"calibrate", 30000).exitCode, 0);
         CHECK_EQ(Last("ApplyCalibParam_hd"), CalibrationLine());
     }},
};

} // namespace

VEL_CASE(EveryToolDrivesALibraryOfTheMakersAbi) {
    for (const wchar_t* variant : kUsable) {
        const std::wstring dir = Tools(variant);
        for (const Action& action : kActions) {
            check::Note(ui::Narrow(variant) + ": " + action.name);
            ::DeleteFileW(JournalPath().c_str());
            action.run(dir);
            // new/delete per operation, and the object intact at every call.
            const std::vector<std::string> lines = Journal();
            size_t made = 0, destroyed = 0;
            for (const std::string& line : lines) {
                made += line.rfind("Vel_DeviceManager size=", 0) == 0;
                destroyed += line == "~Vel_DeviceManager";
                CHECK(line.rfind("Damaged", 0) != 0);
            }
            CHECK(made > 0);
            CHECK_EQ(made, destroyed);
        }
    }
}

// A missing, foreign or incomplete library: each program says so in words,
// and nothing reaches a device. The simulated SDK.dll in the current folder
// and on PATH is never taken instead.
VEL_CASE(UnusableLibrariesAreToldBeforeAnyDeviceCall) {
    wchar_t previous[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, previous);
    CHECK(::SetCurrentDirectoryW(ui::BinDir().c_str()));
    std::wstring path(32768, L'\0');
    path.resize(::GetEnvironmentVariableW(L"PATH", &path[0], 32768));
    ::SetEnvironmentVariableW(L"PATH", (ui::BinDir() + L";" + path).c_str());
    const struct {
        const wchar_t* variant;
        const char* says;
    } kRows[] = {
        {L"", "SDK.dll is missing. It is looked for only in "},
#if defined(_WIN64)
        {kForeign, "\\SDK.dll is a 32-bit (x86) library, and "},
#else
        {kForeign, "\\SDK.dll is a 64-bit (x64) library, and "},
#endif
        {kLacking, "\\SDK.dll lacks Vel_DeviceManager::GetOutPutMode ("},
    };
    for (const auto& row : kRows) {
        check::Note(std::string("library: ") + (*row.variant ? ui::Narrow(row.variant) : "none"));
        const std::wstring dir = Tools(row.variant);
        ::DeleteFileW(JournalPath().c_str());

        const ui::Output output = Velctl(dir, L"show");
        CHECK_EQ(output.exitCode, 6);
        CHECK(output.err.find(row.says) != std::string::npos);
        CHECK(output.out.empty());

        for (const wchar_t* program : {L"VelApp.exe", L"velcalib_host.exe"}) {
            ui::Program started;
            ui::Start(started, dir + L"\\" + program,
                      std::wstring(program) == L"velcalib_host.exe" ? L"start" : L"");
            HWND hBox = ui::WaitForMessageBox(started.pid, 10000);
            CHECK(hBox != nullptr);
            CHECK(ui::Narrow(ui::MessageBoxText(hBox)).find(row.says) != std::string::npos);
            CHECK(ui::Windows(started.pid, L"#32770").size() == 1); // the box alone
            ui::CloseMessageBox(hBox);
            CHECK(started.Wait() != -1);
        }
        // Only the incomplete library was loaded (and let go) to look for its members.
        for (const std::string& line : Journal())
            CHECK_EQ(line, "Loaded");
        CHECK_EQ(Journal().empty(), row.variant != kLacking);
        CHECK(!simdev::FileExists("journal.txt"));
    }
    ::SetEnvironmentVariableW(L"PATH", path.c_str());
    ::SetCurrentDirectoryW(previous);
}

// An object that outgrows the room the tools give it is told after the call
// that showed it, and the tools make no further call.
VEL_CASE(AnObjectLargerThanItsRoomStopsTheTools) {
    const std::wstring dir = Tools(kOversized);
    ::DeleteFileW(JournalPath().c_str());
    const ui::Output output = Velctl(dir, L"set touchDelay=300");
    CHECK_EQ(output.exitCode, 6);
    CHECK(output.err.find("\\SDK.dll: a Vel_DeviceManager object used more than the 48 KiB") !=
          std::string::npos);
    CHECK_EQ(Calls(), "Loaded,EnumDevice,Vel_DeviceManager,OpenDevice,GetDriverConfig,"
                      "GetOutPutMode,CloseDevice,~Vel_DeviceManager");

    // The control panel tells it in velctl's words once its start-up read is
    // over, and ends without showing its dialog.
    ::DeleteFileW(JournalPath().c_str());
    ui::Program panel;
    ui::Start(panel, dir + L"\\VelApp.exe");
    HWND hBox = ui::WaitForMessageBox(panel.pid, 10000);
    CHECK(hBox != nullptr);
    CHECK(output.err.find("velctl: " + ui::Narrow(ui::MessageBoxText(hBox)) + "\n") !=
          std::string::npos);
    CHECK_EQ(ui::Narrow(ui::Text(hBox)), "VelApp");
    CHECK_EQ(ui::Windows(panel.pid, L"#32770").size(), 1u); // the box alone
    ui::CloseMessageBox(hBox);
    CHECK_EQ(panel.Wait(), 0);
    CHECK_EQ(Calls(), "Loaded,EnumDevice,Vel_DeviceManager,OpenDevice,GetDriverConfig,"
                      "GetOutPutMode,CloseDevice,~Vel_DeviceManager");
}

// velctl check-sdk on the simulator, the maker's libraries and broken ones.
VEL_CASE(CheckSdkTellsWhichLibrariesTheToolsCanUse) {
    const std::wstring vendor = ui::BinDir() + L"\\vendor\\";
    const struct {
        std::wstring file;
        int exitCode;
        const char* says;
    } kRows[] = {
        {ui::BinDir() + L"\\SDK.dll", 0, "verdict        usable: "},
#if defined(_WIN64)
        {vendor + L"x64\\SDK.dll", 0, "data callback  x64 has one calling convention\n"},
        {vendor + L"x86\\SDK.dll", 6, "it is a 32-bit (x86) library: use the 32-bit (x86) tools"},
        {vendor + L"x64-ushort\\SDK.dll", 0,
         "?OpenDevice@Vel_DeviceManager@@QEAAXPEAG@Z (its path as unsigned short*: the same call)"},
#else
        {vendor + L"x86\\SDK.dll", 0, "data callback  __stdcall: "},
        {vendor + L"x86-cdecl\\SDK.dll", 0, "data callback  __cdecl: the tools relay"},
        {vendor + L"x64\\SDK.dll", 6, "it is a 64-bit (x64) library: use the 64-bit (x64) tools"},
        {vendor + L"x86-ushort\\SDK.dll", 0,
         "?OpenDevice@Vel_DeviceManager@@QAEXPAG@Z (its path as unsigned short*: the same call)"},
#endif
        {vendor + kLacking + L"\\SDK.dll", 6, "\n  missing  GetOutPutMode       ?GetOutPutMode@"},
        {ui::BinDir() + L"\\velctl.exe", 6, "it is a program, not a library"},
        {ui::BinDir() + L"\\no-such.dll", 6, ""},
    };
    for (const auto& row : kRows) {
        check::Note("check-sdk " + ui::Narrow(row.file));
        const ui::Output output = Velctl(ui::BinDir(), L"check-sdk \"" + row.file + L"\"");
        CHECK_EQ(output.exitCode, row.exitCode);
        CHECK(output.out.find(row.says) != std::string::npos);
    }
    // Without FILE: the SDK.dll beside velctl, read and never loaded.
    const std::wstring dir = Tools(kUsable[0]);
    ::DeleteFileW(JournalPath().c_str());
    const ui::Output output = Velctl(dir, L"check-sdk");
    CHECK_EQ(output.exitCode, 0);
    CHECK(output.out.find("file           " + ui::Narrow(dir) + "\\SDK.dll\n") == 0);
    CHECK(!simdev::FileExists("vendor-journal.txt"));
}
