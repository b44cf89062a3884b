// Dialog data exchange: one DDX_ call per control/member pair, run in both
// directions by CDialog::UpdateData.
#pragma once

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    BOOL m_bSaveAndValidate; // TRUE: controls to members
    CWnd* m_pDlgWnd;

    HWND PrepareCtrl(int nIDC);
    // Ends the exchange as failed (UpdateData returns FALSE).
    [[noreturn]] void Fail();
};

struct CUserException {};

void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
void DDX_Slider(CDataExchange* pDX, int nIDC, int& value);
void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value);
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
