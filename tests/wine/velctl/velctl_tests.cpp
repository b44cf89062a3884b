// velctl.exe as a script runs it: one table of command lines with the exit
// code, the output, the calls that reached the simulated screen and the
// screen's state and registry afterwards; then an export from one simulated
// screen imported into another, and a scripted calibration.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "check.h"
#include "mousereg.h"
#include "simdevice.h"
#include "uidriver.h"
#include "velversion.h"

namespace {

using Result = ui::Output;

// Runs velctl.exe with these arguments.
Result Run(const std::string& args, DWORD timeoutMs = 20000) {
    return ui::RunConsole(L"velctl.exe", ui::Widen(args), timeoutMs);
}

// The device calls of the journal by name (reports left out), comma-separated.
std::string CallNames() {
    std::string names;
    for (const std::string& line : simdev::Journal()) {
        if (line.rfind("Report ", 0) != 0)
            names += (names.empty() ? "" : ",") + line.substr(0, line.find(' '));
    }
    return names;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t pos = 0;
    while (pos <= text.size() && !text.empty()) {
        size_t end = text.find(separator, pos);
        if (end == std::string::npos)
            end = text.size();
        parts.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return parts;
}

void SetMouse(const std::string& name, const std::string& text) {
    mousereg::SetMouseText(name.c_str(), text);
}

// The text of a value; "" when it is missing or not text.
std::string GetMouse(const std::string& name) {
    return mousereg::GetMouseText(name.c_str());
}

void FactoryScreenAndRegistry() {
    simdev::Reset();
    SetMouse("DoubleClickWidth", "4");
    SetMouse("DoubleClickHeight", "4");
    SetMouse("DoubleClickSpeed", "500");
    ::SystemParametersInfoW(SPI_SETDOUBLECLICKTIME, 500, nullptr, 0);
    ::SystemParametersInfoW(SPI_SETDOUBLECLKHEIGHT, 4, nullptr, 0);
    ::SystemParametersInfoW(SPI_SETDOUBLECLKWIDTH, 4, nullptr, 0);
}

// "key=value;key=value" of device.ini ("Width=…" etc.: the mouse key).
void Apply(const std::string& edits) {
    for (const std::string& edit : Split(edits, ';')) {
        size_t eq = edit.find('=');
        std::string key = edit.substr(0, eq);
        if (key.rfind("DoubleClick", 0) == 0)
            SetMouse(key, edit.substr(eq + 1));
        else
            simdev::Set(key, edit.substr(eq + 1));
    }
}

void Expect(const std::string& expected) {
    for (const std::string& item : Split(expected, ';')) {
        size_t eq = item.find('=');
        std::string key = item.substr(0, eq);
        std::string actual = key.rfind("DoubleClick", 0) == 0 ? GetMouse(key) : simdev::Get(key);
        CHECK_EQ(key + "=" + actual, item);
    }
}

void ExpectContains(const std::string& text, const std::string& parts) {
    for (const std::string& part : Split(parts, '|')) {
        if (text.find(part) == std::string::npos)
            check::Fail(__FILE__, __LINE__, "missing \"" + part + "\" in:\n" + text);
    }
}

const char kPath0[] = "\\\\?\\hid#velsim_touch#0";

// Each row starts from the factory screen, DoubleClickWidth/Height 4 and
// DoubleClickSpeed 500 in the registry and in use; "" leaves an expectation out, except for calls,
// where it means that not even the enumeration ran.
struct Row {
    const char* args;
    const char* setup; // device.ini and registry edits
    int exitCode;
    const char* out;   // substrings of the output, '|'-separated
    const char* err;   // substrings of the error stream
    const char* calls; // the journal's calls, nullptr: not checked
    const char* after; // device.ini and registry afterwards
};

const Row kRows[] = {
    // Listing and showing.
    {"list", "", 0, "screens: 1\n\\\\?\\hid#velsim_touch#0\n", "", "EnumDevice", ""},
    {"list --json", "deviceCount=2", 0,
     R"({"count": 2, "paths": ["\\\\?\\hid#velsim_touch#0", "\\\\?\\hid#velsim_touch#1"]})", "",
     "EnumDevice", ""},
    {"list", "deviceCount=0", 0, "screens: 0\n", "", "EnumDevice", ""},
    {"show", "", 0,
     "touchHeight       5      3..8 |touchDelay        100    0..500 ms |"
     "doubleClickSpeed  500    1..1000 ms |outputMode        2\n|"
     "orientation       unknown: the device cannot report its orientation",
     "", "EnumDevice,OpenDevice,GetDriverConfig,GetOutPutMode,CloseDevice", ""},
    {"show --json", "outputMode=none;touchHeight=20;DoubleClickWidth=1000", 0,
     R"("touchHeight": {"value": 20, "unit": "", "min": 3, "max": 8, "inRange": false}|)"
     R"("doubleClickRange": {"value": 1000, "unit": "pixels", "min": 1, "max": 500, )"
     R"("inRange": false}|"outputMode": null|"device": "\\\\?\\hid#velsim_touch#0")",
     "", nullptr, ""},
    // Setting: registry first, then the record read and changed, then the mode.
    {"set touchSmooth=8 touchMode=1", "", 0, "touchMode = 1\ntouchSmooth = 8\noutputMode = 1\n", "",
     "EnumDevice,OpenDevice,GetDriverConfig,GetOutPutMode,CloseDevice,"
     "OpenDevice,SetDriverConfig,ChangeOutPutMode,CloseDevice",
     "touchSmooth=8;touchMode=1;outputMode=1;touchHeight=5;reserved3=90;reserved4=165;"
     "reserved24=303132333435363738393a3b3c3d3e3f404142434445464748494a4b4c4d"},
    {"set TOUCHDELAY=0 rightclicktime=5000 touchMode=3", "outputMode=none;touchHeight=20", 0,
     "touchMode = 3\ntouchDelay = 0\nrightClickTime = 5000\n", "",
     "EnumDevice,OpenDevice,GetDriverConfig,GetOutPutMode,CloseDevice,"
     "OpenDevice,SetDriverConfig,CloseDevice",
     "touchMode=3;touchDelay=0;rightClickTime=5000;touchHeight=20;outputMode=none"},
    {"set touchEnable=0", "", 0, "touchEnable = 0\n", "",
     "EnumDevice,OpenDevice,GetDriverConfig,GetOutPutMode,CloseDevice,"
     "OpenDevice,SetDriverConfig,CloseDevice",
     "touchEnable=0;touchMode=2;outputMode=2"},
    {"set doubleClickRange=10 doubleClickSpeed=700", "", 0, "", "", "EnumDevice",
     "DoubleClickWidth=10;DoubleClickHeight=10;DoubleClickSpeed=700"},
    {"set doubleClickSpeed=650 touchEnable=0", "failSetDriverConfig=1", 4, "",
     "refused the touch parameters; the double-click settings were written", nullptr,
     "touchEnable=1;DoubleClickSpeed=650;DoubleClickWidth=4"},
    {"set touchMode=0", "failGetDriverConfig=1", 4, "", "refused to give its touch parameters",
     "EnumDevice,OpenDevice,GetDriverConfig,GetOutPutMode,CloseDevice", "touchMode=2"},
    // Bad values: every one reported, nothing looked at, nothing written.
    {"set touchHeight=9 foo=1 touchDelay=5ms touchSmooth doubleClickRange=0 touchJitter=-5", "", 2,
     "",
     "touchHeight: 9 is out of range; touchHeight takes 3..8|unknown setting \"foo\"|"
     "touchDelay: \"5ms\" is not a number; touchDelay takes 0..500 ms|"
     "\"touchSmooth\" is not NAME=VALUE|doubleClickRange: 0 is out of range|"
     "touchJitter: -5 is out of range",
     "", "touchHeight=5;DoubleClickWidth=4"},
    // The control panel's rule about screens, and --device.
    {"show", "deviceCount=0", 3, "", "No Any TouchScreen Connect The Host", "EnumDevice", ""},
    {"reset", "deviceCount=3", 3, "", "More Than One TouchScreen Connect The Host", "EnumDevice",
     ""},
    {"reset", "deviceCount=25", 3, "", "More Than One TouchScreen Connect The Host", "EnumDevice",
     ""},
    {"--device \\\\?\\HID#VELSIM_TOUCH#1 reset", "deviceCount=3", 0, "Reset Success.", "",
     "EnumDevice,OpenDevice,ResetCalibParam,CloseDevice", "calibration=none"},
    {"reset --device=\\\\?\\hid#velsim_touch#7", "deviceCount=3", 3, "",
     "no screen with the path \\\\?\\hid#velsim_touch#7 is connected", "EnumDevice", ""},
    // Orientation: both records, always, single precision first.
    {"rotate 90", "", 0,
     "orientation 90 sent\nthe screen's calibration was replaced by this orientation's set", "",
     "EnumDevice,OpenDevice,ApplyCalibParam_hd,ApplyCalibParam,CloseDevice",
     "calibration=16 0 -1000 3277 1000 0 0 0 0"},
    {"rotate none", "refuse16=1", 0, "(the 16-bit record was refused)", "",
     "EnumDevice,OpenDevice,ApplyCalibParam_hd,ApplyCalibParam,CloseDevice",
     "calibration=hd 1 1000 0 0 0 1000 0 0 0"},
    {"rotate mirror-y", "refuseHd=1;refuse16=1", 4, "", "refused both records", nullptr, ""},
    {"rotate 45", "", 2, "", "unknown orientation \"45\"", "", ""},
    {"rotate MIRROR-X", "refuse16=1", 0, "orientation mirror-x sent", "", nullptr, ""},
    // Reset.
    {"reset", "calibration=16 1 2 3 4 5 6 7 8", 0, "Reset Success.\n", "",
     "EnumDevice,OpenDevice,ResetCalibParam,CloseDevice", "calibration=none"},
    {"reset", "failReset=1", 4, "", "Reset Failed.", nullptr, ""},
    // Usage.
    {"", "", 1, "", "no command given", "", ""},
    {"frobnicate", "", 1, "", "unknown command \"frobnicate\"", "", ""},
    {"--verbose show", "", 1, "", "unknown option --verbose", "", ""},
    {"--help", "", 0, "exit codes |calibrate |displays [--json] |  exit-codes ", "", "", ""},
    {"/?", "", 0, "usage: velctl [--device PATH] COMMAND", "", "", ""},
    {"calibrate /?", "", 0, "usage: velctl [--device PATH] calibrate|\n  6   SDK.dll is missing",
     "", "", ""},
    {"help exit-codes", "", 0, "\n16    a verify touch landed beyond", "", "", ""},
    {"--version", "", 0, "velctl " VEL_VERSION_TEXT " ", "", "", ""},
    // A value it cannot take ends with 2, whatever is wrong with it; an option
    // without the one it qualifies is a usage error.
    {"calibrate --verify -1", "", 2, "", "--verify: -1 is out of range", "", ""},
    {"calibrate --verify 10", "", 2, "", "10 verify points: at most 9", "", ""},
    {"watch --seconds=x", "", 2, "", "--seconds takes 0 to 86400", "", ""},
    {"calibrate --max-error 5", "", 1, "", "--max-error needs --checks 1 or more", "", ""},
    // The displays, without the device library.
    {"displays", "deviceCount=0", 0,
     "display  device        rectangle     primary  orientation  dpi\n"
     "1        \\\\.\\DISPLAY1  0,0 1024x768  yes      0            96\n",
     "", "", ""},
    {"help set", "", 0, "  touchHeight       3..8                touch height level", "", "", ""},
    // What only the run can tell is left to it; what cannot run is refused first.
    {"calibrate --space auto --verify 1", "", 2, "", "--space auto needs --verify 2 or more", "",
     ""},
    {"calibrate --display 5 --space auto --verify 2", "", 2, "",
     "velctl: calibrate: display 5: the system has 1 display (velctl displays, velctl help "
     "calibrate)\n",
     "", ""},
    {"identify --rounds 21", "", 2, "", "identify: 21 ", "", ""},
    {"help identify", "", 0, "\"Touch this screen\"|  15  no page was touched", "", "", ""},
    // Profiles that cannot be applied.
    {"import Z:\\nonexistent\\profile.ini", "", 5, "", "cannot read Z:\\nonexistent\\profile.ini",
     "", ""},
    {"export Z:\\nonexistent\\profile.ini", "", 5, "", "cannot write Z:\\nonexistent\\profile.ini",
     nullptr, ""},
    {"export Z:\\nonexistent\\profile.ini", "failGetDriverConfig=1", 4, "",
     "refused to give its touch parameters", nullptr, ""},
};

// A profile with good lines between bad ones (the messages are unit-tested).
const char kBadProfile[] = "touchSmooth = 3\n"
                           "[touch]\n"
                           "touchHeight = 4\n"
                           "touchDelay = 600\n"
                           "[doubleClick]\n"
                           "doubleClickSpeed = fast\n";

} // namespace

VEL_CASE(CommandLinesGiveTheirExitCodeOutputCallsAndState) {
    int failed = 0;
    for (const Row& row : kRows) {
        try {
            FactoryScreenAndRegistry();
            Apply(row.setup);
            simdev::ClearJournal();
            Result result = Run(row.args);
            CHECK_EQ(result.exitCode, row.exitCode);
            ExpectContains(result.out, row.out);
            ExpectContains(result.err, row.err);
            if (row.exitCode != 0)
                CHECK_EQ(result.err.rfind("velctl: ", 0), 0u);
            if (row.calls != nullptr)
                CHECK_EQ(CallNames(), std::string(row.calls));
            Expect(row.after);
        } catch (const check::Failure& failure) {
            check::Note(std::string("velctl ") + row.args + "\n" + failure.message);
            ++failed;
        }
    }
    FactoryScreenAndRegistry();
    CHECK_EQ(failed, 0);
}

VEL_CASE(ImportReportsEveryBadLineAndWritesNothing) {
    FactoryScreenAndRegistry();
    const std::string file = ui::Narrow(simdev::Home()) + "\\bad.ini";
    HANDLE hFile = ::CreateFileW(ui::Widen(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    ::WriteFile(hFile, kBadProfile, sizeof(kBadProfile) - 1, &written, nullptr);
    ::CloseHandle(hFile);
    simdev::ClearJournal();
    Result result = Run("import " + file);
    CHECK_EQ(result.exitCode, 2);
    ExpectContains(result.err, "velctl: " + file + ": line 1: |velctl: " + file +
                                   ": line 4: |velctl: " + file + ": line 6: ");
    CHECK_EQ(Split(result.err, '\n').size(), 4u); // three lines and the end
    CHECK_EQ(CallNames(), std::string());
    Expect("touchHeight=5;DoubleClickWidth=4");
}

VEL_CASE(ExportFromOneScreenImportsIntoAnother) {
    const std::wstring homeA = simdev::Home();
    const std::wstring homeB = homeA + L"\\second";
    const std::string file = ui::Narrow(homeA) + "\\profile.ini";
    FactoryScreenAndRegistry();
    Apply("touchEnable=0;touchMode=3;touchHeight=8;touchSmooth=9;touchDelay=250;touchJitter=15000;"
          "rightClickEnable=0;rightClickTime=1000;rightClickArea=1500;reserved3=1;"
          "DoubleClickWidth=12;DoubleClickSpeed=640");
    Result exported = Run("export " + file);
    CHECK_EQ(exported.exitCode, 0);
    const std::string profile = ui::ReadAll(ui::Widen(file));
    ExpectContains(profile, std::string("# velctl profile of ") + kPath0 +
                                "\r\n\r\n[touch]\r\ntouchEnable = 0\r\ntouchMode = 3\r\n"
                                "touchHeight = 8\r\n|\r\n[doubleClick]\r\ndoubleClickRange = 12\r\n"
                                "doubleClickSpeed = 640\r\n");

    // The second screen: factory values in its own folder, the registry as at start.
    ::CreateDirectoryW(homeB.c_str(), nullptr);
    ::SetEnvironmentVariableW(L"VEL_SDK_HOME", homeB.c_str());
    SetMouse("DoubleClickWidth", "4");
    SetMouse("DoubleClickSpeed", "500");
    Result imported = Run("import " + file);
    CHECK_EQ(imported.exitCode, 0);
    CHECK_EQ(CallNames(), std::string("EnumDevice,OpenDevice,GetDriverConfig,GetOutPutMode,"
                                      "CloseDevice,OpenDevice,SetDriverConfig,ChangeOutPutMode,"
                                      "CloseDevice"));
    // Every setting arrived; the bytes velctl does not interpret stay the second screen's.
    Expect("touchEnable=0;touchMode=3;touchHeight=8;touchSmooth=9;touchDelay=250;"
           "touchJitter=15000;rightClickEnable=0;rightClickTime=1000;rightClickArea=1500;"
           "outputMode=3;reserved3=90;DoubleClickWidth=12;DoubleClickHeight=12;"
           "DoubleClickSpeed=640");
    // The second screen's profile is the first one's.
    const std::string second = ui::Narrow(homeB) + "\\profile.ini";
    CHECK_EQ(Run("export " + second).exitCode, 0);
    CHECK_EQ(ui::ReadAll(ui::Widen(second)), profile);
    ::SetEnvironmentVariableW(L"VEL_SDK_HOME", homeA.c_str());
    FactoryScreenAndRegistry();
}

// Without SDK.dll beside velctl, check-sdk says what every other command
// says: what to copy where.
VEL_CASE(CheckSdkTellsAMissingLibraryAsShowDoes) {
    const std::wstring dir = simdev::Home() + L"\\no-sdk";
    ::CreateDirectoryW(dir.c_str(), nullptr);
    for (const wchar_t* name : {L"velctl.exe", L"VelCalib.dll"})
        CHECK(::CopyFileW((ui::BinDir() + L"\\" + name).c_str(), (dir + L"\\" + name).c_str(),
                          FALSE));
    const Result show = ui::RunConsole(dir + L"\\velctl.exe", L"show");
    const Result checkSdk = ui::RunConsole(dir + L"\\velctl.exe", L"check-sdk");
    CHECK_EQ(show.exitCode, 6);
    CHECK_EQ(checkSdk.exitCode, 6);
    ExpectContains(show.err, "SDK.dll is missing|Copy the touch screen's");
    CHECK_EQ(checkSdk.err, show.err);
}

namespace {

std::string Touch(int x, int y, int dx = 0) {
    return "screen " + std::to_string(x + dx) + " " + std::to_string(y) + " 4\nlift\n";
}

// The targets of an n-by-n grid, as the collector lays them out.
std::string TouchGrid(int side) {
    std::string script;
    const int step = 28672 / (side - 1);
    for (int row = 0; row < side; ++row) {
        for (int col = 0; col < side; ++col)
            script += Touch(2048 + col * step, 2048 + row * step);
    }
    return script;
}

// The first check targets (near the centre, halfway to the top edge's middle).
std::string TouchChecks(int dx = 0) {
    return Touch(14336, 18432, dx) + Touch(16384, 8192, dx);
}

// The calibration window of velctl's process.
HWND CalibrationWindow(const ui::Program& program) {
    HWND hWnd = ui::WaitForWindow(program.pid, L"#32770");
    CHECK(hWnd != nullptr);
    return hWnd;
}

} // namespace

// One row per way a calibration ends, with its exit code: what a script that
// sets up many screens tells apart.
VEL_CASE(CalibrateTellsHowTheCalibrationEnded) {
    const struct {
        const char* args;
        const char* refuse; // refuseHd and refuse16
        std::string script;
        std::function<void(ui::Program&)> during;
        int exitCode;
        const char* out;
    } kRows[] = {
        {"calibrate", nullptr, TouchGrid(2), nullptr, 0,
         "outcome        applied: the calibration was written\n"},
        {"calibrate --targets 9 --checks 2 --max-error 5 --json", nullptr,
         TouchGrid(3) + TouchChecks(), nullptr, 0, "\"outcome\": \"checked\",\n  \"exitCode\": 0,"},
        {"calibrate --targets=5", nullptr, "", nullptr, 2, ""},
        {"calibrate --attempts 1", "1", TouchGrid(2), nullptr, 4, "outcome        refused: "},
        {"calibrate --checks 2 --max-error 2 --attempts 1", nullptr,
         TouchGrid(2) + TouchChecks(1500), nullptr, 7, "outcome        check failed: "},
        {"calibrate", nullptr, "waitfor never\n",
         [](ui::Program& p) { ::PostMessageW(CalibrationWindow(p), WM_KEYDOWN, VK_ESCAPE, 1); }, 8,
         "outcome        cancelled: "},
        {"calibrate", nullptr, "waitfor never\n",
         [](ui::Program& p) {
             const DWORD thread = ::GetWindowThreadProcessId(CalibrationWindow(p), nullptr);
             ::PostThreadMessageW(thread, WM_QUIT, 0, 0);
         },
         9, "outcome        stopped: "},
        {"calibrate --timeout 1", nullptr, "waitfor never\n", nullptr, 10,
         "outcome        timed out: "},
        {"calibrate --attempts 1", nullptr,
         Touch(9000, 9000) + Touch(9000, 9000, 1) + Touch(9000, 9000, 2) + Touch(9000, 9000, 3),
         nullptr, 12, "outcome        not fitted: "},
    };
    for (const auto& row : kRows) {
        check::Note(row.args);
        FactoryScreenAndRegistry();
        if (row.refuse != nullptr) {
            simdev::Set("refuseHd", row.refuse);
            simdev::Set("refuse16", row.refuse);
        }
        simdev::WriteScript(row.script);
        const Result result = ui::RunConsole(L"velctl.exe", ui::Widen(row.args), 30000, row.during);
        CHECK_EQ(result.exitCode, row.exitCode);
        CHECK(result.out.find(row.out) != std::string::npos);
        if (row.exitCode == 2) {
            CHECK_EQ(result.err, "velctl: calibrate: 5 targets: a run takes 4, 9, 16 or 25 (velctl "
                                 "help calibrate)\n");
            CHECK(simdev::Journal().empty());
            continue;
        }
        std::vector<std::string> journal = simdev::Journal();
        CHECK(journal.size() > 2);
        CHECK_EQ(journal[1], std::string("OpenDevice path=") + kPath0 + " -> ok");
        CHECK_EQ(journal.back(), std::string("CloseDevice"));
        if (row.exitCode == 0) {
            CHECK(simdev::Get("calibration").rfind("hd 1 ", 0) == 0);
            CHECK_EQ(simdev::CountJournal("ApplyCalibParam_hd "), 1u);
        }
    }
}

// Under velctl_displays' layout (CMakeLists.txt): the primary's corner is the
// desktop's 0,0, the second display lies left of it.
VEL_CASE(DisplaysListsEachDisplayOfTheLayout) {
    const struct {
        const char* args;
        const char* out;
    } rows[] = {
        {"displays", "display  device        rectangle         primary  orientation  dpi\n"
                     "1        \\\\.\\DISPLAY1  0,0 1024x768      yes      0            96\n"
                     "2        \\\\.\\DISPLAY2  -800,100 800x600  no       0            96\n"},
        {"displays --json",
         "[\n"
         R"(  {"number": 1, "device": "\\\\.\\DISPLAY1", "x": 0, "y": 0, "width": 1024, )"
         R"("height": 768, "workX": 0, "workY": 0, "workWidth": 1024, "workHeight": 768, )"
         R"("primary": true, "orientation": 0, "dpi": 96},)"
         "\n"
         R"(  {"number": 2, "device": "\\\\.\\DISPLAY2", "x": -800, "y": 100, "width": 800, )"
         R"("height": 600, "workX": -800, "workY": 100, "workWidth": 800, "workHeight": 600, )"
         R"("primary": false, "orientation": 0, "dpi": 96})"
         "\n]\n"},
    };
    for (const auto& row : rows) {
        check::Note(row.args);
        const Result result = Run(row.args);
        CHECK_EQ(result.exitCode, 0);
        CHECK_EQ(result.out, std::string(row.out));
        CHECK_EQ(result.err, std::string());
        CHECK(simdev::Journal().empty());
    }
}
