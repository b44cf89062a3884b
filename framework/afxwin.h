// A small dialog framework for the tool set's programs and libraries.
//
// It follows the names and habits of the platform's own dialog framework
// (application object, CWnd/CDialog/CDialogEx, message maps, dialog data
// exchange, module state) for the subset the tool set uses, so code written
// against it reads like ordinary code of that framework.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "afxstr.h"

class CWnd;
class CScrollBar;
class CWinApp;
class CCmdTarget;
class CDataExchange;

#define afx_msg

// ---------------------------------------------------------------- run-time classes

struct CRuntimeClass {
    const char* m_lpszClassName;
    const CRuntimeClass* m_pBaseClass;
    bool IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)                                                                \
public:                                                                                            \
    static const CRuntimeClass class##class_name;                                                  \
    const CRuntimeClass* GetRuntimeClass() const override;

#define IMPLEMENT_DYNAMIC(class_name, base_class_name)                                             \
    const CRuntimeClass class_name::class##class_name = {#class_name,                              \
                                                         RUNTIME_CLASS(base_class_name)};          \
    const CRuntimeClass* class_name::GetRuntimeClass() const {                                     \
        return RUNTIME_CLASS(class_name);                                                          \
    }

class CObject {
public:
    static const CRuntimeClass classCObject;
    virtual ~CObject() = default;
    virtual const CRuntimeClass* GetRuntimeClass() const;
    bool IsKindOf(const CRuntimeClass* pClass) const;
};

// ---------------------------------------------------------------- message maps

// One entry of a message map: the message (and for WM_COMMAND / WM_NOTIFY the
// notification code and control id, or ids nID…nLastID of a range entry) and
// a thunk that unpacks the parameters and calls the member function.
typedef LRESULT (*AFX_PMSG_THUNK)(CCmdTarget* pTarget, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode;
    UINT nID;
    AFX_PMSG_THUNK pfn;
    UINT nLastID; // 0: the entry is for nID alone
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
public:
    // Looks the message up in this class's map and its bases'; true when an
    // entry handled it, with the handler's result in *pResult.
    BOOL DispatchFromMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
};

#define DECLARE_MESSAGE_MAP()                                                                      \
protected:                                                                                         \
    static const AFX_MSGMAP* GetThisMessageMap();                                                  \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                     \
    const AFX_MSGMAP* theClass::GetMessageMap() const {                                            \
        return GetThisMessageMap();                                                                \
    }                                                                                              \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                                              \
        typedef theClass ThisClass [[maybe_unused]];                                               \
        typedef baseClass TheBaseClass;                                                            \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                                          \
    { 0, 0, 0, nullptr, 0 }                                                                        \
    }                                                                                              \
    ;                                                                                              \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]};  \
    return &messageMap;                                                                            \
    }

#include "afxmsg.h"

// ---------------------------------------------------------------- module state

// What "the current module" means for resources and the application object.
// Code that runs on behalf of a DLL switches to the DLL's state with
// AFX_MANAGE_STATE(AfxGetStaticModuleState()) so that templates and strings
// come from the DLL and not from the host program.
struct AFX_MODULE_STATE {
    HINSTANCE m_hCurrentResourceHandle;
};

AFX_MODULE_STATE* AfxGetModuleState();
AFX_MODULE_STATE* AfxGetStaticModuleState();
AFX_MODULE_STATE* AfxSetModuleState(AFX_MODULE_STATE* pNewState);

class AFX_MAINTAIN_STATE2 {
public:
    explicit AFX_MAINTAIN_STATE2(AFX_MODULE_STATE* pNewState);
    ~AFX_MAINTAIN_STATE2();
    AFX_MAINTAIN_STATE2(const AFX_MAINTAIN_STATE2&) = delete;
    AFX_MAINTAIN_STATE2& operator=(const AFX_MAINTAIN_STATE2&) = delete;

private:
    AFX_MODULE_STATE* m_pPrevModuleState;
};

#define AFX_MANAGE_STATE(p) AFX_MAINTAIN_STATE2 _ctlState(p);

HINSTANCE AfxGetResourceHandle();

// ---------------------------------------------------------------- small value types

class CPoint : public POINT {
public:
    CPoint(int initX, int initY) { x = initX, y = initY; }
};

class CRect : public RECT {
public:
    CRect() { left = top = right = bottom = 0; }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

// ---------------------------------------------------------------- windows

class CWnd : public CCmdTarget {
    DECLARE_DYNAMIC(CWnd)
public:
    CWnd();
    ~CWnd() override;

    HWND m_hWnd;

