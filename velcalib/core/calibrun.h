// The lifecycle of calibration runs, without a window: which StartCalibrate
// gets to run, what state a run is in, who releases the device, and when the
// window may end.
//
// Two threads meet in a run. The window's thread (the caller of
// StartCalibrate) begins the run, ends it by every way out and ticks the idle
// timer. The device library's report thread counts samples and, once the
// targets are done, finishes the run: the matrix, the apply calls, a failure
// message and, after an accepted record, the release of the device. Stop
// requests may come from any thread. Every decision below is taken under one
// lock per run, and the device is released exactly once whatever meets.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

// What a run asks of its window. Every call except ReleaseDevice is made with
// the run's lock held and must neither block nor call back into the run.
class CalibRunHost {
public:
    // The release steps: callback off, calibration mode off, collector
    // stopped, and the device closed unless the run goes on to its verify
    // step (which keeps it open until the window ends). Called exactly once
    // per run that began, without the lock, on whichever thread ends the run.
    virtual void ReleaseDevice() = 0;
    // The run is over for the window: it closes, or begins the verify step
    // that ReleaseDevice kept the device open for.
    virtual void PostClose() = 0;
    // Answers the failure message box (a handle the window gave BoxShown).
    virtual void AnswerBox(void* pBox) = 0;
    // Back to the first target after a failed attempt (collector reset).
    virtual void RestartCollection() = 0;
    // Invalidates the window so that the targets are drawn anew.
    virtual void Repaint() = 0;

protected:
    ~CalibRunHost() = default;
};

class CalibRun {
public:
    enum class State {
        Armed,      // created; the window is not up yet
        Collecting, // the device is held and reports count
        Finishing,  // the report thread computes and applies the result
        BoxOpen,    // ... and shows a failure message
        Ending,     // a way out was taken; the device is being released
        Ended       // the device is released (or was never held)
    };

    // How the run ended, first come first kept, except that a finish that
    // decided the run's end (a record accepted, no attempt left) overrides a
    // way out that met it.
    enum class EndReason {
        None,      // not ended (or the window went without a way out)
        Finished,  // the report thread's finish decided it
        Cancelled, // the user: Escape, Enter, a close of the window
        Stopped,   // StopCalibrate, or the window's thread quit
        TimedOut   // the idle ticks ran out
    };

    // What LeaveFinish goes on with.
    enum class Next {
        Release, // the run is over: release the device and close
        Restart, // collection starts again at the first target
        Continue // collection goes on where the window set it (the check targets)
    };

    // Twenty one-second ticks without a touch close the window.
    static constexpr int32_t IDLE_TICKS_TO_CLOSE = 20;

    explicit CalibRun(CalibRunHost& host, int32_t nIdleTicksToClose = IDLE_TICKS_TO_CLOSE);
    // Waits until no report is in flight.
    ~CalibRun();
    CalibRun(const CalibRun&) = delete;
    CalibRun& operator=(const CalibRun&) = delete;

    // ---- window's thread
    // The run takes the device (before it is opened). False when it already has.
    bool Begin();
    // The window is up and may be posted to; a stop that came earlier closes it now.
    void WindowReady();
    // Every way out (`why`, unless the run's end has a reason already).
    // Releases the device here when this thread must; false while the report
    // thread is finishing: it releases the device itself and posts WM_CLOSE,
    // and an open failure message has been answered.
    bool End(EndReason why = EndReason::Cancelled);
    // Whether the run has let the device go (Ended) within the time.
    bool WaitEnded(std::chrono::milliseconds timeout);
    // Waits until no report is in flight: the collector and the device
    // manager may go only then.
    void DrainReports();
    // The window is being destroyed: nothing is posted to it any more.
    void WindowGone();
    // One tick of the idle timer: counts only while collecting with no
    // message open; the twentieth posts WM_CLOSE.
    void IdleTick();

    // ---- report thread
    // One report from the device library; reports count only while collecting.
    class Report {
    public:
        explicit Report(CalibRun& run);
        ~Report();
        Report(const Report&) = delete;
        Report& operator=(const Report&) = delete;
        bool Counts() const { return m_bCounts; }

    private:
        CalibRun& m_run;
        bool m_bCounts;
    };
    // A contact: the idle count starts again.
    void Touched();
    // The collector moved on: the window repaints while it is up.
    void Repaint();
    // The targets are done: true when this thread may compute and apply.
    bool EnterFinish();
    // Before a failure message: false when a way out was taken and no box
    // should be shown.
    bool MayShowBox();
    // The failure message exists (its handle); one asked to close meanwhile is
    // answered at once.
    void BoxShown(void* pBox);
    void BoxClosed();
    // End of the finish: Release (the run is decided), or a way out taken
    // meanwhile, releases the device here and posts WM_CLOSE; otherwise
    // collection restarts at the first target or continues.
    void LeaveFinish(Next next);
    // true: Release, false: Restart.
    void LeaveFinish(bool bAccepted) { LeaveFinish(bAccepted ? Next::Release : Next::Restart); }

    // ---- any thread
    // StopCalibrate: closes the window, now or as soon as it is up.
    void RequestStop();

    State GetState() const;
    int32_t IdleTicks() const;
    EndReason Reason() const;

private:
    // Called with the lock held: the way out that must release does so
    // after the lock is dropped.
    void ReleaseUnlocked(std::unique_lock<std::mutex>& lock);
    // Posts WM_CLOSE, or keeps it for the window that is not up yet.
    void CloseLocked();

    // Keeps the first reason given.
    void EndBecauseLocked(EndReason why);

    CalibRunHost& m_host;
    const int32_t m_nIdleTicksToClose;
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    State m_state;
    int32_t m_nIdleTicks;
    int m_nReports;       // report callbacks in flight
    bool m_bEndAsked;     // a way out came while the report thread was finishing
    bool m_bClosePending; // a close came before the window was ready
    bool m_bWindowReady;  // the window may be posted to
    void* m_pBox;         // the open failure message, or null
    EndReason m_reason;
};

// Which StartCalibrate runs: one run per process. The running flag is what
// IsCalibrate reports; it is cleared by StopCalibrate at once, while the
// stopped run may still be closing.
class CalibAdmission {
public:
    // A run has ended (or was stopped) and a new Start from another thread
    // waits this long for the stopped one to close.
    static constexpr std::chrono::milliseconds CLOSING_WAIT{5000};

    // True when the caller may run. Refused at once while a run is active
    // and not stopped, and on the thread of a stopped run that is still
    // closing (a nested Start there would wait for itself); from another
    // thread a stopped run is waited for up to `wait`.
    bool Admit(std::chrono::milliseconds wait = CLOSING_WAIT);
    // The admitted run's object, once it exists; a stop that came before it
    // existed reaches it now.
    void Publish(CalibRun* pRun);
    // One window of the admitted run has ended and another follows (the
    // identify pages, then the targets): StopCalibrate no longer reaches the
    // first; a stop that comes before the next Publish reaches that at once.
    void Withdraw();
    // The admitted run's window has ended: the running flag clears and
    // StopCalibrate no longer reaches the run, whose objects may go.
    void Retire();
    // ... and they have gone: the next Start may run.
    void Finish();
    // StopCalibrate: clears the running flag and stops the run, once.
    void Stop();
    bool IsRunning() const;

private:
    mutable std::mutex m_lock;
    std::condition_variable m_finished;
    bool m_bRunning = false; // the running flag
    bool m_bActive = false;  // a run was admitted and has not finished
    CalibRun* m_pRun = nullptr;
    std::thread::id m_runThread;
};
