#include "velapp.h"

#include "velappdlg.h"

BEGIN_MESSAGE_MAP(CVelApp, CWinApp)
    ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

CVelApp::CVelApp() {}

CVelApp theApp;

// Called when the program starts: runs the main dialog, then ends the program.
BOOL CVelApp::InitInstance() {
    CWinApp::InitInstance();

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
