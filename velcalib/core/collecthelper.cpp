#include "collecthelper.h"

#include <cassert>
#include <cmath>
#include <cstddef>
#include <new>

namespace {

// Targets span 2048…30720: a margin of 1/16 of the logical range at each edge.
const int32_t GRID_MARGIN = 2048;
const int32_t GRID_SPAN = 28672;
const int32_t STABLE_SAMPLES = 3;
// A sample further than one raw unit from the anchor on either axis has moved.
const int64_t STILL_LIMIT = 2;

CalibPoint* NewPointArray() {
    return new (std::nothrow) CalibPoint[CALIB_MAX_POINTS]();
}

void Notify(CollectCallback pCallback, void* pOwner) {
    if (pCallback != NULL) {
        pCallback(pOwner);
    }
}

int64_t Distance(int32_t a, int32_t b) {
    const int64_t d = int64_t(a) - int64_t(b);
    return d < 0 ? -d : d;
}

} // namespace

CollectHelper::CollectHelper(unsigned char count, unsigned char type)
    : m_targets(NewPointArray()), m_samples(NewPointArray()), m_current(0), m_total(0),
      m_stableCount(0), m_stableNeed(STABLE_SAMPLES), m_active(false), m_anchorX(0), m_anchorY(0),
      m_owner(NULL), m_onSample(NULL), m_onPointDone(NULL), m_onComplete(NULL) {
    // Without both arrays the collector stays empty (total 0) and never starts.
    if (m_targets == NULL || m_samples == NULL) {
        delete[] m_targets;
        delete[] m_samples;
        m_targets = NULL;
        m_samples = NULL;
    }
    BuildPath(count, type);
}

CollectHelper::~CollectHelper() {
    delete[] m_targets;
    delete[] m_samples;
    m_targets = NULL;
    m_samples = NULL;
    m_onSample = NULL;
    m_onPointDone = NULL;
    m_onComplete = NULL;
}

// Lays the first side² grid points out row by row from the top, side being
// ⌈√count⌉; only the first `total` of them are visited.
void CollectHelper::BuildPath(unsigned char count, unsigned char type) {
    assert(count != 0);
    assert(type == CALIB_PATH_TYPE_0 || type == CALIB_PATH_TYPE_1);
    // One target has no grid step and more than 25 do not fit the arrays.
    assert(count >= CALIB_MIN_POINTS && count <= CALIB_MAX_POINTS);

    int nCount = count;
    if (nCount < CALIB_MIN_POINTS) {
        nCount = CALIB_MIN_POINTS;
    } else if (nCount > CALIB_MAX_POINTS) {
        nCount = CALIB_MAX_POINTS;
    }
    if (m_targets == NULL) {
        m_total = 0;
        return;
    }
    m_total = nCount;

    const int side = static_cast<int>(std::trunc(std::sqrt(nCount - 1.0))) + 1;
    const int32_t step = GRID_SPAN / (side - 1);
    int k = 0;
    for (int row = 0; row < side; ++row) {
        for (int col = 0; col < side; ++col) {
            const bool bReversed = (type == CALIB_PATH_TYPE_1) && (row % 2 == 1);
            const int column = bReversed ? side - 1 - col : col;
            m_targets[k].x = column * step + GRID_MARGIN;
            m_targets[k].y = row * step + GRID_MARGIN;
            ++k;
        }
    }
}

void CollectHelper::UseTargets(const CalibPoint* pTargets, int nCount) {
    if (m_targets == NULL) {
        return;
    }
    m_total = nCount < 1 ? 1 : nCount > CALIB_MAX_POINTS ? CALIB_MAX_POINTS : nCount;
    for (int k = 0; k < m_total; ++k) {
        m_targets[k] = pTargets[k];
    }
}

// The arrays keep their contents; a collector without storage stays inactive.
void CollectHelper::Start(void* pOwner, CollectCallback pOnSample, CollectCallback pOnPointDone,
                          CollectCallback pOnComplete) {
    m_active = (m_targets != NULL && m_samples != NULL);
    m_owner = pOwner;
    m_onSample = pOnSample;
    m_onPointDone = pOnPointDone;
    m_onComplete = pOnComplete;
    m_current = 0;
    m_stableCount = 0;
    m_stableNeed = STABLE_SAMPLES;
}

void CollectHelper::Stop() {
    m_active = false;
    m_onSample = NULL;
    m_onPointDone = NULL;
    m_onComplete = NULL;
}

// Back to the first target; samples stored so far are overwritten as the run goes.
void CollectHelper::Reset() {
    m_current = 0;
    m_stableCount = 0;
}

// The first sample of a run is the anchor; the run is stable after stableNeed
// counted samples all within one raw unit of it. A sample that moves clears the
// run, and the sample after it becomes the new anchor.
void CollectHelper::InputPoint(int32_t x, int32_t y) {
    if (!m_active) {
        return;
    }
    if (m_stableCount == 0) {
        m_anchorX = x;
        m_anchorY = y;
    }
    if (m_stableCount < m_stableNeed) {
        ++m_stableCount;
        Notify(m_onSample, m_owner);
        if (Distance(x, m_anchorX) >= STILL_LIMIT || Distance(y, m_anchorY) >= STILL_LIMIT) {
            m_anchorX = x;
            m_anchorY = y;
            m_stableCount = 0;
        }
    }
}

// The finger was lifted: a stable point stores its anchor and the run moves on.
// A lift before the point is stable keeps the count and the anchor.
void CollectHelper::ConfirmPoint() {
    if (!m_active) {
        return;
    }
    if (m_current < m_total && m_stableCount == m_stableNeed) {
        m_stableCount = 0;
        m_samples[m_current].x = m_anchorX;
        m_samples[m_current].y = m_anchorY;
        ++m_current;
        Notify(m_onPointDone, m_owner);
    }
    // The callback above may have stopped or reset the collector.
    if (m_current == m_total) {
        Notify(m_onComplete, m_owner);
    }
}

bool CollectHelper::StepBack() {
    if (m_current >= 1 && m_current < m_total) {
        --m_current;
        return true;
    }
    return false;
}
