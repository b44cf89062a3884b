// The control panel's one dialog: touch parameters, double-click settings,
// orientation, calibration and reset.
#pragma once

#include "afxwin.h"
#include "resource.h"

#include "Vel_DeviceManager.h"
#include "devicesession.h"
#include "panelcore.h"

class CVelAppDlg : public CDialogEx {
public:
    explicit CVelAppDlg(CWnd* pParent = nullptr);

    enum { IDD = IDD_VELAPP_DIALOG };

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    HICON m_hAppIcon;
    _VEL_DEVICE_INFO m_deviceInfo{};
    _VEL_DEVICE_CONFIG m_deviceConfig{};
    // Each setting's value on its control and the number beside its track
    // bar, indexed by panel::SettingId.
    int m_nValue[panel::kSettingCount] = {};
    int m_nNumber[panel::kSettingCount] = {};
    int m_nDblClkRangeRead = 0;
    int m_nDblClkSpeedRead = 0;
    // Whether the registry gave a usable value (or Apply wrote one).
    bool m_bDblClkRangeKnown = false;
    bool m_bDblClkSpeedKnown = false;
    unsigned char m_byOutputMode = velsdk::kNoOutputMode;
    CButton m_btnRotate;

    BOOL LoadDeviceParams();
    bool EndOnLateProblem();
    void LoadCaptions();
    void ReadDoubleClickSettings();
    void WriteDoubleClickSettings();
    void UpdateApplyButton();
    // The touch parameter members as one value.
    panel::TouchParams CurrentParams() const;
    // The double-click members as one value.
    panel::DoubleClick CurrentDoubleClick() const;

    // Message table (velappdlg.cpp) and its handlers.
    DECLARE_MESSAGE_MAP()
    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    afx_msg void OnSliderReleasedCapture(UINT nID, NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnRightClickAreaCustomDraw(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnModeClicked(UINT nID);
    afx_msg void OnTouchEnableClicked();
    afx_msg void OnRightClickEnableClicked();
    afx_msg void OnAboutClicked();
    afx_msg void OnExitClicked();
    afx_msg void ApplyParams();
    afx_msg void OnRotate();
    afx_msg void OnCalib();
    afx_msg void OnReset();
};
