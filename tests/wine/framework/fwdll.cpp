// A library built on the framework, with a template that has the same id as
// one of its host's.
#include "afxwin.h"

#include "fwtest.h"

namespace {

class CLibraryApp : public CWinApp {
public:
    BOOL InitInstance() override {
        m_bInitialised = true;
        return CWinApp::InitInstance();
    }
    bool m_bInitialised = false;
};

CLibraryApp theLibraryApp;

// Reads its own caption and ends at once.
class CCaptionDlg : public CDialog {
public:
    CCaptionDlg() : CDialog(IDD_FWTEST) {}
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        GetWindowText(m_caption);
        EndDialog(IDOK);
        return TRUE;
    }
    CString m_caption;
};

void CopyOut(const CString& text, wchar_t* pOut, int nOut) {
    lstrcpynW(pOut, text, nOut);
}

} // namespace

// The caption of template IDD_FWTEST and string IDS_GREETING, loaded in the
// library's own module context.
extern "C" __declspec(dllexport) void LibraryTexts(wchar_t* pCaption, wchar_t* pString, int n) {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    CCaptionDlg dlg;
    dlg.DoModal();
    CopyOut(dlg.m_caption, pCaption, n);
    ::LoadStringW(AfxGetResourceHandle(), IDS_GREETING, pString, n);
}

// The same without switching: the host's module context.
extern "C" __declspec(dllexport) void HostTexts(wchar_t* pCaption, wchar_t* pString, int n) {
    CCaptionDlg dlg;
    dlg.DoModal();
    CopyOut(dlg.m_caption, pCaption, n);
    ::LoadStringW(AfxGetResourceHandle(), IDS_GREETING, pString, n);
}

// Whether the framework ran the library's application object at load, and
// the name it gave it.
extern "C" __declspec(dllexport) bool LibraryAppStarted(wchar_t* pName, int n) {
    lstrcpynW(pName, AfxGetAppName(), n);
    return theLibraryApp.m_bInitialised;
}
