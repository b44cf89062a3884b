#include "velappdlg.h"

#include <cstring>
#include <string>

#include "calibbinding.h"
#include "calibmessage.h"
#include "devicelib.h"
#include "fitlabels.h"
#include "mousekey.h"
#include "orientation.h"
#include "panelcore.h"
#include "velcalib.h"

namespace {

// Captions loaded from the string table at start; 0 is the dialog itself.
const struct {
    UINT nString;
    int nControl;
} kCaptions[] = {
    {IDS_CAPTION_DIALOG, 0},
    {IDS_CAPTION_TOUCH_PARAM, IDC_GRP_TOUCH_PARAM},
    {IDS_CAPTION_TOUCH_ENABLE, IDC_CHK_TOUCH_ENABLE},
    {IDS_CAPTION_AUTO_MODE, IDC_RAD_AUTO_MODE},
    {IDS_CAPTION_UP_CLICK_MODE, IDC_RAD_UP_CLICK_MODE},
    {IDS_CAPTION_DOWN_CLICK_MODE, IDC_RAD_DOWN_CLICK_MODE},
    {IDS_CAPTION_TOUCH_HEIGHT, IDC_LBL_TOUCH_HEIGHT},
    {IDS_CAPTION_TOUCH_SMOOTH, IDC_LBL_TOUCH_SMOOTH},
    {IDS_CAPTION_TOUCH_DELAY, IDC_LBL_TOUCH_DELAY},
    {IDS_CAPTION_RIGHT_CLICK_GROUP, IDC_GRP_RIGHT_CLICK},
    {IDS_CAPTION_RIGHT_CLICK_ENABLE, IDC_CHK_RIGHT_CLICK_ENABLE},
    {IDS_CAPTION_RIGHT_CLICK_TIME, IDC_LBL_RIGHT_CLICK_TIME},
    {IDS_CAPTION_RIGHT_CLICK_AREA, IDC_LBL_RIGHT_CLICK_AREA},
    {IDS_CAPTION_DOUBLE_CLICK_GROUP, IDC_GRP_DOUBLE_CLICK},
    {IDS_CAPTION_DOUBLE_CLICK_RANGE, IDC_LBL_DBLCLK_RANGE},
    {IDS_CAPTION_DOUBLE_CLICK_SPEED, IDC_LBL_DBLCLK_SPEED},
    {IDS_CAPTION_ABOUT, IDC_BTN_ABOUT},
    {IDS_CAPTION_CALIB, IDC_BTN_CALIB},
    {IDS_CAPTION_RESET, IDC_BTN_RESET},
    {IDS_CAPTION_APPLY, IDC_BTN_APPLY},
    {IDS_CAPTION_EXIT, IDC_BTN_EXIT},
    {IDS_CAPTION_MULTI_MODE, IDC_RAD_MULTI_MODE},
};

// The mode buttons follow Enable Touch; the right-click controls follow
// Enable Right Click.
const int kModeControls[] = {IDC_RAD_AUTO_MODE, IDC_RAD_DOWN_CLICK_MODE, IDC_RAD_UP_CLICK_MODE,
                             IDC_RAD_MULTI_MODE};
const int kRightClickControls[] = {IDC_SLD_RIGHT_CLICK_TIME,  IDC_SLD_RIGHT_CLICK_AREA,
                                   IDC_LBL_RIGHT_CLICK_TIME,  IDC_LBL_RIGHT_CLICK_AREA,
                                   IDC_UNIT_RIGHT_CLICK_TIME, IDC_UNIT_RIGHT_CLICK_AREA,
                                   IDC_NUM_RIGHT_CLICK_TIME,  IDC_NUM_RIGHT_CLICK_AREA};

} // namespace

CVelAppDlg::CVelAppDlg(CWnd* pParent) : CDialogEx(IDD_VELAPP_DIALOG, pParent) {
    m_hAppIcon = ::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME));
}

