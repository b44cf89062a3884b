// Latency from a touch report's delivery to the end of the repaint that shows
// its effect, in the calibration window of VelCalib.dll with the simulated
// touch screen (a Windows program; bench/calib_latency.sh runs it under Wine).
//
// It hosts the library as any program would and watches two points without
// changing the library: the report's arrival, by wrapping the data callback
// (VelCalib.dll's import of GetProcAddress is pointed at a wrapper that hands
// out, for Vel_DeviceManager::RegDataCallback, a wrapper that registers a
// timing callback in front of the dialog's), and
// the end of each WM_PAINT, by subclassing the calibration window. Every
// report of the script makes the window repaint; a report's latency runs
// from its arrival to the end of the first repaint that begins after it.
//
//   calib_latency [reports]    (default 200)
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Vel_DeviceManager.h"
#include "sdkmembers.h"
#include "importpatch.h"

class CWnd;

namespace {

typedef void(WINAPI* StartCalibrateFn)(CWnd*, wchar_t*);
typedef void (*StopCalibrateFn)();
// A member function on x64 takes `this` as its first argument.
typedef void (*RegDataCallbackFn)(void*, VEL_DATA_CALLBACK, void*);
typedef FARPROC(WINAPI* GetProcAddressFn)(HMODULE, LPCSTR);

LARGE_INTEGER g_frequency;

double Now() {
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(g_frequency.QuadPart);
}

std::mutex g_lock;
std::vector<double> g_arrivals;                  // ms
std::vector<std::pair<double, double>> g_paints; // begin, end (ms)

GetProcAddressFn g_realGetProcAddress = nullptr;
RegDataCallbackFn g_realRegister = nullptr;
VEL_DATA_CALLBACK g_dialogCallback = nullptr;
WNDPROC g_dialogProc = nullptr;

void VEL_CALLBACK TimedCallback(const unsigned char* data, unsigned char length, void* context) {
    double t = Now();
    {
        std::lock_guard<std::mutex> lock(g_lock);
        g_arrivals.push_back(t);
    }
    g_dialogCallback(data, length, context);
}

void RegisterTimed(void* self, VEL_DATA_CALLBACK callback, void* context) {
    g_dialogCallback = callback;
    g_realRegister(self, callback != nullptr ? TimedCallback : nullptr, context);
}

// The library's members as VelCalib.dll resolves them, RegDataCallback wrapped.
FARPROC WINAPI GetProcAddressTimed(HMODULE hModule, LPCSTR name) {
    FARPROC real = g_realGetProcAddress(hModule, name);
    if (HIWORD(reinterpret_cast<ULONG_PTR>(name)) == 0 ||
        std::strcmp(name, velsdk::ExportName(velsdk::kRegDataCallback, velsdk::kToolsArch)) != 0)
        return real;
    g_realRegister = reinterpret_cast<RegDataCallbackFn>(reinterpret_cast<void*>(real));
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(RegisterTimed));
}

LRESULT CALLBACK TimedWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT)
        return ::CallWindowProcW(g_dialogProc, hWnd, message, wParam, lParam);
    double begin = Now();
    LRESULT result = ::CallWindowProcW(g_dialogProc, hWnd, message, wParam, lParam);
    ::GdiFlush();
    double end = Now();
    std::lock_guard<std::mutex> lock(g_lock);
    g_paints.push_back({begin, end});
    return result;
}

