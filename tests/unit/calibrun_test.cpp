// The calibration run's lifecycle with real threads: a window thread with a
// message queue, a report thread that delivers reports and finishes the run,
// and stops from outside. Whatever meets, the device is released once, the
// window ends, and nothing reaches the window after it has gone.
#include "calibrun.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace {

using std::chrono::milliseconds;

// A failure message: open until answered, by the user or by the run.
struct Box {
    std::mutex lock;
    std::condition_variable cv;
    bool answered = false;
    void Answer() {
        std::lock_guard<std::mutex> g(lock);
        answered = true;
        cv.notify_all();
    }
    void Wait() {
        std::unique_lock<std::mutex> g(lock);
        cv.wait(g, [this] { return answered; });
    }
};

// The window as the run sees it, with a queue of posted closes.
struct Window : CalibRunHost {
    std::atomic<int> releases{0}, closes{0}, answers{0}, restarts{0}, late{0};
    std::atomic<bool> gone{false};
    std::mutex lock;
    std::condition_variable cv;
    std::deque<int> queue; // posted WM_CLOSE messages

    void ReleaseDevice() override {
        ++releases;
        std::this_thread::sleep_for(milliseconds(1)); // the device calls take time
    }
    void PostClose() override {
        late += gone.load();
        ++closes;
        std::lock_guard<std::mutex> g(lock);
        queue.push_back(1);
        cv.notify_all();
    }
    void AnswerBox(void* pBox) override {
        ++answers;
        static_cast<Box*>(pBox)->Answer();
    }
    void RestartCollection() override {
        late += gone.load();
        ++restarts;
    }
    void Repaint() override { late += gone.load(); }
    // The modal loop: handles posted closes until one ends the dialog, or
    // until `quit` (a WM_QUIT) ends it without a way out.
    void ModalLoop(CalibRun& run, const std::atomic<bool>& quit, const char* name) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (;;) {
            if (std::chrono::steady_clock::now() > deadline) {
                ADD_FAILURE() << name << ": the window never got the close that ends it";
                return;
            }
            std::unique_lock<std::mutex> g(lock);
            cv.wait_for(g, milliseconds(1), [this] { return !queue.empty(); });
            if (quit) {
                return;
            }
            if (queue.empty()) {
                continue;
            }
            queue.pop_front();
            g.unlock();
            if (run.End()) {
                return;
            }
        }
    }
};

// How the run ends.
enum class Way {
    Success,
    FailThenEscape,
    Escape,
    StopEarly,
    Stop,
    StopInBox,
    Quit,
    QuitInBox,
    Idle
};

using Reason = CalibRun::EndReason;

// The reasons a way out may end with: the finish may win the race.
constexpr unsigned Bit(Reason reason) {
    return 1u << static_cast<int>(reason);
}

struct Case {
    const char* name;
    Way way;
    unsigned reasons;
};