void CVelAppDlg::DoDataExchange(CDataExchange* pDX) {
    CDialogEx::DoDataExchange(pDX);
    for (const panel::SettingDesc& setting : panel::kSettings) {
        int& value = m_nValue[setting.id];
        switch (setting.control) {
        case panel::ControlKind::CheckBox:
            DDX_Check(pDX, setting.controlId, value);
            break;
        case panel::ControlKind::RadioGroup:
            DDX_Radio(pDX, setting.controlId, value);
            break;
        case panel::ControlKind::TrackBar:
            DDX_Slider(pDX, setting.controlId, value);
            DDX_Text(pDX, setting.numberId, m_nNumber[setting.id]);
            break;
        }
    }
    DDX_Control(pDX, IDC_BTN_ROTATE, m_btnRotate);
}

BEGIN_MESSAGE_MAP(CVelAppDlg, CDialogEx)
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_BN_CLICKED(IDC_BTN_ABOUT, &CVelAppDlg::OnAboutClicked)
    ON_BN_CLICKED(IDC_BTN_APPLY, &CVelAppDlg::ApplyParams)
    ON_BN_CLICKED(IDC_BTN_EXIT, &CVelAppDlg::OnExitClicked)
    ON_CONTROL_RANGE(BN_CLICKED, IDC_RAD_AUTO_MODE, IDC_RAD_MULTI_MODE, &CVelAppDlg::OnModeClicked)
    ON_BN_CLICKED(IDC_CHK_TOUCH_ENABLE, &CVelAppDlg::OnTouchEnableClicked)
    ON_BN_CLICKED(IDC_CHK_RIGHT_CLICK_ENABLE, &CVelAppDlg::OnRightClickEnableClicked)
    ON_NOTIFY(NM_CUSTOMDRAW, IDC_SLD_RIGHT_CLICK_AREA, &CVelAppDlg::OnRightClickAreaCustomDraw)
    ON_NOTIFY_RANGE(NM_RELEASEDCAPTURE, 1, 0xFFFF, &CVelAppDlg::OnSliderReleasedCapture)
    ON_WM_HSCROLL()
    ON_BN_CLICKED(IDC_BTN_ROTATE, &CVelAppDlg::OnRotate)
    ON_BN_CLICKED(IDC_BTN_CALIB, &CVelAppDlg::OnCalib)
    ON_BN_CLICKED(IDC_BTN_RESET, &CVelAppDlg::OnReset)
END_MESSAGE_MAP()

// Called when the dialog is created, before it is shown: finds the touch
// screen and reads its values, or ends the program.
BOOL CVelAppDlg::OnInitDialog() {
    CDialogEx::OnInitDialog();

    SetIcon(m_hAppIcon, TRUE);
    SetIcon(m_hAppIcon, FALSE);

    const panel::SettingDesc* pTrackBars[panel::kSettingCount];
    const size_t nTrackBars = panel::TrackBarsInSetUpOrder(pTrackBars);
    for (size_t i = 0; i < nTrackBars; ++i) {
        HWND hSlider = ::GetDlgItem(m_hWnd, pTrackBars[i]->controlId);
        ::SendMessageW(hSlider, TBM_SETRANGEMIN, FALSE, pTrackBars[i]->minimum);
        ::SendMessageW(hSlider, TBM_SETRANGEMAX, FALSE, pTrackBars[i]->maximum);
        ::SendMessageW(hSlider, TBM_SETTICFREQ, pTrackBars[i]->tickFrequency, 0);
    }

    if (!LoadDeviceParams()) {
        OnOK();
        return FALSE;
    }
    if (EndOnLateProblem())
        return FALSE;
    LoadCaptions();
    FitLabelsToCaptions(m_hWnd);
    return TRUE;
}

// After each use of the device: a fault of the library that showed only once
// its object lived (velsdk::LateProblem) is told, and the control panel ends
// as on Exit, since the library is no longer used.
bool CVelAppDlg::EndOnLateProblem() {
    const std::wstring strProblem = velsdk::LateProblem();
    if (strProblem.empty())
        return false;
    MessageBox(strProblem.c_str());
    OnOK();
    return true;
}

