#include "identifydialog.h"

#include <cwchar>
#include <new>

#include "messagefont.h"
#include "touchreport.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

const UINT_PTR PAGE_TIMER = 1;
const UINT PAGE_PERIOD_MS = 1000;

// Posted by the report thread.
const UINT WM_TOUCH_PRESSED = WM_APP + 1;
const UINT WM_TOUCH_RELEASED = WM_APP + 2;

const COLORREF PAGE_BACKGROUND = RGB(0, 84, 166);
const COLORREF PAGE_TEXT = RGB(255, 255, 255);

std::wstring LoadText(UINT nId) {
    const wchar_t* pText = nullptr;
    const int n = ::LoadStringW(reinterpret_cast<HINSTANCE>(&__ImageBase), nId,
                                reinterpret_cast<wchar_t*>(&pText), 0);
    return n > 0 ? std::wstring(pText, static_cast<size_t>(n)) : std::wstring();
}

// One centred line at a height in pixels, made smaller until it fits the
// page's width with a margin (down to 10 pixels); the next line goes below.
void DrawLine(HDC hdc, const std::wstring& text, int nHeight, bool bBold, RECT& line) {
    const int nWidth = (line.right - line.left) * 15 / 16;
    HFONT hFont = nullptr;
    HGDIOBJ hOld = nullptr;
    for (int nTry = nHeight;; nTry = nTry * 7 / 8) {
        hFont = MessageFont(nTry, bBold);
        hOld = ::SelectObject(hdc, hFont);
        SIZE size = {};
        ::GetTextExtentPoint32W(hdc, text.c_str(), static_cast<int>(text.size()), &size);
        if (size.cx <= nWidth || nTry <= 10) {
            break;
        }
        ::SelectObject(hdc, hOld);
        ::DeleteObject(hFont);
    }
    line.bottom = line.top + nHeight * 3 / 2;
    ::DrawTextW(hdc, text.c_str(), static_cast<int>(text.size()), &line,
                DT_CENTER | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    line.top = line.bottom;
    ::SelectObject(hdc, hOld);
    ::DeleteObject(hFont);
}

} // namespace

IMPLEMENT_DYNAMIC(IdentifyDialog, CDialogEx)

IdentifyDialog::IdentifyDialog(CWnd* pParent, wchar_t* pDevicePath, const DesktopLayout& layout,
                               uint32_t nFirst, uint32_t nSeconds, uint32_t nRounds)
    : CDialogEx(IDD, pParent), m_pDevicePath(pDevicePath), m_layout(layout),
      m_pDevice(new (std::nothrow) Vel_DeviceManager()),
      m_step(static_cast<uint32_t>(layout.displays.size()), nFirst, nSeconds, nRounds),
      m_run(*this, INT32_MAX) {}

IdentifyDialog::~IdentifyDialog() {
    m_run.DrainReports();
    delete m_pDevice;
    m_pDevice = nullptr;
}

BEGIN_MESSAGE_MAP(IdentifyDialog, CDialogEx)
    ON_WM_PAINT()
    ON_WM_CLOSE()
    ON_WM_DESTROY()
    ON_WM_TIMER()
    ON_MESSAGE(WM_TOUCH_PRESSED, &IdentifyDialog::OnTouchPressed)
    ON_MESSAGE(WM_TOUCH_RELEASED, &IdentifyDialog::OnTouchReleased)
END_MESSAGE_MAP()

// ---------------------------------------------------------------- window's thread

// The first page, the device in calibration mode, the countdown.
BOOL IdentifyDialog::OnInitDialog() {
    CDialogEx::OnInitDialog();
    ShowPage();
    if (m_run.Begin()) {
        m_pDevice->OpenDevice(m_pDevicePath);
        m_pDevice->StartCalibMode();
        m_pDevice->RegDataCallback(TouchDataCallback, this);
    }
    SetTimer(PAGE_TIMER, PAGE_PERIOD_MS);
    m_run.WindowReady();
    if (m_step.Ended()) {
        Finish(CalibRun::EndReason::TimedOut);
    }
    return TRUE;
}

// The page over the display whose turn it is, in front.
void IdentifyDialog::ShowPage() {
    const uint32_t nDisplay = m_step.Current();
    if (nDisplay >= 1 && nDisplay <= m_layout.displays.size()) {
        const VEL_CALIB_RECT& rect = m_layout.Rect(nDisplay);
        ::SetWindowPos(m_hWnd, HWND_TOPMOST, rect.x, rect.y, rect.width, rect.height,
                       SWP_SHOWWINDOW);
        ::SetForegroundWindow(m_hWnd);
    }
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void IdentifyDialog::Follow(IdentifyStep::Next next) {
    switch (next) {
    case IdentifyStep::Next::Stay:
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
        break;
    case IdentifyStep::Next::Move:
        ShowPage();
        break;
    case IdentifyStep::Next::End:
        Finish(m_step.Outcome() == VEL_CALIB_IDENTIFIED ? CalibRun::EndReason::Finished
                                                        : CalibRun::EndReason::TimedOut);
        break;
    }
}

// The device is let go here (or by the way out that came first) and the
// window ends.
void IdentifyDialog::Finish(CalibRun::EndReason why) {
    if (m_run.End(why)) {
        EndDialog(IDOK);
    }
}

void IdentifyDialog::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == PAGE_TIMER && !m_step.Ended()) {
        Follow(m_step.Tick());
    }
    Default();
}

