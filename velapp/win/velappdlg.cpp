#include "velappdlg.h"

#include <cstring>

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

const CVelAppDlg::ValueControl CVelAppDlg::kValueControls[11] = {
    {&panel::TouchParams::touchEnable, &CVelAppDlg::m_nTouchEnable, nullptr, 0},
    {&panel::TouchParams::touchMode, &CVelAppDlg::m_nTouchMode, nullptr, 0},
    {&panel::TouchParams::touchHeight, &CVelAppDlg::m_nTouchHeight, &CVelAppDlg::m_nTouchHeightText,
     IDC_SLD_TOUCH_HEIGHT},
    {&panel::TouchParams::touchSmooth, &CVelAppDlg::m_nTouchSmooth, &CVelAppDlg::m_nTouchSmoothText,
     IDC_SLD_TOUCH_SMOOTH},
    {&panel::TouchParams::touchDelay, &CVelAppDlg::m_nTouchDelay, &CVelAppDlg::m_nTouchDelayText,
     IDC_SLD_TOUCH_DELAY},
    {&panel::TouchParams::touchJitter, &CVelAppDlg::m_nTouchJitter, &CVelAppDlg::m_nTouchJitterText,
     IDC_SLD_TOUCH_JITTER},
    {&panel::TouchParams::rightClickEnable, &CVelAppDlg::m_nRightClickEnable, nullptr, 0},
    {&panel::TouchParams::rightClickTime, &CVelAppDlg::m_nRightClickTime,
     &CVelAppDlg::m_nRightClickTimeText, IDC_SLD_RIGHT_CLICK_TIME},
    {&panel::TouchParams::rightClickArea, &CVelAppDlg::m_nRightClickArea,
     &CVelAppDlg::m_nRightClickAreaText, IDC_SLD_RIGHT_CLICK_AREA},
    {nullptr, &CVelAppDlg::m_nDblClkRange, &CVelAppDlg::m_nDblClkRangeText, IDC_SLD_DBLCLK_RANGE},
    {nullptr, &CVelAppDlg::m_nDblClkSpeed, &CVelAppDlg::m_nDblClkSpeedText, IDC_SLD_DBLCLK_SPEED},
};

CVelAppDlg::CVelAppDlg(CWnd* pParent) : CDialogEx(IDD_VELAPP_DIALOG, pParent) {
    m_hAppIcon = ::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME));
}

void CVelAppDlg::DoDataExchange(CDataExchange* pDX) {
    CDialogEx::DoDataExchange(pDX);
    DDX_Check(pDX, IDC_CHK_TOUCH_ENABLE, m_nTouchEnable);
    DDX_Slider(pDX, IDC_SLD_TOUCH_HEIGHT, m_nTouchHeight);
    DDX_Slider(pDX, IDC_SLD_TOUCH_SMOOTH, m_nTouchSmooth);
    DDX_Slider(pDX, IDC_SLD_TOUCH_DELAY, m_nTouchDelay);
    DDX_Check(pDX, IDC_CHK_RIGHT_CLICK_ENABLE, m_nRightClickEnable);
    DDX_Slider(pDX, IDC_SLD_RIGHT_CLICK_TIME, m_nRightClickTime);
    DDX_Slider(pDX, IDC_SLD_RIGHT_CLICK_AREA, m_nRightClickArea);
    DDX_Text(pDX, IDC_NUM_TOUCH_HEIGHT, m_nTouchHeightText);
    DDX_Text(pDX, IDC_NUM_TOUCH_SMOOTH, m_nTouchSmoothText);
    DDX_Text(pDX, IDC_NUM_TOUCH_DELAY, m_nTouchDelayText);
    DDX_Text(pDX, IDC_NUM_RIGHT_CLICK_AREA, m_nRightClickAreaText);
    DDX_Text(pDX, IDC_NUM_RIGHT_CLICK_TIME, m_nRightClickTimeText);
    DDX_Slider(pDX, IDC_SLD_DBLCLK_RANGE, m_nDblClkRange);
    DDX_Slider(pDX, IDC_SLD_DBLCLK_SPEED, m_nDblClkSpeed);
    DDX_Text(pDX, IDC_NUM_DBLCLK_SPEED, m_nDblClkSpeedText);
    DDX_Text(pDX, IDC_NUM_DBLCLK_RANGE, m_nDblClkRangeText);
    DDX_Radio(pDX, IDC_RAD_DOWN_CLICK_MODE, m_nTouchMode);
    DDX_Control(pDX, IDC_BTN_ROTATE, m_btnRotate);
    DDX_Slider(pDX, IDC_SLD_TOUCH_JITTER, m_nTouchJitter);
    DDX_Text(pDX, IDC_NUM_TOUCH_JITTER, m_nTouchJitterText);
}

