#include "calibdialog.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <new>

#include "calibmatrix.h"
#include "messagefont.h"
#include "touchreport.h"
#include "velcalibrecords.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

const wchar_t CALIB_CAPTION[] = L"Vel Calibrate";
const wchar_t COMPUTE_FAILED[] = L"Compute Calibrate Matrix Failed, Please Do Calibrate Again.";
const wchar_t APPLY_FAILED[] = L"Compute Calibrate Matrix Successed, But Apply Calibreate Param "
                               L"Feiled, Please Do Calibrate Again.";

// The idle timer; the run counts its ticks.
const UINT_PTR IDLE_TIMER = 1;
const UINT IDLE_PERIOD_MS = 1000;

// Posted instead of WM_CLOSE by the release that keeps the device for the
// verify step.
const UINT WM_BEGIN_VERIFY = WM_APP + 1;

// A target: five rings, a dot and a cross, all in one colour.
const float RING_RADII[] = {20.0f, 16.0f, 12.0f, 8.0f, 4.0f};
const float DOT_RADIUS = 2.0f;
const float CROSS_ARM = 24.0f;

// The failure message of the thread that shows it, known by its handle from
// the moment it is created: a hook on that thread sees the box's top-level
// window come into being.
thread_local CalibRun* t_pBoxRun = nullptr;
thread_local HHOOK t_hBoxHook = nullptr;

LRESULT CALLBACK WatchBoxCreation(int nCode, WPARAM wParam, LPARAM lParam) {
    if (nCode == HCBT_CREATEWND && t_pBoxRun != nullptr) {
        const CBT_CREATEWNDW* pCreate = reinterpret_cast<CBT_CREATEWNDW*>(lParam);
        if ((pCreate->lpcs->style & WS_CHILD) == 0) {
            CalibRun* pRun = t_pBoxRun;
            t_pBoxRun = nullptr;
            pRun->BoxShown(reinterpret_cast<HWND>(wParam));
        }
    }
    return ::CallNextHookEx(t_hBoxHook, nCode, wParam, lParam);
}

} // namespace

IMPLEMENT_DYNAMIC(CalibDialog, CDialogEx)

CalibDialog::CalibDialog(CWnd* pParent, wchar_t* pDevicePath, const CalibSettings& settings,
                         const DesktopLayout& layout, const RunPlace& place)
    : CDialogEx(IDD, pParent), m_pDevicePath(pDevicePath), m_settings(settings),
      m_pCollect(nullptr), m_pCheck(nullptr), m_pActive(nullptr), m_pShown(nullptr),
      m_nShownCurrent(0), m_pDevice(nullptr), m_recorder(settings),
      m_run(*this, settings.nIdleTicks), m_bPlaced(!layout.displays.empty()), m_layout(layout),
      m_place(place), m_bVerifyPending(false), m_bDeviceHeld(false), m_bPutBack(false),
      m_verify(settings.nVerifyPoints, settings.nIdleTicks) {
    m_pCollect = new (std::nothrow) CollectHelper(settings.nTargets, settings.nPathType);
    if (settings.nCheckPoints > 0) {
        m_pCheck = new (std::nothrow) CollectHelper(CALIB_MIN_POINTS, CALIB_PATH_TYPE_0);
        if (m_pCheck != nullptr) {
            m_pCheck->UseTargets(kCheckTargets, settings.nCheckPoints);
        }
    }
    m_pActive = m_pCollect;
    m_pShown = m_pCollect;
    m_pDevice = new (std::nothrow) Vel_DeviceManager();
}

bool CalibDialog::IsUsable() const {
    return m_pCollect != nullptr && m_pDevice != nullptr &&
           (m_settings.nCheckPoints == 0 || m_pCheck != nullptr);
}

// The device was released by the way out the run took; the report thread may
// still be on its way out of a callback.
CalibDialog::~CalibDialog() {
    m_run.DrainReports();
    delete m_pCollect;
    m_pCollect = nullptr;
    delete m_pCheck;
    m_pCheck = nullptr;
    delete m_pDevice;
    m_pDevice = nullptr;
}

