// The simulated screen's delivery thread while another thread ends its
// session. Once calibration mode is off, the thread steps through the
// script's reports without delivering them and looks at the session between
// steps; ending the session meanwhile must be race-free, which the
// ThreadSanitizer preset checks. (A callback in flight would not show it:
// its return takes the channel's lock, which orders the end before the
// thread's next look.)
#include "delivery.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

namespace {

using velsim::Delivery;
using velsim::DeliveryPlan;
using velsim::ScriptCommand;

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

} // namespace
