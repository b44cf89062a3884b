// VelCalib.dll: the application object and the four exports (IsCalibrate,
// StartCalibrate, StopCalibrate, StartCalibrateEx).
#include "velcalib.h"

#include "afxwin.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cstring>
#include <cwchar>
#include <new>
#include <string>

#include "Vel_DeviceManager.h"
#include "calibdialog.h"
#include "calibresult.h"
#include "calibrun.h"
#include "calibstore.h"
#include "desktoplayout.h"
#include "identifydialog.h"
#include "devicelib.h"
#include "parentwindow.h"
#include "utf8.h"

// The library's application object. It owns the GDI+ token of the
// calibration window. GDI+ may not be started or stopped from the DLL's entry
// point, where the framework runs InitInstance and ExitInstance, so it runs
// from the start of a run to its end instead.
class CalibApp : public CWinApp {
public:
    CalibApp();
    ~CalibApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override;

    void StartGdiplus();
    void StopGdiplus();

private:
    ULONG_PTR m_gdiplusToken;
    Gdiplus::GdiplusStartupInput m_gdiplusStartupInput; // version 1, defaults

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CalibApp, CWinApp)
END_MESSAGE_MAP()

CalibApp::CalibApp() : m_gdiplusToken(0) {}

CalibApp::~CalibApp() {}

BOOL CalibApp::InitInstance() {
    CWinApp::InitInstance();
    return TRUE;
}

// A token still held here belongs to a run the process abandoned; shutting
// GDI+ down under the loader lock is not allowed, so it is left to the process's end.
int CalibApp::ExitInstance() {
    return CWinApp::ExitInstance();
}

// Its status is not examined: without GDI+ the targets stay undrawn.
void CalibApp::StartGdiplus() {
    if (m_gdiplusToken == 0) {
        Gdiplus::GdiplusStartup(&m_gdiplusToken, &m_gdiplusStartupInput, nullptr);
    }
}

void CalibApp::StopGdiplus() {
    if (m_gdiplusToken != 0) {
        Gdiplus::GdiplusShutdown(m_gdiplusToken);
        m_gdiplusToken = 0;
    }
}

namespace {

CalibApp theApp;

// Which StartCalibrate runs, the running flag and the run StopCalibrate reaches.
CalibAdmission g_admission;

// This process's memory and windows for ResolveParent. The host owns what its
// pointer points to for the whole call; memory it frees meanwhile on another
// thread is not guarded against.
class ProcessParentProbe final : public ParentProbe {
public:
    // Every region the bytes touch is queried; a region ends where its pages
    // stop being alike, so this covers every page.
    bool Read(uintptr_t nAddress, void* pOut, size_t nSize) const override {
        const DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY |
                                PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
        const uintptr_t nLastByte = nAddress + nSize - 1;
        if (nSize == 0 || nLastByte < nAddress) {
            return false;
        }
        for (uintptr_t nAt = nAddress;;) {
            MEMORY_BASIC_INFORMATION info;
            if (::VirtualQuery(reinterpret_cast<const void*>(nAt), &info, sizeof info) !=
                    sizeof info ||
                info.State != MEM_COMMIT || (info.Protect & (PAGE_GUARD | PAGE_NOACCESS)) != 0 ||
                (info.Protect & kReadable) == 0) {
                return false;
            }
            // 0: the region runs to the top of the address space.
            const uintptr_t nNext = reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize;
            if (nNext == 0 || nNext > nLastByte) {
                break;
            }
            nAt = nNext;
        }
        std::memcpy(pOut, reinterpret_cast<const void*>(nAddress), nSize);
        return true;
    }

