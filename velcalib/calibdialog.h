// The calibration window: a borderless dialog over the whole primary screen
// that shows the four targets, holds the touch device in calibration mode,
// feeds its reports to the sample collector and, once every target has a
// measured point, computes the calibration and writes it to the device.
//
// Two threads meet here. The window's thread (the caller of StartCalibrate)
// runs the modal loop: initialisation, painting, close, keys and timers. The
// device library's report thread runs everything a report sets off, up to
// the matrix computation, the apply calls, a failure message and, after an
// accepted record, the release of the device. A small lock decides which of
// the two releases the device, so that it is released exactly once and the
// report thread never touches a dialog that has ended.
#pragma once

#include "afxwin.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "Vel_DeviceManager.h"
#include "calibview.h"
#include "collecthelper.h"
#include "resource.h"

namespace Gdiplus {
class GpGraphics;
}

class CalibDialog : public CDialogEx {
    DECLARE_DYNAMIC(CalibDialog)
public:
    enum { IDD = IDD_CALIBDIALOG };

    // pDevicePath is borrowed: it must stay valid until the dialog has ended.
    CalibDialog(CWnd* pParent, wchar_t* pDevicePath);
    ~CalibDialog() override;

    // Whether the constructor got its collector and device manager.
    bool IsUsable() const { return m_pCollect != nullptr && m_pDevice != nullptr; }

    // Any thread: ends the run through WM_CLOSE; a request made before the
    // window is up takes effect as soon as it is.
    void RequestClose();

protected:
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    void OnOK() override;
    void OnCancel() override;
    void PostNcDestroy() override;

    DECLARE_MESSAGE_MAP()
    afx_msg void OnPaint();
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnClose();
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);

private:
    static void VEL_CALLBACK TouchDataCallback(const unsigned char* data, unsigned char length,
                                               void* context);
    static int CALIB_CALLBACK CollectCallback(void* owner);

    void BeginCalib();
    void FinishCalib();
    void OnTouchInput(int32_t x, int32_t y);
    void OnTouchRelease();
    void DrawTargets(Gdiplus::GpGraphics* graphics, const CRect& clientRect);
    void DrawTarget(Gdiplus::GpGraphics* graphics, TargetColour colour, float x, float y);

    // The release steps: callback off, calibration mode off, device closed,
    // collector stopped.
    void ReleaseDevice();
    // Window's thread, for every way out. True when the dialog may end now;
    // false while the report thread is finishing a run, which then releases
    // the device itself and posts WM_CLOSE.
    bool CloseCalib();
    // Report thread: whether FinishCalib may run, and its end, which either
    // releases the device and closes or starts the run again at target 0.
    bool EnterFinish();
    void LeaveFinish(bool bAccepted);
    bool IsEnding();
    void ShowFailure(const wchar_t* pText);
    // Answers the failure message of a finishing run so that a close can go ahead.
    void CloseFailureBox();
    void InvalidateWhileOpen();

    // Counts report callbacks in progress; the destructor waits for none.
    class ReportScope {
    public:
        explicit ReportScope(CalibDialog* pDlg);
        ~ReportScope();
        ReportScope(const ReportScope&) = delete;
        ReportScope& operator=(const ReportScope&) = delete;

    private:
        CalibDialog* m_pDlg;
    };

    wchar_t* m_pDevicePath;
    int m_bCalibrating; // the run holds the device; guarded by m_lock
    std::atomic<int32_t> m_nIdleTicks;
    CollectHelper* m_pCollect;
    Vel_DeviceManager* m_pDevice;

    std::mutex m_lock;
    std::condition_variable m_reportsDone;
    int m_nReports;         // report callbacks in progress
    bool m_bFinishing;      // FinishCalib is running on the report thread
    bool m_bEnding;         // a way out was taken: no new finish, reset or repaint
    DWORD m_dwFinishThread; // the thread of the running FinishCalib
    HWND m_hWndReady;       // the window from the end of its initialisation until destroyed
    bool m_bCloseRequested; // RequestClose came before the window was ready
};
