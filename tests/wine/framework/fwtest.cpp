// The dialog framework under Wine: message map dispatch and results, data
// exchange in both directions, pre-translation, the modal loop's ways out,
// a DLL that loads its own template where its host has one with the same id,
// and how failures and misuse are reported.
#include "afxwin.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "check.h"
#include "fwtest.h"
#include "uidriver.h"

namespace {

const UINT NM_FWTEST = 0U - 3000U;
const UINT WM_RUN_CHECKS = WM_APP + 1;
const UINT WM_FINISH = WM_APP + 2;

class CTestApp : public CWinApp {};
CTestApp theTestApp;

void EnsureAppStarted() {
    static bool bStarted = false;
    if (!bStarted)
        bStarted = AfxWinInit(::GetModuleHandleW(nullptr)) != FALSE;
}

// What this process sends to a debugger (OutputDebugString) while it lives,
// taken before any debugger is asked.
class CDebugOutput {
public:
    CDebugOutput() : m_hHandler(::AddVectoredExceptionHandler(1, &Take)) { s_pActive = this; }
    ~CDebugOutput() {
        ::RemoveVectoredExceptionHandler(m_hHandler);
        s_pActive = nullptr;
    }
    CDebugOutput(const CDebugOutput&) = delete;
    CDebugOutput& operator=(const CDebugOutput&) = delete;

    bool Has(const char* pszText) const { return m_text.find(pszText) != std::string::npos; }

private:
    static LONG CALLBACK Take(EXCEPTION_POINTERS* pInfo) {
        const EXCEPTION_RECORD* pRecord = pInfo->ExceptionRecord;
        if (s_pActive == nullptr || pRecord->NumberParameters < 2)
            return EXCEPTION_CONTINUE_SEARCH;
        const ULONG_PTR pText = pRecord->ExceptionInformation[1];
        if (pRecord->ExceptionCode == DBG_PRINTEXCEPTION_WIDE_C)
            s_pActive->m_text += ui::Narrow(reinterpret_cast<const wchar_t*>(pText));
        else if (pRecord->ExceptionCode == DBG_PRINTEXCEPTION_C)
            s_pActive->m_text += reinterpret_cast<const char*>(pText);
        else
            return EXCEPTION_CONTINUE_SEARCH;
        return EXCEPTION_CONTINUE_EXECUTION; // taken, as a debugger takes it
    }

    static CDebugOutput* s_pActive;
    PVOID m_hHandler;
    std::string m_text;
};

CDebugOutput* CDebugOutput::s_pActive = nullptr;

// A dialog that runs its checks from inside its own modal loop and records
// what it saw; the case checks the record after DoModal returns.
class CTestDlg : public CDialogEx {
public:
    CTestDlg() : CDialogEx(IDD_FWTEST) {}

    // What the run saw.
    int nButtonClicks = 0;
    LRESULT notifyResult = -1;
    LRESULT otherNotifyResult = -1;
    LRESULT throwingResult = -1;
    int nCloses = 0;
    bool bShown = false;
    std::vector<UINT> keysSeen;
    std::vector<int> scrolledIds;

    // What the run does.
    enum Script { RunChecks, PostClose, EndInInit, PressEscape, PressEnter } script = RunChecks;
    bool bThrowOnButton = false;

    BOOL OnInitDialog() override {
        CDialogEx::OnInitDialog();
        switch (script) {
        case EndInInit:
            EndDialog(5);
            return FALSE;
        case PostClose:
            PostMessage(WM_CLOSE);
            break;
        case PressEscape:
        case PressEnter: {
            HWND hButton = ::GetDlgItem(m_hWnd, IDC_BUTTON);
            WPARAM vk = script == PressEscape ? VK_ESCAPE : VK_RETURN;
            ::PostMessageW(hButton, WM_KEYDOWN, vk, 1);
            break;
        }
        case RunChecks:
            PostMessage(WM_RUN_CHECKS);
            break;
        }
        return TRUE;
    }

