// VelCalib.dll: the application object and the three exports.
#include "velcalib.h"

#include "afxwin.h"

#include <objidl.h>
#include <gdiplus.h>

#include <new>

#include "calibdialog.h"

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

// StartCalibrate and StopCalibrate may come from any thread at once. The lock
// covers the running flag, the dialog pointer and the dialog's creation, so
// that one run starts at a time and StopCalibrate reaches only a dialog that
// exists.
SRWLOCK g_runLock = SRWLOCK_INIT;
// True from the acceptance of a run until its modal loop returns or
// StopCalibrate clears it.
bool bCalibrating = false;
// The dialog of the current run, from its creation until it is destroyed and
// GDI+ is shut down; no new run starts while it is set.
CalibDialog* pCalibDlg = nullptr;

class RunLock {
public:
    RunLock() { ::AcquireSRWLockExclusive(&g_runLock); }
    ~RunLock() { ::ReleaseSRWLockExclusive(&g_runLock); }
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;
};

// Accepts a run unless one is active: GDI+ up, the dialog made and published.
CalibDialog* BeginRun(CWnd* pParent, wchar_t* pDevicePath) {
    RunLock lock;
    if (bCalibrating || pCalibDlg != nullptr) {
        return nullptr;
    }
    theApp.StartGdiplus();
    CalibDialog* pDlg = new (std::nothrow) CalibDialog(pParent, pDevicePath);
    if (pDlg == nullptr || !pDlg->IsUsable()) {
        delete pDlg;
        theApp.StopGdiplus();
        return nullptr;
    }
    bCalibrating = true;
    pCalibDlg = pDlg;
    return pDlg;
}

void EndRun(CalibDialog* pDlg) {
    {
        RunLock lock;
        bCalibrating = false;
    }
    // StopCalibrate no longer reaches the dialog once the flag is clear.
    delete pDlg;
    RunLock lock;
    theApp.StopGdiplus();
    pCalibDlg = nullptr;
}

} // namespace

extern "C" bool IsCalibrate() {
    RunLock lock;
    return bCalibrating;
}

extern "C" void WINAPI StartCalibrate(CWnd* pParent, wchar_t* pDevicePath) {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    CalibDialog* pDlg = BeginRun(pParent, pDevicePath);
    if (pDlg == nullptr) {
        return;
    }
    pDlg->DoModal();
    EndRun(pDlg);
}

extern "C" void StopCalibrate() {
    RunLock lock;
    if (!bCalibrating) {
        return;
    }
    bCalibrating = false;
    pCalibDlg->RequestClose();
}
