// Ways out of a calibration run and runs started and stopped from several
// threads: the device is released exactly once and every StartCalibrate returns.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "calibhost.h"
#include "check.h"
#include "importpatch.h"
#include "simdevice.h"
#include "uidriver.h"

using calibhost::Lib;
using calibhost::Run;

namespace {

// Ends the program when the watched loop stops making progress.
class Watchdog {
public:
    explicit Watchdog(DWORD limitMs) : m_limitMs(limitMs), m_last(::GetTickCount()) {
        m_thread = std::thread([this] {
            while (!m_stop) {
                ::Sleep(200);
                if (::GetTickCount() - m_last > m_limitMs) {
                    std::printf("[ FAIL ] no progress for %lu ms; giving up\n",
                                static_cast<unsigned long>(m_limitMs));
                    std::fflush(stdout);
                    ::ExitProcess(91);
                }
            }
        });
    }
    ~Watchdog() {
        m_stop = true;
        m_thread.join();
    }
    void Progress() { m_last = ::GetTickCount(); }

private:
    DWORD m_limitMs;
    std::atomic<DWORD> m_last;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// Counts the library's calls that start and shut down GDI+.
typedef int(WINAPI* GdiplusStartupFn)(ULONG_PTR*, const void*, void*);
typedef void(WINAPI* GdiplusShutdownFn)(ULONG_PTR);
GdiplusStartupFn s_gdiplusStartup = nullptr;
GdiplusShutdownFn s_gdiplusShutdown = nullptr;
std::atomic<int> s_gdiplusStarts{0};
std::atomic<int> s_gdiplusShutdowns{0};

int WINAPI CountedGdiplusStartup(ULONG_PTR* pToken, const void* pInput, void* pOutput) {
    ++s_gdiplusStarts;
    return s_gdiplusStartup(pToken, pInput, pOutput);
}

void WINAPI CountedGdiplusShutdown(ULONG_PTR token) {
    ++s_gdiplusShutdowns;
    s_gdiplusShutdown(token);
}

void PostTo(HWND hWnd, UINT message, WPARAM wParam) {
    ::PostMessageW(hWnd, message, wParam, 0);
}

} // namespace

// Every way out of a run, before any touch: the device is released once and
// nothing is applied. Enter and the dialog manager's OK and cancel commands
// leave through the same steps as ESC.
VEL_CASE(EveryWayOutReleasesTheDeviceOnce) {
    const struct {
        const char* what;
        void (*leave)(HWND);
    } ways[] = {
        {"ESC", [](HWND h) { PostTo(h, WM_KEYDOWN, VK_ESCAPE); }},
        {"Enter", [](HWND h) { PostTo(h, WM_KEYDOWN, VK_RETURN); }},
        {"WM_CLOSE", [](HWND h) { PostTo(h, WM_CLOSE, 0); }},
        {"OK command", [](HWND h) { PostTo(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED)); }},
        {"cancel command", [](HWND h) { PostTo(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED)); }},
        {"StopCalibrate twice",
         [](HWND) {
             Lib().StopCalibrate();
             CHECK(!Lib().IsCalibrate());
             Lib().StopCalibrate();
         }},
    };
    for (const auto& way : ways) {
        check::Note(way.what);
        simdev::Reset();
        Run run;
        HWND hWnd = run.Window();
        CHECK(hWnd != nullptr);
        CHECK(Lib().IsCalibrate());
        way.leave(hWnd);
        CHECK(run.WaitDone(5000));
        CHECK(!Lib().IsCalibrate());
        CHECK(calibhost::JournalLines("ApplyCalibParam").empty());
        calibhost::CheckRunsReleasedOnce(1);
    }
}

