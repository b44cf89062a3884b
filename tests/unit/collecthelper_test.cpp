#include "collecthelper.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// Records the callbacks as letters: S sample, P point done, C complete.
struct Recorder {
    std::string log;
    CollectHelper* helper = nullptr;
    bool bStopOnPointDone = false;

    static Recorder* From(void* owner) { return static_cast<Recorder*>(owner); }
    static int CALIB_CALLBACK OnSample(void* owner) {
        From(owner)->log += 'S';
        return 0;
    }
    static int CALIB_CALLBACK OnPointDone(void* owner) {
        Recorder* self = From(owner);
        self->log += 'P';
        if (self->bStopOnPointDone) {
            self->helper->Stop();
        }
        return 0;
    }
    static int CALIB_CALLBACK OnComplete(void* owner) {
        From(owner)->log += 'C';
        return 0;
    }
    void Start(CollectHelper& h) {
        helper = &h;
        h.Start(this, OnSample, OnPointDone, OnComplete);
    }
};

// Plays a script of touch events: "x,y" is a sample, "L" a lift.
void Play(CollectHelper& h, const std::string& script) {
    std::istringstream in(script);
    std::string token;
    while (in >> token) {
        long long x = 0, y = 0;
        if (token == "L") {
            h.ConfirmPoint();
        } else if (std::sscanf(token.c_str(), "%lld,%lld", &x, &y) == 2) {
            h.InputPoint(static_cast<int32_t>(x), static_cast<int32_t>(y));
        } else {
            ADD_FAILURE() << "bad script token " << token;
        }
    }
}

// Three still samples at (x, y) and a lift: one stored point.
void StorePoint(CollectHelper& h, int x, int y) {
    const std::string p = std::to_string(x) + "," + std::to_string(y) + " ";
    Play(h, p + p + p + "L");
}

TEST(CollectHelper, LaysOutTheGrid) {
    const struct {
        unsigned char count, type;
        std::vector<int> spots; // index, x, y of some targets
    } cases[] = {
        {4, CALIB_PATH_TYPE_0, {0, 2048, 2048, 1, 30720, 2048, 2, 2048, 30720, 3, 30720, 30720}},
        {4, CALIB_PATH_TYPE_1, {0, 2048, 2048, 1, 30720, 2048, 2, 30720, 30720, 3, 2048, 30720}},
        // Nine grid points are written; the run ends at the middle of row 1.
        {5, CALIB_PATH_TYPE_0, {3, 2048, 16384, 4, 16384, 16384, 8, 30720, 30720}},
        {5, CALIB_PATH_TYPE_1, {3, 30720, 16384, 4, 16384, 16384, 8, 30720, 30720}},
        {9, CALIB_PATH_TYPE_0, {3, 2048, 16384, 5, 30720, 16384, 6, 2048, 30720}},
        {9, CALIB_PATH_TYPE_1, {3, 30720, 16384, 4, 16384, 16384, 5, 2048, 16384, 6, 2048, 30720}},
        {16, CALIB_PATH_TYPE_0, {1, 11605, 2048, 15, 30719, 30719}},
        {25, CALIB_PATH_TYPE_0, {5, 2048, 9216, 12, 16384, 16384, 24, 30720, 30720}},
        {25, CALIB_PATH_TYPE_1, {5, 30720, 9216, 9, 2048, 9216, 24, 30720, 30720}},
        {2, CALIB_PATH_TYPE_0, {0, 2048, 2048, 1, 30720, 2048, 3, 30720, 30720}},
    };
    for (const auto& c : cases) {
        const CollectHelper h(c.count, c.type);
        EXPECT_EQ(h.Total(), c.count);
        EXPECT_FALSE(h.IsActive());
        EXPECT_FALSE(h.IsFinished());
        for (std::size_t i = 0; i + 2 < c.spots.size(); i += 3) {
            const CalibPoint& t = h.Targets()[c.spots[i]];
            EXPECT_TRUE(t.x == c.spots[i + 1] && t.y == c.spots[i + 2])
                << "count " << +c.count << " type " << +c.type << " target " << c.spots[i]
                << " is (" << t.x << ", " << t.y << ")";
        }
    }
}

