#include "delivery.h"

#include "report.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <vector>

namespace velsim {

// State shared by a manager and its delivery thread. The thread holds its own
// reference, so a manager destroyed from inside the callback leaves it valid.
// The lock guards everything. The session number alone is also read without
// it, between the script's steps: it is atomic for that, and changes only
// under the lock, so no wait on `changed` misses it. A read a step late is
// harmless: every step that delivers or waits looks again under the lock.
struct DeliveryChannel {
    std::mutex lock;
    std::condition_variable changed;
    VEL_DATA_CALLBACK callback = nullptr;
    void* context = nullptr;
    bool delivering = false;               // a callback is running
    bool calibrating = false;              // calibration mode: reports are delivered
    std::thread::id thread;                // the delivery thread while it runs
    std::atomic<unsigned> session{0};      // bumped by every start and stop
    std::unique_ptr<DeliveryPlan> restart; // a start made from inside the callback
};

namespace {

constexpr int kReportGapMs = 10;

// One session, from a start of calibration mode to the next start or the
// end of delivery: plays the script or follows the mouse until the session
// ends or the script runs out. Reports need calibration mode; the script's
// other commands also run after it has stopped.
class Session {
public:
    Session(std::shared_ptr<DeliveryChannel> channel, DeliveryHost& host, unsigned session,
            const DeliveryPlan& plan)
        : m_channel(std::move(channel)), m_host(host), m_session(session), m_plan(plan),
          m_noise(plan.seed, plan.noise) {}

    void Run() {
        if (m_plan.replay)
            RunReplay();
        else if (m_plan.fromScript)
            RunScript();
        else
            RunMouse();
    }

private:
    bool Live() const { return m_channel->session == m_session; }

    bool Calibrating() {
        std::lock_guard<std::mutex> lock(m_channel->lock);
        return Live() && m_channel->calibrating;
    }

    // Sleeps ms; false when the session ended meanwhile.
    bool Pause(int ms) {
        std::unique_lock<std::mutex> lock(m_channel->lock);
        return !m_channel->changed.wait_for(lock, std::chrono::milliseconds(ms),
                                            [this] { return !Live(); });
    }

    // Hands one block to the callback. A scripted block waits for a callback
    // to be registered; the mouse's is dropped when there is none, and any
    // block once calibration mode is off. The journal line is written before
    // the callback runs. False when the session ended.
    bool Deliver(const uint8_t* data, size_t length, bool waitForCallback) {
        std::unique_lock<std::mutex> lock(m_channel->lock);
        if (waitForCallback)
            m_channel->changed.wait(
                lock, [this] { return !Live() || !m_channel->calibrating || m_channel->callback; });
        if (!Live())
            return false;
        if (!m_channel->calibrating || !m_channel->callback)
            return true;
        VEL_DATA_CALLBACK callback = m_channel->callback;
        void* context = m_channel->context;
        m_channel->delivering = true;
        lock.unlock();
        struct Done {
            DeliveryChannel& channel;
            std::unique_lock<std::mutex>& lock;
            ~Done() {
                lock.lock();
                channel.delivering = false;
                channel.changed.notify_all();
            }
        } done{*m_channel, lock};
        m_host.Journal(m_plan.folder, ReportLine(data, length));
        callback(m_host.Place(data, length), static_cast<unsigned char>(length), context);
        return true;
    }

    bool SendPoint(bool contact, RawPoint point, bool waitForCallback) {
        if (contact)
            m_last = point;
        Report report = MakeReport(contact, m_last.x, m_last.y);
        return Deliver(report.data(), report.size(), waitForCallback) && Live();
    }

    // Waits until calibration mode is off; false when the session ended first.
    bool AfterCalibration() {
        std::unique_lock<std::mutex> lock(m_channel->lock);
        m_channel->changed.wait(lock, [this] { return !Live() || !m_channel->calibrating; });
        return Live();
    }

