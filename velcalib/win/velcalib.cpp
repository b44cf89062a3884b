// VelCalib.dll: the application object and the four exports (IsCalibrate,
// StartCalibrate, StopCalibrate, StartCalibrateEx).
#include "velcalib.h"

#include "afxwin.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cwchar>
#include <new>
#include <string>

#include "Vel_DeviceManager.h"
#include "calibdialog.h"
#include "calibresult.h"
#include "calibrun.h"
#include "devicelib.h"

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

// Runs the admitted run's dialog and retires the run; fills pResult (when
// given) and returns the run's outcome.
uint32_t RunDialog(CWnd* pParent, wchar_t* pDevicePath, const CalibSettings& settings,
                   VEL_CALIB_RESULT* pResult) {
    theApp.StartGdiplus();
    CalibDialog* pDlg = new (std::nothrow) CalibDialog(pParent, pDevicePath, settings);
    // A dialog that could not be made ran nothing: "stopped", an empty result.
    uint32_t nOutcome = VEL_CALIB_STOPPED;
    if (pDlg != nullptr && pDlg->IsUsable()) {
        g_admission.Publish(&pDlg->Run());
        pDlg->DoModal();
        nOutcome = CalibOutcome(pDlg->Run().Reason(), pDlg->Recorder().LastEnd());
        if (pResult != nullptr) {
            pDlg->Recorder().Fill(nOutcome, pResult);
        }
    } else if (pResult != nullptr) {
        CalibRecorder(settings).Fill(nOutcome, pResult);
    }
    // StopCalibrate no longer reaches the run once it is retired.
    g_admission.Retire();
    delete pDlg;
    theApp.StopGdiplus();
    g_admission.Finish();
    return nOutcome;
}

} // namespace

extern "C" bool IsCalibrate() {
    return g_admission.IsRunning();
}

// Without a device library it can use, it says why over the parent and
// returns: no window, no device call.
extern "C" void WINAPI StartCalibrate(CWnd* pParent, wchar_t* pDevicePath) {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    const std::wstring strProblem = velsdk::LibraryProblem();
    if (!strProblem.empty()) {
        ::MessageBoxW(pParent != nullptr ? pParent->m_hWnd : nullptr, strProblem.c_str(),
                      AfxGetAppName(), MB_OK);
        return;
    }
    if (!g_admission.Admit()) {
        return;
    }
    RunDialog(pParent, pDevicePath, CalibSettings(), nullptr);
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
    if (!velsdk::LibraryProblem().empty()) {
        return finish(VEL_CALIB_NO_DEVICE);
    }
    if (!g_admission.Admit()) {
        return finish(VEL_CALIB_BUSY);
    }
    wchar_t szPath[VEL_MAX_PATH] = {};
    std::wmemcpy(szPath, pDevicePath, nPath);
    const uint32_t nOutcome = RunDialog(CWnd::FromHandle(hParent), szPath, settings, pResult);
    return static_cast<int>(nOutcome);
}

extern "C" void StopCalibrate() {
    g_admission.Stop();
}