// The stable-sample rule on the first target of a four-target run.
TEST(CollectHelper, StableSampleRule) {
    const struct {
        const char* script;
        const char* log;
        int current, storedX, storedY, stableCount;
    } cases[] = {
        {"100,100 101,99 100,101 L", "SSSP", 1, 100, 100, 0},
        // The second sample breaks the run, the third becomes the anchor.
        {"100,100 102,100 103,100 103,101 102,100 L", "SSSSSP", 1, 103, 100, 0},
        {"100,100 100,102 100,102 100,103", "SSSS", 0, 0, 0, 2},
        // A lift before stable keeps count and anchor for the next touch.
        {"100,100 100,101 L 101,100 L", "SSSP", 1, 100, 100, 0},
        {"100,100 100,101 L 500,500", "SSS", 0, 0, 0, 0},
        // Samples while stable call nothing.
        {"5,5 5,5 5,5 9,9 5,5 L", "SSSP", 1, 5, 5, 0},
        {"L L", "", 0, 0, 0, 0},
        {"-2147483648,2147483647 2147483647,-2147483648 0,0 0,0 1,1 L", "SSSSSP", 1, 0, 0, 0},
    };
    for (const auto& c : cases) {
        CollectHelper h(4, CALIB_PATH_TYPE_0);
        Recorder rec;
        rec.Start(h);
        Play(h, c.script);
        EXPECT_EQ(rec.log, c.log) << c.script;
        EXPECT_EQ(h.Current(), c.current) << c.script;
        EXPECT_EQ(h.StableCount(), c.stableCount) << c.script;
        EXPECT_EQ(h.Samples()[0].x, c.storedX) << c.script;
        EXPECT_EQ(h.Samples()[0].y, c.storedY) << c.script;
    }
}

// A whole run: callbacks in order, measurements in target order, completion
// repeated by every later lift, and nothing stored past the end.
TEST(CollectHelper, FullRunForEveryCount) {
    for (unsigned char count : {4, 5, 9, 25}) {
        CollectHelper h(count, CALIB_PATH_TYPE_1);
        Recorder rec;
        rec.Start(h);
        std::string expected;
        for (int k = 0; k < count; ++k) {
            EXPECT_FALSE(h.IsFinished());
            const std::string x = std::to_string(k * 10), x1 = std::to_string(k * 10 + 1);
            Play(h, x + ",0 " + x1 + ",1 " + x + ",1 L");
            expected += "SSSP";
        }
        expected += 'C';
        EXPECT_EQ(rec.log, expected) << +count;
        EXPECT_TRUE(h.IsFinished());
        for (int k = 0; k < count; ++k) {
            EXPECT_EQ(h.Samples()[k].x, k * 10) << +count;
            EXPECT_EQ(h.Samples()[k].y, 0) << +count;
        }

        Play(h, "1,1 1,1 1,1 L L");
        EXPECT_EQ(rec.log, expected + "SSSCC") << +count;
        EXPECT_EQ(h.Current(), count);
        if (count < CALIB_MAX_POINTS) {
            EXPECT_EQ(h.Samples()[count].x, 0) << "nothing stored past the end";
        }
    }
}

// Reset restarts at the first target keeping the samples; Stop drops samples
// and callbacks until the next Start.
TEST(CollectHelper, StopResetAndStart) {
    CollectHelper h(4, CALIB_PATH_TYPE_0);
    Recorder rec;
    StorePoint(h, 1, 1);
    EXPECT_EQ(h.Current(), 0) << "samples before Start are ignored";

    rec.Start(h);
    Play(h, "1,1 1,1 1,1 L 2,2 2,2 2,2 L 5,5");
    h.Reset();
    EXPECT_EQ(h.Current(), 0);
    EXPECT_EQ(h.StableCount(), 0);
    EXPECT_EQ(h.Samples()[1].x, 2);

    h.Stop();
    rec.log.clear();
    StorePoint(h, 3, 3);
    EXPECT_EQ(rec.log, "");
    EXPECT_EQ(h.Current(), 0);

    h.Start(&rec, nullptr, nullptr, nullptr);
    StorePoint(h, 4, 4);
    EXPECT_EQ(h.Current(), 1);
    EXPECT_EQ(h.Samples()[0].x, 4);
    EXPECT_EQ(h.Samples()[1].x, 2);
}

