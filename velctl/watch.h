// What velctl watch makes of a touch screen's raw reports while the user
// touches: each touch's press and lift, where it landed in raw units and (with
// a remembered calibration) in pixels, and how much a finger held still
// wanders, against the device's Touch Jitter. Text for people, JSON for
// scripts (one object a line, so that a script can read the stream live).
//
// A touch is the contact reports from the first to the release that ends it.
// It is still when, after its first 50 ms (the finger settles), its raw x and
// y each stay within kStillSpan (2% of the raw range 0…65535) and at least
// kStillReports reports came after those 50 ms; it moved when a span grew
// beyond that (a swipe, a drag), and it was too short otherwise. Only still
// touches measure noise, over their reports after the first 50 ms: per axis
// the standard deviation about the touch's mean and the range (max − min), in
// raw units, in the Touch Jitter's unit (1/32767 of the screen: logical
// units, the raw deviations taken through the set's local scale at the mean;
// without a calibration the device reports raw as logical, scale 1) and in
// pixels (the logical deviations times the space's pixels per logical unit;
// only with a calibration). Over all still touches the deviations pool: the
// standard deviation of all of them about their touches' own means, and the
// largest range of any touch.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "calibmatrix.h"
#include "calibmemory.h"

namespace ctl {

// Raw units within which a still touch's x and y each stay after its first
// 50 ms: 2% of 65536, rounded up.
const int32_t kStillSpan = 1311;
// Microseconds a finger takes to settle; the reports before are not measured.
const uint64_t kSettleMicroseconds = 50000;
// Reports after the settling that a still touch needs to tell its noise.
const uint32_t kStillReports = 5;
// The Touch Jitter of a device whose record could not be read.
const int kJitterUnknown = -1;

// The spread of one axis.
struct AxisNoise {
    double sd = 0.0;    // standard deviation
    double range = 0.0; // max − min
};

struct AxisPair {
    AxisNoise x, y;
};

// The noise of one still touch or of them all.
struct TouchNoise {
    AxisPair raw;
    AxisPair jitter;        // 1/32767 of the screen
    bool hasPixels = false; // with a calibration only
    AxisPair pixels;
};

enum class WatchEventKind {
    Down,   // a touch began
    Up,     // it was released
    Unknown // a report that is neither a contact nor a release
};

enum class TouchMotion {
    Still,
    Moved,
    Short // too few reports after the first 50 ms to tell
};

struct WatchEvent {
    WatchEventKind kind = WatchEventKind::Down;
    uint64_t us = 0; // when the report came
    // Down: the first report's raw point; Up: the touch's mean (over its
    // reports after the first 50 ms, over all when none came after them).
    double rawX = 0.0, rawY = 0.0;
    bool hasPixel = false; // with a calibration: where it maps to, desktop pixels
    double pixelX = 0.0, pixelY = 0.0;
    // Up
    uint64_t durationUs = 0; // from the first contact report to the release
    uint32_t reports = 0;    // contact reports
    TouchMotion motion = TouchMotion::Short;
    TouchNoise noise; // Still only
    // Unknown
    size_t length = 0;
    uint64_t unknownReports = 0; // so far, this one included
};

struct WatchSummary {
    uint64_t elapsedUs = 0;
    uint64_t reports = 0; // every report fed
    uint64_t unknownReports = 0;
    uint64_t strayReleases = 0; // releases while no touch was down
    uint32_t touches = 0;       // ended touches
    uint32_t stillTouches = 0;
    bool touchDown = false;  // a touch is in progress
    double reportRate = 0.0; // reports per second
    bool hasNoise = false;   // some touch was still
    TouchNoise noise;
    int touchJitter = kJitterUnknown;
    // With noise: the half of the largest range on either axis (a still
    // finger wanders that far either way from where it rests), raw and in
    // 1/32767 rounded up, and in pixels; and the Touch Jitter that covers it
    // with a margin: half as much again, rounded up to a multiple of 10, in
    // the setting's range 10…15000. The device's value covers the touches
    // when it is at least the wander.
    int wanderRaw = 0;
    int wanderJitter = 0;
    double wanderPixels = 0.0;
    int suggestedJitter = 0;
    std::string hint;
};

// Fed on one thread with the reports in the order they came.
class TouchWatch {
public:
    // pCalibration: the calibration remembered for the screen (its set and
    // space map raw points to pixels), or null; touchJitter: the device's, or
    // kJitterUnknown.
    explicit TouchWatch(const RememberedCalibration* pCalibration = nullptr,
                        int touchJitter = kJitterUnknown);

    // microseconds: since the watch began, never decreasing. The events the
    // report makes: none, a Down, an Up or an Unknown.
    std::vector<WatchEvent> Feed(uint64_t microseconds, const unsigned char* data, size_t length);

    // Everything so far; nowMicroseconds on the clock Feed's times are on.
    WatchSummary Summary(uint64_t nowMicroseconds) const;

private:
    struct RawPoint {
        int32_t x, y;
    };
    // The logical deviation of a raw one at (x, y): dX = j[0]·dx + j[1]·dy,
    // dY = j[2]·dx + j[3]·dy.
    void LocalScale(double x, double y, double j[4]) const;
    void Pixel(double x, double y, WatchEvent& event) const;
    WatchEvent EndTouch(uint64_t microseconds);

    bool m_bMapped = false;
    CoefficientSet m_set;
    double m_pxPerLogicalX = 0.0, m_pxPerLogicalY = 0.0;
    double m_originX = 0.0, m_originY = 0.0;
    int m_touchJitter = kJitterUnknown;

    uint64_t m_reports = 0, m_unknown = 0, m_strayReleases = 0;
    uint32_t m_touches = 0, m_stillTouches = 0;

    // The touch in progress.
    bool m_bDown = false;
    bool m_bMoved = false;
    uint64_t m_downUs = 0;
    uint32_t m_touchReports = 0;
    double m_sumX = 0.0, m_sumY = 0.0; // of all its reports
    // Its reports after the first 50 ms: their count, sums and spans, and the
    // points themselves while it has not moved.
    uint32_t m_settledCount = 0;
    double m_settledSumX = 0.0, m_settledSumY = 0.0;
    int32_t m_minX = 0, m_maxX = 0, m_minY = 0, m_maxY = 0;
    std::vector<RawPoint> m_settled;

    // The still touches' deviations pooled: sums of squares per unit and
    // axis (raw x, y, jitter x, y, pixels x, y), their count, the largest
    // ranges.
    double m_sumSquares[6] = {};
    uint64_t m_deviations = 0;
    double m_largestRange[6] = {};
};

// Text: a line, and for a still touch's lift a line per axis of its noise;
// JSON: one object on one line. Both end in "\n".
std::string WatchEventText(const WatchEvent& event);
std::string WatchEventJson(const WatchEvent& event);
// Text: several lines; JSON: one object on one line, {"event": "summary", ...}.
std::string WatchSummaryText(const WatchSummary& summary);
std::string WatchSummaryJson(const WatchSummary& summary);

} // namespace ctl