BEGIN_MESSAGE_MAP(CVelAppDlg, CDialogEx)
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_BN_CLICKED(IDC_BTN_ABOUT, &CVelAppDlg::OnAboutClicked)
    ON_BN_CLICKED(IDC_BTN_APPLY, &CVelAppDlg::ApplyParams)
    ON_BN_CLICKED(IDC_BTN_EXIT, &CVelAppDlg::OnExitClicked)
    ON_BN_CLICKED(IDC_RAD_AUTO_MODE, &CVelAppDlg::OnModeClicked)
    ON_BN_CLICKED(IDC_RAD_DOWN_CLICK_MODE, &CVelAppDlg::OnModeClicked)
    ON_BN_CLICKED(IDC_RAD_UP_CLICK_MODE, &CVelAppDlg::OnModeClicked)
    ON_BN_CLICKED(IDC_CHK_TOUCH_ENABLE, &CVelAppDlg::OnTouchEnableClicked)
    ON_BN_CLICKED(IDC_CHK_RIGHT_CLICK_ENABLE, &CVelAppDlg::OnRightClickEnableClicked)
    ON_NOTIFY(NM_RELEASEDCAPTURE, IDC_SLD_TOUCH_HEIGHT, &CVelAppDlg::OnSliderReleasedCapture)
    ON_NOTIFY(NM_RELEASEDCAPTURE, IDC_SLD_TOUCH_SMOOTH, &CVelAppDlg::OnSliderReleasedCapture)
    ON_NOTIFY(NM_RELEASEDCAPTURE, IDC_SLD_TOUCH_DELAY, &CVelAppDlg::OnSliderReleasedCapture)
    ON_NOTIFY(NM_RELEASEDCAPTURE, IDC_SLD_RIGHT_CLICK_TIME, &CVelAppDlg::OnSliderReleasedCapture)
    ON_NOTIFY(NM_RELEASEDCAPTURE, IDC_SLD_RIGHT_CLICK_AREA, &CVelAppDlg::OnSliderReleasedCapture)
    ON_NOTIFY(NM_RELEASEDCAPTURE, IDC_SLD_DBLCLK_RANGE, &CVelAppDlg::OnSliderReleasedCapture)
    ON_NOTIFY(NM_RELEASEDCAPTURE, IDC_SLD_DBLCLK_SPEED, &CVelAppDlg::OnSliderReleasedCapture)
    ON_NOTIFY(NM_CUSTOMDRAW, IDC_SLD_RIGHT_CLICK_AREA, &CVelAppDlg::OnRightClickAreaCustomDraw)
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

    for (const panel::SliderSpec& slider : panel::kSliders) {
        HWND hSlider = ::GetDlgItem(m_hWnd, slider.id);
        ::SendMessageW(hSlider, TBM_SETRANGEMIN, FALSE, slider.minimum);
        ::SendMessageW(hSlider, TBM_SETRANGEMAX, FALSE, slider.maximum);
        ::SendMessageW(hSlider, TBM_SETTICFREQ, slider.tickFrequency, 0);
    }

    if (!LoadDeviceParams()) {
        OnOK();
        return FALSE;
    }
    LoadCaptions();
    return TRUE;
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

    Vel_DeviceManager* pDevice = new Vel_DeviceManager;
    pDevice->OpenDevice(m_deviceInfo.devicePath[0]);

    std::memset(&m_deviceConfig, 0, sizeof(m_deviceConfig));
    if (pDevice->GetDriverConfig(&m_deviceConfig)) {
        const panel::TouchParams params = panel::ParamsFromRecord(m_deviceConfig);
        for (const ValueControl& control : kValueControls) {
            if (control.pParam == nullptr)
                continue;
            this->*control.pValue = params.*control.pParam;
            if (control.pNumber != nullptr)
                this->*control.pNumber = params.*control.pParam;
        }
        ReadDoubleClickSettings();
        UpdateData(FALSE);
    }

    unsigned char Tmode = 0;
    unsigned char Tenable = 0;
    m_byOutputMode = 0xFE;
    pDevice->GetOutPutMode(&Tmode, &m_byOutputMode, &Tenable);

    pDevice->CloseDevice();
    delete pDevice;
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
    int nID = ::GetDlgCtrlID(pScrollBar->m_hWnd);
    UpdateData(TRUE);
    auto trackBar = [](int nSlider) -> const ValueControl* {
        for (const ValueControl& control : kValueControls) {
            if (control.nSlider != 0 && control.nSlider == nSlider)
                return &control;
        }
        return nullptr;
    };
    const ValueControl* pMoved = trackBar(nID);
    if (pMoved == nullptr) // any other control counts as the jitter track bar
        pMoved = trackBar(IDC_SLD_TOUCH_JITTER);
    this->*pMoved->pNumber = this->*pMoved->pValue;
    UpdateData(FALSE);
    CDialogEx::OnHScroll(nSBCode, nPos, pScrollBar);
}