// GDI+ runs from the start of a run to its end; loading the library (whose
// entry point runs under the loader lock) does not start it.
VEL_CASE(GdiplusRunsOnlyWhileARunIsActive) {
    if (s_gdiplusStartup == nullptr) {
        void* pOld = nullptr;
        CHECK(PatchImport(Lib().hModule, "gdiplus.dll", "GdiplusStartup",
                          reinterpret_cast<void*>(CountedGdiplusStartup), &pOld));
        s_gdiplusStartup = reinterpret_cast<GdiplusStartupFn>(pOld);
        CHECK(PatchImport(Lib().hModule, "gdiplus.dll", "GdiplusShutdown",
                          reinterpret_cast<void*>(CountedGdiplusShutdown), &pOld));
        s_gdiplusShutdown = reinterpret_cast<GdiplusShutdownFn>(pOld);
    }
    const int starts = s_gdiplusStarts, shutdowns = s_gdiplusShutdowns;
    for (int round = 1; round <= 2; ++round) {
        simdev::Reset();
        Run run;
        CHECK(run.Window() != nullptr);
        CHECK_EQ(s_gdiplusStarts - starts, round);
        CHECK_EQ(s_gdiplusShutdowns - shutdowns, round - 1);
        Lib().StopCalibrate();
        CHECK(run.WaitDone(5000));
        CHECK_EQ(s_gdiplusShutdowns - shutdowns, round);
    }
}

static HHOOK s_hStopHook = nullptr;

// Calls StopCalibrate when the first window of the thread is being created.
static LRESULT CALLBACK StopOnCreate(int nCode, WPARAM wParam, LPARAM lParam) {
    if (nCode == HCBT_CREATEWND && s_hStopHook != nullptr) {
        ::UnhookWindowsHookEx(s_hStopHook);
        s_hStopHook = nullptr;
        Lib().StopCalibrate();
    }
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}

// StopCalibrate after the run was accepted but before its window exists
// (here: while the window is being created) still ends the run once the
// window is up.
VEL_CASE(StopBeforeTheWindowExistsEndsTheRun) {
    simdev::Reset();
    Run run(calibhost::DevicePath(), [] {
        s_hStopHook = ::SetWindowsHookExW(WH_CBT, StopOnCreate, nullptr, ::GetCurrentThreadId());
    });
    CHECK(run.WaitDone(5000));
    CHECK(!Lib().IsCalibrate());
    calibhost::CheckRunsReleasedOnce(1);
}

// A second StartCalibrate during a run returns at once and opens nothing.
VEL_CASE(SecondStartDuringARunReturnsAtOnce) {
    simdev::Reset();
    Run run;
    CHECK(run.Window() != nullptr);
    std::wstring path = calibhost::DevicePath();
    DWORD start = ::GetTickCount();
    Lib().StartCalibrate(nullptr, &path[0]);
    CHECK(::GetTickCount() - start < 1000);
    CHECK(Lib().IsCalibrate());
    CHECK_EQ(calibhost::CalibrationWindows().size(), size_t(1));
    Lib().StopCalibrate();
    CHECK(run.WaitDone(5000));
    calibhost::CheckRunsReleasedOnce(1);
}

// Starts from several threads at the same moment: one run, the rest return.
VEL_CASE(SimultaneousStartsMakeOneRun) {
    const int kThreads = 4;
    for (int round = 0; round < 5; ++round) {
        simdev::Reset();
        HANDLE hGo = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        std::vector<std::unique_ptr<Run>> runs;
        for (int i = 0; i < kThreads; ++i) {
            runs.emplace_back(
                new Run(calibhost::DevicePath(), [hGo] { ::WaitForSingleObject(hGo, INFINITE); }));
        }
        ::SetEvent(hGo);
        CHECK(ui::WaitFor(
            [&] {
                int done = 0;
                for (auto& run : runs)
                    done += run->Done();
                return done == kThreads - 1;
            },
            5000));
        CHECK(ui::WaitFor([] { return calibhost::CalibrationWindows().size() == 1; }));
        ui::Sleep(100);
        CHECK_EQ(calibhost::CalibrationWindows().size(), size_t(1));
        CHECK(Lib().IsCalibrate());
        Lib().StopCalibrate();
        for (auto& run : runs)
            CHECK(run->WaitDone(5000));
        runs.clear();
        ::CloseHandle(hGo);
        calibhost::CheckRunsReleasedOnce(1);
        // Threads that called into the library have ended: their teardown
        // once corrupted the heap.
        CHECK(calibhost::HeapsAreSound());
    }
}

