// CWnd: handle wrapping, message dispatch and the dialog procedure.
#include "afximpl.h"

#include <exception>
#include <memory>
#include <unordered_map>

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

namespace {

// The maps live on the heap behind plain thread-local pointers: in a DLL
// built with mingw-w64 (emulated TLS), destroying a thread-local object with a
// destructor at thread exit corrupts the heap.
typedef std::unordered_map<HWND, CWnd*> CHandleMap;
typedef std::unordered_map<HWND, std::unique_ptr<CWnd>> CTempHandleMap;
// Objects attached to a handle on this thread (dialogs, control members);
// freed when the last one is detached.
thread_local CHandleMap* t_pPermanentMap = nullptr;
// Wrappers made for handles nobody attached. A wrapper holds only the handle,
// so one left over from a destroyed window is harmless if the handle returns.
// Those of a thread that ends stay until the process ends.
thread_local CTempHandleMap* t_pTemporaryMap = nullptr;
// The message each nested dispatch on this thread is handling.
thread_local const MSG* t_pCurrentMsg = nullptr;

} // namespace

CWnd::CWnd() : m_hWnd(nullptr), m_pDefaultMsg(nullptr) {}

CWnd::~CWnd() {
    if (m_hWnd != nullptr)
        Detach();
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    if (hWnd == nullptr)
        return nullptr;
    if (t_pPermanentMap != nullptr) {
        auto it = t_pPermanentMap->find(hWnd);
        if (it != t_pPermanentMap->end())
            return it->second;
    }
    if (t_pTemporaryMap == nullptr)
        t_pTemporaryMap = new CTempHandleMap;
    std::unique_ptr<CWnd>& pTemp = (*t_pTemporaryMap)[hWnd];
    if (!pTemp) {
        pTemp.reset(new CWnd);
        pTemp->m_hWnd = hWnd;
    }
    return pTemp.get();
}

BOOL CWnd::Attach(HWND hWndNew) {
    ASSERT(hWndNew != nullptr);
    ASSERT(m_hWnd == nullptr); // one handle per object: Detach first
    if (hWndNew == nullptr || m_hWnd != nullptr)
        return FALSE;
    // and one object per handle
    ASSERT(t_pPermanentMap == nullptr || t_pPermanentMap->count(hWndNew) == 0);
    m_hWnd = hWndNew;
    if (t_pPermanentMap == nullptr)
        t_pPermanentMap = new CHandleMap;
    (*t_pPermanentMap)[hWndNew] = this;
    return TRUE;
}

HWND CWnd::Detach() {
    HWND hWnd = m_hWnd;
    if (hWnd != nullptr && t_pPermanentMap != nullptr) {
        auto it = t_pPermanentMap->find(hWnd);
        if (it != t_pPermanentMap->end() && it->second == this)
            t_pPermanentMap->erase(it);
        if (t_pPermanentMap->empty()) {
            delete t_pPermanentMap;
            t_pPermanentMap = nullptr;
        }
    }
    m_hWnd = nullptr;
    return hWnd;
}

CWnd* CWnd::GetDlgItem(int nID) const {
    return FromHandle(::GetDlgItem(m_hWnd, nID));
}

void CWnd::SetDlgItemText(int nID, LPCWSTR lpszString) {
    ::SetDlgItemTextW(m_hWnd, nID, lpszString);
}

void CWnd::SetWindowText(LPCWSTR lpszString) {
    ::SetWindowTextW(m_hWnd, lpszString);
}

void CWnd::GetWindowText(CString& rString) const {
    int nLen = ::GetWindowTextLengthW(m_hWnd);
    std::wstring text(static_cast<size_t>(nLen) + 1, L'\0');
    int nGot = ::GetWindowTextW(m_hWnd, &text[0], nLen + 1);
    text.resize(nGot > 0 ? static_cast<size_t>(nGot) : 0);
    rString = CString(text);
}

BOOL CWnd::EnableWindow(BOOL bEnable) {
    return ::EnableWindow(m_hWnd, bEnable);
}

BOOL CWnd::IsIconic() const {
    return ::IsIconic(m_hWnd);
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
    return reinterpret_cast<HICON>(
        SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

void CWnd::GetClientRect(LPRECT lpRect) const {
    ::GetClientRect(m_hWnd, lpRect);
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint) {
    ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::PostMessageW(m_hWnd, message, wParam, lParam);
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer) {
    return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer);
}

int CWnd::MessageBox(LPCWSTR lpszText, LPCWSTR lpszCaption, UINT nType) {
    return ::MessageBoxW(m_hWnd, lpszText, lpszCaption != nullptr ? lpszCaption : AfxGetAppName(),
                         nType);
}

BOOL CWnd::PreTranslateMessage(MSG*) {
    return FALSE;
}

// Hands the current message to the dialog manager's own handling: the dialog
// procedure, called again from inside DefDlgProc, declines that one message.
LRESULT CWnd::Default() {
    const MSG* pMsg = t_pCurrentMsg;
    // Only a handler of this window's message has one to hand on.
    ASSERT(pMsg != nullptr && pMsg->hwnd == m_hWnd);
    if (pMsg == nullptr || pMsg->hwnd != m_hWnd)
        return 0;
    const MSG* pPrevDefault = m_pDefaultMsg;
    m_pDefaultMsg = pMsg;
    LRESULT lResult = ::DefDlgProcW(m_hWnd, pMsg->message, pMsg->wParam, pMsg->lParam);
    m_pDefaultMsg = pPrevDefault;
    return lResult;
}

void CWnd::OnPaint() {
    Default();
}
void CWnd::OnHScroll(UINT, UINT, CScrollBar*) {
    Default();
}
void CWnd::OnClose() {
    Default();
}
void CWnd::OnKeyDown(UINT, UINT, UINT) {
    Default();
}
void CWnd::OnLButtonDown(UINT, CPoint) {
    Default();
}
void CWnd::OnLButtonUp(UINT, CPoint) {
    Default();
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (DispatchFromMap(message, wParam, lParam, pResult))
        return TRUE;
    // Commands nobody on the window handles go on to the application object.
    if (message == WM_COMMAND && lParam == 0 && AfxGetApp() != nullptr)
        return AfxGetApp()->DispatchFromMap(message, wParam, lParam, pResult);
    return FALSE;
}

// ---------------------------------------------------------------- CPaintDC

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd) {
    m_hDC = ::BeginPaint(m_hWnd, &m_ps);
}

