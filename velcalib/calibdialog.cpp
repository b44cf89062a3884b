#include "calibdialog.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cstring>
#include <new>

#include "calibmatrix.h"
#include "touchreport.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

const wchar_t CALIB_CAPTION[] = L"Vel Calibrate";
const wchar_t COMPUTE_FAILED[] = L"Compute Calibrate Matrix Failed, Please Do Calibrate Again.";
const wchar_t APPLY_FAILED[] = L"Compute Calibrate Matrix Successed, But Apply Calibreate Param "
                               L"Feiled, Please Do Calibrate Again.";

const unsigned char CALIB_TARGETS = 4;

// Twenty one-second ticks without a touch close the window.
const UINT_PTR IDLE_TIMER = 1;
const UINT IDLE_PERIOD_MS = 1000;
const int32_t IDLE_TICKS_TO_CLOSE = 20;
// While a close waits for a finishing run, its failure message is answered
// as soon as it shows.
const UINT_PTR CLOSE_RETRY_TIMER = 2;
const UINT CLOSE_RETRY_MS = 100;

// A target: five rings, a dot and a cross, all in one colour.
const float RING_RADII[] = {20.0f, 16.0f, 12.0f, 8.0f, 4.0f};
const float DOT_RADIUS = 2.0f;
const float CROSS_ARM = 24.0f;

struct FailureBoxSearch {
    HWND hOwner;
    HWND hBox;
};

BOOL CALLBACK FindFailureBox(HWND hWnd, LPARAM lParam) {
    FailureBoxSearch* pSearch = reinterpret_cast<FailureBoxSearch*>(lParam);
    wchar_t szClass[16] = {};
    ::GetClassNameW(hWnd, szClass, 16);
    if (lstrcmpW(szClass, L"#32770") == 0 && ::GetWindow(hWnd, GW_OWNER) == pSearch->hOwner) {
        pSearch->hBox = hWnd;
        return FALSE;
    }
    return TRUE;
}

} // namespace

IMPLEMENT_DYNAMIC(CalibDialog, CDialogEx)

CalibDialog::CalibDialog(CWnd* pParent, wchar_t* pDevicePath)
    : CDialogEx(IDD, pParent), m_pDevicePath(pDevicePath), m_bCalibrating(0), m_nIdleTicks(0),
      m_pCollect(nullptr), m_pDevice(nullptr), m_nReports(0), m_bFinishing(false), m_bEnding(false),
      m_dwFinishThread(0), m_hWndReady(nullptr), m_bCloseRequested(false) {
    m_pCollect = new (std::nothrow) CollectHelper(CALIB_TARGETS, CALIB_PATH_TYPE_0);
    m_pDevice = new (std::nothrow) Vel_DeviceManager();
}

// The device was released by the way out the run took; here only the report
// thread may still be on its way out of a callback that released it.
CalibDialog::~CalibDialog() {
    {
        std::unique_lock<std::mutex> lock(m_lock);
        m_reportsDone.wait(lock, [this] { return m_nReports == 0; });
    }
    delete m_pCollect;
    m_pCollect = nullptr;
    delete m_pDevice;
    m_pDevice = nullptr;
}

BEGIN_MESSAGE_MAP(CalibDialog, CDialogEx)
    ON_WM_PAINT()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_CLOSE()
    ON_WM_TIMER()
    ON_WM_KEYDOWN()
END_MESSAGE_MAP()

// ---------------------------------------------------------------- window's thread

// Called when the window is created: cover the screen, start the run.
BOOL CalibDialog::OnInitDialog() {
    CDialogEx::OnInitDialog();
    int cx = ::GetSystemMetrics(SM_CXSCREEN);
    int cy = ::GetSystemMetrics(SM_CYSCREEN);
    MoveWindow(0, 0, cx, cy, TRUE);
    BeginCalib();
    SetTimer(IDLE_TIMER, IDLE_PERIOD_MS);
    std::lock_guard<std::mutex> lock(m_lock);
    m_hWndReady = m_hWnd;
    if (m_bCloseRequested) {
        ::PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
    }
    return TRUE;
}

void CalibDialog::BeginCalib() {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_bCalibrating == 1) {
            return;
        }
        m_bCalibrating = 1;
    }
    m_pCollect->Start(this, CollectCallback, CollectCallback, CollectCallback);
    m_pDevice->OpenDevice(m_pDevicePath);
    m_pDevice->StartCalibMode();
    m_pDevice->RegDataCallback(TouchDataCallback, this);
}

void CalibDialog::ReleaseDevice() {
    m_pDevice->UnRegDataCallback();
    m_pDevice->StopCalibMode();
    m_pDevice->CloseDevice();
    m_pCollect->Stop();
}

bool CalibDialog::CloseCalib() {
    bool bRelease = false;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_bEnding = true;
        if (m_bFinishing) {
            // Not waited for: the report thread's message box needs this thread.
            CloseFailureBox();
            SetTimer(CLOSE_RETRY_TIMER, CLOSE_RETRY_MS);
            return false;
        }
        bRelease = m_bCalibrating == 1;
        m_bCalibrating = 0;
    }
    // Unregistering waits for a report in progress; with m_bEnding set, that
    // report can no longer start a finish.
    if (bRelease) {
        CWaitCursor wait;
        ReleaseDevice();
    }
    return true;
}