    ParentWindowKind Kind(uintptr_t nHandle) const override {
        const HWND hWnd = reinterpret_cast<HWND>(nHandle);
        DWORD nProcess = 0;
        if (!::IsWindow(hWnd)) {
            return ParentWindowKind::NotUsable;
        }
        const DWORD nThread = ::GetWindowThreadProcessId(hWnd, &nProcess);
        if (nProcess != ::GetCurrentProcessId()) {
            return ParentWindowKind::NotUsable;
        }
        return nThread == ::GetCurrentThreadId() ? ParentWindowKind::ThisThread
                                                 : ParentWindowKind::OtherThread;
    }
};

// Where our CWnd keeps its handle (offsetof is not defined for it).
size_t OwnHandleOffset() {
    const CWnd wnd;
    return static_cast<size_t>(reinterpret_cast<const char*>(&wnd.m_hWnd) -
                               reinterpret_cast<const char*>(&wnd));
}

// The window StartCalibrate's parent names, read as ResolveParent says.
HWND ParentWindow(const void* pParent) {
    return reinterpret_cast<HWND>(ResolveParent(reinterpret_cast<uintptr_t>(pParent),
                                                OwnHandleOffset(), sizeof(void*),
                                                ProcessParentProbe()));
}

// Runs the admitted run's dialog and retires the run; fills pResult (when
// given, as far as its size goes) and pFull (when given: all of it) and
// returns the run's outcome. bByTouch: the display was found by a touch.
uint32_t RunDialog(CWnd* pParent, wchar_t* pDevicePath, const CalibSettings& settings,
                   VEL_CALIB_RESULT* pResult, const DesktopLayout& layout = DesktopLayout(),
                   const RunPlace& place = RunPlace(), bool bByTouch = false,
                   VEL_CALIB_RESULT* pFull = nullptr, const PreviousSet& previous = PreviousSet()) {
    theApp.StartGdiplus();
    CalibDialog* pDlg =
        new (std::nothrow) CalibDialog(pParent, pDevicePath, settings, layout, place);
    // A dialog that could not be made ran nothing: "stopped", an empty result.
    uint32_t nOutcome = VEL_CALIB_STOPPED;
    VEL_CALIB_RESULT full;
    std::memset(&full, 0, sizeof(full));
    full.cbSize = sizeof(full);
    if (pDlg != nullptr && pDlg->IsUsable()) {
        pDlg->SetPrevious(previous);
        g_admission.Publish(&pDlg->Run());
        pDlg->DoModal();
        nOutcome = pDlg->Outcome();
        CalibRecorder& recorder = pDlg->Recorder();
        if (!layout.displays.empty()) {
            const DisplayInfo& display = layout.displays[place.nDisplay - 1];
            recorder.Chosen(bByTouch, display.orientation, display.dpi);
        }
        recorder.Fill(nOutcome, &full);
    } else {
        CalibRecorder(settings).Fill(nOutcome, &full);
    }
    if (pResult != nullptr) {
        const uint32_t cbSize = pResult->cbSize;
        std::memcpy(pResult, &full, cbSize < sizeof(full) ? cbSize : sizeof(full));
        pResult->cbSize = cbSize;
    }
    if (pFull != nullptr) {
        *pFull = full;
    }
    // StopCalibrate no longer reaches the run once it is retired.
    g_admission.Retire();
    delete pDlg;
    theApp.StopGdiplus();
    g_admission.Finish();
    return nOutcome;
}

// The identify pages of an admitted run: the display touched (1…N) and
// VEL_CALIB_IDENTIFIED, or how they ended. The display calibrated last for
// this device comes first.
uint32_t RunIdentify(CWnd* pParent, wchar_t* pDevicePath, const CalibSettings& settings,
                     const DesktopLayout& layout, const RememberedCalibration* pLast,
                     uint32_t& nChosen) {
    nChosen = 0;
    const uint32_t nFirst = pLast != nullptr ? FindRemembered(layout, *pLast) : 0;
    IdentifyDialog* pDlg = new (std::nothrow) IdentifyDialog(
        pParent, pDevicePath, layout, nFirst, settings.nIdentifySeconds, settings.nIdentifyRounds);
    uint32_t nOutcome = VEL_CALIB_STOPPED;
    if (pDlg != nullptr && pDlg->IsUsable()) {
        g_admission.Publish(&pDlg->Run());
        pDlg->DoModal();
        nOutcome = pDlg->Outcome();
        nChosen = pDlg->Chosen();
    }
    g_admission.Withdraw();
    delete pDlg;
    return nOutcome;
}

// What this run leaves to remember: a set the device took and holds (not
// one taken back after a failed proof or a way out: what was remembered
// holds again).
void RememberRunOf(const wchar_t* pDevicePath, const DesktopLayout& layout,
                   const VEL_CALIB_RESULT& result) {
    if (result.nAccepted == VEL_CALIB_RECORD_NONE || result.nAttempts == 0 ||
        result.nRestored == VEL_CALIB_RESTORED_REMEMBERED ||
        result.nRestored == VEL_CALIB_RESTORED_RESET) {
        return;
    }
    SaveRemembered(RememberRun(velsdk::Utf8(pDevicePath), layout, result, UtcNow()));
}

} // namespace

extern "C" bool IsCalibrate() {
    return g_admission.IsRunning();
}

// Without a device library it can use, it says why over the parent and
// returns: no window, no device call. The parent may be any host's window
// object or handle, or none (see parentwindow.h); it is never read unchecked.
extern "C" void WINAPI StartCalibrate(CWnd* pParent, wchar_t* pDevicePath) {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    const HWND hParent = ParentWindow(pParent);
    const std::wstring strProblem = velsdk::LibraryProblem();
    if (!strProblem.empty()) {
        ::MessageBoxW(hParent, strProblem.c_str(), AfxGetAppName(), MB_OK);
        return;
    }
    if (!g_admission.Admit()) {
        return;
    }
    RunDialog(CWnd::FromHandle(hParent), pDevicePath, CalibSettings(), nullptr);
}