    BOOL PreTranslateMessage(MSG* pMsg) override {
        if (pMsg->message == WM_KEYDOWN)
            keysSeen.push_back(static_cast<UINT>(pMsg->wParam));
        return CDialogEx::PreTranslateMessage(pMsg);
    }

protected:
    DECLARE_MESSAGE_MAP()
    afx_msg void OnButton() {
        ++nButtonClicks;
        if (bThrowOnButton)
            throw std::runtime_error("handler failed");
    }
    afx_msg void OnTestNotify(NMHDR*, LRESULT* pResult) { *pResult = 1234; }
    afx_msg void OnClose() {
        ++nCloses;
        CDialogEx::OnClose();
    }
    afx_msg void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar) {
        scrolledIds.push_back(::GetDlgCtrlID(pScrollBar->m_hWnd));
        CDialogEx::OnHScroll(nSBCode, nPos, pScrollBar);
    }
    afx_msg LRESULT OnShowWindow(WPARAM wParam, LPARAM) {
        if (wParam)
            bShown = true;
        Default();
        return 0;
    }
    afx_msg LRESULT OnRunChecks(WPARAM, LPARAM) {
        HWND hSlider = ::GetDlgItem(m_hWnd, IDC_SLIDER);
        SendMessage(WM_COMMAND, MAKEWPARAM(IDC_BUTTON, BN_CLICKED),
                    reinterpret_cast<LPARAM>(::GetDlgItem(m_hWnd, IDC_BUTTON)));
        NMHDR nm = {hSlider, IDC_SLIDER, NM_FWTEST};
        notifyResult = SendMessage(WM_NOTIFY, IDC_SLIDER, reinterpret_cast<LPARAM>(&nm));
        NMHDR other = {hSlider, IDC_CHECK, NM_FWTEST};
        otherNotifyResult = SendMessage(WM_NOTIFY, IDC_CHECK, reinterpret_cast<LPARAM>(&other));
        bThrowOnButton = true;
        throwingResult = SendMessage(WM_COMMAND, MAKEWPARAM(IDC_BUTTON, BN_CLICKED), 0);
        bThrowOnButton = false;
        ::SendMessageW(hSlider, TBM_SETRANGEMAX, FALSE, 100);
        ::SendMessageW(hSlider, WM_KEYDOWN, VK_RIGHT, 1);
        ::PostMessageW(::GetDlgItem(m_hWnd, IDC_BUTTON), WM_KEYDOWN, 'Z', 1);
        PostMessage(WM_FINISH);
        return 0;
    }
    afx_msg LRESULT OnFinish(WPARAM, LPARAM) {
        EndDialog(IDOK);
        return 0;
    }
};

BEGIN_MESSAGE_MAP(CTestDlg, CDialogEx)
    ON_BN_CLICKED(IDC_BUTTON, &CTestDlg::OnButton)
    ON_NOTIFY(NM_FWTEST, IDC_SLIDER, &CTestDlg::OnTestNotify)
    ON_WM_CLOSE()
    ON_WM_HSCROLL()
    ON_MESSAGE(WM_SHOWWINDOW, &CTestDlg::OnShowWindow)
    ON_MESSAGE(WM_RUN_CHECKS, &CTestDlg::OnRunChecks)
    ON_MESSAGE(WM_FINISH, &CTestDlg::OnFinish)
END_MESSAGE_MAP()

// Exchanges one member of each kind with the template's controls.
class CExchangeDlg : public CDialogEx {
public:
    CExchangeDlg() : CDialogEx(IDD_FWTEST) {}

    int m_nCheck = 0;
    int m_nSlider = 0;
    int m_nNumber = 0;
    int m_nRadio = 0;
    CButton m_button;

