#include "velapp.h"

#include "devicelib.h"
#include "velappdlg.h"

BEGIN_MESSAGE_MAP(CVelApp, CWinApp)
    ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

CVelApp::CVelApp() {}

CVelApp theApp;

// Called when the program starts: runs the main dialog, then ends the program.
// Without a device library it can use, it says why and ends at once.
BOOL CVelApp::InitInstance() {
    CWinApp::InitInstance();

    const std::wstring strProblem = velsdk::LibraryProblem();
    if (!strProblem.empty()) {
        AfxMessageBox(strProblem.c_str());
        return FALSE;
    }

    CShellManager* pShellManager = new CShellManager;

    SetRegistryKey(L"Local AppWizard-Generated Applications");

    CVelAppDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();

    delete pShellManager;
    m_pMainWnd = nullptr;

    // The dialog has closed: no message loop is to run.
    return FALSE;
}