// One run: the window thread runs `way` out while the report thread delivers
// reports (and, where the way needs it, finishes the run) at the same moment.
void RunOnce(const Case& c, CalibAdmission& admission, int seed) {
    Window window;
    std::atomic<bool> quit{false};
    ASSERT_TRUE(admission.Admit());
    CalibRun run(window);
    if (c.way == Way::StopEarly) {
        admission.Stop(); // before the window exists
    }
    admission.Publish(&run);
    ASSERT_TRUE(run.Begin());
    Box box;
    std::atomic<bool> boxShown{false};
    // The report thread finishes the run too, except where the way out needs
    // collection to go on; where the way out meets it, the outcome alternates.
    const bool finishes = c.way != Way::Idle;
    const bool plain =
        c.way == Way::Escape || c.way == Way::StopEarly || c.way == Way::Stop || c.way == Way::Quit;
    const bool accepted = c.way == Way::Success || (plain && seed % 2 == 0);

    std::thread reports([&] {
        for (int i = 0; i < 50 + seed % 7; ++i) {
            CalibRun::Report report(run);
            if (report.Counts()) {
                run.Touched();
                run.Repaint();
            }
        }
        if (!finishes) {
            return;
        }
        CalibRun::Report report(run);
        if (!report.Counts() || !run.EnterFinish()) {
            return;
        }
        if (!accepted && run.MayShowBox()) {
            run.BoxShown(&box);
            boxShown = true;
            box.Wait();
            run.BoxClosed();
        }
        run.LeaveFinish(accepted);
    });

    std::thread outside([&] {
        switch (c.way) {
        case Way::Stop:
            std::this_thread::sleep_for(std::chrono::microseconds(seed % 300));
            admission.Stop();
            break;
        case Way::StopInBox:
        case Way::QuitInBox:
        case Way::FailThenEscape:
            while (!boxShown) {
                std::this_thread::yield();
            }
            if (c.way == Way::StopInBox) {
                admission.Stop();
            } else if (c.way == Way::QuitInBox) {
                quit = true;
            } else {
                box.Answer(); // the user's OK
            }
            break;
        default:
            break;
        }
    });

    run.WindowReady();
    switch (c.way) {
    case Way::Escape:
        std::this_thread::sleep_for(std::chrono::microseconds(seed % 300));
        break;
    case Way::Quit:
        quit = true;
        break;
    case Way::FailThenEscape:
        outside.join();
        while (run.GetState() != CalibRun::State::Collecting) {
            std::this_thread::yield();
        }
        break;
    case Way::Idle:
        // Touches in flight start the count again; the timer goes on ticking.
        while (window.closes == 0) {
            run.IdleTick();
            std::this_thread::yield();
        }
        break;
    default:
        break;
    }
    if (c.way == Way::Escape || c.way == Way::FailThenEscape) {
        // ESC: a way out on the window thread, not a posted close.
        if (!run.End()) {
            window.ModalLoop(run, quit, c.name);
        }
    } else {
        window.ModalLoop(run, quit, c.name);
    }
    // The window is destroyed; a run that did not end is ended here.
    if (!run.End(Reason::Stopped)) {
        EXPECT_TRUE(run.WaitEnded(milliseconds(5000))) << c.name;
    }
    run.WindowGone();
    window.gone = true;
    if (outside.joinable()) {
        outside.join();
    }
    reports.join();
    run.DrainReports();
    admission.Retire();
    admission.Finish();

    EXPECT_EQ(window.releases, 1) << c.name;
    EXPECT_EQ(window.late, 0) << c.name;
    EXPECT_EQ(run.GetState(), CalibRun::State::Ended) << c.name;
    EXPECT_NE(Bit(run.Reason()) & c.reasons, 0u) << c.name << ": " << int(run.Reason());
    EXPECT_FALSE(admission.IsRunning()) << c.name;
    if (c.way == Way::StopInBox || c.way == Way::QuitInBox) {
        EXPECT_EQ(window.answers, 1) << c.name;
    }
    if (c.way == Way::FailThenEscape) {
        EXPECT_EQ(window.restarts, 1) << c.name;
    }
}

} // namespace

// Every way out, each meeting a stream of reports, many times over: one
// release each.
TEST(CalibRun, EveryWayOutReleasesOnce) {
    const unsigned finished = Bit(Reason::Finished);
    const Case cases[] = {
        {"success", Way::Success, finished},
        {"failure, OK, then ESC", Way::FailThenEscape, Bit(Reason::Cancelled)},
        {"ESC, close, OK or cancel", Way::Escape, finished | Bit(Reason::Cancelled)},
        {"stop before the window exists", Way::StopEarly, finished | Bit(Reason::Stopped)},
        {"stop while collecting", Way::Stop, finished | Bit(Reason::Stopped)},
        {"stop while a failure message is open", Way::StopInBox, Bit(Reason::Stopped)},
        {"WM_QUIT", Way::Quit, finished | Bit(Reason::Stopped)},
        {"WM_QUIT while a failure message is open", Way::QuitInBox, Bit(Reason::Stopped)},
        {"idle timeout", Way::Idle, Bit(Reason::TimedOut)},
    };
    CalibAdmission admission;
    for (const Case& c : cases) {
        for (int i = 0; i < 40; ++i) {
            RunOnce(c, admission, i);
        }
    }
}

