// CWinApp, the program's start-up, message boxes and the wait cursor.
#include "afxwin.h"

#include <string>

CWnd* AfxGetModalDialog();

namespace {
// The application object of this module (one per program or DLL).
CWinApp* g_pApp = nullptr;
} // namespace

IMPLEMENT_DYNAMIC(CWinApp, CCmdTarget)

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCWSTR lpszAppName)
    : m_pszAppName(nullptr), m_pszExeName(nullptr), m_pszRegistryKey(nullptr), m_hInstance(nullptr),
      m_pMainWnd(nullptr) {
    if (lpszAppName != nullptr)
        m_strAppName = lpszAppName;
    g_pApp = this;
}

CWinApp::~CWinApp() {
    if (g_pApp == this)
        g_pApp = nullptr;
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::ExitInstance() {
    return 0;
}

int CWinApp::Run() {
    MSG msg = {};
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return ExitInstance();
}

void CWinApp::SetRegistryKey(LPCWSTR lpszRegistryKey) {
    m_strRegistryKey = lpszRegistryKey != nullptr ? lpszRegistryKey : L"";
    m_pszRegistryKey = m_strRegistryKey.c_str();
}

// No help file ships with the tool set.
void CWinApp::OnHelp() {}

CWinApp* AfxGetApp() {
    return g_pApp;
}

LPCWSTR AfxGetAppName() {
    return g_pApp != nullptr && g_pApp->m_pszAppName != nullptr ? g_pApp->m_pszAppName : L"";
}

CWnd* AfxGetMainWnd() {
    return g_pApp != nullptr ? g_pApp->m_pMainWnd : nullptr;
}

// Names the application after its module file when no name was given.
BOOL AfxWinInit(HINSTANCE hInstance) {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    CWinApp* pApp = g_pApp;
    if (pApp == nullptr)
        return FALSE;
    pApp->m_hInstance = hInstance;
    wchar_t szModule[MAX_PATH] = {};
    ::GetModuleFileNameW(hInstance, szModule, MAX_PATH);
    std::wstring strName = szModule;
    size_t nSlash = strName.find_last_of(L"\\/");
    if (nSlash != std::wstring::npos)
        strName.erase(0, nSlash + 1);
    size_t nDot = strName.find_last_of(L'.');
    if (nDot != std::wstring::npos)
        strName.erase(nDot);
    pApp->m_strExeName = strName;
    pApp->m_pszExeName = pApp->m_strExeName.c_str();
    if (pApp->m_strAppName.empty())
        pApp->m_strAppName = strName;
    pApp->m_pszAppName = pApp->m_strAppName.c_str();
    return TRUE;
}

int AfxWinMain(HINSTANCE hInstance, LPWSTR, int) {
    if (!AfxWinInit(hInstance))
        return -1;
    CWinApp* pApp = AfxGetApp();
    int nReturnCode = 0;
    try {
        if (!pApp->InitInstance())
            nReturnCode = pApp->ExitInstance();
        else
            nReturnCode = pApp->Run();
    } catch (...) {
        nReturnCode = -1;
    }
    return nReturnCode;
}

int AfxMessageBox(LPCWSTR lpszText, UINT nType, UINT) {
    CWnd* pOwner = AfxGetModalDialog();
    if (pOwner == nullptr)
        pOwner = AfxGetMainWnd();
    HWND hWndOwner = pOwner != nullptr ? pOwner->m_hWnd : nullptr;
    return ::MessageBoxW(hWndOwner, lpszText, AfxGetAppName(), nType);
}

CWaitCursor::CWaitCursor()
    : m_hPrevCursor(::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)))) {}

CWaitCursor::~CWaitCursor() {
    Restore();
}

void CWaitCursor::Restore() {
    if (m_hPrevCursor != nullptr) {
        ::SetCursor(m_hPrevCursor);
        m_hPrevCursor = nullptr;
    }
}