// Reads the touch screen's parameters and output mode, and the user's
// double-click settings; fails unless exactly one screen is connected.
BOOL CVelAppDlg::LoadDeviceParams() {
    std::memset(&m_deviceInfo, 0, sizeof(m_deviceInfo));
    Vel_DeviceManager::EnumDevice(&m_deviceInfo);
    panel::TerminateDevicePaths(m_deviceInfo);

    switch (panel::ClassifyDeviceCount(m_deviceInfo.deviceCount)) {
    case panel::ScreenCount::One:
        break;
    case panel::ScreenCount::Several:
        MessageBox(L"More Than One TouchScreen Connect The Host");
        return FALSE;
    case panel::ScreenCount::None:
        MessageBox(L"No Any TouchScreen Connect The Host");
        return FALSE;
    }

    velsdk::DeviceSession device(m_deviceInfo.devicePath[0]);
    std::memset(&m_deviceConfig, 0, sizeof(m_deviceConfig));
    if (device->GetDriverConfig(&m_deviceConfig)) {
        const panel::TouchParams params = panel::ParamsFromRecord(m_deviceConfig);
        for (const panel::SettingDesc& setting : panel::kSettings) {
            if (setting.section != panel::Section::Touch)
                continue;
            m_nValue[setting.id] = params.*setting.member;
            if (setting.numberId != 0)
                m_nNumber[setting.id] = params.*setting.member;
        }
        ReadDoubleClickSettings();
        UpdateData(FALSE);
    }
    m_byOutputMode = device.OutputMode();
    return TRUE;
}

// Sets the captions of the user interface's language from the string table.
void CVelAppDlg::LoadCaptions() {
    wchar_t str[260];
    for (const auto& caption : kCaptions) {
        if (::LoadStringW(AfxGetResourceHandle(), caption.nString, str, 260) <= 0)
            continue;
        if (caption.nControl == 0)
            SetWindowText(str);
        else
            SetDlgItemText(caption.nControl, str);
    }
}

// Called to paint the dialog; minimised, it shows the program's icon.
void CVelAppDlg::OnPaint() {
    if (!IsIconic()) {
        CDialogEx::OnPaint();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    int cxIcon = ::GetSystemMetrics(SM_CXICON);
    int cyIcon = ::GetSystemMetrics(SM_CYICON);
    CRect rect;
    GetClientRect(&rect);
    int x = (rect.Width() - cxIcon + 1) / 2;
    int y = (rect.Height() - cyIcon + 1) / 2;
    dc.DrawIcon(x, y, m_hAppIcon);
}

// Called when the minimised window is dragged: its icon.
HCURSOR CVelAppDlg::OnQueryDragIcon() {
    return static_cast<HCURSOR>(m_hAppIcon);
}

// Called when About is clicked. There is nothing to show.
void CVelAppDlg::OnAboutClicked() {}

// Called when Exit is clicked: ends the dialog like OK.
void CVelAppDlg::OnExitClicked() {
    OnOK();
}

// Called when any track bar moves, by mouse or keyboard: its number follows.
void CVelAppDlg::OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar) {
    if (pScrollBar == nullptr) // a scroll message without a control: not ours
        return;
    UpdateData(TRUE);
    const panel::SettingDesc& moved = panel::ScrolledTrackBar(::GetDlgCtrlID(pScrollBar->m_hWnd));
    m_nNumber[moved.id] = m_nValue[moved.id];
    UpdateData(FALSE);
    CDialogEx::OnHScroll(nSBCode, nPos, pScrollBar);
}

// Called when the mouse lets go of a control, a track bar for one.
void CVelAppDlg::OnSliderReleasedCapture(UINT nID, NMHDR*, LRESULT* pResult) {
    if (panel::ReleaseUpdatesApply(static_cast<int>(nID)))
        UpdateApplyButton();
    *pResult = 0;
}

// Called when the right-click area track bar is drawn: default drawing.
void CVelAppDlg::OnRightClickAreaCustomDraw(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
}

// Called when a control among the mode buttons is clicked; Auto, Down Click
// and Up Click mode update Apply.
void CVelAppDlg::OnModeClicked(UINT nID) {
    if (panel::ClickUpdatesApply(static_cast<int>(nID)))
        UpdateApplyButton();
}

// Called when Enable Touch is clicked: the mode buttons follow it.
void CVelAppDlg::OnTouchEnableClicked() {
    UpdateApplyButton();
    for (int nID : kModeControls)
        GetDlgItem(nID)->EnableWindow(m_nValue[panel::kTouchEnable] == 1);
}