// Stopping from inside the last point's callback suppresses the completion.
TEST(CollectHelper, CallbackMayStopTheCollector) {
    CollectHelper h(4, CALIB_PATH_TYPE_0);
    Recorder rec;
    rec.Start(h);
    for (int k = 0; k < 3; ++k) {
        StorePoint(h, k, k);
    }
    rec.bStopOnPointDone = true;
    StorePoint(h, 9, 9);
    EXPECT_EQ(rec.log, "SSSPSSSPSSSPSSSP");
    EXPECT_TRUE(h.IsFinished());
    EXPECT_FALSE(h.IsActive());
}

TEST(CollectHelper, StepBackBounds) {
    const struct {
        int storedBefore;
        bool ok;
        int currentAfter;
    } cases[] = {{0, false, 0}, {1, true, 0}, {3, true, 2}, {4, false, 4}};
    for (const auto& c : cases) {
        CollectHelper h(4, CALIB_PATH_TYPE_0);
        h.Start(nullptr, nullptr, nullptr, nullptr);
        for (int k = 0; k < c.storedBefore; ++k) {
            StorePoint(h, k, k);
        }
        h.InputPoint(50, 50);
        EXPECT_EQ(h.StepBack(), c.ok) << c.storedBefore;
        EXPECT_EQ(h.Current(), c.currentAfter) << c.storedBefore;
        EXPECT_EQ(h.StableCount(), 1) << "StepBack leaves the count";
    }
}

// The window reads the run while the report thread feeds it (run under
// ThreadSanitizer by the native-tsan preset): progress only grows, stays
// within the targets, and the targets keep their places.
TEST(CollectHelper, TheWindowReadsWhileReportsArrive) {
    CollectHelper h(9, CALIB_PATH_TYPE_1);
    const CollectHelper grid(9, CALIB_PATH_TYPE_1);
    Recorder r;
    r.Start(h);
    std::atomic<bool> bDone(false);
    std::thread reports([&] {
        for (int k = 0; k < 9; ++k) {
            Play(h, "7,7 900,900");
            StorePoint(h, 100 * k, 200 * k);
        }
        bDone = true;
    });
    int32_t nLast = 0;
    int nReads = 0;
    while (!bDone || nReads == 0) {
        const int32_t nCurrent = h.Current();
        const bool bStable = h.IsStable();
        ASSERT_GE(nCurrent, nLast);
        ASSERT_LE(nCurrent, h.Total());
        nLast = nCurrent;
        for (int32_t i = 0; i < h.Total(); ++i)
            ASSERT_EQ(h.Targets()[i].x, grid.Targets()[i].x) << i << (bStable ? " stable" : "");
        ++nReads;
    }
    reports.join();
    EXPECT_TRUE(h.IsFinished());
    EXPECT_EQ(h.Samples()[8].y, 1600);
}

#ifdef NDEBUG
// Release builds keep the collector in bounds: counts are clamped into 2…25.
TEST(CollectHelper, CountOutsideTheGridIsClamped) {
    const struct {
        unsigned char count;
        int total;
    } cases[] = {{0, 2}, {1, 2}, {26, 25}, {255, 25}};
    for (const auto& c : cases) {
        CollectHelper h(c.count, CALIB_PATH_TYPE_0);
        EXPECT_EQ(h.Total(), c.total) << +c.count;
        h.Start(nullptr, nullptr, nullptr, nullptr);
        for (int k = 0; k < 30; ++k) {
            StorePoint(h, k, k);
        }
        EXPECT_TRUE(h.IsFinished()) << +c.count;
        EXPECT_EQ(h.Samples()[h.Total() - 1].x, h.Total() - 1) << +c.count;
    }
}
#else
TEST(CollectHelperDeathTest, CountAndTypeAreAsserted) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(CollectHelper(0, CALIB_PATH_TYPE_0), "count != 0");
    EXPECT_DEATH(CollectHelper(4, 2), "type == CALIB_PATH_TYPE_0 \\|\\| type == CALIB_PATH_TYPE_1");
    EXPECT_DEATH(CollectHelper(1, CALIB_PATH_TYPE_0), "count >= CALIB_MIN_POINTS");
    EXPECT_DEATH(CollectHelper(26, CALIB_PATH_TYPE_0), "count <= CALIB_MAX_POINTS");
}
#endif

} // namespace