BEGIN_MESSAGE_MAP(CalibDialog, CDialogEx)
    ON_WM_PAINT()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_CLOSE()
    ON_WM_DESTROY()
    ON_WM_TIMER()
    ON_WM_KEYDOWN()
    ON_MESSAGE(WM_BEGIN_VERIFY, &CalibDialog::OnBeginVerify)
END_MESSAGE_MAP()

// ---------------------------------------------------------------- window's thread

// Called when the window is created: cover the screen (or the run's
// display), start the run.
BOOL CalibDialog::OnInitDialog() {
    CDialogEx::OnInitDialog();
    if (m_bPlaced) {
        const VEL_CALIB_RECT& window = m_place.window;
        MoveWindow(window.x, window.y, window.width, window.height, TRUE);
        m_recorder.Place(m_place);
    } else {
        int cx = ::GetSystemMetrics(SM_CXSCREEN);
        int cy = ::GetSystemMetrics(SM_CYSCREEN);
        MoveWindow(0, 0, cx, cy, TRUE);
        m_recorder.Screen(cx, cy);
    }
    BeginCalib();
    SetTimer(IDLE_TIMER, IDLE_PERIOD_MS);
    m_run.WindowReady();
    return TRUE;
}

void CalibDialog::BeginCalib() {
    if (!m_run.Begin()) {
        return;
    }
    m_pCollect->Start(this, CollectCallback, CollectCallback, CollectCallback);
    m_pDevice->OpenDevice(m_pDevicePath);
    m_pDevice->StartCalibMode();
    m_pDevice->RegDataCallback(TouchDataCallback, this);
}

// Called on WM_CLOSE: from StopCalibrate, the idle timeout, the end of a run
// or the system. The default handling then ends the dialog with IDCANCEL.
void CalibDialog::OnClose() {
    EndVerify(VEL_CALIB_STOPPED);
    if (m_run.End()) {
        Default();
    }
}

// Called on Enter (the dialog manager's OK command): leaves like ESC.
void CalibDialog::OnOK() {
    EndVerify(VEL_CALIB_CANCELLED);
    if (m_run.End()) {
        EndDialog(IDCANCEL);
    }
}

// Called on the dialog manager's cancel command, also the one WM_CLOSE raises.
void CalibDialog::OnCancel() {
    EndVerify(VEL_CALIB_CANCELLED);
    if (m_run.End()) {
        CDialogEx::OnCancel();
    }
}

// Called for every message of the thread before it is dispatched: ESC ends
// the run before the dialog manager sees it.
BOOL CalibDialog::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_ESCAPE) {
        EndVerify(VEL_CALIB_CANCELLED);
        if (m_run.End()) {
            EndDialog(IDCANCEL);
        }
        return TRUE;
    }
    return CDialogEx::PreTranslateMessage(pMsg);
}

