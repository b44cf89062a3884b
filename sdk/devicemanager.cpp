// The device manager over the simulated touch screen.
//
// Every call reads the folder's state afresh under the folder's lock, writes
// it back only when the call changed it, and appends its journal line last,
// so a test that sees the line also sees the new state.
#include "devicemanager.h"

#include <atomic>

#include "desktouch.h"
#include "devicecall.h"
#include "folder.h"
#include "journal.h"
#include "recording.h"

#include <windows.h>

#include <cstring>
#include <memory>
#include <optional>

namespace {

using velsim::DeviceCall;
using velsim::DeviceState;

constexpr size_t kPathChars = VEL_MAX_PATH - 1; // a path's longest NUL-terminated form

const char* Result(bool ok) {
    return ok ? "1" : "0";
}

// The count EnumDevice reports, whatever it is.
int32_t DeviceCount(const DeviceState& state) {
    return static_cast<int32_t>(state.Int("deviceCount"));
}

// Number of enumeration entries that hold a path.
int EntryCount(const DeviceState& state) {
    int32_t count = DeviceCount(state);
    return count < 0 ? 0 : count > VEL_MAX_DEVICES ? VEL_MAX_DEVICES : count;
}

// Entry i is the configured path with its last character replaced by i
// (decimal). With pathUnterminated, entry 0 fills all 260 characters.
std::wstring DevicePathEntry(const DeviceState& state, int index) {
    std::wstring path = velsim::Utf8ToWide(state.Value("devicePath")).substr(0, kPathChars);
    if (index > 0) {
        std::wstring number = std::to_wstring(index);
        path = path.substr(0, path.empty() ? 0 : path.size() - 1);
        path = path.substr(0, kPathChars - number.size()) + number;
    } else if (state.Flag("pathUnterminated")) {
        path.resize(VEL_MAX_PATH, L'_');
    }
    return path;
}

// The caller's path up to its NUL, but never more than 259 characters.
std::wstring ReadPath(const VEL_WCHAR* pPath) {
    std::wstring path;
    for (size_t i = 0; pPath && i < kPathChars && pPath[i]; ++i)
        path += pPath[i];
    return path;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// The recording device.ini's `replay` names, read afresh by each call that
// uses it.
struct ReplayFile {
    bool set = false; // `replay` names a file
    std::string path; // the file's full path, UTF-8
    bool readable = false;
    velsim::Recording recording;
    // Only a whole recording stands in for the state's values.
    bool Valid() const { return set && readable && recording.errors.empty(); }
};

// A path that starts with a drive letter or a slash is taken as it is; any
// other lies in the device's folder.
std::wstring ReplayPath(const std::wstring& folder, const std::wstring& value) {
    const bool rooted =
        value[0] == L'\\' || value[0] == L'/' || (value.size() >= 2 && value[1] == L':');
    return rooted ? value : folder + L"\\" + value;
}

ReplayFile ReadReplay(DeviceCall& call) {
    ReplayFile replay;
    const std::wstring value = velsim::Utf8ToWide(call.State().Value("replay"));
    if (value.empty())
        return replay;
    replay.set = true;
    const std::wstring path = ReplayPath(call.Folder(), value);
    replay.path = velsim::WideToUtf8(path);
    std::string text;
    replay.readable = velsim::ReadWholeFile(path, &text);
    if (replay.readable)
        replay.recording = velsim::ParseRecording(text);
    return replay;
}

// After the line of the call that read the recording: why the state's own
// values were used instead.
void JournalReplayErrors(DeviceCall& call, const ReplayFile& replay) {
    if (!replay.set)
        return;
    if (!replay.readable) {
        call.Journal("ReplayError " + replay.path + ": cannot be read");
        return;
    }
    for (const velsim::RecordingError& error : replay.recording.errors)
        call.Journal("ReplayError line=" + std::to_string(error.line) + " " + error.message);
}

// The recording's output mode while it gives one, else the state's; nothing
// when the device has none.
std::optional<uint8_t> OutputModeInForce(DeviceCall& call, const ReplayFile& replay) {
    if (replay.Valid() && replay.recording.hasOutputMode)
        return replay.recording.outputMode;
    return call.State().OutputMode();
}

} // namespace

namespace velsim {

// Ends delivery and forgets the callback: the device is no longer open.
void SimDevice::Release() {
    m_delivery.Stop();
    m_delivery.Unregister();
    m_open = false;
}

void SimDevice::EnumDevice(_VEL_DEVICE_INFO* pInfo) {
    DeviceCall call;
    int32_t count = DeviceCount(call.State());
    if (pInfo) {
        pInfo->deviceCount = count;
        for (int i = 0; i < EntryCount(call.State()); ++i) {
            std::wstring path = DevicePathEntry(call.State(), i);
            std::memset(pInfo->devicePath[i], 0, sizeof pInfo->devicePath[i]);
            std::memcpy(pInfo->devicePath[i], path.data(), path.size() * sizeof(VEL_WCHAR));
        }
    }
    call.Journal("EnumDevice count=" + std::to_string(count));
}

// A path opens when it names one of the enumerated screens (compared as the
// NUL-terminated copy a caller makes, at most 259 characters).
void SimDevice::OpenDevice(VEL_WCHAR* pDevicePath) {
    std::wstring path = ReadPath(pDevicePath);
    Release();
    DeviceCall call;
    bool ok = false;
    if (!path.empty() && !call.State().Flag("failOpen")) {
        for (int i = 0; i < EntryCount(call.State()) && !ok; ++i)
            ok = SamePath(path, DevicePathEntry(call.State(), i).substr(0, kPathChars));
    }
    m_open = ok;
    call.Journal("OpenDevice path=" + velsim::WideToUtf8(path) + (ok ? " -> ok" : " -> fail"));
}

void SimDevice::CloseDevice() {
    Release();
    DeviceCall call;
    call.Journal("CloseDevice");
}

bool SimDevice::GetDriverConfig(_VEL_DEVICE_CONFIG* pConfig) {
    DeviceCall call;
    bool ok = m_open && pConfig && !call.State().Flag("failGetDriverConfig");
    if (!ok) {
        call.Journal("GetDriverConfig -> 0");
        return false;
    }
    // A recording that gives a configuration stands in for the stored one.
    const ReplayFile replay = ReadReplay(call);
    const velsim::ConfigRecord record = replay.Valid() && replay.recording.config
                                            ? *replay.recording.config
                                            : call.State().Config();
    std::memcpy(pConfig, record.data(), record.size());
    call.Journal("GetDriverConfig -> 1 bytes=" + velsim::Hex(record.data(), record.size()));
    JournalReplayErrors(call, replay);
    return true;
}

bool SimDevice::SetDriverConfig(_VEL_DEVICE_CONFIG config) {
    DeviceCall call;
    velsim::ConfigRecord record;
    std::memcpy(record.data(), &config, record.size());
    bool ok = m_open && !call.State().Flag("failSetDriverConfig");
    if (ok) {
        call.State().StoreConfig(record);
        ok = call.Store();
    }
    call.Journal("SetDriverConfig bytes=" + velsim::Hex(record.data(), record.size()) + " -> " +
                 Result(ok));
    return ok;
}

// The first and third bytes get 1 (a touch device, mode reporting on) when the
// device has an output mode; without one, all three bytes stay untouched.
unsigned char SimDevice::GetOutPutMode(unsigned char* pType, unsigned char* pMode,
                                       unsigned char* pEnable) {
    DeviceCall call;
    const ReplayFile replay = m_open ? ReadReplay(call) : ReplayFile();
    std::optional<uint8_t> mode = OutputModeInForce(call, replay);
    bool ok = m_open && mode;
    if (ok) {
        if (pType)
            *pType = 1;
        if (pMode)
            *pMode = *mode;
        if (pEnable)
            *pEnable = 1;
    }
    call.Journal("GetOutPutMode mode=" + (pMode ? std::to_string(*pMode) : std::string("-")) +
                 " -> " + Result(ok));
    JournalReplayErrors(call, replay);
    return ok ? 1 : 0;
}

// Stores modes 0..3 on a device that has an output mode (a recording's
// while one is replayed, which a later read still returns); refuses the rest.
unsigned char SimDevice::ChangeOutPutMode(char mode) {
    DeviceCall call;
    int value = static_cast<signed char>(mode);
    const ReplayFile replay = m_open ? ReadReplay(call) : ReplayFile();
    bool ok = m_open && OutputModeInForce(call, replay) && value >= 0 && value <= 3;
    if (ok) {
        call.State().Set("outputMode", std::to_string(value));
        ok = call.Store();
    }
    call.Journal("ChangeOutPutMode mode=" + std::to_string(value) + " -> " + Result(ok));
    JournalReplayErrors(call, replay);
    return ok ? 1 : 0;
}

int SimDevice::ResetCalibParam() {
    DeviceCall call;
    bool ok = m_open && !call.State().Flag("failReset");
    if (ok) {
        call.State().Set("calibration", "none");
        ok = call.Store();
    }
    call.Journal(std::string("ResetCalibParam -> ") + Result(ok));
    return ok ? 1 : 0;
}

int SimDevice::ApplyCalibParam_hd(_VEL_CALIB_PARAM_HD param) {
    DeviceCall call;
    bool ok = m_open && !call.State().Flag("refuseHd");
    if (ok) {
        call.State().Set("calibration", velsim::CalibrationValue(param));
        ok = call.Store();
    }
    call.Journal("ApplyCalibParam_hd bytes=" + velsim::Hex(&param, sizeof param) +
                 " enable=" + std::to_string(param.enable) +
                 " matrix=" + velsim::JoinMatrix(param) + " -> " + Result(ok));
    return ok ? 1 : 0;
}

int SimDevice::ApplyCalibParam(_VEL_CALIB_PARAM param) {
    DeviceCall call;
    bool ok = m_open && !call.State().Flag("refuse16");
    if (ok) {
        call.State().Set("calibration", velsim::CalibrationValue(param));
        ok = call.Store();
    }
    call.Journal("ApplyCalibParam bytes=" + velsim::Hex(&param, sizeof param) +
                 " matrix=" + velsim::JoinMatrix(param) + " -> " + Result(ok));
    return ok ? 1 : 0;
}

// Reports come from the recording device.ini's replay names (a bad one
// delivers nothing), else from script.txt when it exists now, else from the
// mouse. The previous session ends first, so its reports precede this call's
// line.
void SimDevice::StartCalibMode() {
    bool open = m_open;
    if (open)
        m_delivery.Stop();
    velsim::DeliveryPlan plan;
    {
        DeviceCall call;
        plan.folder = call.Folder();
        plan.panel = call.State().Panel();
        plan.noise = call.State().Noise();
        plan.seed = call.State().Seed();
        plan.panelDisplay =
            call.State().PanelDisplay(static_cast<int>(velsim::CurrentLayout().displays.size()));
        ReplayFile replay = open ? ReadReplay(call) : ReplayFile();
        if (replay.set) {
            plan.replay = std::make_shared<const std::vector<velsim::RecordedReport>>(
                replay.Valid() ? std::move(replay.recording.reports)
                               : std::vector<velsim::RecordedReport>());
            plan.replayLoop = call.State().Flag("replayLoop");
        }
        std::string text;
        plan.fromScript =
            open && !replay.set &&
            velsim::ReadWholeFile(velsim::FolderFile(plan.folder, L"script.txt"), &text);
        if (plan.fromScript) {
            plan.script = velsim::ParseScript(text);
            // The program's sessions in turn play the script's parts.
            static std::atomic<int> s_nSessions{0};
            plan.session = s_nSessions++;
        }
        call.Journal("StartCalibMode");
        for (const velsim::ScriptError& error : plan.script.errors)
            call.Journal("ScriptError line=" + std::to_string(error.line) + " " + error.message);
        if (replay.Valid())
            call.Journal("Replay file=" + replay.path +
                         " reports=" + std::to_string(plan.replay->size()) +
                         " loop=" + (plan.replayLoop ? "1" : "0"));
        JournalReplayErrors(call, replay);
    }
    if (open)
        m_delivery.Start(plan);
}

// Reports end; the script plays on (desk touches) while the device is open.
void SimDevice::StopCalibMode() {
    m_delivery.StopCalibration();
    DeviceCall call;
    call.Journal("StopCalibMode");
}

// The line comes first, so no report line precedes it.
void SimDevice::RegDataCallback(VEL_DATA_CALLBACK pCallback, void* pContext) {
    {
        DeviceCall call;
        call.Journal("RegDataCallback");
    }
    m_delivery.Register(pCallback, pContext);
}

// The line comes last, so every report delivered before it precedes it.
void SimDevice::UnRegDataCallback() {
    m_delivery.Unregister();
    DeviceCall call;
    call.Journal("UnRegDataCallback");
}

} // namespace velsim