// Start/Stop cycles with StopCalibrate from a second thread at random
// moments: before a run is accepted, before its window exists, during it,
// while it applies its result, and while its failure message is open.
VEL_CASE(StartStopCyclesFromASecondThread) {
    // VEL_STRESS_CYCLES sets the count (test.sh: 200); 40 at the least.
    const char* pCycles = std::getenv("VEL_STRESS_CYCLES");
    const int kCycles = std::max(40, pCycles != nullptr ? std::atoi(pCycles) : 200) / 2 * 2;
    const int kWarmUp = kCycles / 10;
    simdev::Reset();
    // A run not stopped in time completes on its own; in the second half its
    // records are refused and its failure message is open when the stop comes.
    simdev::WriteScript(calibhost::TouchAllTargets());
    std::wstring path = calibhost::DevicePath();
    std::srand(12345);

    std::atomic<int> startedCycles{0};
    std::atomic<int> doneCycles{0};
    std::atomic<bool> stopperFailed{false};
    Watchdog watchdog(20000);
    std::thread stopper([&] {
        for (int cycle = 0; cycle < kCycles; ++cycle) {
            if (!ui::WaitFor([&] { return startedCycles.load() > cycle; }, 20000)) {
                stopperFailed = true;
                return;
            }
            // Mostly early stops; one in four late enough to meet the end of a
            // run that completes on its own (about 200 ms in).
            int delay = std::rand() % 4 == 0 ? 150 + std::rand() % 500 : std::rand() % 150;
            ::Sleep(static_cast<DWORD>(delay));
            while (doneCycles.load() <= cycle) {
                Lib().StopCalibrate();
                ::Sleep(3);
            }
        }
    });

    // Per half: what the process holds once warmed up, and at the half's end.
    // The first failure message makes the system cache a few GDI objects, so
    // the second half is warm only once a message was shown (a refused record).
    calibhost::Resources warm[2], end[2];
    bool bWarm[2] = {false, false};
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        const int half = cycle < kCycles / 2 ? 0 : 1;
        if (cycle == kCycles / 2) {
            end[0] = calibhost::CountResources();
            simdev::Set("refuseHd", "1");
            simdev::Set("refuse16", "1");
        }
        if (!bWarm[half] && cycle % (kCycles / 2) >= kWarmUp &&
            (half == 0 || !calibhost::JournalLines("ApplyCalibParam bytes").empty())) {
            warm[half] = calibhost::CountResources();
            bWarm[half] = true;
        }
        ++startedCycles;
        Lib().StartCalibrate(nullptr, &path[0]);
        ++doneCycles;
        watchdog.Progress();
        if ((cycle + 1) % 50 == 0)
            check::Note(std::to_string(cycle + 1) + " cycles");
    }
    stopper.join();
    CHECK(!stopperFailed);
    CHECK(!Lib().IsCalibrate());
    CHECK(calibhost::HeapsAreSound());
    CHECK(ui::Windows(::GetCurrentProcessId(), L"#32770").empty());

    end[1] = calibhost::CountResources();
    for (int half = 0; half < 2; ++half) {
        CHECK(bWarm[half]);
        check::Note("warmed up: " + warm[half].Describe() +
                    "; at the half's end: " + end[half].Describe());
        CHECK(end[half].handles <= warm[half].handles + 8);
        CHECK(end[half].gdiObjects <= warm[half].gdiObjects + 8);
        CHECK(end[half].windows <= warm[half].windows);
    }

    size_t applied = calibhost::JournalLines("ApplyCalibParam_hd ").size();
    // The 16-bit record goes out only after the HD one was refused.
    size_t refused = calibhost::JournalLines("ApplyCalibParam bytes").size();
    check::Note(std::to_string(applied) + " of " + std::to_string(kCycles) +
                " runs reached the apply, " + std::to_string(refused) +
                " of them refused (failure message open when stopped)");
    CHECK(applied > 0);
    CHECK(refused > 0);
    calibhost::CheckRunsReleasedOnce(kCycles);
}