// Called when the mouse lets go of a track bar.
void CVelAppDlg::OnSliderReleasedCapture(NMHDR*, LRESULT* pResult) {
    UpdateApplyButton();
    *pResult = 0;
}

// Called when the right-click area track bar is drawn: default drawing.
void CVelAppDlg::OnRightClickAreaCustomDraw(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
}

// Called when Auto, Down Click or Up Click mode is chosen.
void CVelAppDlg::OnModeClicked() {
    UpdateApplyButton();
}

// Called when Enable Touch is clicked: the mode buttons follow it.
void CVelAppDlg::OnTouchEnableClicked() {
    UpdateApplyButton();
    for (int nID : kModeControls)
        GetDlgItem(nID)->EnableWindow(m_nTouchEnable == 1);
}

// Called when Enable Right Click is clicked: the right-click controls follow it.
void CVelAppDlg::OnRightClickEnableClicked() {
    UpdateApplyButton();
    for (int nID : kRightClickControls)
        GetDlgItem(nID)->EnableWindow(m_nRightClickEnable == 1);
}

// Enables Apply while any value differs from what was read or last sent.
int CVelAppDlg::UpdateApplyButton() {
    UpdateData(TRUE);
    bool bChanged = panel::FirstDifference(m_deviceConfig, CurrentParams(), CurrentDoubleClick()) !=
                    panel::Difference::None;
    GetDlgItem(IDC_BTN_APPLY)->EnableWindow(bChanged);
    return bChanged ? 1 : 0;
}

panel::TouchParams CVelAppDlg::CurrentParams() const {
    panel::TouchParams params;
    for (const ValueControl& control : kValueControls) {
        if (control.pParam != nullptr)
            params.*control.pParam = this->*control.pValue;
    }
    return params;
}

panel::DoubleClick CVelAppDlg::CurrentDoubleClick() const {
    panel::DoubleClick dblClk;
    dblClk.range = m_nDblClkRange;
    dblClk.speed = m_nDblClkSpeed;
    dblClk.rangeRead = m_nDblClkRangeRead;
    dblClk.speedRead = m_nDblClkSpeedRead;
    dblClk.rangeKnown = m_bDblClkRangeKnown;
    dblClk.speedKnown = m_bDblClkSpeedKnown;
    return dblClk;
}

// Called when Apply is clicked: the double-click settings go to the registry
// and the system, the touch parameters to the device.
void CVelAppDlg::ApplyParams() {
    if (m_deviceInfo.deviceCount != 1)
        return;
    UpdateData(TRUE);
    panel::FillRecord(m_deviceConfig, CurrentParams());

    WriteDoubleClickSettings();

    Vel_DeviceManager* pDevice = new Vel_DeviceManager;
    pDevice->OpenDevice(m_deviceInfo.devicePath[0]);
    if (pDevice->SetDriverConfig(m_deviceConfig)) {
        MessageBox(L"    OK  ");
        if (m_byOutputMode != 0xFE)
            pDevice->ChangeOutPutMode(static_cast<char>(m_nTouchMode));
    }
    pDevice->CloseDevice();
    delete pDevice;
}

