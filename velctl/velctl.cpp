// velctl.exe: the touch screen's settings, orientation, reset and calibration
// from the command line, for scripts that set up many screens, and the
// displays of the desktop. The decisions live in the windowless core (cmdline,
// settings, profile, report, displays); this file carries them out with the
// device, the registry and files.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "calibcheck.h"
#include "calibreport.h"
#include "calibstore.h"
#include "capture.h"
#include "cmdline.h"
#include "devicelib.h"
#include "devicesession.h"
#include "displays.h"
#include "host.h"
#include "desktoplayout.h"
#include "orientation.h"
#include "panelcore.h"
#include "profile.h"
#include "screenreport.h"
#include "sdkcheck.h"
#include "settings.h"
#include "touchrecording.h"
#include "velcalib.h"
#include "velversion.h"
#include "watch.h"

namespace {

using host::Error;
using host::Out;

const char* const kArchitecture = sizeof(void*) == 8 ? "x64" : "x86";

int ReportAll(const std::vector<std::string>& errors) {
    for (const std::string& error : errors)
        Error(error);
    return ctl::kExitBadValue;
}

int ReadFailed(const std::string& path) {
    Error("the screen " + path + " refused to give its touch parameters");
    return ctl::kExitDevice;
}

// Writes the given settings in the control panel's order: the double-click
// settings, then the record read and changed, then the output mode.
int Apply(VEL_WCHAR* pPath, const ctl::Values& values) {
    const std::string path = host::Utf8(pPath);
    const bool bTouch = values.AnyGiven(ctl::Section::Touch);
    _VEL_DEVICE_CONFIG record;
    bool hasOutputMode = false;
    int outputMode = 0;
    if (bTouch && !host::ReadDevice(pPath, record, hasOutputMode, outputMode))
        return ReadFailed(path);

    if (values.AnyGiven(ctl::Section::DoubleClick)) {
        const std::string error = host::WriteDoubleClick(values);
        if (!error.empty()) {
            Error(error + "; nothing was written");
            return ctl::kExitFileOrSystem;
        }
    }

    std::string done;
    for (const ctl::Setting& setting : ctl::Settings()) {
        if (values.given[setting.id])
            done +=
                std::string(setting.name) + " = " + std::to_string(values.value[setting.id]) + "\n";
    }
    if (bTouch) {
        const panel::TouchParams params =
            ctl::ChangedParams(panel::ParamsFromRecord(record), values);
        panel::FillRecord(record, params);
        velsdk::DeviceSession device(pPath);
        if (!device->SetDriverConfig(record)) {
            Error("the screen " + path + " refused the touch parameters" +
                  (values.AnyGiven(ctl::Section::DoubleClick)
                       ? "; the double-click settings were written"
                       : ""));
            return ctl::kExitDevice;
        }
        if (values.given[ctl::kTouchMode] && hasOutputMode) {
            device->ChangeOutPutMode(static_cast<char>(params.touchMode));
            done += "outputMode = " + std::to_string(params.touchMode) + "\n";
        }
    }
    Out(done);
    return ctl::kExitOk;
}

int List(const ctl::Invocation& invocation) {
    const ctl::ScreenList list = host::Enumerate()->List();
    Out(invocation.json ? ctl::ListJson(list) : ctl::ListText(list));
    return ctl::kExitOk;
}

// The displays as the calibration library will place its window on them.
DesktopLayout LayoutForCalibration() {
    const PerMonitorDpiScope aware;
    return CurrentDesktopLayout();
}

int Displays(const ctl::Invocation& invocation) {
    const DesktopLayout layout = LayoutForCalibration();
    Out(invocation.json ? ctl::DisplaysJson(layout) : ctl::DisplaysText(layout));
    return ctl::kExitOk;
}

// Reads everything show and export print; false when the device refuses.
bool ReadState(VEL_WCHAR* pPath, ctl::ScreenState& state) {
    _VEL_DEVICE_CONFIG record;
    state.devicePath = host::Utf8(pPath);
    if (!host::ReadDevice(pPath, record, state.hasOutputMode, state.outputMode))
        return false;
    state.touch = panel::ParamsFromRecord(record);
    host::ReadDoubleClick(state);
    return true;
}

int Show(const ctl::Invocation& invocation, VEL_WCHAR* pPath) {
    ctl::ScreenState state;
    if (!ReadState(pPath, state))
        return ReadFailed(host::Utf8(pPath));
    // What the tools remember of its calibration, against the displays now.
    const std::vector<RememberedCalibration> memory = LoadMemory();
    if (const RememberedCalibration* pEntry = Recall(memory, state.devicePath)) {
        state.hasRemembered = true;
        state.remembered = *pEntry;
        state.layout = LayoutForCalibration();
    }
    Out(invocation.json ? ctl::ShowJson(state) : ctl::ShowText(state));
    return ctl::kExitOk;
}

int Export(const std::string& file, VEL_WCHAR* pPath) {
    ctl::ScreenState state;
    if (!ReadState(pPath, state))
        return ReadFailed(state.devicePath);
    ctl::Values values;
    ctl::TakeTouchParams(state.touch, values);
    // Where the registry holds no double-click setting, the one in use.
    values.value[ctl::kDoubleClickRange] =
        state.hasRegistryRange ? state.registryRange : state.systemWidth;
    values.value[ctl::kDoubleClickSpeed] =
        state.hasRegistrySpeed ? state.registrySpeed : state.systemSpeed;
    for (const ctl::Setting& setting : ctl::Settings()) {
        values.given[setting.id] = true;
        const std::string outside = ctl::CheckRange(setting, values.value[setting.id]);
        if (!outside.empty())
            Error("warning: " + outside + "; import refuses this profile until it is mended");
    }
    if (!host::WriteWholeFile(host::Wide(file), ctl::FormatProfile(values, state.devicePath))) {
        Error("cannot write " + file);
        return ctl::kExitFileOrSystem;
    }
    Out("exported " + state.devicePath + " to " + file + "\n");
    return ctl::kExitOk;
}

int Rotate(int rotation, VEL_WCHAR* pPath) {
    _VEL_CALIB_PARAM param;
    _VEL_CALIB_PARAM_HD paramHd;
    panel::FillOrientationRecords(panel::kOrientationCycle[rotation], param, paramHd);
    velsdk::DeviceSession device(pPath);
    // Both records, always, in the control panel's order.
    const bool bHd = device->ApplyCalibParam_hd(paramHd) != 0;
    const bool b16 = device->ApplyCalibParam(param) != 0;
    if (!bHd && !b16) {
        Error("the screen " + host::Utf8(pPath) + " refused both records of the orientation");
        return ctl::kExitDevice;
    }
    Out(ctl::RotateText(rotation, bHd, b16));
    return ctl::kExitOk;
}

int Reset(VEL_WCHAR* pPath) {
    velsdk::DeviceSession device(pPath);
    if (device->ResetCalibParam() == 0) {
        Error("Reset Failed.");
        return ctl::kExitDevice;
    }
    Out("Reset Success.\n");
    return ctl::kExitOk;
}

// Runs the calibration and gives its report; returns its exit code.
int RunCalibration(const ctl::Invocation& invocation, VEL_WCHAR* pPath, std::string& report) {
    // The date of what a failed verify step puts back, as remembered before the run.
    const std::vector<RememberedCalibration> before = LoadMemory();
    const RememberedCalibration* pBefore = Recall(before, host::Utf8(pPath));
    const std::string date = pBefore != nullptr ? pBefore->date : "";
    VEL_CALIB_RESULT result;
    std::memset(&result, 0, sizeof(result));
    result.cbSize = sizeof(result);
    const uint32_t nOutcome =
        static_cast<uint32_t>(StartCalibrateEx(nullptr, pPath, &invocation.calibration, &result));
    result.nOutcome = nOutcome;
    report = invocation.json ? ctl::CalibrationJson(result, invocation.calibration, date)
                             : ctl::CalibrationText(result, invocation.calibration, date);
    return ctl::CalibrationExitCode(nOutcome);
}

int Calibrate(const ctl::Invocation& invocation, VEL_WCHAR* pPath) {
    std::string report;
    const int code = RunCalibration(invocation, pPath, report);
    Out(report);
    return code;
}

// The calibration remembered for the screen against the displays now; with
// --calibrate, a failed check runs the calibration that mends it.
int Check(const ctl::Invocation& invocation, VEL_WCHAR* pPath) {
    const std::string device = host::Utf8(pPath);
    const ctl::CalibrationCheck check =
        ctl::CheckCalibration(LoadMemory(), device, LayoutForCalibration(), invocation.hasDevice);
    if (check.exitCode == ctl::kExitOk || !invocation.calibrateOnFailure) {
        Out(invocation.json ? ctl::CheckJson(check) : ctl::CheckText(check));
        return check.exitCode;
    }
    ctl::Invocation mend;
    const std::string usage = ctl::ParseCommandLine(ctl::MendArguments(), mend);
    if (!usage.empty()) {
        Error(usage);
        return ctl::kExitUsage;
    }
    mend.json = invocation.json;
    if (!invocation.json)
        Out(ctl::CheckText(check) + "\n");
    std::string report;
    const int code = RunCalibration(mend, pPath, report);
    Out(invocation.json ? ctl::CheckJson(check, report) : report);
    return code;
}

// The pages of every display in turn until one is touched; nothing is
// calibrated.
int Identify(const ctl::Invocation& invocation, VEL_WCHAR* pPath) {
    VEL_CALIB_RESULT result;
    std::memset(&result, 0, sizeof(result));
    result.cbSize = sizeof(result);
    const uint32_t nOutcome =
        static_cast<uint32_t>(StartCalibrateEx(nullptr, pPath, &invocation.calibration, &result));
    result.nOutcome = nOutcome;
    // The device name of the display touched, numbered as the library numbers it.
    const DesktopLayout layout = LayoutForCalibration();
    Out(invocation.json ? ctl::IdentifyJson(result, layout) : ctl::IdentifyText(result, layout));
    return ctl::CalibrationExitCode(nOutcome);
}

// The calibration remembered for a screen, when it holds a set to map by.
const RememberedCalibration* RememberedSet(const std::vector<RememberedCalibration>& memory,
                                           VEL_WCHAR* pPath) {
    const RememberedCalibration* pEntry = Recall(memory, host::Utf8(pPath));
    return pEntry != nullptr && pEntry->nRecord != VEL_CALIB_RECORD_NONE ? pEntry : nullptr;
}

// Until the seconds run out or a stop is asked for, hands each report to
// `take`, and `tick` once a second; then lets the device go, once.
template <class Take, class Tick>
void Capture(VEL_WCHAR* pPath, int seconds, Take take, Tick tick) {
    host::CatchStop();
    host::ReportCapture capture;
    capture.Start(pPath);
    const uint64_t end = seconds < 0 ? UINT64_MAX : static_cast<uint64_t>(seconds) * 1000000;
    uint64_t nextTick = 1000000;
    for (;;) {
        const uint64_t now = capture.Now();
        const uint64_t until = std::min(end, nextTick);
        const DWORD wait = now >= until ? 0 : static_cast<DWORD>((until - now + 999) / 1000);
        for (const host::CapturedReport& report : capture.Wait(wait))
            take(report);
        if (host::StopAsked() || capture.Now() >= end)
            break;
        if (capture.Now() >= nextTick) {
            tick(capture.Now());
            nextTick += 1000000;
        }
    }
    capture.Release();
    host::StoppedAndReleased();
}

int Watch(const ctl::Invocation& invocation, VEL_WCHAR* pPath) {
    _VEL_DEVICE_CONFIG record;
    bool hasOutputMode = false;
    int outputMode = 0;
    if (!host::ReadDevice(pPath, record, hasOutputMode, outputMode))
        return ReadFailed(host::Utf8(pPath));
    const std::vector<RememberedCalibration> memory = LoadMemory();
    ctl::TouchWatch watch(RememberedSet(memory, pPath),
                          panel::ParamsFromRecord(record).touchJitter);
    if (!invocation.json)
        Out("watching " + host::Utf8(pPath) + ": touch the screen; Ctrl+C ends\n");
    uint64_t last = 0;
    Capture(
        pPath, invocation.seconds,
        [&](const host::CapturedReport& report) {
            last = report.microseconds;
            for (const ctl::WatchEvent& event :
                 watch.Feed(report.microseconds, report.bytes.data(), report.bytes.size()))
                Out(invocation.json ? ctl::WatchEventJson(event) : ctl::WatchEventText(event));
        },
        [&](uint64_t now) {
            last = now;
            if (invocation.json)
                Out(ctl::WatchSummaryJson(watch.Summary(now)));
        });
    const uint64_t end =
        invocation.seconds >= 0 ? static_cast<uint64_t>(invocation.seconds) * 1000000 : last;
    const ctl::WatchSummary summary = watch.Summary(std::max(end, last));
    Out(invocation.json ? ctl::WatchSummaryJson(summary) : ctl::WatchSummaryText(summary));
    return ctl::kExitOk;
}

// The system's own version and architecture; GetVersionEx answers what the
// manifest lets it.
void SystemVersion(ctl::RecordingInfo& info) {
    typedef LONG(WINAPI * RtlGetVersionFn)(OSVERSIONINFOW*);
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    const HMODULE hNtdll = ::GetModuleHandleW(L"ntdll.dll");
    const RtlGetVersionFn getVersion =
        hNtdll == nullptr ? nullptr
                          : reinterpret_cast<RtlGetVersionFn>(
                                reinterpret_cast<void*>(::GetProcAddress(hNtdll, "RtlGetVersion")));
    if (getVersion != nullptr && getVersion(&version) == 0) {
        info.osMajor = version.dwMajorVersion;
        info.osMinor = version.dwMinorVersion;
        info.osBuild = version.dwBuildNumber;
    }
    SYSTEM_INFO system = {};
    ::GetNativeSystemInfo(&system);
    info.osArchitecture =
        system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ? "x64" : "x86";
}

int Record(const ctl::Invocation& invocation, VEL_WCHAR* pPath, int deviceCount) {
    const std::string& file = invocation.operands[0];
    ctl::RecordingInfo info;
    if (!host::ReadDevice(pPath, info.config, info.hasOutputMode, info.outputMode))
        return ReadFailed(host::Utf8(pPath));
    info.toolVersion = VEL_VERSION_TEXT;
    info.toolArchitecture = kArchitecture;
    SystemVersion(info);
    info.started = UtcNow();
    info.devicePath = host::Utf8(pPath);
    info.deviceCount = deviceCount;
    info.layout = LayoutForCalibration();
    const std::vector<RememberedCalibration> memory = LoadMemory();
    if (const RememberedCalibration* pEntry = RememberedSet(memory, pPath)) {
        info.hasCalibration = true;
        info.calibration = *pEntry;
    }
    HANDLE hFile = ::CreateFileW(host::Wide(file).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        Error("cannot write " + file);
        return ctl::kExitFileOrSystem;
    }
    bool bWritten = true;
    auto write = [&](const std::string& text) {
        DWORD written = 0;
        bWritten =
            bWritten &&
            ::WriteFile(hFile, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
            written == text.size();
    };
    write(ctl::RecordingHeader(info));
    uint64_t nReports = 0, last = 0;
    if (invocation.seconds != 0) {
        Out("recording " + info.devicePath + " to " + file + ": touch the screen; Ctrl+C ends\n");
        Capture(
            pPath, invocation.seconds,
            [&](const host::CapturedReport& report) {
                if (report.bytes.empty())
                    return; // a report of no bytes carries nothing to replay
                ++nReports;
                last = report.microseconds;
                write(ctl::RecordingLine(report.microseconds, report.bytes.data(),
                                         report.bytes.size()));
            },
            [&](uint64_t) { ::FlushFileBuffers(hFile); });
    }
    ::CloseHandle(hFile);
    if (!bWritten) {
        Error("cannot write " + file + " (the disk may be full)");
        return ctl::kExitFileOrSystem;
    }
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", last / 1e6);
    Out("recorded " + std::to_string(nReports) + " reports" +
        (nReports > 0 ? std::string(" over ") + seconds + " s" : std::string()) + " to " + file +
        "\n");
    return ctl::kExitOk;
}

// Reads the library's file and reports on it; loads nothing.
int CheckSdk(const ctl::Invocation& invocation) {
    const std::string path =
        invocation.operands.empty() ? host::Utf8(velsdk::LibraryPath()) : invocation.operands[0];
    std::string bytes;
    if (!host::ReadWholeFile(host::Wide(path), bytes, 256ll << 20)) {
        // The tools' own SDK.dll not there: the words every command says.
        const std::wstring problem =
            invocation.operands.empty() &&
                    ::GetFileAttributesW(velsdk::LibraryPath().c_str()) == INVALID_FILE_ATTRIBUTES
                ? velsdk::LibraryProblem()
                : std::wstring();
        Error(problem.empty() ? "cannot read " + path + " (velctl help check-sdk)"
                              : host::Utf8(problem));
        return ctl::kExitLibrary;
    }
    bool bUsable = false;
    Out(velsdk::CheckFileText(path, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                              velsdk::kToolsArch, bUsable));
    return bUsable ? ctl::kExitOk : ctl::kExitLibrary;
}

// Before the first device call: says why the tools cannot use SDK.dll.
bool LibraryUsable() {
    const std::wstring problem = velsdk::LibraryProblem();
    if (!problem.empty())
        Error(host::Utf8(problem));
    return problem.empty();
}

int Run(const std::vector<std::string>& args) {
    ctl::Invocation invocation;
    int refusal = ctl::kExitOk;
    const std::string usage = ctl::ParseCommandLine(args, invocation, &refusal);
    if (!usage.empty()) {
        Error(usage);
        return refusal;
    }
    if (invocation.version) {
        Out(ctl::VersionText(kArchitecture));
        return ctl::kExitOk;
    }
    if (invocation.help || invocation.command == ctl::Command::Help) {
        Out(ctl::HelpText(invocation.command));
        return ctl::kExitOk;
    }
    if (invocation.command == ctl::Command::CheckSdk)
        return CheckSdk(invocation);
    if (invocation.command == ctl::Command::Displays)
        return Displays(invocation);
    if (invocation.command == ctl::Command::List)
        return LibraryUsable() ? List(invocation) : ctl::kExitLibrary;

    // Everything the user gave is checked before a screen is even looked for.
    if (invocation.command == ctl::Command::Calibrate ||
        invocation.command == ctl::Command::Identify) {
        const std::string why = ctl::CheckCalibrateOptions(invocation);
        if (!why.empty()) {
            Error(why);
            return ctl::kExitBadValue;
        }
        // The display and the space, against the displays the system has.
        const std::string where = ctl::PlaceMessage(invocation, LayoutForCalibration());
        if (!where.empty()) {
            Error(where);
            return ctl::kExitBadValue;
        }
    }
    ctl::Values values;
    if (invocation.command == ctl::Command::Set) {
        std::vector<std::string> errors = ctl::ParseAssignments(invocation.operands, values);
        if (!errors.empty())
            return ReportAll(errors);
    } else if (invocation.command == ctl::Command::Import) {
        const std::string& file = invocation.operands[0];
        std::string text;
        if (!host::ReadWholeFile(host::Wide(file), text)) {
            Error("cannot read " + file);
            return ctl::kExitFileOrSystem;
        }
        std::vector<std::string> errors = ctl::ParseProfile(text, values);
        for (std::string& error : errors)
            error = file + ": " + error;
        if (!errors.empty())
            return ReportAll(errors);
    }

    if (!LibraryUsable())
        return ctl::kExitLibrary;
    std::unique_ptr<host::Screens> screens = host::Enumerate();
    int index = 0;
    const int choice = host::ChooseScreen(invocation, *screens, index);
    if (choice != ctl::kExitOk)
        return choice;
    VEL_WCHAR* pPath = screens->info.devicePath[index];

    switch (invocation.command) {
    case ctl::Command::Show:
        return Show(invocation, pPath);
    case ctl::Command::Set:
    case ctl::Command::Import:
        return Apply(pPath, values);
    case ctl::Command::Export:
        return Export(invocation.operands[0], pPath);
    case ctl::Command::Rotate:
        return Rotate(invocation.rotation, pPath);
    case ctl::Command::Reset:
        return Reset(pPath);
    case ctl::Command::Calibrate:
        return Calibrate(invocation, pPath);
    case ctl::Command::Watch:
        return Watch(invocation, pPath);
    case ctl::Command::Record:
        return Record(invocation, pPath, screens->info.deviceCount);
    case ctl::Command::Identify:
        return Identify(invocation, pPath);
    case ctl::Command::Check:
        return Check(invocation, pPath);
    default:
        return ctl::kExitUsage;
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(host::Utf8(argv[i]));
    try {
        const int code = Run(args);
        // A fault of the library that showed only once an object lived.
        const std::wstring late = velsdk::LateProblem();
        if (late.empty())
            return code;
        Error(host::Utf8(late));
        return ctl::kExitLibrary;
    } catch (const std::exception& e) {
        Error(e.what());
        return ctl::kExitFileOrSystem;
    }
}