// Called with m_lock held, on the window's thread.
void CalibDialog::CloseFailureBox() {
    if (m_dwFinishThread == 0) {
        return;
    }
    FailureBoxSearch search = {m_hWnd, nullptr};
    ::EnumThreadWindows(m_dwFinishThread, FindFailureBox, reinterpret_cast<LPARAM>(&search));
    if (search.hBox != nullptr) {
        ::PostMessageW(search.hBox, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(search.hBox, IDOK)));
    }
}

// Called on WM_CLOSE: from StopCalibrate, the idle timeout, the end of a run
// or the system. The default handling then ends the dialog with IDCANCEL.
void CalibDialog::OnClose() {
    if (CloseCalib()) {
        Default();
    }
}

// Called on Enter (the dialog manager's OK command): leaves like ESC.
void CalibDialog::OnOK() {
    if (CloseCalib()) {
        EndDialog(IDCANCEL);
    }
}

// Called on the dialog manager's cancel command, also the one WM_CLOSE raises.
void CalibDialog::OnCancel() {
    if (CloseCalib()) {
        CDialogEx::OnCancel();
    }
}

// Called for every message of the thread before it is dispatched: ESC ends
// the run before the dialog manager sees it.
BOOL CalibDialog::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_ESCAPE) {
        if (CloseCalib()) {
            EndDialog(IDCANCEL);
        }
        return TRUE;
    }
    return CDialogEx::PreTranslateMessage(pMsg);
}

// Called every second (idle timeout) and, while a close waits for a
// finishing run, every 100 ms.
void CalibDialog::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == IDLE_TIMER) {
        if (++m_nIdleTicks == IDLE_TICKS_TO_CLOSE) {
            PostMessage(WM_CLOSE);
        }
    } else if (nIDEvent == CLOSE_RETRY_TIMER) {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_bFinishing) {
            CloseFailureBox();
        } else {
            KillTimer(CLOSE_RETRY_TIMER);
        }
    }
    Default();
}

// Called on a key the dialog manager did not take; Ctrl+Break does nothing.
void CalibDialog::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
    if (nChar == VK_CANCEL) {
        return;
    }
    CDialogEx::OnKeyDown(nChar, nRepCnt, nFlags);
}

// Called on a mouse click: clicks play no part in a run.
void CalibDialog::OnLButtonDown(UINT nFlags, CPoint point) {
    CDialogEx::OnLButtonDown(nFlags, point);
}

// Called when the mouse button is released: no part in a run either.
void CalibDialog::OnLButtonUp(UINT nFlags, CPoint point) {
    CDialogEx::OnLButtonUp(nFlags, point);
}

// Called when the window is gone: StopCalibrate has nothing to post to.
void CalibDialog::PostNcDestroy() {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_hWndReady = nullptr;
    }
    CDialogEx::PostNcDestroy();
}

void CalibDialog::RequestClose() {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_hWndReady != nullptr) {
        ::PostMessageW(m_hWndReady, WM_CLOSE, 0, 0);
    } else {
        m_bCloseRequested = true;
    }
}

// ---------------------------------------------------------------- painting

// Called to repaint: the targets straight onto the window, nothing else.
void CalibDialog::OnPaint() {
    CPaintDC dc(this);
    GpGraphics* graphics = nullptr;
    GdipCreateFromHDC(dc.GetSafeHdc(), &graphics);
    CRect clientRect;
    GetClientRect(&clientRect);
    DrawTargets(graphics, clientRect);
    GdipDeleteGraphics(graphics);
}

// The report thread may move the collector on meanwhile; one reading of the
// current target and its stability serves the whole picture.
void CalibDialog::DrawTargets(GpGraphics* graphics, const CRect& clientRect) {
    const int32_t nWidth = clientRect.right - clientRect.left;
    const int32_t nHeight = clientRect.bottom - clientRect.top;
    const int32_t nCurrent = m_pCollect->current;
    const bool bStable = m_pCollect->IsStable();
    for (int32_t i = 0; i < m_pCollect->total; ++i) {
        const CalibPoint& target = m_pCollect->targets[i];
        const float px = static_cast<float>(LogicalToPixel(target.x, nWidth));
        const float py = static_cast<float>(LogicalToPixel(target.y, nHeight));
        DrawTarget(graphics, ColourOfTarget(i, nCurrent, bStable), px, py);
    }
}

