// The identify pages: a borderless page over one display at a time, with the
// display's number, "Touch this screen" and a countdown, while the touch
// device is held in calibration mode; the first touch on the device picks the
// display whose page showed. The decisions are the step's (identifystep.h);
// the device's lifecycle is a run's (calibrun.h), so StopCalibrate, Escape,
// a close and the end of the rounds release it exactly once.
#pragma once

#include "afxwin.h"

#include "Vel_DeviceManager.h"
#include "calibrun.h"
#include "desktop.h"
#include "identifystep.h"
#include "resource.h"

class IdentifyDialog : public CDialogEx, private CalibRunHost {
    DECLARE_DYNAMIC(IdentifyDialog)
public:
    enum { IDD = IDD_CALIBDIALOG };

    // pDevicePath is borrowed until the dialog has ended; the pages show on
    // the layout's displays, nFirst first (0: none).
    IdentifyDialog(CWnd* pParent, wchar_t* pDevicePath, const DesktopLayout& layout,
                   uint32_t nFirst, uint32_t nSeconds, uint32_t nRounds);
    ~IdentifyDialog() override;

    bool IsUsable() const { return m_pDevice != nullptr; }
    CalibRun& Run() { return m_run; }
    // Once the dialog has ended: VEL_CALIB_IDENTIFIED with Chosen(), or how
    // it ended otherwise.
    uint32_t Outcome() const { return m_step.Outcome(); }
    uint32_t Chosen() const { return m_step.Chosen(); }

protected:
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    void OnOK() override;
    void OnCancel() override;

    DECLARE_MESSAGE_MAP()
    afx_msg void OnPaint();
    afx_msg void OnClose();
    afx_msg void OnDestroy();
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg LRESULT OnTouchPressed(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnTouchReleased(WPARAM wParam, LPARAM lParam);

private:
    static void VEL_CALLBACK TouchDataCallback(const unsigned char* data, unsigned char length,
                                               void* context);
    // Carries out what the step decided.
    void Follow(IdentifyStep::Next next);
    void ShowPage();
    void Finish(CalibRun::EndReason why);

    void ReleaseDevice() override;
    void PostClose() override;
    void AnswerBox(void*) override {}
    void RestartCollection() override {}
    void Repaint() override {}

    wchar_t* m_pDevicePath;
    const DesktopLayout m_layout;
    Vel_DeviceManager* m_pDevice;
    IdentifyStep m_step;
    CalibRun m_run;
};
