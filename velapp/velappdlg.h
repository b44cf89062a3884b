// The control panel's one dialog: touch parameters, double-click settings,
// orientation, calibration and reset.
#pragma once

#include "afxwin.h"
#include "resource.h"

#include "Vel_DeviceManager.h"
#include "panelcore.h"

class CVelAppDlg : public CDialogEx {
public:
    explicit CVelAppDlg(CWnd* pParent = nullptr);

    enum { IDD = IDD_VELAPP_DIALOG };

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    HICON m_hAppIcon;
    _VEL_DEVICE_INFO m_deviceInfo;
    _VEL_DEVICE_CONFIG m_deviceConfig;
    int m_nDblClkRangeRead;
    int m_nDblClkSpeedRead;
    // Whether the registry gave a usable value (or Apply wrote one).
    bool m_bDblClkRangeKnown;
    bool m_bDblClkSpeedKnown;
    int m_nTouchEnable;
    int m_nTouchHeight;
    int m_nTouchSmooth;
    int m_nTouchDelay;
    int m_nTouchJitter;
    int m_nRightClickEnable;
    int m_nRightClickTime;
    int m_nRightClickArea;
    int m_nTouchHeightText;
    int m_nTouchSmoothText;
    int m_nTouchDelayText;
    int m_nRightClickAreaText;
    int m_nRightClickTimeText;
    int m_nDblClkRange;
    int m_nDblClkSpeed;
    int m_nDblClkSpeedText;
    int m_nDblClkRangeText;
    int m_nTouchMode;
    unsigned char m_byOutputMode;
    CButton m_btnRotate;
    int m_nTouchJitterText;

    BOOL LoadDeviceParams();
    void LoadCaptions();
    int ReadDoubleClickSettings();
    int WriteDoubleClickSettings();
    int UpdateApplyButton();
    // The touch parameter members as one value.
    panel::TouchParams CurrentParams() const;
    // The double-click members as one value.
    panel::DoubleClick CurrentDoubleClick() const;

    // Message table (velappdlg.cpp) and its handlers.
    DECLARE_MESSAGE_MAP()
    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    afx_msg void OnSliderReleasedCapture(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnRightClickAreaCustomDraw(NMHDR* pNMHDR, LRESULT* pResult);
    afx_msg void OnModeClicked();
    afx_msg void OnTouchEnableClicked();
    afx_msg void OnRightClickEnableClicked();
    afx_msg void OnAboutClicked();
    afx_msg void OnExitClicked();
    afx_msg void ApplyParams();
    afx_msg void OnRotate();
    afx_msg void OnCalib();
    afx_msg void OnReset();
};