HWND FindCalibrationWindow(DWORD threadId) {
    struct Search {
        HWND hFound;
    } search = {nullptr};
    ::EnumThreadWindows(
        threadId,
        [](HWND hWnd, LPARAM lParam) -> BOOL {
            wchar_t szClass[16] = {};
            ::GetClassNameW(hWnd, szClass, 16);
            if (lstrcmpW(szClass, L"#32770") == 0 && ::IsWindowVisible(hWnd)) {
                reinterpret_cast<Search*>(lParam)->hFound = hWnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

std::wstring Home() {
    wchar_t value[1024] = {};
    DWORD size = ::GetEnvironmentVariableW(L"VEL_SDK_HOME", value, 1024);
    if (size == 0 || size >= 1024) {
        std::printf("VEL_SDK_HOME must name the simulated device's folder\n");
        std::exit(2);
    }
    return value;
}

void WriteFileText(const std::wstring& path, const std::string& text) {
    HANDLE hFile = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    ::WriteFile(hFile, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(hFile);
}

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    size_t index = static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

} // namespace

int main(int argc, char** argv) {
    const size_t kWanted = argc > 1 ? static_cast<size_t>(std::atoi(argv[1])) : 200;
    ::QueryPerformanceFrequency(&g_frequency);
    const std::wstring home = Home();

    // Each target: three still samples (the third makes it stable) and the
    // lift that stores it, 20 ms apart. Every one of them repaints.
    std::string script = "waitfor go\n";
    for (int i = 0; i < 4; ++i) {
        for (int k = 0; k < 3; ++k)
            script += "target " + std::to_string(i) + " 1\nwait 20\n";
        script += "lift\nwait 20\n";
    }
    WriteFileText(home + L"\\script.txt", script);

    HMODULE hLib = ::LoadLibraryW(L"VelCalib.dll");
    if (hLib == nullptr) {
        std::printf("VelCalib.dll did not load\n");
        return 2;
    }
    auto start = reinterpret_cast<StartCalibrateFn>(
        reinterpret_cast<void*>(::GetProcAddress(hLib, "StartCalibrate")));
    auto stop = reinterpret_cast<StopCalibrateFn>(
        reinterpret_cast<void*>(::GetProcAddress(hLib, "StopCalibrate")));
    void* pOld = nullptr;
    if (!start || !stop ||
        !PatchImport(hLib, "kernel32.dll", "GetProcAddress",
                     reinterpret_cast<void*>(GetProcAddressTimed), &pOld)) {
        std::printf("cannot find the exports or the import of GetProcAddress\n");
        return 2;
    }
    g_realGetProcAddress = reinterpret_cast<GetProcAddressFn>(pOld);

    std::unique_ptr<_VEL_DEVICE_INFO> info(new _VEL_DEVICE_INFO());
    Vel_DeviceManager::EnumDevice(info.get());
    std::wstring path = info->devicePath[0];

    std::vector<double> latencies;
    int runs = 0;
    while (latencies.size() < kWanted && runs < 100) {
        ++runs;
        {
            std::lock_guard<std::mutex> lock(g_lock);
            g_arrivals.clear();
            g_paints.clear();
        }
        std::atomic<DWORD> threadId{0};
        std::thread host([&] {
            threadId = ::GetCurrentThreadId();
            start(nullptr, &path[0]);
        });
        HWND hWnd = nullptr;
        for (int i = 0; i < 500 && hWnd == nullptr; ++i) {
            ::Sleep(10);
            hWnd = threadId != 0 ? FindCalibrationWindow(threadId) : nullptr;
        }
        if (hWnd == nullptr) {
            std::printf("no calibration window\n");
            return 1;
        }
        g_dialogProc = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TimedWindowProc)));
        ::Sleep(100); // the first, complete paint
        WriteFileText(home + L"\\go", "");
        host.join();

        // The last lift ends the run instead of repainting it.
        std::lock_guard<std::mutex> lock(g_lock);
        for (size_t r = 0; r + 1 < g_arrivals.size(); ++r) {
            for (const auto& paint : g_paints) {
                if (paint.first >= g_arrivals[r]) {
                    latencies.push_back(paint.second - g_arrivals[r]);
                    break;
                }
            }
        }
    }
    if (latencies.size() > kWanted)
        latencies.resize(kWanted);
    if (latencies.empty()) {
        std::printf("no report was measured\n");
        return 1;
    }
    std::printf("report -> end of repaint, %zu reports in %d runs: p50 %.2f ms, p95 %.2f ms, "
                "max %.2f ms\n",
                latencies.size(), runs, Percentile(latencies, 0.5), Percentile(latencies, 0.95),
                *std::max_element(latencies.begin(), latencies.end()));
    return 0;
}