// Escape cancels; Enter and Space move on to the next display.
BOOL IdentifyDialog::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message == WM_KEYDOWN) {
        if (pMsg->wParam == VK_ESCAPE) {
            m_step.End(VEL_CALIB_CANCELLED);
            Finish(CalibRun::EndReason::Cancelled);
            return TRUE;
        }
        if (pMsg->wParam == VK_RETURN || pMsg->wParam == VK_SPACE) {
            Follow(m_step.Skip());
            return TRUE;
        }
    }
    return CDialogEx::PreTranslateMessage(pMsg);
}

void IdentifyDialog::OnOK() {
    Follow(m_step.Skip());
}

void IdentifyDialog::OnCancel() {
    m_step.End(VEL_CALIB_CANCELLED);
    Finish(CalibRun::EndReason::Cancelled);
}

// WM_CLOSE: StopCalibrate, or the system.
void IdentifyDialog::OnClose() {
    m_step.End(VEL_CALIB_STOPPED);
    if (m_run.End(CalibRun::EndReason::Stopped)) {
        Default();
    }
}

void IdentifyDialog::OnDestroy() {
    m_step.End(VEL_CALIB_STOPPED);
    m_run.End(CalibRun::EndReason::Stopped);
    m_run.WindowGone();
    Default();
}

LRESULT IdentifyDialog::OnTouchPressed(WPARAM, LPARAM) {
    m_step.Pressed();
    return 0;
}

LRESULT IdentifyDialog::OnTouchReleased(WPARAM, LPARAM) {
    if (!m_step.Ended()) {
        Follow(m_step.Released());
    }
    return 0;
}

// ---------------------------------------------------------------- painting

// The display's number, large; "Touch this screen"; the keys; the seconds
// left.
void IdentifyDialog::OnPaint() {
    CPaintDC dc(this);
    const HDC hdc = dc.GetSafeHdc();
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    HBRUSH hBrush = ::CreateSolidBrush(PAGE_BACKGROUND);
    ::FillRect(hdc, &client, hBrush);
    ::DeleteObject(hBrush);
    if (m_step.Ended()) {
        return;
    }
    ::SetBkMode(hdc, TRANSPARENT);
    ::SetTextColor(hdc, PAGE_TEXT);
    const int nHeight = client.bottom - client.top;
    const int nUnit = nHeight / 16 > 12 ? nHeight / 16 : 12;
    wchar_t szDisplay[64] = {};
    std::swprintf(szDisplay, 64, LoadText(IDS_IDENTIFY_DISPLAY).c_str(), m_step.Current());
    RECT line = client;
    line.top = client.top + nHeight / 5;
    DrawLine(hdc, szDisplay, nUnit * 3, true, line);
    DrawLine(hdc, LoadText(IDS_IDENTIFY_TOUCH), nUnit * 2, true, line);
    DrawLine(hdc, LoadText(IDS_IDENTIFY_KEYS), nUnit * 2 / 3, false, line);
    line.top += nUnit;
    DrawLine(hdc, std::to_wstring(m_step.SecondsLeft()), nUnit * 2, false, line);
}

// ---------------------------------------------------------------- the run's requests

void IdentifyDialog::ReleaseDevice() {
    m_pDevice->UnRegDataCallback();
    m_pDevice->StopCalibMode();
    m_pDevice->CloseDevice();
}

void IdentifyDialog::PostClose() {
    ::PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
}

// ---------------------------------------------------------------- report thread

// A contact or a release, handed to the window's thread.
void VEL_CALLBACK IdentifyDialog::TouchDataCallback(const unsigned char* data, unsigned char length,
                                                    void* context) {
    IdentifyDialog* pDlg = static_cast<IdentifyDialog*>(context);
    CalibRun::Report scope(pDlg->m_run);
    if (!scope.Counts()) {
        return;
    }
    const TouchReport report = DecodeTouchReport(data, length);
    if (report.kind == TOUCH_REPORT_CONTACT) {
        ::PostMessageW(pDlg->m_hWnd, WM_TOUCH_PRESSED, 0, 0);
    } else if (report.kind == TOUCH_REPORT_RELEASE) {
        ::PostMessageW(pDlg->m_hWnd, WM_TOUCH_RELEASED, 0, 0);
    }
}
