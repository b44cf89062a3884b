#include "calibhost.h"

#include <winternl.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include "Vel_DeviceManager.h"
#include "calibmatrix.h"
#include "calibview.h"
#include "check.h"
#include "collecthelper.h"
#include "panel.h"
#include "records.h"
#include "simdevice.h"
#include "uidriver.h"

namespace calibhost {

namespace {

template <class Fn> Fn Export(HMODULE hModule, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(hModule, name)));
}

// Ends the program when a run does not end: a blocked StartCalibrate cannot
// be unwound, and the remaining cases would only wait for it.
[[noreturn]] void Abandon(const char* what) {
    std::printf("[ FAIL ] %s; giving up\n", what);
    std::fflush(stdout);
    ::ExitProcess(90);
}

// Wine takes a window that covers the screen for one a window manager should
// manage, and on hiding it waits two seconds for a window manager that the
// test display does not have. Unmanaged windows of this program, and of the
// hosts it starts, are hidden at once. Wine reads the setting when the display
// driver starts, after this.
struct UnmanagedWindows {
    UnmanagedWindows() {
        for (const wchar_t* exe : {L"velcalib_tests.exe", L"parenthost.exe"}) {
            const std::wstring key =
                std::wstring(L"Software\\Wine\\AppDefaults\\") + exe + L"\\X11 Driver";
            HKEY hKey = nullptr;
            if (::RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &hKey, nullptr) == ERROR_SUCCESS) {
                ::RegSetValueExW(hKey, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"N"),
                                 2 * sizeof(wchar_t));
                ::RegCloseKey(hKey);
            }
        }
    }
} g_unmanagedWindows;

bool StartsWith(const std::string& line, const char* prefix) {
    return line.compare(0, std::strlen(prefix), prefix) == 0;
}

const char* ColourName(COLORREF colour) {
    switch (colour) {
    case RGB(0, 192, 0):
        return "steping";
    case RGB(0, 0, 192):
        return "steped";
    case RGB(192, 192, 192):
        return "notstep";
    default:
        return nullptr;
    }
}

} // namespace

const Library& Lib() {
    static Library lib = [] {
        Library l;
        l.hModule = ::LoadLibraryW(L"VelCalib.dll");
        if (l.hModule != nullptr) {
            l.IsCalibrate = Export<IsCalibrateFn>(l.hModule, "IsCalibrate");
            l.StartCalibrate = Export<StartCalibrateFn>(l.hModule, "StartCalibrate");
            l.StopCalibrate = Export<StopCalibrateFn>(l.hModule, "StopCalibrate");
            l.StartCalibrateEx = Export<StartCalibrateExFn>(l.hModule, "StartCalibrateEx");
        }
        if (!l.IsCalibrate || !l.StartCalibrate || !l.StopCalibrate || !l.StartCalibrateEx)
            Abandon("VelCalib.dll or its exports are missing");
        return l;
    }();
    return lib;
}

std::wstring DevicePath() {
    std::unique_ptr<_VEL_DEVICE_INFO> info(new _VEL_DEVICE_INFO());
    Vel_DeviceManager::EnumDevice(info.get());
    return std::wstring(info->devicePath[0]);
}

Run::Run() : Run(DevicePath()) {}

Run::Run(const std::wstring& devicePath, std::function<void()> before)
    : m_path(devicePath), m_done(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    Start(before);
}

Run::Run(const VEL_CALIB_OPTIONS& options)
    : m_path(DevicePath()), m_bEx(true), m_options(options),
      m_done(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    m_result.cbSize = sizeof(m_result);
    Start(nullptr);
}

void Run::Start(std::function<void()> before) {
    const Library& lib = Lib();
    HANDLE hStarted = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_thread = std::thread([this, &lib, hStarted, before] {
        m_threadId = ::GetCurrentThreadId();
        ::SetEvent(hStarted);
        if (before)
            before();
        DWORD start = ::GetTickCount();
        if (m_bEx)
            m_outcome = lib.StartCalibrateEx(nullptr, m_path.c_str(), &m_options, &m_result);
        else
            lib.StartCalibrate(nullptr, &m_path[0]);
        m_elapsedMs = ::GetTickCount() - start;
        MSG msg;
        m_quitSeen = ::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
        ::SetEvent(m_done);
    });
    ::WaitForSingleObject(hStarted, INFINITE);
    ::CloseHandle(hStarted);
}

Run::~Run() {
    if (!Done()) {
        Lib().StopCalibrate();
        if (!WaitDone(10000))
            Abandon("a calibration run did not end after StopCalibrate");
    }
    m_thread.join();
    ::CloseHandle(m_done);
}

