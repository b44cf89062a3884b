#include "collecthelper.h"

#include <gtest/gtest.h>

#include <string>
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

// One touch event: a sample at (x, y), or a lift when bLift is set.
struct Event {
    int32_t x, y;
    bool bLift = false;
};
const Event LIFT = {0, 0, true};

void Play(CollectHelper& h, const std::vector<Event>& events) {
    for (const Event& e : events) {
        if (e.bLift) {
            h.ConfirmPoint();
        } else {
            h.InputPoint(e.x, e.y);
        }
    }
}

struct PathCase {
    unsigned char count, type;
    int total;
    // Spot checks: index, x, y.
    std::vector<std::vector<int>> points;
};

TEST(CollectHelper, LaysOutTheGrid) {
    const PathCase cases[] = {
        {4,
         CALIB_PATH_TYPE_0,
         4,
         {{0, 2048, 2048}, {1, 30720, 2048}, {2, 2048, 30720}, {3, 30720, 30720}}},
        {4,
         CALIB_PATH_TYPE_1,
         4,
         {{0, 2048, 2048}, {1, 30720, 2048}, {2, 30720, 30720}, {3, 2048, 30720}}},
        // Nine grid points are written; the run ends at the middle of row 1.
        {5, CALIB_PATH_TYPE_0, 5, {{3, 2048, 16384}, {4, 16384, 16384}, {8, 30720, 30720}}},
        {5, CALIB_PATH_TYPE_1, 5, {{3, 30720, 16384}, {4, 16384, 16384}, {8, 30720, 30720}}},
        {9, CALIB_PATH_TYPE_0, 9, {{3, 2048, 16384}, {5, 30720, 16384}, {6, 2048, 30720}}},
        {9,
         CALIB_PATH_TYPE_1,
         9,
         {{3, 30720, 16384}, {4, 16384, 16384}, {5, 2048, 16384}, {6, 2048, 30720}}},
        {16, CALIB_PATH_TYPE_0, 16, {{1, 11605, 2048}, {15, 30719, 30719}}},
        {25, CALIB_PATH_TYPE_0, 25, {{5, 2048, 9216}, {12, 16384, 16384}, {24, 30720, 30720}}},
        {25,
         CALIB_PATH_TYPE_1,
         25,
         {{5, 30720, 9216}, {9, 2048, 9216}, {12, 16384, 16384}, {24, 30720, 30720}}},
        {2, CALIB_PATH_TYPE_0, 2, {{0, 2048, 2048}, {1, 30720, 2048}, {3, 30720, 30720}}},
    };
    for (const PathCase& c : cases) {
        const CollectHelper h(c.count, c.type);
        EXPECT_EQ(h.total, c.total) << +c.count;
        EXPECT_EQ(h.current, 0);
        EXPECT_FALSE(h.active);
        EXPECT_FALSE(h.IsFinished());
        for (const std::vector<int>& p : c.points) {
            EXPECT_EQ(h.targets[p[0]].x, p[1])
                << "count " << +c.count << " type " << +c.type << " target " << p[0];
            EXPECT_EQ(h.targets[p[0]].y, p[2])
                << "count " << +c.count << " type " << +c.type << " target " << p[0];
        }
    }
}

struct SequenceCase {
    const char* name;
    std::vector<Event> events;
    std::string log;
    int current;
    CalibPoint stored;
    int stableCount;
};

// The stable-sample rule on one target of a four-target run.
TEST(CollectHelper, StableSampleRule) {
    const SequenceCase cases[] = {
        {"three still samples",
         {{100, 100}, {101, 99}, {100, 101}, LIFT},
         "SSSP",
         1,
         {100, 100},
         0},
        {"a move restarts with the sample after it",
         {{100, 100}, {102, 100}, {103, 100}, {103, 101}, {102, 100}, LIFT},
         "SSSSSP",
         1,
         {103, 100},
         0},
        {"two units off is a move",
         {{100, 100}, {100, 102}, {100, 102}, {100, 103}},
         "SSSS",
         0,
         {0, 0},
         2},
        {"lift before stable keeps the run",
         {{100, 100}, {100, 101}, LIFT, {101, 100}, LIFT},
         "SSSP",
         1,
         {100, 100},
         0},
        {"lift before stable, next touch elsewhere",
         {{100, 100}, {100, 101}, LIFT, {500, 500}},
         "SSS",
         0,
         {0, 0},
         0},
        {"samples while stable call nothing",
         {{5, 5}, {5, 5}, {5, 5}, {9, 9}, {5, 5}, LIFT},
         "SSSP",
         1,
         {5, 5},
         0},
        {"lift with no sample", {LIFT, LIFT}, "", 0, {0, 0}, 0},
        {"extreme coordinates do not overflow",
         {{INT32_MIN, INT32_MAX}, {INT32_MAX, INT32_MIN}, {0, 0}, {0, 0}, {1, 1}, LIFT},
         "SSSSSP",
         1,
         {0, 0},
         0},
    };
    for (const SequenceCase& c : cases) {
        CollectHelper h(4, CALIB_PATH_TYPE_0);
        Recorder rec;
        rec.Start(h);
        Play(h, c.events);
        EXPECT_EQ(rec.log, c.log) << c.name;
        EXPECT_EQ(h.current, c.current) << c.name;
        EXPECT_EQ(h.stableCount, c.stableCount) << c.name;
        EXPECT_EQ(h.samples[0].x, c.stored.x) << c.name;
        EXPECT_EQ(h.samples[0].y, c.stored.y) << c.name;
    }
}

