// CDialog: template loading, the modal loop, OK/Cancel and data exchange.
#include "afximpl.h"

#include <cwchar>
#include <cwctype>
#include <string>

namespace {

// Templates are named by number only (CDialog's constructor takes an id).
unsigned TemplateId(LPCWSTR lpszTemplateName) {
    return static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(lpszTemplateName));
}

} // namespace

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, &CDialog::OnOK)
    ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_lpszTemplateName(MAKEINTRESOURCEW(nIDTemplate)), m_pParentWnd(pParentWnd),
      m_bContinueModal(false), m_nModalResult(-1) {}

INT_PTR CDialog::DoModal() {
    HINSTANCE hInst = AfxGetResourceHandle();
    HRSRC hResource = ::FindResourceW(hInst, m_lpszTemplateName, RT_DIALOG);
    HGLOBAL hTemplate = hResource != nullptr ? ::LoadResource(hInst, hResource) : nullptr;
    const DLGTEMPLATE* pTemplate =
        hTemplate != nullptr ? static_cast<const DLGTEMPLATE*>(::LockResource(hTemplate)) : nullptr;
    if (pTemplate == nullptr) {
        TRACE("CDialog::DoModal: no dialog template %u in module %p (error %lu)\n",
              TemplateId(m_lpszTemplateName), static_cast<void*>(hInst), ::GetLastError());
        return -1;
    }

    HWND hWndParent = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : nullptr;
    bool bEnableParent = false;
    if (hWndParent != nullptr && ::IsWindowEnabled(hWndParent)) {
        ::EnableWindow(hWndParent, FALSE);
        bEnableParent = true;
    }

    m_bContinueModal = true;
    m_nModalResult = -1;
    AfxHookWindowCreate(this);
    HWND hWnd = ::CreateDialogIndirectParamW(hInst, pTemplate, hWndParent, AfxDlgProc, 0);
    AfxUnhookWindowCreate();
    if (hWnd == nullptr)
        TRACE("CDialog::DoModal: creating the dialog of template %u failed (error %lu)\n",
              TemplateId(m_lpszTemplateName), ::GetLastError());
    // The window's first message bound it to this object.
    ASSERT(hWnd == nullptr || m_hWnd == hWnd);

    if (hWnd != nullptr) {
        // A dialog that ended during its initialisation is never shown.
        if (m_bContinueModal) {
            ::ShowWindow(hWnd, SW_SHOWNORMAL);
            ::UpdateWindow(hWnd);
            RunModalLoop();
        }
        ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    }
    if (bEnableParent)
        ::EnableWindow(hWndParent, TRUE);
    if (hWndParent != nullptr && ::GetActiveWindow() == hWnd)
        ::SetActiveWindow(hWndParent);
    if (hWnd != nullptr)
        ::DestroyWindow(hWnd);
    return m_nModalResult;
}

// Pumps this thread's messages until EndDialog; every message passes
// PreTranslateMessage first, as in the framework's own loop.
void CDialog::RunModalLoop() {
    MSG msg;
    // A window destroyed without EndDialog ends the loop too.
    while (ContinueModal() && ::IsWindow(m_hWnd)) {
        BOOL bGot = ::GetMessageW(&msg, nullptr, 0, 0);
        if (bGot == 0) {
            // Quit asked for: end the dialog and leave the quit for the outer loop.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            m_bContinueModal = false;
            break;
        }
        if (bGot == -1) {
            TRACE("CDialog::RunModalLoop: GetMessage failed (error %lu): the dialog ends\n",
                  ::GetLastError());
            break;
        }
        if (!PreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

void CDialog::EndDialog(int nResult) {
    ASSERT(::IsWindow(m_hWnd));
    m_nModalResult = nResult;
    m_bContinueModal = false;
    // Wakes the modal loop in case it is waiting for a message.
    if (m_hWnd != nullptr)
        ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
    // Keyboard input for the dialog or its controls: tab order, default
    // button, Enter and Escape.
    if (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST && m_hWnd != nullptr &&
        (pMsg->hwnd == m_hWnd || ::IsChild(m_hWnd, pMsg->hwnd)))
        return ::IsDialogMessageW(m_hWnd, pMsg);
    return FALSE;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (const CUserException&) {
        return FALSE;
    }
    return TRUE;
}

IMPLEMENT_DYNAMIC(CDialogEx, CDialog)

BEGIN_MESSAGE_MAP(CDialogEx, CDialog)
END_MESSAGE_MAP()

CDialogEx::CDialogEx(UINT nIDTemplate, CWnd* pParentWnd) : CDialog(nIDTemplate, pParentWnd) {}

// ---------------------------------------------------------------- data exchange

HWND CDataExchange::PrepareCtrl(int nIDC) {
    HWND hWndCtrl = ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC);
    if (hWndCtrl == nullptr) {
        TRACE("data exchange: the dialog has no control %d\n", nIDC);
        ASSERT(hWndCtrl != nullptr);
        Fail();
    }
    return hWndCtrl;
}

void CDataExchange::Fail() {
    throw CUserException();
}

// Check box state, 0 or 1 (2 for an indeterminate three-state box).
void DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessageW(hWndCtrl, BM_GETCHECK, 0, 0));
    else
        ::SendMessageW(hWndCtrl, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

// Track bar position; the control clamps a value outside its range.
void DDX_Slider(CDataExchange* pDX, int nIDC, int& value) {
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessageW(hWndCtrl, TBM_GETPOS, 0, 0));
    else
        ::SendMessageW(hWndCtrl, TBM_SETPOS, TRUE, value);
}

// A control's text as a decimal integer; text that is not one fails the exchange.
void DDX_Text(CDataExchange* pDX, int nIDC, int& value) {
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        wchar_t szText[64] = {};
        ::GetWindowTextW(hWndCtrl, szText, ARRAYSIZE(szText));
        wchar_t* pEnd = nullptr;
        long lValue = std::wcstol(szText, &pEnd, 10);
        while (pEnd != nullptr && std::iswspace(*pEnd))
            ++pEnd;
        if (pEnd == szText || pEnd == nullptr || *pEnd != L'\0') {
            TRACE("DDX_Text: control %d holds no integer: \"%ls\"\n", nIDC, szText);
            pDX->Fail();
        }
        value = static_cast<int>(lValue);
    } else {
        ::SetWindowTextW(hWndCtrl, std::to_wstring(value).c_str());
    }
}

static bool IsRadioButton(HWND hWnd) {
    return (::SendMessageW(hWnd, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) != 0;
}

// Index of the checked radio button of the group that starts at nIDC,
// counting only radio buttons; -1 when none is checked.
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value) {
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = -1;
    int iButton = 0;
    do {
        if (IsRadioButton(hWndCtrl)) {
            if (pDX->m_bSaveAndValidate) {
                if (::SendMessageW(hWndCtrl, BM_GETCHECK, 0, 0) != 0)
                    value = iButton;
            } else {
                ::SendMessageW(hWndCtrl, BM_SETCHECK, iButton == value, 0);
            }
            ++iButton;
        }
        hWndCtrl = ::GetWindow(hWndCtrl, GW_HWNDNEXT);
    } while (hWndCtrl != nullptr && !(::GetWindowLongW(hWndCtrl, GWL_STYLE) & WS_GROUP));
}

// Attaches a control member to its control the first time.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (rControl.m_hWnd == nullptr)
        rControl.Attach(pDX->PrepareCtrl(nIDC));
}