// Called when Enable Right Click is clicked: the right-click controls follow it.
void CVelAppDlg::OnRightClickEnableClicked() {
    UpdateApplyButton();
    for (int nID : kRightClickControls)
        GetDlgItem(nID)->EnableWindow(m_nValue[panel::kRightClickEnable] == 1);
}

// Enables Apply while any value differs from what was read or last sent.
void CVelAppDlg::UpdateApplyButton() {
    UpdateData(TRUE);
    bool bChanged = panel::FirstDifference(m_deviceConfig, CurrentParams(), CurrentDoubleClick()) !=
                    panel::Difference::None;
    GetDlgItem(IDC_BTN_APPLY)->EnableWindow(bChanged);
}

panel::TouchParams CVelAppDlg::CurrentParams() const {
    panel::TouchParams params;
    for (const panel::SettingDesc& setting : panel::kSettings) {
        if (setting.section == panel::Section::Touch)
            params.*setting.member = m_nValue[setting.id];
    }
    return params;
}

panel::DoubleClick CVelAppDlg::CurrentDoubleClick() const {
    panel::DoubleClick dblClk;
    dblClk.range = m_nValue[panel::kDoubleClickRange];
    dblClk.speed = m_nValue[panel::kDoubleClickSpeed];
    dblClk.rangeRead = m_nDblClkRangeRead;
    dblClk.speedRead = m_nDblClkSpeedRead;
    dblClk.rangeKnown = m_bDblClkRangeKnown;
    dblClk.speedKnown = m_bDblClkSpeedKnown;
    return dblClk;
}

// Called when Apply is clicked: the double-click settings go to the registry
// and the system, the touch parameters to the device.
void CVelAppDlg::ApplyParams() {
    UpdateData(TRUE);
    panel::FillRecord(m_deviceConfig, CurrentParams());

    WriteDoubleClickSettings();

    {
        velsdk::DeviceSession device(m_deviceInfo.devicePath[0]);
        if (device->SetDriverConfig(m_deviceConfig)) {
            MessageBox(L"    OK  ");
            if (m_byOutputMode != velsdk::kNoOutputMode)
                device->ChangeOutPutMode(static_cast<char>(m_nValue[panel::kTouchMode]));
        }
    }
    EndOnLateProblem();
}

// Reads the double-click range and time from the user's registry.
void CVelAppDlg::ReadDoubleClickSettings() {
    mousekey::Key key(KEY_ALL_ACCESS);
    if (!key.IsOpen()) {
        MessageBox(L"Error: RegOpenKeyEx");
        return;
    }

    bool bText = false;
    int nValue = 0;
    if (mousekey::QueryNumber(key, "DoubleClickWidth", &bText, &nValue) != ERROR_SUCCESS)
        MessageBox(L"Error: RegQueryValueEx DoubleClickWidth");
    else if (bText) {
        m_nValue[panel::kDoubleClickRange] = m_nNumber[panel::kDoubleClickRange] =
            m_nDblClkRangeRead = nValue;
        m_bDblClkRangeKnown = panel::IsUsableDoubleClickValue(nValue);
    }

    if (mousekey::QueryNumber(key, "DoubleClickSpeed", &bText, &nValue) != ERROR_SUCCESS)
        MessageBox(L"Error: RegQueryValueEx DoubleClickSpeed");
    else if (bText) {
        m_nValue[panel::kDoubleClickSpeed] = m_nNumber[panel::kDoubleClickSpeed] =
            m_nDblClkSpeedRead = nValue;
        m_bDblClkSpeedKnown = panel::IsUsableDoubleClickValue(nValue);
    }
}

