// The calibration window: a borderless dialog over the whole primary screen
// (or the display a run is placed on) that shows the four targets, holds the
// touch device in calibration mode, feeds its reports to the sample collector
// and, once every target has a measured point, computes the calibration and
// writes it to the device. With verify points it then lets the device leave
// calibration mode and measures where the system puts the pointer for a
// touch on each verify target.
//
// Two threads meet here: the window's thread (the caller of StartCalibrate)
// and the device library's report thread. Which of them releases the device,
// and when the window may end, is decided by the run (calibrun.h); this class
// only carries its decisions out.
#pragma once

#include "afxwin.h"

#include <atomic>
#include <cstdint>

#include "Vel_DeviceManager.h"
#include "calibhint.h"
#include "calibresult.h"
#include "calibrun.h"
#include "calibview.h"
#include "collecthelper.h"
#include "displayspace.h"
#include "verifystep.h"
#include "resource.h"

namespace Gdiplus {
class GpGraphics;
}

class CalibDialog : public CDialogEx, private CalibRunHost {
    DECLARE_DYNAMIC(CalibDialog)
public:
    enum { IDD = IDD_CALIBDIALOG };

    // pDevicePath is borrowed: it must stay valid until the dialog has ended.
    // A run with its settings (CalibSettings() is StartCalibrate's); one placed on the desktop
    // (StartCalibrateEx) has its display, its space and the layout the verify step's diagnosis
    // names, else (StartCalibrate) an empty layout: the window as the
    // template makes it, every target taken as it is.
    CalibDialog(CWnd* pParent, wchar_t* pDevicePath, const CalibSettings& settings,
                const DesktopLayout& layout, const RunPlace& place);
    ~CalibDialog() override;

    // Whether the constructor got its collectors and device manager.
    bool IsUsable() const;

    // The run's lifecycle, for StopCalibrate.
    CalibRun& Run() { return m_run; }
    // What the run measured; complete once the dialog has ended.
    const CalibRecorder& Recorder() const { return m_recorder; }
    CalibRecorder& Recorder() { return m_recorder; }
    // How the run ended (VEL_CALIB_OUTCOME), once the dialog has ended.
    uint32_t Outcome() const;
    // What the device held before the run, put back after a failed proof.
    void SetPrevious(const PreviousSet& previous) { m_previous = previous; }

protected:
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    void OnOK() override;
    void OnCancel() override;

    DECLARE_MESSAGE_MAP()
    afx_msg void OnPaint();
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnClose();
    afx_msg void OnDestroy();
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    afx_msg LRESULT OnBeginVerify(WPARAM wParam, LPARAM lParam);

private:
    static void VEL_CALLBACK TouchDataCallback(const unsigned char* data, unsigned char length,
                                               void* context);
    static int CALIB_CALLBACK CollectCallback(void* owner);

    void BeginCalib();
    void FinishCalib();
    void FinishCheck();
    void OnTouchInput(int32_t x, int32_t y);
    void OnTouchRelease();
    // The targets shown; what the line of instructions says about them.
    CalibHint DrawTargets(Gdiplus::GpGraphics* graphics, const CRect& clientRect);
    void DrawHint(HDC hdc, const CRect& clientRect, const CalibHint& hint);
    void DrawTarget(Gdiplus::GpGraphics* graphics, TargetColour colour, float x, float y,
                    bool bWholeArms = false);

    void ShowFailure(const wchar_t* pText);
    uint32_t ApplySets(const int16_t* pMatrix, const float* pMatrix_f);
    bool BeginSecondRound();
    uint32_t PutBack(uint32_t nOutcome);
    // The targets' logical values in the run's space.
    void ToSpace(const CalibPoint* pTargets, int nCount, CalibPoint* pOut) const;
    // The verify step: its current target's desktop pixel, a touch's end.
    CalibPoint VerifyTarget(int nIndex) const;
    void VerifyTouched(CPoint client);
    void EndVerify(uint32_t nOutcome);

    // What the run asks of the window (CalibRunHost).
    void ReleaseDevice() override;
    void PostClose() override;
    void AnswerBox(void* pBox) override;
    void RestartCollection() override;
    void Repaint() override;

    wchar_t* m_pDevicePath;
    const CalibSettings m_settings;
    CollectHelper* m_pCollect;
    CollectHelper* m_pCheck; // the check targets; null without any
    // The collector that reports go to and the window shows: m_pCollect, or
    // m_pCheck once the device took a record. Switched on the report thread.
    std::atomic<CollectHelper*> m_pActive;
    // What the window last drew: the collector, and its current target.
    std::atomic<const CollectHelper*> m_pShown;
    std::atomic<int32_t> m_nShownCurrent;
    Vel_DeviceManager* m_pDevice;
    CalibRecorder m_recorder;
    CalibRun m_run;

    // Where the run takes place; without a place, the primary screen as
    // GetSystemMetrics gives it.
    const bool m_bPlaced;
    DesktopLayout m_layout;
    RunPlace m_place;
    // The verify step. Pending from the release that keeps the device open
    // for it until the window begins it; the step is the window's thread's.
    std::atomic<bool> m_bVerifyPending;
    bool m_bDeviceHeld;           // open, out of calibration mode, for the verify step
    std::atomic<bool> m_bPutBack; // PutBack ran: what the run leaves is decided
    VerifyStep m_verify;
    PreviousSet m_previous;
    // Where the line of instructions was last drawn (window's thread).
    RECT m_rcHintShown = {0, 0, 0, 0};
};