void CalibDialog::DrawTarget(GpGraphics* graphics, TargetColour colour, float x, float y) {
    GpSolidFill* brush = nullptr;
    GpPen* pen = nullptr;
    GdipCreateSolidFill(colour, &brush);
    GdipCreatePen1(colour, 1.0f, UnitWorld, &pen);
    for (float r : RING_RADII) {
        GdipDrawEllipse(graphics, pen, x - r, y - r, 2 * r, 2 * r);
    }
    GdipFillEllipse(graphics, brush, x - DOT_RADIUS, y - DOT_RADIUS, 2 * DOT_RADIUS,
                    2 * DOT_RADIUS);
    GdipDrawLine(graphics, pen, x, y - CROSS_ARM, x, y + CROSS_ARM);
    GdipDrawLine(graphics, pen, x - CROSS_ARM, y, x + CROSS_ARM, y);
    GdipDeletePen(pen);
    GdipDeleteBrush(brush);
}

// ---------------------------------------------------------------- report thread

CalibDialog::ReportScope::ReportScope(CalibDialog* pDlg) : m_pDlg(pDlg) {
    std::lock_guard<std::mutex> lock(m_pDlg->m_lock);
    ++m_pDlg->m_nReports;
}

CalibDialog::ReportScope::~ReportScope() {
    std::lock_guard<std::mutex> lock(m_pDlg->m_lock);
    if (--m_pDlg->m_nReports == 0) {
        m_pDlg->m_reportsDone.notify_all();
    }
}

// One call per device report, on the device library's thread.
void VEL_CALLBACK CalibDialog::TouchDataCallback(const unsigned char* data, unsigned char length,
                                                 void* context) {
    CalibDialog* pDlg = static_cast<CalibDialog*>(context);
    ReportScope scope(pDlg);
    const TouchReport report = DecodeTouchReport(data, length);
    if (report.kind == TOUCH_REPORT_CONTACT) {
        pDlg->OnTouchInput(report.x, report.y);
    } else if (report.kind == TOUCH_REPORT_RELEASE) {
        pDlg->OnTouchRelease();
    }
}

void CalibDialog::OnTouchInput(int32_t x, int32_t y) {
    m_nIdleTicks = 0;
    m_pCollect->InputPoint(x, y);
}

void CalibDialog::OnTouchRelease() {
    m_pCollect->ConfirmPoint();
}

// The collector's one callback for a counted sample, a stored point and the
// end of the targets.
int CALIB_CALLBACK CalibDialog::CollectCallback(void* owner) {
    CalibDialog* pDlg = static_cast<CalibDialog*>(owner);
    pDlg->InvalidateWhileOpen();
    if (pDlg->m_pCollect->IsFinished()) {
        pDlg->FinishCalib();
    }
    return 0;
}

void CalibDialog::InvalidateWhileOpen() {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_bEnding) {
        Invalidate(FALSE);
    }
}

bool CalibDialog::IsEnding() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_bEnding;
}

bool CalibDialog::EnterFinish() {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_bCalibrating == 0 || m_bFinishing || m_bEnding) {
        return false;
    }
    m_bFinishing = true;
    m_dwFinishThread = ::GetCurrentThreadId();
    return true;
}

// A failure message owned by the window; skipped once the window is closing.
void CalibDialog::ShowFailure(const wchar_t* pText) {
    if (!IsEnding()) {
        MessageBox(pText, CALIB_CAPTION, MB_OK);
    }
}

// Computes the calibration from the four measured points and writes it: the
// HD record, and the 16-bit one only if the device refused the first.
void CalibDialog::FinishCalib() {
    if (!EnterFinish()) {
        return;
    }
    CWaitCursor wait;
    int16_t velMatrix[8];
    float velMatrix_f[8];
    bool bAccepted = false;
    if (!CalcCalibMatrix(m_pCollect->targets, m_pCollect->samples,
                         static_cast<unsigned char>(m_pCollect->total), velMatrix, velMatrix_f)) {
        ShowFailure(COMPUTE_FAILED);
    } else {
        _VEL_CALIB_PARAM param;
        _VEL_CALIB_PARAM_HD param_hd;
        std::memset(&param, 0, sizeof(param));
        std::memset(&param_hd, 0, sizeof(param_hd));
        std::memcpy(param.matrix, velMatrix, sizeof(param.matrix));
        param_hd.enable = 1;
        std::memcpy(param_hd.matrix, velMatrix_f, sizeof(param_hd.matrix));
        int nResult = m_pDevice->ApplyCalibParam_hd(param_hd);
        if (nResult == 0) {
            nResult = m_pDevice->ApplyCalibParam(param);
        }
        bAccepted = nResult != 0;
        if (!bAccepted) {
            ShowFailure(APPLY_FAILED);
        }
    }
    LeaveFinish(bAccepted);
}

// An accepted record, or a close that came meanwhile, releases the device
// here, from inside the report callback, and closes the window. Otherwise the
// run starts again at the first target.
void CalibDialog::LeaveFinish(bool bAccepted) {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (!bAccepted && !m_bEnding) {
            m_pCollect->Reset();
            Invalidate(FALSE);
            m_bFinishing = false;
            m_dwFinishThread = 0;
            return;
        }
        m_bCalibrating = 0;
    }
    ReleaseDevice();
    // The window's thread may now end the dialog; the destructor still waits
    // for this callback to return.
    std::lock_guard<std::mutex> lock(m_lock);
    ::PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
    m_bFinishing = false;
    m_dwFinishThread = 0;
}