bool Run::Done() const {
    return ::WaitForSingleObject(m_done, 0) == WAIT_OBJECT_0;
}

bool Run::WaitDone(DWORD timeoutMs) {
    return ::WaitForSingleObject(m_done, timeoutMs) == WAIT_OBJECT_0;
}

HWND Run::Window(DWORD timeoutMs) {
    HWND hFound = nullptr;
    ui::WaitFor(
        [&] {
            for (HWND hWnd : CalibrationWindows()) {
                if (::GetWindowThreadProcessId(hWnd, nullptr) == m_threadId) {
                    hFound = hWnd;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return hFound;
}

std::vector<HWND> CalibrationWindows(DWORD pid) {
    std::vector<HWND> found;
    int cx = ::GetSystemMetrics(SM_CXSCREEN);
    int cy = ::GetSystemMetrics(SM_CYSCREEN);
    for (HWND hWnd : ui::Windows(pid != 0 ? pid : ::GetCurrentProcessId(), L"#32770")) {
        RECT rect;
        ::GetWindowRect(hWnd, &rect);
        if (rect.left == 0 && rect.top == 0 && rect.right == cx && rect.bottom == cy)
            found.push_back(hWnd);
    }
    return found;
}

POINT TargetCentre(int index) {
    CollectHelper layout(4, CALIB_PATH_TYPE_0);
    POINT point = {LogicalToPixel(layout.Targets()[index].x, ::GetSystemMetrics(SM_CXSCREEN)),
                   LogicalToPixel(layout.Targets()[index].y, ::GetSystemMetrics(SM_CYSCREEN))};
    return point;
}

COLORREF ScreenPixel(POINT point) {
    HDC hdc = ::GetDC(nullptr);
    COLORREF colour = ::GetPixel(hdc, point.x, point.y);
    ::ReleaseDC(nullptr, hdc);
    return colour;
}

bool WaitForPixel(POINT point, COLORREF colour, DWORD timeoutMs) {
    return ui::WaitFor([&] { return ScreenPixel(point) == colour; }, timeoutMs);
}

std::string TargetColours() {
    std::string text;
    for (int i = 0; i < 4; ++i) {
        COLORREF colour = ScreenPixel(TargetCentre(i));
        const char* name = ColourName(colour);
        char hex[16];
        std::snprintf(hex, sizeof hex, "%06lx", static_cast<unsigned long>(colour));
        text += (i ? " " : "") + std::string(name ? name : hex);
    }
    return text;
}

bool WaitForTargetColours(const std::string& expected, DWORD timeoutMs) {
    std::string seen;
    if (ui::WaitFor([&] { return (seen = TargetColours()) == expected; }, timeoutMs))
        return true;
    check::Note("expected target colours " + expected + ", seen " + seen);
    return false;
}

ExpectedRecords ExpectRecords(const std::string& panel) {
    ExpectedRecords expected;
    std::optional<velsim::PanelModel> model = velsim::PanelModel::Parse(panel);
    if (!model)
        return expected;
    velsim::GaussianNoise noise(1, 0.0);
    CollectHelper layout(4, CALIB_PATH_TYPE_0);
    CalibPoint raw[4];
    for (int i = 0; i < 4; ++i) {
        velsim::RawPoint point =
            velsim::ScreenToRaw(*model, noise, layout.Targets()[i].x, layout.Targets()[i].y);
        raw[i] = {point.x, point.y};
        expected.rawX[i] = point.x;
        expected.rawY[i] = point.y;
    }
    _VEL_CALIB_PARAM param = {};
    _VEL_CALIB_PARAM_HD param_hd = {};
    param_hd.enable = 1;
    expected.ok = CalcCalibMatrix(layout.Targets(), raw, 4, param.matrix, param_hd.matrix);
    std::memcpy(expected.matrix_f, param_hd.matrix, sizeof expected.matrix_f);
    expected.hd = velsim::Hex(&param_hd, sizeof param_hd);
    expected.sixteen = velsim::Hex(&param, sizeof param);
    return expected;
}

std::string BytesOf(const std::string& line) {
    size_t at = line.find("bytes=");
    if (at == std::string::npos)
        return std::string();
    at += 6;
    return line.substr(at, line.find(' ', at) - at);
}

std::vector<std::string> JournalLines(const std::string& prefix) {
    std::vector<std::string> lines;
    for (const std::string& line : simdev::Journal()) {
        if (StartsWith(line, prefix.c_str()))
            lines.push_back(line);
    }
    return lines;
}

std::string TouchTarget(int index, int reports) {
    return "target " + std::to_string(index) + " " + std::to_string(reports) + "\nlift\n";
}

std::string TouchAllTargets() {
    std::string script;
    for (int i = 0; i < 4; ++i)
        script += TouchTarget(i);
    return script;
}

namespace {

// An entry of the GDI handle table that the PEB points to (the same 24-byte
// layout on Windows and Wine); the type field is 0 for a free entry.
struct GdiTableEntry {
    uint64_t object;
    uint16_t processId; // 0 under Wine, whose table is per process
    uint16_t count;
    uint16_t instance;
    uint16_t type;
    uint64_t user;
};
static_assert(sizeof(GdiTableEntry) == 24, "GDI table entries are 24 bytes");

DWORD GdiTableCount() {
#if defined(_WIN64)
    typedef LONG(NTAPI * QueryFn)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    QueryFn query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION info = {};
    if (query == nullptr ||
        query(::GetCurrentProcess(), ProcessBasicInformation, &info, sizeof info, nullptr) != 0)
        return 0;
    const size_t kTableOffset = 0xF8; // PEB.GdiSharedHandleTable
    const GdiTableEntry* table = *reinterpret_cast<const GdiTableEntry* const*>(
        reinterpret_cast<const char*>(info.PebBaseAddress) + kTableOffset);
    if (table == nullptr)
        return 0;
    const uint16_t pid = static_cast<uint16_t>(::GetCurrentProcessId());
    DWORD count = 0;
    for (int i = 0; i < 16384; ++i) {
        if ((table[i].type & 0xFF) != 0 && (table[i].processId == 0 || table[i].processId == pid))
            ++count;
    }
    return count;
#else
    return 0;
#endif
}

BOOL CALLBACK CountOwnWindow(HWND hWnd, LPARAM lParam) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    if (pid == ::GetCurrentProcessId())
        ++*reinterpret_cast<DWORD*>(lParam);
    return TRUE;
}

} // namespace

std::string Resources::Describe() const {
    return "handles " + std::to_string(handles) + ", GDI objects " + std::to_string(gdiObjects) +
           ", windows " + std::to_string(windows);
}

Resources CountResources() {
    Resources r;
    ::GetProcessHandleCount(::GetCurrentProcess(), &r.handles);
    if (r.handles == 0) {
        HANDLE hProbe = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        r.handles = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(hProbe) / 4);
        ::CloseHandle(hProbe);
    }
    r.gdiObjects = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    if (r.gdiObjects == 0)
        r.gdiObjects = GdiTableCount();
    ::EnumWindows(CountOwnWindow, reinterpret_cast<LPARAM>(&r.windows));
    return r;
}

bool HeapsAreSound() {
    HANDLE heaps[64];
    DWORD count = ::GetProcessHeaps(64, heaps);
    for (DWORD i = 0; i < count && i < 64; ++i) {
        if (!::HeapValidate(heaps[i], 0, nullptr))
            return false;
    }
    return true;
}

void CheckRunsReleasedOnce(size_t runs) {
    // The device calls of one run, reports and enumerations left out.
    enum { Idle, Opened, InMode, Registered, Unregistered, Stopped } state = Idle;
    size_t completed = 0;
    int lineNo = 0;
    for (const std::string& line : simdev::Journal()) {
        ++lineNo;
        if (StartsWith(line, "Report ") || StartsWith(line, "EnumDevice"))
            continue;
        const std::string where = "journal line " + std::to_string(lineNo) + ": " + line;
        if (StartsWith(line, "ScriptError"))
            check::Fail(__FILE__, __LINE__, where);
        bool ok = false;
        if (StartsWith(line, "OpenDevice")) {
            ok = state == Idle;
            state = Opened;
        } else if (StartsWith(line, "StartCalibMode")) {
            ok = state == Opened;
            state = InMode;
        } else if (StartsWith(line, "RegDataCallback")) {
            ok = state == InMode;
            state = Registered;
        } else if (StartsWith(line, "ApplyCalibParam")) {
            ok = state == Registered;
        } else if (StartsWith(line, "UnRegDataCallback")) {
            ok = state == Registered;
            state = Unregistered;
        } else if (StartsWith(line, "StopCalibMode")) {
            ok = state == Unregistered;
            state = Stopped;
        } else if (StartsWith(line, "CloseDevice")) {
            ok = state == Stopped;
            state = Idle;
            ++completed;
        }
        if (!ok)
            check::Fail(__FILE__, __LINE__, "out of order or repeated: " + where);
    }
    CHECK_EQ(static_cast<int>(state), static_cast<int>(Idle));
    CHECK_EQ(completed, runs);
}

} // namespace calibhost
