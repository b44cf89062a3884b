// The simulated screen's delivery thread: a replayed recording's order,
// spacing and loops, and ending a session from another thread. Once
// calibration mode is off, the thread steps through the
// script's reports without delivering them and looks at the session between
// steps; ending the session meanwhile must be race-free, which the
// ThreadSanitizer preset checks. (A callback in flight would not show it:
// its return takes the channel's lock, which orders the end before the
// thread's next look.)
#include "delivery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using velsim::Delivery;
using velsim::DeliveryPlan;
using velsim::RecordedReport;
using velsim::ScriptCommand;
using Clock = std::chrono::steady_clock;
using std::chrono::microseconds;

// Enough steps that the session ends while the thread is still among them.
constexpr size_t kDroppedSteps = 100000;

// The system as the thread sees it, telling only when the script marks.
class MarkingHost : public velsim::DeliveryHost {
public:
    std::atomic<bool> marked{false};

    void Journal(const std::wstring&, const std::string&) override {}
    const uint8_t* Place(const uint8_t* data, size_t) override { return data; }
    bool TakeFile(const std::wstring&, const std::string&) override { return true; }
    void MakeFile(const std::wstring&, const std::string&) override { marked = true; }
    velsim::DisplayLayout Layout() override { return {{{0, 0, 800, 600}}, 0, {0, 0, 800, 600}}; }
    bool LeftButtonAt(int*, int*) override { return false; }
    bool ShownOnPanel(int) override { return true; }
    void DeskTouch(const std::wstring&, int, int, int, const velsim::PanelModel&,
                   velsim::GaussianNoise&) override {}
};

// touch, mark, then touch after touch: the mark tells that the thread has
// begun stepping through dropped reports.
DeliveryPlan DroppedReportsPlan() {
    ScriptCommand touch;
    touch.kind = ScriptCommand::Touch;
    ScriptCommand mark;
    mark.kind = ScriptCommand::Mark;
    mark.name = "stepping";
    DeliveryPlan plan;
    plan.fromScript = true;
    plan.script.commands = {touch, mark};
    plan.script.commands.insert(plan.script.commands.end(), kDroppedSteps, touch);
    return plan;
}

TEST(SdkDelivery, AnotherThreadEndsASessionThatPlaysOnWithoutReports) {
    struct Row {
        const char* how;
        void (*end)(Delivery&);
    };
    const Row rows[] = {
        {"Stop", [](Delivery& delivery) { delivery.Stop(); }},
        {"Start", [](Delivery& delivery) { delivery.Start(DeliveryPlan{}); }},
    };
    const DeliveryPlan plan = DroppedReportsPlan();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.how);
        auto host = std::make_shared<MarkingHost>();
        Delivery delivery(host);
        delivery.Start(plan);
        delivery.StopCalibration();
        while (!host->marked)
            std::this_thread::yield();
        row.end(delivery);
    }
}

// What the callback was handed, in order, and when.
struct Received {
    std::mutex lock;
    std::condition_variable arrived;
    std::vector<std::vector<uint8_t>> blocks;
    std::vector<Clock::time_point> times;

    static void VEL_CALLBACK Callback(const unsigned char* data, unsigned char length, void* p) {
        auto& self = *static_cast<Received*>(p);
        std::lock_guard<std::mutex> hold(self.lock);
        self.blocks.emplace_back(data, data + length);
        self.times.push_back(Clock::now());
        self.arrived.notify_all();
    }
    // False when n blocks did not come within a minute.
    bool WaitFor(size_t n) {
        std::unique_lock<std::mutex> hold(lock);
        return arrived.wait_for(hold, std::chrono::minutes(1), [&] { return blocks.size() >= n; });
    }
};

DeliveryPlan ReplayPlan(const std::vector<RecordedReport>& reports, bool loop) {
    DeliveryPlan plan;
    plan.replay = std::make_shared<const std::vector<RecordedReport>>(reports);
    plan.replayLoop = loop;
    return plan;
}

} // namespace

// Each block as recorded, in order, never before its time since the start;
// loop k plays report i at k * T + t(i), T the last report's time, at least
// 10 ms.
TEST(SdkDelivery, AReplayPlaysItsReportsInOrderWithTheirSpacingAndLoops) {
    struct Row {
        const char* what;
        std::vector<RecordedReport> reports;
        bool loop;
        size_t count; // blocks to wait for
    };
    const Row rows[] = {
        {"once", {{0, {1}}, {20000, {2, 2}}, {45000, std::vector<uint8_t>(255, 3)}}, false, 3},
        {"looped", {{5000, {1}}, {20000, {2, 2}}}, true, 6},
        {"looped, one instant", {{0, {9}}, {0, {8}}}, true, 6},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        auto host = std::make_shared<MarkingHost>();
        Received received;
        Delivery delivery(host);
        delivery.Register(Received::Callback, &received);
        const Clock::time_point start = Clock::now();
        delivery.Start(ReplayPlan(row.reports, row.loop));
        ASSERT_TRUE(received.WaitFor(row.count));
        if (!row.loop)
            std::this_thread::sleep_for(std::chrono::milliseconds(100)); // no second round
        delivery.Stop();
        const size_t n = row.reports.size();
        const auto period = std::max<microseconds>(microseconds(row.reports.back().microseconds),
                                                   microseconds(10000));
        ASSERT_GE(received.blocks.size(), row.count);
        if (!row.loop) {
            EXPECT_EQ(received.blocks.size(), row.count);
        }
        for (size_t k = 0; k < received.blocks.size(); ++k) {
            EXPECT_EQ(received.blocks[k], row.reports[k % n].bytes) << k;
            const auto due = static_cast<int64_t>(k / n) * period +
                             microseconds(row.reports[k % n].microseconds);
            EXPECT_GE(received.times[k] - start, due) << k;
        }
    }
}

// Calibration programs start calibration mode, then register: a replay
// waits for the callback. Stop in a long gap ends it at once.
TEST(SdkDelivery, AReplayWaitsForACallbackAndStopsAtOnceInALongGap) {
    const Clock::time_point start = Clock::now();
    Received received;
    Delivery delivery(std::make_shared<MarkingHost>());
    delivery.Start(ReplayPlan({{0, {1}}, {3600000000ull, {2}}}, false));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    delivery.Register(Received::Callback, &received);
    ASSERT_TRUE(received.WaitFor(1));
    delivery.Stop();
    EXPECT_EQ(received.blocks, std::vector<std::vector<uint8_t>>{{1}});
    EXPECT_LT(Clock::now() - start, std::chrono::minutes(2)); // far less than the gap
}