TEST(CollectHelper, IsStableFollowsTheCount) {
    CollectHelper h(4, CALIB_PATH_TYPE_0);
    Recorder rec;
    rec.Start(h);
    const bool expected[] = {false, false, true};
    for (bool b : expected) {
        h.InputPoint(7, 7);
        EXPECT_EQ(h.IsStable(), b);
    }
    h.ConfirmPoint();
    EXPECT_FALSE(h.IsStable());
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
            Play(h, {{k * 10, k}, {k * 10 + 1, k}, {k * 10, k + 1}, LIFT});
            expected += "SSSP";
        }
        expected += 'C';
        EXPECT_EQ(rec.log, expected) << +count;
        EXPECT_TRUE(h.IsFinished());
        for (int k = 0; k < count; ++k) {
            EXPECT_EQ(h.samples[k].x, k * 10) << +count;
            EXPECT_EQ(h.samples[k].y, k) << +count;
        }

        Play(h, {{1, 1}, {1, 1}, {1, 1}, LIFT, LIFT});
        EXPECT_EQ(rec.log, expected + "SSSCC") << +count;
        EXPECT_EQ(h.current, count);
        if (count < CALIB_MAX_POINTS) {
            EXPECT_EQ(h.samples[count].x, 0) << "nothing stored past the end";
        }
    }
}

TEST(CollectHelper, StopResetAndStart) {
    CollectHelper h(4, CALIB_PATH_TYPE_0);
    Recorder rec;
    Play(h, {{1, 1}, {1, 1}, {1, 1}, LIFT});
    EXPECT_EQ(h.current, 0) << "samples before Start are ignored";
    EXPECT_EQ(h.stableCount, 0);

    rec.Start(h);
    Play(h, {{1, 1}, {1, 1}, {1, 1}, LIFT, {2, 2}, {2, 2}, {2, 2}, LIFT});
    ASSERT_EQ(h.current, 2);

    h.Reset();
    EXPECT_EQ(h.current, 0);
    EXPECT_EQ(h.stableCount, 0);
    EXPECT_TRUE(h.active);
    EXPECT_EQ(h.samples[1].x, 2) << "Reset keeps the stored samples";

    h.Stop();
    EXPECT_FALSE(h.active);
    EXPECT_EQ(h.onSample, nullptr);
    EXPECT_EQ(h.owner, &rec);
    rec.log.clear();
    Play(h, {{3, 3}, {3, 3}, {3, 3}, LIFT});
    EXPECT_EQ(rec.log, "");
    EXPECT_EQ(h.current, 0);

    // Start again: counters cleared, arrays kept, null callbacks skipped.
    h.InputPoint(0, 0);
    h.Start(&rec, nullptr, nullptr, nullptr);
    Play(h, {{4, 4}, {4, 4}, {4, 4}, LIFT});
    EXPECT_EQ(h.current, 1);
    EXPECT_EQ(h.samples[0].x, 4);
    EXPECT_EQ(h.samples[1].x, 2);
}

// Stopping from inside the last point's callback suppresses the completion.
TEST(CollectHelper, CallbackMayStopTheCollector) {
    CollectHelper h(4, CALIB_PATH_TYPE_0);
    Recorder rec;
    rec.Start(h);
    for (int k = 0; k < 3; ++k) {
        Play(h, {{k, k}, {k, k}, {k, k}, LIFT});
    }
    rec.bStopOnPointDone = true;
    Play(h, {{9, 9}, {9, 9}, {9, 9}, LIFT});
    EXPECT_EQ(rec.log, "SSSPSSSPSSSPSSSP");
    EXPECT_TRUE(h.IsFinished());
    EXPECT_FALSE(h.active);
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
            Play(h, {{k, k}, {k, k}, {k, k}, LIFT});
        }
        h.InputPoint(50, 50);
        EXPECT_EQ(h.StepBack(), c.ok) << c.storedBefore;
        EXPECT_EQ(h.current, c.currentAfter) << c.storedBefore;
        EXPECT_EQ(h.stableCount, 1) << "StepBack leaves the count";
    }
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
        EXPECT_EQ(h.total, c.total) << +c.count;
        h.Start(nullptr, nullptr, nullptr, nullptr);
        for (int k = 0; k < 30; ++k) {
            Play(h, {{k, k}, {k, k}, {k, k}, LIFT});
        }
        EXPECT_TRUE(h.IsFinished()) << +c.count;
        EXPECT_EQ(h.samples[h.total - 1].x, h.total - 1) << +c.count;
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
