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
    _VEL_DEVICE_INFO m_deviceInfo{};
    _VEL_DEVICE_CONFIG m_deviceConfig{};
    int m_nDblClkRangeRead = 0;
    int m_nDblClkSpeedRead = 0;
    // Whether the registry gave a usable value (or Apply wrote one).
    bool m_bDblClkRangeKnown = false;
    bool m_bDblClkSpeedKnown = false;
    int m_nTouchEnable = 0;
    int m_nTouchHeight = 0;
    int m_nTouchSmooth = 0;
    int m_nTouchDelay = 0;
    int m_nTouchJitter = 0;
    int m_nRightClickEnable = 0;
    int m_nRightClickTime = 0;
    int m_nRightClickArea = 0;
    int m_nTouchHeightText = 0;
    int m_nTouchSmoothText = 0;
    int m_nTouchDelayText = 0;
    int m_nRightClickAreaText = 0;
    int m_nRightClickTimeText = 0;
    int m_nDblClkRange = 0;
    int m_nDblClkSpeed = 0;
    int m_nDblClkSpeedText = 0;
    int m_nDblClkRangeText = 0;
    int m_nTouchMode = 0;
    unsigned char m_byOutputMode = 0xFE;
    CButton m_btnRotate;
    int m_nTouchJitterText = 0;

    // A value the dialog shows: the touch parameter it holds, its member, the
    // number shown beside its track bar and the track bar.
    struct ValueControl {
        int panel::TouchParams::*pParam; // nullptr: a double-click value
        int CVelAppDlg::*pValue;
        int CVelAppDlg::*pNumber; // nullptr: no number
        int nSlider;              // 0: not a track bar
    };
    static const ValueControl kValueControls[11];

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