CPaintDC::~CPaintDC() {
    ::EndPaint(m_hWnd, &m_ps);
}

// ---------------------------------------------------------------- dialog procedure

// The dialog being created on this thread; bound to its handle by the first
// message the new window receives (WM_SETFONT comes before WM_INITDIALOG).
static thread_local CWnd* t_pWndInit = nullptr;

void AfxHookWindowCreate(CWnd* pWnd) {
    ASSERT(t_pWndInit == nullptr); // a creation left its hook behind
    t_pWndInit = pWnd;
}
void AfxUnhookWindowCreate() {
    t_pWndInit = nullptr;
}

// Messages whose result a dialog procedure returns itself rather than
// through DWLP_MSGRESULT.
static bool ReturnsResultDirectly(UINT message) {
    switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

// A top-level dialog that did not place itself (in its template or its
// initialisation) opens centred over its owner or the screen.
static void CenterNewDialog(HWND hWnd) {
    LONG style = ::GetWindowLongW(hWnd, GWL_STYLE);
    if ((style & WS_CHILD) != 0 || (style & (DS_CENTER | DS_CENTERMOUSE | DS_ABSALIGN)) != 0)
        return;
    RECT rect;
    ::GetWindowRect(hWnd, &rect);
    HWND hOwner = ::GetWindow(hWnd, GW_OWNER);
    RECT area;
    if (hOwner != nullptr && ::IsWindowVisible(hOwner))
        ::GetWindowRect(hOwner, &area);
    else
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    if (width >= area.right - area.left && height >= area.bottom - area.top)
        return;
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    ::SetWindowPos(hWnd, nullptr, x < area.left ? area.left : x, y < area.top ? area.top : y, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* pWnd = reinterpret_cast<CWnd*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
    if (pWnd == nullptr) {
        // Every window of this procedure is created under the hook.
        ASSERT(t_pWndInit != nullptr);
        if (t_pWndInit == nullptr)
            return FALSE;
        pWnd = t_pWndInit;
        t_pWndInit = nullptr;
        ::SetWindowLongPtrW(hWnd, DWLP_USER, reinterpret_cast<LONG_PTR>(pWnd));
        pWnd->Attach(hWnd);
    }

    // The default handling asked for by Default() for this very message.
    const MSG* pDefault = pWnd->m_pDefaultMsg;
    if (pDefault != nullptr && pDefault->message == message && pDefault->wParam == wParam &&
        pDefault->lParam == lParam) {
        pWnd->m_pDefaultMsg = nullptr;
        return FALSE;
    }

    MSG msg = {};
    msg.hwnd = hWnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    const MSG* pPrevMsg = t_pCurrentMsg;
    t_pCurrentMsg = &msg;

    INT_PTR nReturn = FALSE;
    try {
        LRESULT lResult = 0;
        BOOL bHandled = FALSE;
        if (message == WM_INITDIALOG) {
            ASSERT(pWnd->IsKindOf(RUNTIME_CLASS(CDialog)));
            CDialog* pDlg = static_cast<CDialog*>(pWnd);
            RECT rectBefore;
            ::GetWindowRect(hWnd, &rectBefore);
            lResult = pDlg->OnInitDialog();
            bHandled = TRUE;
            RECT rectAfter;
            ::GetWindowRect(hWnd, &rectAfter);
            if (::EqualRect(&rectBefore, &rectAfter))
                CenterNewDialog(hWnd);
        } else {
            bHandled = pWnd->OnWndMsg(message, wParam, lParam, &lResult);
        }
        if (bHandled) {
            if (ReturnsResultDirectly(message)) {
                nReturn = static_cast<INT_PTR>(lResult);
            } else {
                ::SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, lResult);
                nReturn = TRUE;
            }
        }
    } catch (const std::exception& e) {
        // Nothing may unwind through the system's window code.
        TRACE("message 0x%04x: a handler threw \"%s\"; the message counts as not handled\n",
              message, e.what());
        nReturn = FALSE;
    } catch (...) {
        TRACE("message 0x%04x: a handler threw; the message counts as not handled\n", message);
        nReturn = FALSE;
    }

    t_pCurrentMsg = pPrevMsg;
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hWnd, DWLP_USER, 0);
        VERIFY(pWnd->Detach() == hWnd);
    }
    return nReturn;
}
