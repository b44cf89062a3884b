#include "host.h"

#include <cstring>

#include "devicesession.h"
#include "mousekey.h"
#include "panelcore.h"

namespace host {

namespace {

void Write(DWORD stream, const std::string& text) {
    HANDLE hOut = ::GetStdHandle(stream);
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(hOut, &mode)) {
        const std::wstring wide = Wide(text);
        ::WriteConsoleW(hOut, wide.c_str(), static_cast<DWORD>(wide.size()), &written, nullptr);
    } else {
        ::WriteFile(hOut, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
}

} // namespace

void Out(const std::string& text) {
    Write(STD_OUTPUT_HANDLE, text);
}

void Error(const std::string& text) {
    Write(STD_ERROR_HANDLE, "velctl: " + text + "\n");
}

bool ReadWholeFile(const std::wstring& path, std::string& text, long long nLargest) {
    HANDLE hFile = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size = {};
    bool bOk = ::GetFileSizeEx(hFile, &size) && size.QuadPart <= nLargest;
    if (bOk) {
        text.assign(static_cast<size_t>(size.QuadPart), '\0');
        DWORD got = 0;
        bOk = text.empty() ||
              (::ReadFile(hFile, &text[0], static_cast<DWORD>(text.size()), &got, nullptr) &&
               got == text.size());
    }
    ::CloseHandle(hFile);
    return bOk;
}

bool WriteWholeFile(const std::wstring& path, const std::string& text) {
    HANDLE hFile = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool bOk =
        ::WriteFile(hFile, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
        written == text.size();
    return ::CloseHandle(hFile) && bOk;
}

ctl::ScreenList Screens::List() const {
    ctl::ScreenList list;
    list.count = info.deviceCount;
    const int n = info.deviceCount < 0                 ? 0
                  : info.deviceCount > VEL_MAX_DEVICES ? VEL_MAX_DEVICES
                                                       : info.deviceCount;
    for (int i = 0; i < n; ++i)
        list.paths.push_back(Utf8(info.devicePath[i]));
    return list;
}

std::unique_ptr<Screens> Enumerate() {
    std::unique_ptr<Screens> screens(new Screens);
    std::memset(&screens->info, 0, sizeof(screens->info));
    Vel_DeviceManager::EnumDevice(&screens->info);
    panel::TerminateDevicePaths(screens->info);
    return screens;
}

int ChooseScreen(const ctl::Invocation& invocation, const Screens& screens, int& index) {
    if (invocation.hasDevice) {
        const std::wstring wanted = Wide(invocation.device);
        const size_t n = screens.List().paths.size();
        for (size_t i = 0; i < n; ++i) {
            // Device paths name the same screen whatever their case.
            if (::_wcsicmp(screens.info.devicePath[i], wanted.c_str()) == 0) {
                index = static_cast<int>(i);
                return ctl::kExitOk;
            }
        }
        Error("no screen with the path " + invocation.device +
              " is connected (velctl list shows those that are)");
        return ctl::kExitNoScreen;
    }
    switch (panel::ClassifyDeviceCount(screens.info.deviceCount)) {
    case panel::ScreenCount::One:
        index = 0;
        return ctl::kExitOk;
    case panel::ScreenCount::Several:
        Error("More Than One TouchScreen Connect The Host");
        Error("--device PATH chooses one (velctl list shows them)");
        return ctl::kExitNoScreen;
    case panel::ScreenCount::None:
        break;
    }
    Error("No Any TouchScreen Connect The Host");
    return ctl::kExitNoScreen;
}

bool ReadDevice(VEL_WCHAR* pPath, _VEL_DEVICE_CONFIG& record, bool& hasOutputMode,
                int& outputMode) {
    velsdk::DeviceSession device(pPath);
    std::memset(&record, 0, sizeof(record));
    const bool bRead = device->GetDriverConfig(&record);
    const unsigned char mode = device.OutputMode();
    hasOutputMode = mode != velsdk::kNoOutputMode;
    outputMode = mode;
    return bRead;
}

void ReadDoubleClick(ctl::ScreenState& state) {
    {
        mousekey::Key key(KEY_QUERY_VALUE);
        if (key.IsOpen()) {
            mousekey::QueryNumber(key, "DoubleClickWidth", &state.hasRegistryRange,
                                  &state.registryRange);
            mousekey::QueryNumber(key, "DoubleClickSpeed", &state.hasRegistrySpeed,
                                  &state.registrySpeed);
        }
    }
    state.systemSpeed = static_cast<int>(::GetDoubleClickTime());
    state.systemWidth = ::GetSystemMetrics(SM_CXDOUBLECLK);
    state.systemHeight = ::GetSystemMetrics(SM_CYDOUBLECLK);
}

std::string WriteDoubleClick(const ctl::Values& values) {
    const bool bRange = values.given[ctl::kDoubleClickRange];
    const bool bSpeed = values.given[ctl::kDoubleClickSpeed];
    const int range = values.value[ctl::kDoubleClickRange];
    const int speed = values.value[ctl::kDoubleClickSpeed];
    std::string error;
    { // the key is closed before the system is told
        mousekey::Key key(KEY_SET_VALUE);
        if (!key.IsOpen())
            return "cannot open HKEY_CURRENT_USER\\Control Panel\\Mouse";
        if (bRange && mousekey::SetNumber(key, "DoubleClickWidth", range) != ERROR_SUCCESS)
            error = "cannot write DoubleClickWidth";
        else if (bRange && mousekey::SetNumber(key, "DoubleClickHeight", range) != ERROR_SUCCESS)
            error = "cannot write DoubleClickHeight";
        else if (bSpeed && mousekey::SetNumber(key, "DoubleClickSpeed", speed) != ERROR_SUCCESS)
            error = "cannot write DoubleClickSpeed";
    }
    if (!error.empty())
        return error;
    // As the control panel does; the registry is what makes them last.
    mousekey::HandToSystem(bSpeed, speed, bRange, range);
    return std::string();
}

} // namespace host