// The idle count runs only while targets are collected with no message
// open, and starts again at every (re)start of collection.
TEST(CalibRun, IdleTimeoutCountsOnlyWhileCollecting) {
    Window window;
    CalibRun run(window);
    run.IdleTick(); // before the run began
    ASSERT_TRUE(run.Begin());
    run.WindowReady();
    EXPECT_EQ(run.IdleTicks(), 0);
    for (int i = 0; i < 15; ++i) {
        run.IdleTick();
    }
    ASSERT_TRUE(run.EnterFinish());
    Box box;
    run.BoxShown(&box);
    for (int i = 0; i < 100; ++i) {
        run.IdleTick(); // nobody answers the message
    }
    EXPECT_EQ(window.closes, 0);
    EXPECT_EQ(window.answers, 0);
    run.BoxClosed();
    run.LeaveFinish(false);
    EXPECT_EQ(run.IdleTicks(), 0);
    for (int i = 0; i < CalibRun::IDLE_TICKS_TO_CLOSE - 1; ++i) {
        run.IdleTick();
    }
    EXPECT_EQ(window.closes, 0);
    run.Touched();
    for (int i = 0; i < CalibRun::IDLE_TICKS_TO_CLOSE; ++i) {
        run.IdleTick();
    }
    EXPECT_EQ(window.closes, 1);
    EXPECT_TRUE(run.End());
    EXPECT_EQ(window.releases, 1);
}

// A finish that goes on with the check targets keeps collecting; the run's
// own end overrides a stop that met it; the idle ticks are the run's own.
TEST(CalibRun, ContinuationAndEndReasons) {
    Window window;
    CalibRun run(window, 3);
    ASSERT_TRUE(run.Begin());
    run.WindowReady();
    ASSERT_TRUE(run.EnterFinish());
    run.LeaveFinish(CalibRun::Next::Continue);
    EXPECT_EQ(run.GetState(), CalibRun::State::Collecting);
    EXPECT_EQ(window.restarts, 0);
    EXPECT_EQ(window.releases, 0);
    ASSERT_TRUE(run.EnterFinish());
    run.RequestStop(); // meets the finish: the finish decides
    run.LeaveFinish(CalibRun::Next::Release);
    EXPECT_EQ(run.Reason(), Reason::Finished);
    EXPECT_EQ(window.releases, 1);

    Window idle;
    CalibRun timed(idle, 3);
    ASSERT_TRUE(timed.Begin());
    timed.WindowReady();
    for (int i = 0; i < 3; ++i)
        timed.IdleTick();
    EXPECT_EQ(idle.closes, 1);
    timed.RequestStop(); // after the timeout: the first reason stays
    EXPECT_TRUE(timed.End());
    EXPECT_EQ(timed.Reason(), Reason::TimedOut);
}

// Admission: a run not stopped, or a nested start on the run's own thread,
// is refused at once; a start from another thread waits for a stopped run
// to close, within its bound.
TEST(CalibAdmission, StartAfterStopWaitsForTheClosingRun) {
    CalibAdmission admission;
    ASSERT_TRUE(admission.Admit());
    EXPECT_TRUE(admission.IsRunning());
    bool other = true;
    std::thread([&] { other = admission.Admit(milliseconds(50)); }).join();
    EXPECT_FALSE(other) << "a run that was not stopped";
    admission.Stop();
    EXPECT_FALSE(admission.IsRunning());
    EXPECT_FALSE(admission.Admit()) << "nested start on the closing run's thread";

    std::thread([&] { other = admission.Admit(milliseconds(50)); }).join();
    EXPECT_FALSE(other) << "the stopped run did not close in time";

    std::atomic<bool> admitted{false};
    std::thread waiter([&] { admitted = admission.Admit(milliseconds(5000)); });
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_FALSE(admitted);
    admission.Retire();
    admission.Finish();
    waiter.join();
    EXPECT_TRUE(admitted);
    EXPECT_TRUE(admission.IsRunning());
}
