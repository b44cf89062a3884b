// Bookkeeping of one calibration run: the target grid in logical screen space,
// the current target, and the still raw touch position measured for each.
//
// InputPoint and ConfirmPoint run on the thread that delivers the device's
// reports and call the owner back on that thread, inside the call. The window
// thread reads Targets(), Total(), Current() and IsStable() meanwhile, without
// waiting: those counts are atomics, and the targets change only before a run
// (BuildPath, UseTargets).
#pragma once

#include <atomic>
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

    bool IsStable() const { return m_stableCount == m_stableNeed; }
    bool IsFinished() const {
        const int32_t nTotal = m_total;
        return nTotal != 0 && m_current == nTotal;
    }

    // The targets in logical screen space and the raw touch measured for each
    // (CALIB_MAX_POINTS entries); null when the collector has no storage.
    const CalibPoint* Targets() const { return m_targets; }
    const CalibPoint* Samples() const { return m_samples; }
    int32_t Current() const { return m_current; } // the current target = measurements stored
    int32_t Total() const { return m_total; }     // targets of the run
    int32_t StableCount() const { return m_stableCount; } // samples counted in the current run
    int32_t StableNeed() const { return m_stableNeed; }   // samples that make a run stable
    bool IsActive() const { return m_active; }

private:
    CalibPoint* m_targets; // owned
    CalibPoint* m_samples; // owned
    std::atomic<int32_t> m_current;
    std::atomic<int32_t> m_total;
    std::atomic<int32_t> m_stableCount; // samples counted in the current run
    std::atomic<int32_t> m_stableNeed;  // samples that make a run stable
    std::atomic<bool> m_active;         // samples are accepted
    int32_t m_anchorX;                  // first sample of the current run of still samples
    int32_t m_anchorY;
    void* m_owner; // handed to every callback
    CollectCallback m_onSample;
    CollectCallback m_onPointDone;
    CollectCallback m_onComplete;
};