    bool Play(const ScriptCommand& cmd) {
        switch (cmd.kind) {
        case ScriptCommand::Touch:
        case ScriptCommand::Screen:
            for (int i = 0; i < cmd.count; ++i) {
                if (!Calibrating())
                    return Live();
                RawPoint point{static_cast<uint16_t>(cmd.x), static_cast<uint16_t>(cmd.y)};
                if (cmd.kind == ScriptCommand::Screen)
                    point = ScreenToRaw(m_plan.panel, m_noise, cmd.x, cmd.y);
                if (!SendPoint(true, point, true) || !Pause(kReportGapMs))
                    return false;
            }
            return true;
        case ScriptCommand::Lift:
            if (!Calibrating())
                return Live();
            return SendPoint(false, m_last, true) && Pause(kReportGapMs);
        case ScriptCommand::Raw: {
            if (!Calibrating())
                return Live();
            std::vector<uint8_t> block(cmd.data);
            block.resize(cmd.length);
            return Deliver(block.data(), block.size(), true) && Live() && Pause(kReportGapMs);
        }
        case ScriptCommand::Wait:
            return Pause(cmd.ms);
        case ScriptCommand::WaitFor:
            while (!m_host.TakeFile(m_plan.folder, cmd.name)) {
                if (!Pause(kReportGapMs))
                    return false;
            }
            return true;
        case ScriptCommand::Mark:
            m_host.MakeFile(m_plan.folder, cmd.name);
            return true;
        case ScriptCommand::Shown:
            while (!m_host.ShownOnPanel(m_plan.panelDisplay)) {
                if (!Pause(kReportGapMs))
                    return false;
            }
            return true;
        case ScriptCommand::Session:
            return true;
        case ScriptCommand::Mouse:
            RunMouse();
            return false;
        case ScriptCommand::Desk:
            if (!AfterCalibration())
                return false;
            m_host.DeskTouch(m_plan.folder, cmd.x, cmd.y, m_plan.panelDisplay, m_plan.panel,
                             m_noise);
            return Pause(kReportGapMs);
        }
        return false;
    }

    void RunScript() {
        for (const ScriptCommand& cmd : SessionPart(m_plan.script, m_plan.session)) {
            if (!Play(cmd))
                return;
        }
    }

    using Clock = std::chrono::steady_clock;

    // Waits until `at` past *pOrigin, then for a callback to be registered;
    // the time spent waiting for one moves *pOrigin on, so the rest keeps
    // its spacing. False when the session or calibration mode ended first.
    bool AwaitReport(Clock::time_point* pOrigin, std::chrono::microseconds at) {
        std::unique_lock<std::mutex> lock(m_channel->lock);
        auto ended = [this] { return !Live() || !m_channel->calibrating; };
        if (m_channel->changed.wait_until(lock, *pOrigin + at, ended))
            return false;
        if (!m_channel->callback) {
            const Clock::time_point held = Clock::now();
            m_channel->changed.wait(lock, [&] { return ended() || m_channel->callback; });
            *pOrigin += Clock::now() - held;
        }
        return !ended();
    }

    // The recorded reports, each at its time since the session started and
    // exactly as recorded. Loop k plays report i at k * T + t(i), T the last
    // report's time (at least the 10 ms gap, so that a recording of one
    // instant does not spin): the next loop starts as the last report is
    // due, and its first report keeps its offset. Ends with calibration mode.
    void RunReplay() {
        const std::vector<RecordedReport>& reports = *m_plan.replay;
        if (reports.empty())
            return;
        const std::chrono::microseconds period = std::max<std::chrono::microseconds>(
            std::chrono::microseconds(reports.back().microseconds),
            std::chrono::milliseconds(kReportGapMs));
        Clock::time_point origin = Clock::now();
        do {
            for (const RecordedReport& report : reports) {
                if (!AwaitReport(&origin, std::chrono::microseconds(report.microseconds)) ||
                    !Deliver(report.bytes.data(), report.bytes.size(), true) || !Live())
                    return;
            }
            origin += period;
        } while (m_plan.replayLoop);
    }

    // While the left button is held on the panel's display, a contact report
    // about every 10 ms at the panel's raw point for the cursor (the pixel's
    // corner, from the display's origin); one release report when it is let
    // go. Ends with calibration mode.
    // The panel's display is looked up once, not at every poll.
    void RunMouse() {
        bool pressed = false;
        const PixelRect d = m_host.Layout().Display(m_plan.panelDisplay);
        do {
            if (!Calibrating())
                return;
            int x = 0;
            int y = 0;
            if (m_host.LeftButtonAt(&x, &y) && d.Contains(x, y)) {
                RawPoint point =
                    ScreenToRaw(m_plan.panel, m_noise, PixelToLogical(x - d.left, d.width),
                                PixelToLogical(y - d.top, d.height));
                if (!SendPoint(true, point, false))
                    return;
                pressed = true;
            } else if (pressed) {
                if (!SendPoint(false, m_last, false))
                    return;
                pressed = false;
            }
        } while (Pause(kReportGapMs));
    }

