// CWinApp, the program's start-up and the wait cursor.
#include "afximpl.h"

#include <string>

namespace {
// The application object of this module (one per program or DLL).
CWinApp* g_pApp = nullptr;
} // namespace

IMPLEMENT_DYNAMIC(CWinApp, CCmdTarget)

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCWSTR lpszAppName)
    : m_pszAppName(nullptr), m_pszRegistryKey(nullptr), m_pMainWnd(nullptr) {
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
    BOOL bGot;
    while ((bGot = ::GetMessageW(&msg, nullptr, 0, 0)) != 0) {
        if (bGot == -1) {
            TRACE("CWinApp::Run: GetMessage failed (error %lu)\n", ::GetLastError());
            break;
        }
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

int AfxMessageBox(LPCWSTR lpszText, UINT nType) {
    CWinApp* pApp = AfxGetApp();
    HWND hOwner =
        pApp != nullptr && pApp->m_pMainWnd != nullptr ? pApp->m_pMainWnd->m_hWnd : nullptr;
    return ::MessageBoxW(hOwner, lpszText, AfxGetAppName(), nType);
}

// Names the application after its module file when no name was given.
BOOL AfxWinInit(HINSTANCE hInstance) {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    if (!::InitCommonControlsEx(&icc))
        TRACE("AfxWinInit: InitCommonControlsEx failed: no common controls in dialogs\n");
    CWinApp* pApp = g_pApp;
    if (pApp == nullptr)
        return FALSE;
    wchar_t szModule[MAX_PATH] = {};
    if (::GetModuleFileNameW(hInstance, szModule, MAX_PATH) == 0)
        TRACE("AfxWinInit: GetModuleFileName failed (error %lu)\n", ::GetLastError());
    std::wstring strName = szModule;
    size_t nSlash = strName.find_last_of(L"\\/");
    if (nSlash != std::wstring::npos)
        strName.erase(0, nSlash + 1);
    size_t nDot = strName.find_last_of(L'.');
    if (nDot != std::wstring::npos)
        strName.erase(nDot);
    if (pApp->m_strAppName.empty())
        pApp->m_strAppName = strName;
    pApp->m_pszAppName = pApp->m_strAppName.c_str();
    return TRUE;
}

int AfxWinMain(HINSTANCE hInstance, LPWSTR, int) {
    if (!AfxWinInit(hInstance)) {
        TRACE("AfxWinMain: the program has no application object\n");
        return -1;
    }
    CWinApp* pApp = AfxGetApp();
    int nReturnCode = 0;
    try {
        if (!pApp->InitInstance())
            nReturnCode = pApp->ExitInstance();
        else
            nReturnCode = pApp->Run();
    } catch (...) {
        TRACE("AfxWinMain: an exception left the application object\n");
        nReturnCode = -1;
    }
    return nReturnCode;
}

CWaitCursor::CWaitCursor() : m_hPrevCursor(::SetCursor(::LoadCursorW(nullptr, IDC_WAIT))) {}

CWaitCursor::~CWaitCursor() {
    if (m_hPrevCursor != nullptr)
        ::SetCursor(m_hPrevCursor);
}