    operator HWND() const { return m_hWnd; }

    // Wraps a window handle: the permanent object attached to it, or a
    // temporary wrapper owned by the thread.
    static CWnd* FromHandle(HWND hWnd);
    BOOL Attach(HWND hWndNew);
    HWND Detach();

    CWnd* GetDlgItem(int nID) const;
    void SetDlgItemText(int nID, LPCWSTR lpszString);
    void SetWindowText(LPCWSTR lpszString);
    void GetWindowText(CString& rString) const;
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsIconic() const;
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    void GetClientRect(LPRECT lpRect) const;
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer = nullptr);
    // A box owned by this window; without a caption it shows the program's name.
    int MessageBox(LPCWSTR lpszText, LPCWSTR lpszCaption = nullptr, UINT nType = MB_OK);

    virtual BOOL PreTranslateMessage(MSG* pMsg);

    // The handling the window would get without a map entry.
    LRESULT Default();

protected:
    afx_msg void OnPaint();
    afx_msg void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    afx_msg void OnClose();
    afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);

    // Runs a message through the map; false when no entry took it.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    friend INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM);

    // Set while Default() hands the current message to the default handling.
    const MSG* m_pDefaultMsg;

    DECLARE_MESSAGE_MAP()
};

class CScrollBar : public CWnd {};
class CButton : public CWnd {};

// ---------------------------------------------------------------- device contexts

class CDC {
public:
    HDC m_hDC = nullptr;
    HDC GetSafeHdc() const { return m_hDC; }
    BOOL DrawIcon(int x, int y, HICON hIcon) { return ::DrawIcon(m_hDC, x, y, hIcon); }
};

class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC();
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    PAINTSTRUCT m_ps;

private:
    HWND m_hWnd;
};

// ---------------------------------------------------------------- dialogs

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // Creates the dialog from its template in the current resource module,
    // runs the framework's modal loop and returns the value given to EndDialog.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    BOOL PreTranslateMessage(MSG* pMsg) override;

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

protected:
    virtual void DoDataExchange(CDataExchange* pDX);

    LPCWSTR m_lpszTemplateName;
    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()

private:
    bool ContinueModal() const { return m_bContinueModal; }
    void RunModalLoop();

    bool m_bContinueModal;
    int m_nModalResult;
};

class CDialogEx : public CDialog {
    DECLARE_DYNAMIC(CDialogEx)
public:
    CDialogEx(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

protected:
    DECLARE_MESSAGE_MAP()
};

// ---------------------------------------------------------------- application

class CShellManager {
public:
    CShellManager() = default;
};

class CWinApp : public CCmdTarget {
    DECLARE_DYNAMIC(CWinApp)
public:
    explicit CWinApp(LPCWSTR lpszAppName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance();
    virtual int ExitInstance();
    // The application's message loop; ends with WM_QUIT.
    virtual int Run();

    void SetRegistryKey(LPCWSTR lpszRegistryKey);

    LPCWSTR m_pszAppName;
    // Kept for the program, which sets them; the framework itself keeps no
    // settings and has no frame windows that would read them.
    LPCWSTR m_pszRegistryKey;
    CWnd* m_pMainWnd;

    afx_msg void OnHelp();

protected:
    DECLARE_MESSAGE_MAP()

private:
    std::wstring m_strAppName;
    std::wstring m_strRegistryKey;
    friend BOOL AfxWinInit(HINSTANCE hInstance);
};

CWinApp* AfxGetApp();
LPCWSTR AfxGetAppName();
BOOL AfxWinInit(HINSTANCE hInstance);

// A message box owned by the main window, if there is one, whose caption is
// the program's name.
int AfxMessageBox(LPCWSTR lpszText, UINT nType = MB_OK);

#define ID_HELP 0xE146

// Shows the wait cursor for its lifetime.
class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    HCURSOR m_hPrevCursor;
};

// Thunks that need the window classes above.
namespace afx {
template <auto F> LRESULT Thunk_scroll(CCmdTarget* p, WPARAM wParam, LPARAM lParam) {
    CWnd* pBar = CWnd::FromHandle(reinterpret_cast<HWND>(lParam));
    (Target<F>(p)->*F)(LOWORD(wParam), HIWORD(wParam), static_cast<CScrollBar*>(pBar));
    return 0;
}

template <auto F> LRESULT Thunk_mouse(CCmdTarget* p, WPARAM wParam, LPARAM lParam) {
    CPoint point(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
    (Target<F>(p)->*F)(static_cast<UINT>(wParam), point);
    return 0;
}
} // namespace afx

#include "afxdd_.h"
