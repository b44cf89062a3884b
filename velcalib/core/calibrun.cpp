#include "calibrun.h"

CalibRun::CalibRun(CalibRunHost& host, int32_t nIdleTicksToClose)
    : m_host(host), m_nIdleTicksToClose(nIdleTicksToClose), m_state(State::Armed), m_nIdleTicks(0),
      m_nReports(0), m_bEndAsked(false), m_bClosePending(false), m_bWindowReady(false),
      m_pBox(nullptr), m_reason(EndReason::None) {}

void CalibRun::EndBecauseLocked(EndReason why) {
    if (m_reason == EndReason::None)
        m_reason = why;
}

CalibRun::~CalibRun() {
    DrainReports();
}

bool CalibRun::Begin() {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_state != State::Armed) {
        return false;
    }
    m_state = State::Collecting;
    m_nIdleTicks = 0;
    return true;
}

void CalibRun::WindowReady() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_bWindowReady = true;
    if (m_bClosePending) {
        m_bClosePending = false;
        m_host.PostClose();
    }
}

void CalibRun::CloseLocked() {
    if (m_bWindowReady) {
        m_host.PostClose();
    } else {
        m_bClosePending = true;
    }
}

bool CalibRun::End(EndReason why) {
    std::unique_lock<std::mutex> lock(m_lock);
    if (m_state != State::Ended)
        EndBecauseLocked(why);
    switch (m_state) {
    case State::Armed:
        // The device was never taken.
        m_state = State::Ended;
        m_changed.notify_all();
        return true;
    case State::Collecting:
        // A report in flight can no longer start a finish once this is set.
        m_state = State::Ending;
        ReleaseUnlocked(lock);
        return true;
    case State::BoxOpen:
        if (!m_bEndAsked) {
            m_host.AnswerBox(m_pBox);
        }
        m_bEndAsked = true;
        return false;
    case State::Finishing:
        m_bEndAsked = true;
        return false;
    case State::Ending:
        // The report thread is releasing; its WM_CLOSE follows.
        return false;
    case State::Ended:
        break;
    }
    return true;
}

void CalibRun::ReleaseUnlocked(std::unique_lock<std::mutex>& lock) {
    lock.unlock();
    m_host.ReleaseDevice();
    lock.lock();
    m_state = State::Ended;
    m_changed.notify_all();
}

bool CalibRun::WaitEnded(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(m_lock);
    return m_changed.wait_for(lock, timeout, [this] { return m_state == State::Ended; });
}

void CalibRun::DrainReports() {
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait(lock, [this] { return m_nReports == 0; });
}

void CalibRun::WindowGone() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_bWindowReady = false;
}

void CalibRun::IdleTick() {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_state != State::Collecting) {
        return;
    }
    if (++m_nIdleTicks == m_nIdleTicksToClose && m_bWindowReady) {
        EndBecauseLocked(EndReason::TimedOut);
        m_host.PostClose();
    }
}

CalibRun::Report::Report(CalibRun& run) : m_run(run), m_bCounts(false) {
    std::lock_guard<std::mutex> lock(m_run.m_lock);
    ++m_run.m_nReports;
    m_bCounts = m_run.m_state == State::Collecting;
}

CalibRun::Report::~Report() {
    std::lock_guard<std::mutex> lock(m_run.m_lock);
    if (--m_run.m_nReports == 0) {
        m_run.m_changed.notify_all();
    }
}

void CalibRun::Touched() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_nIdleTicks = 0;
}

void CalibRun::Repaint() {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_bWindowReady) {
        m_host.Repaint();
    }
}

bool CalibRun::EnterFinish() {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_state != State::Collecting) {
        return false;
    }
    m_state = State::Finishing;
    m_bEndAsked = false;
    return true;
}

bool CalibRun::MayShowBox() {
    std::lock_guard<std::mutex> lock(m_lock);
    return !m_bEndAsked;
}

void CalibRun::BoxShown(void* pBox) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_state != State::Finishing) {
        return;
    }
    m_state = State::BoxOpen;
    m_pBox = pBox;
    if (m_bEndAsked) {
        m_host.AnswerBox(pBox);
    }
}

void CalibRun::BoxClosed() {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_state == State::BoxOpen) {
        m_state = State::Finishing;
        m_pBox = nullptr;
    }
}

void CalibRun::LeaveFinish(Next next) {
    std::unique_lock<std::mutex> lock(m_lock);
    if (m_state != State::Finishing) {
        return;
    }
    if (next != Next::Release && !m_bEndAsked) {
        if (next == Next::Restart) {
            m_host.RestartCollection();
        }
        if (m_bWindowReady) {
            m_host.Repaint();
        }
        m_state = State::Collecting;
        m_nIdleTicks = 0;
        return;
    }
    if (next == Next::Release) {
        m_reason = EndReason::Finished;
    }
    m_state = State::Ending;
    ReleaseUnlocked(lock);
    // The window's thread ends the dialog on this close (and, when a way out
    // is waiting for it, only then); a window not up yet gets it once it is.
    CloseLocked();
}

void CalibRun::RequestStop() {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_state != State::Ended)
        EndBecauseLocked(EndReason::Stopped);
    CloseLocked();
}

CalibRun::State CalibRun::GetState() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_state;
}

int32_t CalibRun::IdleTicks() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_nIdleTicks;
}

CalibRun::EndReason CalibRun::Reason() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_reason;
}

constexpr std::chrono::milliseconds CalibAdmission::CLOSING_WAIT;

bool CalibAdmission::Admit(std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> lock(m_lock);
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (!m_bActive) {
            m_bRunning = true;
            m_bActive = true;
            m_pRun = nullptr;
            m_runThread = std::this_thread::get_id();
            return true;
        }
        if (m_bRunning || m_runThread == std::this_thread::get_id()) {
            return false;
        }
        // A stopped run still closing on another thread.
        if (!m_finished.wait_until(lock, deadline, [this] { return !m_bActive || m_bRunning; })) {
            return false;
        }
    }
}

void CalibAdmission::Publish(CalibRun* pRun) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_pRun = pRun;
    if (!m_bRunning) {
        pRun->RequestStop();
    }
}

void CalibAdmission::Withdraw() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_pRun = nullptr;
}

void CalibAdmission::Retire() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_bRunning = false;
    m_pRun = nullptr;
}

void CalibAdmission::Finish() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_bRunning = false;
    m_bActive = false;
    m_pRun = nullptr;
    m_runThread = std::thread::id();
    m_finished.notify_all();
}

void CalibAdmission::Stop() {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_bRunning) {
        return;
    }
    m_bRunning = false;
    if (m_pRun != nullptr) {
        m_pRun->RequestStop();
    }
}

bool CalibAdmission::IsRunning() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_bRunning;
}