// The same run with options, and what came of it. The path is copied: the
// run keeps its own.
extern "C" int WINAPI StartCalibrateEx(HWND hParent, const wchar_t* pDevicePath,
                                       const VEL_CALIB_OPTIONS* pOptions,
                                       VEL_CALIB_RESULT* pResult) {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    CalibSettings settings;
    const bool bResult = ResultUsable(pResult);
    size_t nPath = 0;
    while (pDevicePath != nullptr && nPath < VEL_MAX_PATH && pDevicePath[nPath] != L'\0') {
        ++nPath;
    }
    const bool bPath = pDevicePath != nullptr && nPath < VEL_MAX_PATH;
    const std::string why = CheckOptions(pOptions, settings);
    CalibRecorder recorder(settings);
    auto finish = [&](uint32_t nOutcome) {
        if (bResult) {
            recorder.Fill(nOutcome, pResult);
        }
        return static_cast<int>(nOutcome);
    };
    if (!bResult || !bPath || !why.empty()) {
        return finish(VEL_CALIB_BAD_ARGUMENTS);
    }
    // The run's display and space, in physical pixels for the whole run; a
    // display the system lacks, or targets beyond the device's range, are bad
    // arguments too (found by touch: once it is known).
    const PerMonitorDpiScope dpiScope;
    const DesktopLayout layout = CurrentDesktopLayout();
    const std::vector<CalibPoint> targets = TargetsOfRun(settings);
    RunPlace place;
    auto placeRun = [&](uint32_t nDisplay) {
        return PlaceRun(layout, nDisplay, FirstSpace(settings), targets.data(),
                        static_cast<int>(targets.size()), place)
                   .kind == PlaceProblem::None;
    };
    if (settings.bByTouch ? layout.displays.empty() : !placeRun(settings.nDisplay)) {
        return finish(VEL_CALIB_BAD_ARGUMENTS);
    }
    if (!velsdk::LibraryProblem().empty()) {
        return finish(VEL_CALIB_NO_DEVICE);
    }
    if (!g_admission.Admit()) {
        return finish(VEL_CALIB_BUSY);
    }
    wchar_t szPath[VEL_MAX_PATH] = {};
    std::wmemcpy(szPath, pDevicePath, nPath);
    // A handle that is no window of this process is no parent.
    const HWND hChecked = reinterpret_cast<HWND>(
        CheckParentHandle(reinterpret_cast<uintptr_t>(hParent), ProcessParentProbe()));
    // What the tools wrote for this device before: the display shown first,
    // and the set a failed proof puts back.
    const std::vector<RememberedCalibration> memory = LoadMemory();
    const RememberedCalibration* pLast = Recall(memory, velsdk::Utf8(szPath));
    PreviousSet previous;
    if (pLast != nullptr) {
        previous.nRecord = pLast->nRecord;
        std::memcpy(previous.fCoefficients, pLast->fCoefficients, sizeof previous.fCoefficients);
        std::memcpy(previous.nCoefficients, pLast->nCoefficients, sizeof previous.nCoefficients);
    }
    if (settings.bByTouch) {
        uint32_t nChosen = 0;
        const uint32_t nIdentified =
            RunIdentify(CWnd::FromHandle(hChecked), szPath, settings, layout, pLast, nChosen);
        if (nChosen >= 1 && nChosen <= layout.displays.size()) {
            const DisplayInfo& display = layout.displays[nChosen - 1];
            RunPlace chosen;
            chosen.nDisplay = nChosen;
            chosen.nPrimary = layout.nPrimary;
            chosen.window = display.rect;
            chosen.nSpace = FirstSpace(settings);
            recorder.Place(chosen);
            recorder.Chosen(true, display.orientation, display.dpi);
        }
        const bool bGoOn = nIdentified == VEL_CALIB_IDENTIFIED && !settings.bIdentifyOnly;
        if (bGoOn && !placeRun(nChosen)) {
            // A space given that cannot hold the touched display's targets.
            g_admission.Retire();
            g_admission.Finish();
            return finish(VEL_CALIB_BAD_ARGUMENTS);
        }
        if (!bGoOn) {
            g_admission.Retire();
            g_admission.Finish();
            return finish(nIdentified);
        }
    }
    VEL_CALIB_RESULT full;
    const uint32_t nOutcome = RunDialog(CWnd::FromHandle(hChecked), szPath, settings, pResult,
                                        layout, place, settings.bByTouch, &full, previous);
    RememberRunOf(szPath, layout, full);
    return static_cast<int>(nOutcome);
}

extern "C" void StopCalibrate() {
    g_admission.Stop();
}