// Called when the window is destroyed, after every way out and also when the
// modal loop ended without one (WM_QUIT): a run still holding the device is
// ended here. A finish on the report thread is waited for while the messages
// it sends this thread (its failure message's owner) are handled.
void CalibDialog::OnDestroy() {
    if (!m_run.End(CalibRun::EndReason::Stopped)) {
        while (!m_run.WaitEnded(std::chrono::milliseconds(0))) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
            MSG msg;
            ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
    m_run.WindowGone();
    if (m_bDeviceHeld) {
        // Kept for the verify step: a way out of it, also one taken before it
        // began, leaves what was in force before.
        PutBack(Outcome());
        m_pDevice->CloseDevice();
    }
    Default();
}

// Called every second: the idle timeout, also while verifying.
void CalibDialog::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == IDLE_TIMER) {
        m_run.IdleTick();
        if (m_verify.Active() && m_verify.IdleTick()) {
            EndVerify(VEL_CALIB_TIMED_OUT);
            ::PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
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

// Called on a mouse click, also a touch the system turned into one: clicks
// play no part in a run but in its verify step.
void CalibDialog::OnLButtonDown(UINT nFlags, CPoint point) {
    m_verify.Pressed();
    CDialogEx::OnLButtonDown(nFlags, point);
}

// Called when the mouse button is released: where the system put the
// pointer for a verify touch.
void CalibDialog::OnLButtonUp(UINT nFlags, CPoint point) {
    if (m_verify.Released()) {
        VerifyTouched(point);
    }
    CDialogEx::OnLButtonUp(nFlags, point);
}

// ---------------------------------------------------------------- the verify step

// Posted by the release that kept the device open: the first verify target.
// The window holds the pointer, so that a touch the range puts elsewhere on
// the desktop comes here too, and comes to the front for Escape. A window
// kept from the front (another program holds it) still measures every touch;
// Escape may then not reach it, and the idle time ends the step. A way out
// that came since the release, or a pointer that cannot be held, ends the
// step before it begins.
LRESULT CalibDialog::OnBeginVerify(WPARAM, LPARAM) {
    if (!::SetForegroundWindow(m_hWnd)) {
        ::FlashWindow(m_hWnd, TRUE);
    }
    ::SetCapture(m_hWnd);
    const bool bPointerHeld = ::GetCapture() == m_hWnd;
    if (m_verify.Begin(bPointerHeld)) {
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
        return 0;
    }
    if (bPointerHeld) {
        ::ReleaseCapture();
    }
    ::PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
    return 0;
}

CalibPoint CalibDialog::VerifyTarget(int nIndex) const {
    return TargetPixel(kCheckTargets[nIndex], m_place.window);
}

void CalibDialog::VerifyTouched(CPoint client) {
    POINT pointer = {client.x, client.y};
    ::ClientToScreen(m_hWnd, &pointer);
    m_recorder.Verified(VerifyTarget(m_verify.Current()), {pointer.x, pointer.y});
    if (!m_verify.Next()) {
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
        return;
    }
    const bool bPassed = m_recorder.VerifyPassed(m_layout);
    if (!bPassed && BeginSecondRound()) {
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
        return;
    }
    EndVerify(bPassed
                  ? static_cast<uint32_t>(VEL_CALIB_VERIFIED)
                  : OutcomeAfterRestore(VEL_CALIB_VERIFY_FAILED, PutBack(VEL_CALIB_VERIFY_FAILED)));
    ::PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
}

// The run ends with nOutcome while the device is still open: after a failed
// last verify round, or a way out taken before the checks and verify touches
// were done, the calibration this run wrote is taken back unless the run keeps
// it, and what the tools wrote before for this device goes back on it (the
// record it was written as), or else the device's own reset. Once a run.
uint32_t CalibDialog::PutBack(uint32_t nOutcome) {
    if (m_bPutBack.exchange(true)) {
        return m_recorder.Result().nRestored;
    }
    const uint32_t nRestore =
        RestoreAtEnd(nOutcome, m_recorder.Wrote(), m_settings.bKeepUnverified, m_previous);
    uint32_t nRestored = nRestore;
    if (nRestore == VEL_CALIB_RESTORED_REMEMBERED) {
        CWaitCursor wait;
        _VEL_CALIB_PARAM param;
        _VEL_CALIB_PARAM_HD param_hd;
        FillCalibRecords(m_previous.nCoefficients, m_previous.fCoefficients, param, param_hd);
        const bool bTaken = m_previous.nRecord == VEL_CALIB_RECORD_HD
                                ? m_pDevice->ApplyCalibParam_hd(param_hd) != 0
                                : m_pDevice->ApplyCalibParam(param) != 0;
        nRestored = bTaken ? nRestore : static_cast<uint32_t>(VEL_CALIB_RESTORED_FAILED);
    } else if (nRestore == VEL_CALIB_RESTORED_RESET) {
        CWaitCursor wait;
        nRestored = m_pDevice->ResetCalibParam() != 0
                        ? nRestore
                        : static_cast<uint32_t>(VEL_CALIB_RESTORED_FAILED);
    }
    m_recorder.Restored(nRestored);
    return nRestored;
}

// The auto space, after a first round whose touches show the range to cover
// another rectangle of this display: the touches taken for the targets are
// fitted again for that space and the set written, and the verify targets
// come again. Nothing is touched twice. False when no space fits or the
// device refused the new set (the first round's result stands).
bool CalibDialog::BeginSecondRound() {
    RunPlace second;
    if (m_settings.nSpace != VEL_CALIB_SPACE_AUTO || m_recorder.Result().nVerifyRounds != 1 ||
        !SecondPlace(m_layout, m_place, m_recorder.LastDiagnosis(), TargetsOfRun(m_settings),
                     second)) {
        return false;
    }
    const int nCount = m_pCollect->Total();
    CalibPoint targets[CALIB_MAX_POINTS];
    int16_t velMatrix[8];
    float velMatrix_f[8];
    if (!FitInPlace(second, m_pCollect->Targets(), m_pCollect->Samples(), nCount, targets,
                    velMatrix, velMatrix_f)) {
        return false;
    }
    CWaitCursor wait;
    const uint32_t nRecord = ApplySets(velMatrix, velMatrix_f);
    if (nRecord == VEL_CALIB_RECORD_NONE) {
        return false;
    }
    m_place = second;
    m_recorder.SecondRound(second, targets, velMatrix_f, velMatrix, nRecord);
    return m_verify.Again();
}

// A way out of the verify step (its outcome is the first one's); the
// pointer is let go.
void CalibDialog::EndVerify(uint32_t nOutcome) {
    if (m_verify.Active()) {
        ::ReleaseCapture();
    }
    m_verify.End(nOutcome);
}

uint32_t CalibDialog::Outcome() const {
    return m_verify.Outcome(m_bDeviceHeld, CalibOutcome(m_run.Reason(), m_recorder.LastEnd()));
}

void CalibDialog::ToSpace(const CalibPoint* pTargets, int nCount, CalibPoint* pOut) const {
    for (int i = 0; i < nCount; ++i) {
        pOut[i] = ::ToSpace(pTargets[i], m_place);
    }
}

// ---------------------------------------------------------------- the run's requests

// The release steps: callback off, calibration mode off, device closed,
// collector stopped. A run whose record the device took and that has a
// verify step keeps the device open, out of calibration mode, until the
// window ends, and has its window begin that step.
void CalibDialog::ReleaseDevice() {
    CWaitCursor wait;
    m_pDevice->UnRegDataCallback();
    m_pDevice->StopCalibMode();
    if (VerifyStep::Follows(m_bPlaced, m_settings.nVerifyPoints,
                            m_run.Reason() == CalibRun::EndReason::Finished,
                            m_recorder.LastEnd())) {
        m_bDeviceHeld = true;
        m_bVerifyPending = true;
    } else {
        PutBack(CalibOutcome(m_run.Reason(), m_recorder.LastEnd()));
        m_pDevice->CloseDevice();
    }
    m_pCollect->Stop();
    if (m_pCheck != nullptr) {
        m_pCheck->Stop();
    }
}

void CalibDialog::PostClose() {
    ::PostMessageW(m_hWnd, m_bVerifyPending.exchange(false) ? WM_BEGIN_VERIFY : WM_CLOSE, 0, 0);
}

void CalibDialog::AnswerBox(void* pBox) {
    ::PostMessageW(static_cast<HWND>(pBox), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

// After a failed attempt or a failed check: the calibration targets again.
void CalibDialog::RestartCollection() {
    if (m_pCheck != nullptr) {
        m_pCheck->Stop();
    }
    m_pActive = m_pCollect;
    m_pCollect->Reset();
}

// Targets are drawn over what was there. Once the targets shown change (the
// check targets come, the next check target, the calibration targets again)
// the old ones are erased; a run without check points never erases.
void CalibDialog::Repaint() {
    const CollectHelper* pActive = m_pActive;
    const bool bErase =
        pActive != m_pShown || (pActive == m_pCheck && pActive->Current() != m_nShownCurrent);
    ::InvalidateRect(m_hWnd, nullptr, bErase ? TRUE : FALSE);
}

// ---------------------------------------------------------------- painting

namespace {

// Between the line's parts when they share one line.
const wchar_t HINT_SEPARATOR[] = L"   \u00B7   ";

std::wstring LoadHintText(UINT nId) {
    const wchar_t* pText = nullptr;
    const int n = ::LoadStringW(reinterpret_cast<HINSTANCE>(&__ImageBase), nId,
                                reinterpret_cast<wchar_t*>(&pText), 0);
    return n > 0 ? std::wstring(pText, static_cast<size_t>(n)) : std::wstring();
}

// "2 of 4" with the keys after it: the line's second part.
std::wstring HintProgress(int32_t nIndex, int32_t nTotal) {
    wchar_t szProgress[64] = {};
    std::swprintf(szProgress, ARRAYSIZE(szProgress), LoadHintText(IDS_HINT_PROGRESS).c_str(),
                  nIndex, nTotal);
    return szProgress + std::wstring(HINT_SEPARATOR) + LoadHintText(IDS_HINT_KEYS);
}

int32_t TextWidth(HDC hdc, const std::wstring& text) {
    SIZE size = {};
    ::GetTextExtentPoint32W(hdc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

void DrawHintLine(HDC hdc, const std::wstring& text, RECT rect) {
    ::DrawTextW(hdc, text.c_str(), static_cast<int>(text.size()), &rect,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

} // namespace

// Called to repaint: the targets straight onto the window, then the line of
// instructions.
void CalibDialog::OnPaint() {
    CPaintDC dc(this);
    GpGraphics* graphics = nullptr;
    GdipCreateFromHDC(dc.GetSafeHdc(), &graphics);
    CRect clientRect;
    GetClientRect(&clientRect);
    const CalibHint hint = DrawTargets(graphics, clientRect);
    GdipDeleteGraphics(graphics);
    DrawHint(dc.GetSafeHdc(), clientRect, hint);
}

// The report thread may move the collector on meanwhile; one reading of the
// current target and its stability serves the whole picture. The check
// targets are shown one at a time.
CalibHint CalibDialog::DrawTargets(GpGraphics* graphics, const CRect& clientRect) {
    const int32_t nWidth = clientRect.right - clientRect.left;
    const int32_t nHeight = clientRect.bottom - clientRect.top;
    if (m_verify.Active()) {
        const int nCurrent = m_verify.Current();
        const CalibPoint& target = kCheckTargets[nCurrent];
        DrawTarget(graphics, cChecking, static_cast<float>(LogicalToPixel(target.x, nWidth)),
                   static_cast<float>(LogicalToPixel(target.y, nHeight)), true);
        return HintOf(HintStep::Verify, nCurrent, m_settings.nVerifyPoints);
    }
    const CollectHelper* pCollect = m_pActive;
    const int32_t nCurrent = pCollect->Current();
    const bool bStable = pCollect->IsStable();
    const bool bCheck = pCollect == m_pCheck;
    m_pShown = pCollect;
    m_nShownCurrent = nCurrent;
    for (int32_t i = 0; i < pCollect->Total(); ++i) {
        if (bCheck && i != nCurrent) {
            continue;
        }
        const CalibPoint& target = pCollect->Targets()[i];
        const float px = static_cast<float>(LogicalToPixel(target.x, nWidth));
        const float py = static_cast<float>(LogicalToPixel(target.y, nHeight));
        DrawTarget(graphics, bCheck ? ColourOfCheck(bStable) : ColourOfTarget(i, nCurrent, bStable),
                   px, py);
    }
    return HintOf(bCheck ? HintStep::Check : HintStep::Target, nCurrent, pCollect->Total());
}

// The line of instructions, in the band that PlaceHint keeps clear of every
// target of the run and of the centre, in the colours the dialog erases with.
// It is made whole off the screen and copied over its rectangle at every
// paint, so that a paint that does not erase (a target turning blue, the next
// one) leaves no old text under the new and does not flicker; filling the
// rectangle never touches a target. A line that moved (another step's text)
// leaves its old place filled.
void CalibDialog::DrawHint(HDC hdc, const CRect& clientRect, const CalibHint& hint) {
    const UINT nWhat = hint.step == HintStep::Check    ? IDS_HINT_CHECK
                       : hint.step == HintStep::Verify ? IDS_HINT_VERIFY
                                                       : IDS_HINT_TARGET;
    const std::wstring what = LoadHintText(nWhat);
    const std::wstring progress = HintProgress(hint.nIndex, hint.nTotal);
    // Measured with the widest progress: the line keeps its place and size
    // through the step.
    const std::wstring widest = HintProgress(hint.nTotal, hint.nTotal);
    HintWidths widths = {};
    HFONT hFont = MessageFont(HINT_MEASURE_PX, false);
    HGDIOBJ hOldFont = ::SelectObject(hdc, hFont);
    widths.nOne = TextWidth(hdc, what + HINT_SEPARATOR + widest);
    widths.nFirst = TextWidth(hdc, what);
    widths.nSecond = TextWidth(hdc, widest);
    ::SelectObject(hdc, hOldFont);
    ::DeleteObject(hFont);
    const HintLayout layout =
        PlaceHint(clientRect.Width(), clientRect.Height(), TargetsOfRun(m_settings), widths);

    HDC hdcLine = ::CreateCompatibleDC(hdc);
    HBRUSH hBackground = reinterpret_cast<HBRUSH>(::SendMessageW(m_hWnd, WM_CTLCOLORDLG,
                                                                 reinterpret_cast<WPARAM>(hdcLine),
                                                                 reinterpret_cast<LPARAM>(m_hWnd)));
    if (hBackground == nullptr) {
        hBackground = ::GetSysColorBrush(COLOR_3DFACE);
        ::SetTextColor(hdcLine, ::GetSysColor(COLOR_WINDOWTEXT));
    }
    const RECT rect = {layout.rect.left, layout.rect.top, layout.rect.right, layout.rect.bottom};
    if (!::EqualRect(&rect, &m_rcHintShown)) {
        ::FillRect(hdc, &m_rcHintShown, hBackground);
        m_rcHintShown = rect;
    }
    if (layout.rect.Empty()) {
        ::DeleteDC(hdcLine);
        return;
    }
    const int nWidth = rect.right - rect.left;
    const int nHeight = rect.bottom - rect.top;
    HBITMAP hBitmap = ::CreateCompatibleBitmap(hdc, nWidth, nHeight);
    HGDIOBJ hOldBitmap = ::SelectObject(hdcLine, hBitmap);
    const RECT box = {0, 0, nWidth, nHeight};
    ::FillRect(hdcLine, &box, hBackground);
    ::SetBkMode(hdcLine, TRANSPARENT);
    // Text does not grow quite in step with its font: smaller until it fits.
    const std::wstring one = what + HINT_SEPARATOR + progress;
    const std::wstring& longest = layout.nLines == 1 ? one : what;
    for (int32_t nFont = layout.nFontPx;; --nFont) {
        hFont = MessageFont(nFont, false);
        hOldFont = ::SelectObject(hdcLine, hFont);
        if (TextWidth(hdcLine, longest) <= nWidth || nFont <= HINT_MIN_FONT_PX) {
            break;
        }
        ::SelectObject(hdcLine, hOldFont);
        ::DeleteObject(hFont);
    }
    if (layout.nLines == 1) {
        DrawHintLine(hdcLine, one, box);
    } else {
        DrawHintLine(hdcLine, what, {0, 0, nWidth, layout.nLinePx});
        DrawHintLine(hdcLine, progress, {0, layout.nLinePx, nWidth, 2 * layout.nLinePx});
    }
    ::BitBlt(hdc, rect.left, rect.top, nWidth, nHeight, hdcLine, 0, 0, SRCCOPY);
    ::SelectObject(hdcLine, hOldFont);
    ::DeleteObject(hFont);
    ::SelectObject(hdcLine, hOldBitmap);
    ::DeleteObject(hBitmap);
    ::DeleteDC(hdcLine);
}

// The rings, the dot and the crossing are centred on pixel (x, y). GDI+ leaves
// a line's last pixel out: the calibration and check targets' cross, drawn as
// the calibration window always drew it, ends a pixel short on the right and
// below; a verify target's reaches as far on every side (bWholeArms). The line
// of instructions keeps TARGET_REACH pixels from the centre clear.
void CalibDialog::DrawTarget(GpGraphics* graphics, TargetColour colour, float x, float y,
                             bool bWholeArms) {
    GpSolidFill* brush = nullptr;
    GpPen* pen = nullptr;
    GdipCreateSolidFill(colour, &brush);
    GdipCreatePen1(colour, 1.0f, UnitWorld, &pen);
    for (float r : RING_RADII) {
        GdipDrawEllipse(graphics, pen, x - r, y - r, 2 * r, 2 * r);
    }
    GdipFillEllipse(graphics, brush, x - DOT_RADIUS, y - DOT_RADIUS, 2 * DOT_RADIUS,
                    2 * DOT_RADIUS);
    const float fEnd = CROSS_ARM + (bWholeArms ? 1.0f : 0.0f);
    GdipDrawLine(graphics, pen, x, y - CROSS_ARM, x, y + fEnd);
    GdipDrawLine(graphics, pen, x - CROSS_ARM, y, x + fEnd, y);
    GdipDeletePen(pen);
    GdipDeleteBrush(brush);
}

// ---------------------------------------------------------------- report thread

// One call per device report, on the device library's thread.
void VEL_CALLBACK CalibDialog::TouchDataCallback(const unsigned char* data, unsigned char length,
                                                 void* context) {
    CalibDialog* pDlg = static_cast<CalibDialog*>(context);
    CalibRun::Report scope(pDlg->m_run);
    if (!scope.Counts()) {
        return;
    }
    const TouchReport report = DecodeTouchReport(data, length);
    if (report.kind == TOUCH_REPORT_CONTACT) {
        pDlg->OnTouchInput(report.x, report.y);
    } else if (report.kind == TOUCH_REPORT_RELEASE) {
        pDlg->OnTouchRelease();
    }
}

void CalibDialog::OnTouchInput(int32_t x, int32_t y) {
    m_run.Touched();
    m_pActive.load()->InputPoint(x, y);
}

void CalibDialog::OnTouchRelease() {
    m_pActive.load()->ConfirmPoint();
}

// The collectors' one callback for a counted sample, a stored point and the
// end of the targets.
int CALIB_CALLBACK CalibDialog::CollectCallback(void* owner) {
    CalibDialog* pDlg = static_cast<CalibDialog*>(owner);
    pDlg->m_run.Repaint();
    CollectHelper* pCollect = pDlg->m_pActive;
    if (pCollect->IsFinished()) {
        if (pCollect == pDlg->m_pCheck) {
            pDlg->FinishCheck();
        } else {
            pDlg->FinishCalib();
        }
    }
    return 0;
}

// A failure message owned by the window, left out once a way out was taken;
// the run learns its handle so that a way out can answer it.
void CalibDialog::ShowFailure(const wchar_t* pText) {
    if (!m_run.MayShowBox()) {
        return;
    }
    t_pBoxRun = &m_run;
    t_hBoxHook = ::SetWindowsHookExW(WH_CBT, WatchBoxCreation, nullptr, ::GetCurrentThreadId());
    MessageBox(pText, CALIB_CAPTION, MB_OK);
    if (t_hBoxHook != nullptr) {
        ::UnhookWindowsHookEx(t_hBoxHook);
    }
    t_hBoxHook = nullptr;
    t_pBoxRun = nullptr;
    m_run.BoxClosed();
}

// Computes the calibration from the measured points and writes it: the HD
// record, and the 16-bit one only if the device refused the first. A set no
// real panel can produce is refused like a failed computation. With check
// points, an accepted record is checked next; with the attempts used up, a
// failure ends the run without its message.
void CalibDialog::FinishCalib() {
    if (!m_run.EnterFinish()) {
        return;
    }
    CWaitCursor wait;
    int16_t velMatrix[8];
    float velMatrix_f[8];
    const unsigned char nCount = static_cast<unsigned char>(m_pCollect->Total());
    // The targets as the device's range sees them.
    CalibPoint targets[CALIB_MAX_POINTS];
    const bool bFitted = FitInPlace(m_place, m_pCollect->Targets(), m_pCollect->Samples(), nCount,
                                    targets, velMatrix, velMatrix_f);
    m_recorder.BeginAttempt(targets, m_pCollect->Samples(), nCount);
    bool bAccepted = false;
    const wchar_t* pFailure = nullptr;
    if (!bFitted) {
        m_recorder.NotFitted();
        pFailure = COMPUTE_FAILED;
    } else {
        const uint32_t nRecord = ApplySets(velMatrix, velMatrix_f);
        bAccepted = nRecord != VEL_CALIB_RECORD_NONE;
        m_recorder.Sent(velMatrix_f, velMatrix, nRecord);
        if (!bAccepted) {
            pFailure = APPLY_FAILED;
        }
    }
    if (bAccepted && m_pCheck != nullptr) {
        // The check targets, with the device still in calibration mode.
        m_pCheck->Start(this, CollectCallback, CollectCallback, CollectCallback);
        m_pActive = m_pCheck;
        m_run.LeaveFinish(CalibRun::Next::Continue);
        return;
    }
    const bool bAttemptsLeft = m_recorder.AttemptsLeft();
    if (pFailure != nullptr && bAttemptsLeft) {
        ShowFailure(pFailure);
    }
    // An accepted record, the last attempt (or a way out taken meanwhile)
    // releases the device here, from inside the report callback, and closes
    // the window; otherwise the run starts again at the first target.
    m_run.LeaveFinish(bAccepted || !bAttemptsLeft ? CalibRun::Next::Release
                                                  : CalibRun::Next::Restart);
}

// The HD record, and the 16-bit one only if the device refused the first;
// the record the device took, or none.
uint32_t CalibDialog::ApplySets(const int16_t* pMatrix, const float* pMatrix_f) {
    _VEL_CALIB_PARAM param;
    _VEL_CALIB_PARAM_HD param_hd;
    FillCalibRecords(pMatrix, pMatrix_f, param, param_hd);
    if (m_pDevice->ApplyCalibParam_hd(param_hd) != 0) {
        return VEL_CALIB_RECORD_HD;
    }
    return m_pDevice->ApplyCalibParam(param) != 0 ? static_cast<uint32_t>(VEL_CALIB_RECORD_16)
                                                  : static_cast<uint32_t>(VEL_CALIB_RECORD_NONE);
}

// The check targets are done: each touch mapped through the set the device
// took, against its target. Beyond the limit the run starts again (one
// sentence with the figure), unless that was the last attempt.
void CalibDialog::FinishCheck() {
    if (!m_run.EnterFinish()) {
        return;
    }
    CalibPoint checks[VEL_CALIB_MAX_CHECKS];
    const int nChecks =
        m_pCheck->Total() < VEL_CALIB_MAX_CHECKS ? m_pCheck->Total() : VEL_CALIB_MAX_CHECKS;
    ToSpace(m_pCheck->Targets(), nChecks, checks);
    const bool bPassed = m_recorder.Checked(checks, m_pCheck->Samples(), nChecks);
    if (bPassed || !m_recorder.AttemptsLeft()) {
        m_run.LeaveFinish(CalibRun::Next::Release);
        return;
    }
    wchar_t szFormat[256] = {};
    wchar_t szText[320] = {};
    ::LoadStringW(reinterpret_cast<HINSTANCE>(&__ImageBase), IDS_CHECK_FAILED, szFormat,
                  ARRAYSIZE(szFormat));
    std::swprintf(szText, ARRAYSIZE(szText), szFormat, m_recorder.Result().dCheckMaxPx,
                  m_settings.dMaxCheckError);
    ShowFailure(szText);
    m_run.LeaveFinish(CalibRun::Next::Restart);
}