// Writes the double-click range and time to the user's registry and hands
// them to the running system. A value that could not be read and that the
// user left alone is neither written nor handed on: the system keeps its own.
void CVelAppDlg::WriteDoubleClickSettings() {
    const panel::DoubleClick dblClk = CurrentDoubleClick();
    const bool bRange = panel::DoubleClickWritten(dblClk, panel::DoubleClickValue::Range);
    const bool bSpeed = panel::DoubleClickWritten(dblClk, panel::DoubleClickValue::Speed);
    const int nRange = dblClk.range;
    const int nSpeed = dblClk.speed;
    { // the key is closed before the system is told
        mousekey::Key key(KEY_ALL_ACCESS);
        if (bRange && key.IsOpen()) {
            if (mousekey::SetNumber(key, "DoubleClickWidth", nRange) != ERROR_SUCCESS) {
                MessageBox(L"Error: RegSetValueExA DoubleClickWidth");
            } else { // the baseline is what the registry holds
                m_nDblClkRangeRead = nRange;
                m_bDblClkRangeKnown = true;
            }
            if (mousekey::SetNumber(key, "DoubleClickHeight", nRange) != ERROR_SUCCESS)
                MessageBox(L"Error: RegSetValueExA DoubleClickHeight");
        } else if (bRange) {
            MessageBox(L"Error: RegOpenKeyEx");
        }

        if (bSpeed && key.IsOpen()) {
            if (mousekey::SetNumber(key, "DoubleClickSpeed", nSpeed) != ERROR_SUCCESS) {
                MessageBox(L"Error: RegSetValueExA DoubleClickSpeed");
            } else {
                m_nDblClkSpeedRead = nSpeed;
                m_bDblClkSpeedKnown = true;
            }
        } else if (bSpeed) {
            MessageBox(L"Error: RegOpenKeyEx");
        }
    }
    mousekey::HandToSystem(bSpeed, nSpeed, bRange, nRange);
}

// Called when the orientation button is clicked: sends the orientation its
// caption names and moves the caption on to the next one.
void CVelAppDlg::OnRotate() {
    CString tbuDis;
    m_btnRotate.GetWindowText(tbuDis);
    const panel::OrientationStep& step = panel::OrientationForCaption(tbuDis);

    _VEL_CALIB_PARAM st_calibra;
    _VEL_CALIB_PARAM_HD st_calibra_hd;
    panel::FillOrientationRecords(step, st_calibra, st_calibra_hd);
    m_btnRotate.SetWindowText(step.next);

    {
        velsdk::DeviceSession device(m_deviceInfo.devicePath[0]);
        device->ApplyCalibParam_hd(st_calibra_hd);
        device->ApplyCalibParam(st_calibra);
    }
    EndOnLateProblem();
}

// Called when Calib is clicked: runs a calibration of the screen found at
// start; returns when its window has closed. With several displays the user
// first touches the display the touch screen lies over, and a box tells how
// the run ended (panel::CalibOutcomeMessage). Without a calibration library
// it can use, it says why, and the dialog stays open.
void CVelAppDlg::OnCalib() {
    const bool bSeveralDisplays = ::GetSystemMetrics(SM_CMONITORS) > 1;
    const std::wstring strProblem = CalibLibraryProblem(bSeveralDisplays);
    if (!strProblem.empty()) {
        MessageBox(strProblem.c_str());
        return;
    }
    if (!bSeveralDisplays) {
        StartCalibrate(nullptr, m_deviceInfo.devicePath[0]);
        return;
    }
    const VEL_CALIB_OPTIONS options = panel::SeveralDisplaysCalibOptions();
    VEL_CALIB_RESULT result;
    std::memset(&result, 0, sizeof(result));
    result.cbSize = sizeof(result);
    result.nOutcome = static_cast<uint32_t>(
        StartCalibrateEx(m_hWnd, m_deviceInfo.devicePath[0], &options, &result));
    const panel::CalibMessage message = panel::CalibOutcomeMessage(result);
    if (message.nString != 0)
        MessageBox((FormatString(message.nString, message.args) +
                    (message.nAppend != 0 ? FormatString(message.nAppend, {}) : std::wstring()))
                       .c_str(),
                   nullptr, MB_OK | (message.bWarning ? MB_ICONWARNING : MB_ICONINFORMATION));
}

// Called when Reset is clicked: the device drops its calibration.
void CVelAppDlg::OnReset() {
    {
        velsdk::DeviceSession device(m_deviceInfo.devicePath[0]);
        int nResult = device->ResetCalibParam();
        MessageBox(nResult != 0 ? L"Reset Success." : L"Reset Failed.", L"Set Touch", MB_OK);
    }
    EndOnLateProblem();
}