    std::shared_ptr<DeliveryChannel> m_channel;
    DeliveryHost& m_host;
    unsigned m_session;
    DeliveryPlan m_plan;
    GaussianNoise m_noise;
    RawPoint m_last{0, 0};
};

// The thread: runs sessions until one ends without a restart. After a script
// runs out it idles, delivering nothing, until the session ends.
void DeliveryThread(std::shared_ptr<DeliveryChannel> channel, std::shared_ptr<DeliveryHost> host,
                    unsigned session, DeliveryPlan plan) {
    {
        std::lock_guard<std::mutex> lock(channel->lock);
        channel->thread = std::this_thread::get_id();
    }
    for (;;) {
        Session(channel, *host, session, plan).Run();
        std::unique_lock<std::mutex> lock(channel->lock);
        channel->changed.wait(lock, [&] { return channel->session != session; });
        if (!channel->restart) {
            channel->thread = std::thread::id();
            return;
        }
        plan = std::move(*channel->restart);
        channel->restart.reset();
        session = channel->session;
    }
}

} // namespace

Delivery::Delivery(std::shared_ptr<DeliveryHost> host)
    : m_host(std::move(host)), m_channel(std::make_shared<DeliveryChannel>()) {}

Delivery::~Delivery() {
    if (OnDeliveryThread()) {
        EndSession(nullptr);
        if (m_thread.joinable())
            m_thread.detach();
        return;
    }
    Stop();
}

bool Delivery::OnDeliveryThread() const {
    std::lock_guard<std::mutex> lock(m_channel->lock);
    return m_channel->thread == std::this_thread::get_id();
}

// Ends the running session; a plan, when given, becomes the next session of
// the same thread.
void Delivery::EndSession(const DeliveryPlan* pRestart) {
    std::lock_guard<std::mutex> lock(m_channel->lock);
    ++m_channel->session;
    m_channel->calibrating = pRestart != nullptr;
    m_channel->restart.reset(pRestart ? new DeliveryPlan(*pRestart) : nullptr);
    m_channel->changed.notify_all();
}

void Delivery::Start(const DeliveryPlan& plan) {
    if (OnDeliveryThread()) {
        EndSession(&plan);
        return;
    }
    std::lock_guard<std::mutex> control(m_control);
    EndSession(nullptr);
    if (m_thread.joinable())
        m_thread.join();
    unsigned session = 0;
    {
        std::lock_guard<std::mutex> lock(m_channel->lock);
        session = m_channel->session;
        m_channel->calibrating = true;
    }
    m_thread = std::thread(DeliveryThread, m_channel, m_host, session, plan);
}

void Delivery::Stop() {
    if (OnDeliveryThread()) {
        EndSession(nullptr);
        return;
    }
    std::lock_guard<std::mutex> control(m_control);
    EndSession(nullptr);
    if (m_thread.joinable())
        m_thread.join();
}

void Delivery::StopCalibration() {
    std::unique_lock<std::mutex> lock(m_channel->lock);
    m_channel->calibrating = false;
    m_channel->changed.notify_all();
    if (m_channel->thread != std::this_thread::get_id())
        m_channel->changed.wait(lock, [this] { return !m_channel->delivering; });
}

void Delivery::Register(VEL_DATA_CALLBACK pCallback, void* pContext) {
    std::lock_guard<std::mutex> lock(m_channel->lock);
    m_channel->callback = pCallback;
    m_channel->context = pCallback ? pContext : nullptr;
    m_channel->changed.notify_all();
}

void Delivery::Unregister() {
    std::unique_lock<std::mutex> lock(m_channel->lock);
    m_channel->callback = nullptr;
    m_channel->context = nullptr;
    if (m_channel->thread != std::this_thread::get_id())
        m_channel->changed.wait(lock, [this] { return !m_channel->delivering; });
}

} // namespace velsim