// Twenty seconds of collecting without a touch close the window through the
// close steps. A failure message open longer stays until it is answered;
// collection starts counting afresh when it restarts, and a touch starts the
// twenty seconds again.
VEL_CASE(IdleTimeoutCountsOnlyWhileCollecting) {
    simdev::Reset();
    simdev::Set("refuseHd", "1");
    simdev::Set("refuse16", "1");
    simdev::WriteScript(calibhost::TouchAllTargets() +
                        "waitfor answered\nwait 10000\ntarget 0 1\n");
    Run run;
    HWND hBox = ui::WaitForMessageBox(::GetCurrentProcessId(), 10000);
    CHECK(hBox != nullptr);
    ui::Sleep(21000);
    CHECK(::IsWindow(hBox));
    CHECK(!run.Done());
    ui::CloseMessageBox(hBox);
    simdev::CreateFile("answered");
    const DWORD answered = ::GetTickCount();
    CHECK(run.WaitDone(40000));
    const DWORD closedAfter = ::GetTickCount() - answered;
    check::Note("closed " + std::to_string(closedAfter) + " ms after the message was answered");
    CHECK(closedAfter >= 29000);
    CHECK(closedAfter < 34000);
    calibhost::CheckRunsReleasedOnce(1);
}

// A WM_QUIT for the run's thread ends the modal loop: the run is released
// once, also with reports in flight or a failure message open, and the quit
// is still there for the host's own loop.
VEL_CASE(QuitReleasesTheDeviceAndReachesTheHost) {
    const struct {
        const char* what;
        bool refuse;
        std::string script;
    } cases[] = {
        {"idle", false, ""},
        {"touching", false, "touch 5000 5000 100000\n"},
        {"failure message open", true, calibhost::TouchAllTargets()},
    };
    for (const auto& c : cases) {
        check::Note(c.what);
        simdev::Reset();
        if (c.refuse) {
            simdev::Set("refuseHd", "1");
            simdev::Set("refuse16", "1");
        }
        simdev::WriteScript(c.script);
        Run run;
        CHECK(run.Window() != nullptr);
        HWND hBox = c.refuse ? ui::WaitForMessageBox(::GetCurrentProcessId(), 10000) : nullptr;
        CHECK(!c.refuse || hBox != nullptr);
        ui::Sleep(200);
        ::PostThreadMessageW(run.ThreadId(), WM_QUIT, 0, 0);
        CHECK(run.WaitDone(5000));
        CHECK(run.QuitSeen());
        CHECK(!Lib().IsCalibrate());
        CHECK(hBox == nullptr || !::IsWindow(hBox));
        calibhost::CheckRunsReleasedOnce(1);
    }
}

// StopCalibrate and at once, from another thread, StartCalibrate: the new
// Start waits for the stopped run to close and then runs.
VEL_CASE(StartRightAfterStopRuns) {
    simdev::Reset();
    std::unique_ptr<Run> first(new Run());
    CHECK(first->Window() != nullptr);
    Lib().StopCalibrate();
    Run second;
    CHECK(second.Window() != nullptr);
    CHECK(first->WaitDone(5000));
    CHECK(Lib().IsCalibrate());
    CHECK(!second.Done());
    Lib().StopCalibrate();
    CHECK(second.WaitDone(5000));
    first.reset();
    calibhost::CheckRunsReleasedOnce(2);
}

// StopCalibrate while a failure message is open on the report thread: the
// message is answered, the device released once, and the run ends.
VEL_CASE(StopWhileTheFailureMessageIsOpen) {
    simdev::Reset();
    simdev::Set("refuseHd", "1");
    simdev::Set("refuse16", "1");
    simdev::WriteScript(calibhost::TouchAllTargets());
    Run run;
    HWND hBox = ui::WaitForMessageBox(::GetCurrentProcessId(), 10000);
    CHECK(hBox != nullptr);
    Lib().StopCalibrate();
    CHECK(!Lib().IsCalibrate());
    CHECK(run.WaitDone(5000));
    CHECK(!::IsWindow(hBox));
    calibhost::CheckRunsReleasedOnce(1);
}
