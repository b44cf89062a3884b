// Bookkeeping of one calibration run: the target grid in logical screen space,
// the current target, and the still raw touch position measured for each.
//
// InputPoint and ConfirmPoint run on the thread that delivers the device's
// reports and call the owner back on that thread, inside the call. The window
// thread only reads targets, total, current and IsStable().
#pragma once

#include <cstdint>

#include "calibmatrix.h"

#if defined(_WIN32)
#define CALIB_CALLBACK __stdcall
#else
#define CALIB_CALLBACK
#endif

// Progress callback; receives the owner given to Start. The result is ignored.
typedef int(CALIB_CALLBACK* CollectCallback)(void* owner);

// Order in which the target grid is visited.
const unsigned char CALIB_PATH_TYPE_0 = 0; // every row left to right
const unsigned char CALIB_PATH_TYPE_1 = 1; // even rows left to right, odd rows right to left

// Room of the target and sample arrays, and the fewest targets a grid can have.
const int CALIB_MAX_POINTS = 25;
const int CALIB_MIN_POINTS = 2;

class CollectHelper {
public:
    // count is 2…25; a value outside is a caller's fault (asserted) and is
    // clamped into that range in release builds.
    CollectHelper(unsigned char count, unsigned char type);
    ~CollectHelper();

    CollectHelper(const CollectHelper&) = delete;
    CollectHelper& operator=(const CollectHelper&) = delete;

    void BuildPath(unsigned char count, unsigned char type);
    // Targets of the caller's choosing instead of the grid: the first
    // nCount (1…25; clamped) of pTargets, visited in that order.
    void UseTargets(const CalibPoint* pTargets, int nCount);

    void Start(void* pOwner, CollectCallback pOnSample, CollectCallback pOnPointDone,
               CollectCallback pOnComplete);
    void Stop();
    void Reset();

    void InputPoint(int32_t x, int32_t y);
    void ConfirmPoint();
    bool StepBack();

    bool IsStable() const { return stableCount == stableNeed; }
    bool IsFinished() const { return total != 0 && current == total; }

    CalibPoint* targets; // CALIB_MAX_POINTS entries, logical screen space; owned
    CalibPoint* samples; // CALIB_MAX_POINTS entries, raw touch space; owned
    int32_t current;     // index of the current target = measurements stored
    int32_t total;       // targets of the run
    int32_t anchorX;     // first sample of the current run of still samples
    int32_t anchorY;
    int32_t stableCount; // samples counted in the current run
    int32_t stableNeed;  // samples that make a run stable
    bool active;         // samples are accepted
    void* owner;         // handed to every callback
    CollectCallback onSample;
    CollectCallback onPointDone;
    CollectCallback onComplete;
};