    // Controls as read straight from the windows after members → controls.
    int shownCheck = -1, shownSlider = -1, shownRadioB = -1, shownRadioA = -1;
    std::wstring shownNumber;
    bool bAttached = false;
    // Members after controls → members, for each scenario.
    int readCheck = -1, readSlider = -1, readNumber = -1, readRadio = -2, readNoRadio = -2;
    BOOL bSaved = FALSE;

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        CDialogEx::DoDataExchange(pDX);
        DDX_Check(pDX, IDC_CHECK, m_nCheck);
        DDX_Slider(pDX, IDC_SLIDER, m_nSlider);
        DDX_Text(pDX, IDC_NUMBER, m_nNumber);
        DDX_Radio(pDX, IDC_RADIO_A, m_nRadio);
        DDX_Control(pDX, IDC_BUTTON, m_button);
    }

    BOOL OnInitDialog() override {
        ::SendDlgItemMessageW(m_hWnd, IDC_SLIDER, TBM_SETRANGEMIN, FALSE, 10);
        ::SendDlgItemMessageW(m_hWnd, IDC_SLIDER, TBM_SETRANGEMAX, FALSE, 100);
        m_nCheck = 1;
        m_nSlider = 37;
        m_nNumber = -42;
        m_nRadio = 2;
        CDialogEx::OnInitDialog();
        shownCheck = static_cast<int>(::SendDlgItemMessageW(m_hWnd, IDC_CHECK, BM_GETCHECK, 0, 0));
        shownSlider = static_cast<int>(::SendDlgItemMessageW(m_hWnd, IDC_SLIDER, TBM_GETPOS, 0, 0));
        wchar_t text[32] = {};
        ::GetDlgItemTextW(m_hWnd, IDC_NUMBER, text, 32);
        shownNumber = text;
        // Index 2 counts radio buttons only: the check box inside the group is skipped.
        shownRadioB =
            static_cast<int>(::SendDlgItemMessageW(m_hWnd, IDC_RADIO_C, BM_GETCHECK, 0, 0));
        shownRadioA =
            static_cast<int>(::SendDlgItemMessageW(m_hWnd, IDC_RADIO_A, BM_GETCHECK, 0, 0));
        bAttached = m_button.m_hWnd == ::GetDlgItem(m_hWnd, IDC_BUTTON);

        // Controls changed by hand, then read back; a value beyond the range
        // comes back clamped by the track bar.
        ::SendDlgItemMessageW(m_hWnd, IDC_CHECK, BM_SETCHECK, BST_UNCHECKED, 0);
        m_nSlider = 500;
        ::SendDlgItemMessageW(m_hWnd, IDC_SLIDER, TBM_SETPOS, TRUE, 500);
        ::SetDlgItemTextW(m_hWnd, IDC_NUMBER, L"  815");
        ::SendDlgItemMessageW(m_hWnd, IDC_RADIO_C, BM_SETCHECK, BST_UNCHECKED, 0);
        ::SendDlgItemMessageW(m_hWnd, IDC_RADIO_B, BM_SETCHECK, BST_CHECKED, 0);
        ::SendDlgItemMessageW(m_hWnd, IDC_AFTER_GROUP, BM_SETCHECK, BST_CHECKED, 0);
        bSaved = UpdateData(TRUE);
        readCheck = m_nCheck;
        readSlider = m_nSlider;
        readNumber = m_nNumber;
        readRadio = m_nRadio;
        ::SendDlgItemMessageW(m_hWnd, IDC_RADIO_B, BM_SETCHECK, BST_UNCHECKED, 0);
        UpdateData(TRUE);
        readNoRadio = m_nRadio;
        EndDialog(IDOK);
        return TRUE;
    }
};

VEL_CASE(MessageMapDispatchesCommandsNotificationsAndMessages) {
    EnsureAppStarted();
    CDebugOutput output;
    CTestDlg dlg;
    CHECK_EQ(dlg.DoModal(), IDOK);
    CHECK_EQ(dlg.nButtonClicks, 2);
    // A notification's result reaches the sender through DWLP_MSGRESULT.
    CHECK_EQ(dlg.notifyResult, 1234);
    CHECK_EQ(dlg.otherNotifyResult, 0);
    // An exception in a handler stops at the window procedure, and says so.
    CHECK_EQ(dlg.throwingResult, 0);
    CHECK(output.Has("a handler threw \"handler failed\""));
    CHECK_EQ(dlg.scrolledIds.size(), 1u);
    CHECK_EQ(dlg.scrolledIds[0], IDC_SLIDER);
    CHECK(dlg.bShown);
}

VEL_CASE(PreTranslateMessageSeesKeysBeforeTheDialogManager) {
    EnsureAppStarted();
    CTestDlg dlg;
    dlg.DoModal();
    bool bSawZ = false;
    for (UINT key : dlg.keysSeen)
        bSawZ = bSawZ || key == 'Z';
    CHECK(bSawZ);
}

VEL_CASE(EscapeAndCloseEndTheDialogWithCancel) {
    EnsureAppStarted();
    CTestDlg escape;
    escape.script = CTestDlg::PressEscape;
    CHECK_EQ(escape.DoModal(), IDCANCEL);
    CHECK(!escape.keysSeen.empty());
    CHECK_EQ(escape.keysSeen[0], static_cast<UINT>(VK_ESCAPE));

    CTestDlg close;
    close.script = CTestDlg::PostClose;
    CHECK_EQ(close.DoModal(), IDCANCEL);
    CHECK_EQ(close.nCloses, 1);
}

VEL_CASE(EnterTakesTheOkWay) {
    EnsureAppStarted();
    CTestDlg enter;
    enter.script = CTestDlg::PressEnter;
    CHECK_EQ(enter.DoModal(), IDOK);
}