// Reads the double-click range and time from the user's registry.
int CVelAppDlg::ReadDoubleClickSettings() {
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, mousekey::kPath, 0, KEY_ALL_ACCESS, &hKey) !=
        ERROR_SUCCESS) {
        MessageBox(L"Error: RegOpenKeyEx");
        return 0;
    }

    bool bText = false;
    int nValue = 0;
    if (mousekey::QueryNumber(hKey, "DoubleClickWidth", &bText, &nValue) != ERROR_SUCCESS)
        MessageBox(L"Error: RegQueryValueEx DoubleClickWidth");
    else if (bText) {
        m_nDblClkRange = m_nDblClkRangeText = m_nDblClkRangeRead = nValue;
        m_bDblClkRangeKnown = panel::IsUsableDoubleClickValue(nValue);
    }

    if (mousekey::QueryNumber(hKey, "DoubleClickSpeed", &bText, &nValue) != ERROR_SUCCESS)
        MessageBox(L"Error: RegQueryValueEx DoubleClickSpeed");
    else if (bText) {
        m_nDblClkSpeed = m_nDblClkSpeedText = m_nDblClkSpeedRead = nValue;
        m_bDblClkSpeedKnown = panel::IsUsableDoubleClickValue(nValue);
    }

    ::RegCloseKey(hKey);
    return 0;
}

// Writes the double-click range and time to the user's registry and hands
// them to the running system. A value that could not be read and that the
// user left alone is neither written nor handed on: the system keeps its own.
int CVelAppDlg::WriteDoubleClickSettings() {
    const panel::DoubleClick dblClk = CurrentDoubleClick();
    const bool bRange = panel::DoubleClickWritten(dblClk, panel::DoubleClickValue::Range);
    const bool bSpeed = panel::DoubleClickWritten(dblClk, panel::DoubleClickValue::Speed);

    HKEY hKey = nullptr;
    bool bOpened = ::RegOpenKeyExW(HKEY_CURRENT_USER, mousekey::kPath, 0, KEY_ALL_ACCESS, &hKey) ==
                   ERROR_SUCCESS;

    if (bRange && bOpened) {
        if (mousekey::SetNumber(hKey, "DoubleClickWidth", m_nDblClkRange) != ERROR_SUCCESS) {
            MessageBox(L"Error: RegSetValueExA DoubleClickWidth");
        } else { // the baseline is what the registry holds
            m_nDblClkRangeRead = m_nDblClkRange;
            m_bDblClkRangeKnown = true;
        }
        if (mousekey::SetNumber(hKey, "DoubleClickHeight", m_nDblClkRange) != ERROR_SUCCESS)
            MessageBox(L"Error: RegSetValueExA DoubleClickHeight");
    } else if (bRange) {
        MessageBox(L"Error: RegOpenKeyEx");
    }

    if (bSpeed && bOpened) {
        if (mousekey::SetNumber(hKey, "DoubleClickSpeed", m_nDblClkSpeed) != ERROR_SUCCESS) {
            MessageBox(L"Error: RegSetValueExA DoubleClickSpeed");
        } else {
            m_nDblClkSpeedRead = m_nDblClkSpeed;
            m_bDblClkSpeedKnown = true;
        }
    } else if (bSpeed) {
        MessageBox(L"Error: RegOpenKeyEx");
    }

    if (bOpened)
        ::RegCloseKey(hKey);

    mousekey::HandToSystem(bSpeed, m_nDblClkSpeed, bRange, m_nDblClkRange);
    return 0;
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

    if (m_deviceInfo.deviceCount != 1)
        return;
    Vel_DeviceManager* pDevice = new Vel_DeviceManager;
    pDevice->OpenDevice(m_deviceInfo.devicePath[0]);
    pDevice->ApplyCalibParam_hd(st_calibra_hd);
    pDevice->ApplyCalibParam(st_calibra);
    pDevice->CloseDevice();
    delete pDevice;
}

// Called when Calib is clicked: runs a calibration of the screen found at
// start; returns when its window has closed.
void CVelAppDlg::OnCalib() {
    StartCalibrate(nullptr, m_deviceInfo.devicePath[0]);
}

// Called when Reset is clicked: the device drops its calibration.
void CVelAppDlg::OnReset() {
    Vel_DeviceManager* pDevice = new Vel_DeviceManager;
    pDevice->OpenDevice(m_deviceInfo.devicePath[0]);
    int nResult = pDevice->ResetCalibParam();
    MessageBox(nResult != 0 ? L"Reset Success." : L"Reset Failed.", L"Set Touch", MB_OK);
    pDevice->CloseDevice();
    delete pDevice;
}