VEL_CASE(ADialogEndedDuringInitialisationIsNeverShown) {
    EnsureAppStarted();
    CTestDlg dlg;
    dlg.script = CTestDlg::EndInInit;
    CHECK_EQ(dlg.DoModal(), 5);
    CHECK(!dlg.bShown);
}

VEL_CASE(DataExchangeRoundTripsEveryKind) {
    EnsureAppStarted();
    CExchangeDlg dlg;
    CHECK_EQ(dlg.DoModal(), IDOK);
    CHECK_EQ(dlg.shownCheck, 1);
    CHECK_EQ(dlg.shownSlider, 37);
    CHECK_EQ(ui::Narrow(dlg.shownNumber), "-42");
    CHECK_EQ(dlg.shownRadioB, 1);
    CHECK_EQ(dlg.shownRadioA, 0);
    CHECK(dlg.bAttached);
    CHECK(dlg.bSaved);
    CHECK_EQ(dlg.readCheck, 0);
    CHECK_EQ(dlg.readSlider, 100);
    CHECK_EQ(dlg.readNumber, 815);
    // The radio after the group's end does not count.
    CHECK_EQ(dlg.readRadio, 1);
    CHECK_EQ(dlg.readNoRadio, -1);
}

typedef void (*TextsFn)(wchar_t*, wchar_t*, int);
typedef bool (*StartedFn)(wchar_t*, int);

VEL_CASE(ALibraryLoadsItsOwnTemplateAndStringsAfterSwitchingModule) {
    EnsureAppStarted();
    HMODULE hLib = ::LoadLibraryW(L"fwdll.dll");
    CHECK(hLib != nullptr);
    auto pLibrary =
        reinterpret_cast<TextsFn>(reinterpret_cast<void*>(::GetProcAddress(hLib, "LibraryTexts")));
    auto pHost =
        reinterpret_cast<TextsFn>(reinterpret_cast<void*>(::GetProcAddress(hLib, "HostTexts")));
    auto pStarted = reinterpret_cast<StartedFn>(
        reinterpret_cast<void*>(::GetProcAddress(hLib, "LibraryAppStarted")));
    CHECK(pLibrary != nullptr && pHost != nullptr && pStarted != nullptr);

    wchar_t caption[64] = {}, text[64] = {}, name[64] = {};
    pLibrary(caption, text, 64);
    CHECK_EQ(ui::Narrow(caption), "library template");
    CHECK_EQ(ui::Narrow(text), "from the library");
    pHost(caption, text, 64);
    CHECK_EQ(ui::Narrow(caption), "host template");
    CHECK_EQ(ui::Narrow(text), "from the host");
    CHECK(pStarted(name, 64));
    CHECK_EQ(ui::Narrow(name), "fwdll");
    // The program's own name is its file name without extension.
    CHECK_EQ(ui::Narrow(AfxGetAppName()), "framework_tests");
    ::FreeLibrary(hLib);
}

// A dialog that cannot open answers -1 and tells the debugger why.
VEL_CASE(ADialogThatCannotOpenReturnsMinusOneAndSaysWhy) {
    EnsureAppStarted();
    const struct {
        UINT nTemplate;
        const char* pszTrace;
    } rows[] = {
        {IDD_MISSING, "no dialog template 199"},
        {IDD_FWTEST_BADCONTROL, "creating the dialog of template 101 failed"},
    };
    for (const auto& row : rows) {
        CDebugOutput output;
        CDialog dlg(row.nTemplate);
        CHECK_EQ(dlg.DoModal(), -1);
        CHECK(output.Has(row.pszTrace));
    }
}

// Attaching one object to two windows: a Debug build stops at the assertion
// (in a child process), a Release build goes on and the call fails.
VEL_CASE(AMisuseStopsOnlyADebugBuild) {
    if (::GetEnvironmentVariableW(L"VEL_FW_MISUSE", nullptr, 0) != 0) {
        CWnd wnd;
        CHECK(wnd.Attach(::GetDesktopWindow()));
        CHECK(!wnd.Attach(::GetDesktopWindow()));
        return;
    }
    ::SetEnvironmentVariableW(L"VEL_FW_MISUSE", L"1");
    ui::Program child;
    ui::Start(child, L"framework_tests.exe", L"AMisuseStopsOnlyADebugBuild");
    ::SetEnvironmentVariableW(L"VEL_FW_MISUSE", nullptr);
#if defined(_DEBUG)
    const DWORD nExpected = STATUS_ASSERTION_FAILURE;
#else
    const DWORD nExpected = 0;
#endif
    CHECK_EQ(static_cast<DWORD>(child.Wait()), nExpected);
}

} // namespace
