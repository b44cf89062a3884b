#include "watch.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "calibview.h"
#include "screenreport.h"
#include "settings.h"
#include "touchreport.h"

namespace ctl {

namespace {

// The deviations kept per still touch, in this order.
enum Unit { kRawX, kRawY, kJitterX, kJitterY, kPixelsX, kPixelsY, kUnits };

std::string Seconds(uint64_t microseconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", static_cast<double>(microseconds) / 1e6);
    return text;
}

// An event line's first column: "    1.734 s  ".
std::string TimeColumn(uint64_t microseconds) {
    char text[40];
    std::snprintf(text, sizeof text, "%9.3f s  ", static_cast<double>(microseconds) / 1e6);
    return text;
}

std::string Pad(const std::string& text, size_t width) {
    return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

// Rounded up, but not for the last bits of a sum of doubles.
int CeilOf(double value) {
    return static_cast<int>(std::ceil(value - 1e-9));
}

// "sd 3.21 range 12.00 raw, sd 1.60 range 6.00 in 1/32767, sd 0.05 range 0.19 px"
std::string NoiseText(const TouchNoise& noise, bool bY) {
    auto one = [bY](const AxisPair& pair, const char* unit) {
        const AxisNoise& axis = bY ? pair.y : pair.x;
        return "sd " + Pixels(axis.sd) + " range " + Pixels(axis.range) + " " + unit;
    };
    std::string text = one(noise.raw, "raw") + ", " + one(noise.jitter, "in 1/32767");
    if (noise.hasPixels)
        text += ", " + one(noise.pixels, "px");
    return text;
}

std::string AxisJson(const AxisNoise& axis) {
    return "{\"sd\": " + Pixels(axis.sd) + ", \"range\": " + Pixels(axis.range) + "}";
}

std::string PairJson(const AxisPair& pair) {
    return "{\"x\": " + AxisJson(pair.x) + ", \"y\": " + AxisJson(pair.y) + "}";
}

std::string NoiseJson(const TouchNoise& noise) {
    return "{\"raw\": " + PairJson(noise.raw) + ", \"jitter\": " + PairJson(noise.jitter) +
           ", \"pixels\": " + (noise.hasPixels ? PairJson(noise.pixels) : std::string("null")) +
           "}";
}

std::string PixelJson(const WatchEvent& event) {
    return ", \"pixelX\": " + (event.hasPixel ? Pixels(event.pixelX) : std::string("null")) +
           ", \"pixelY\": " + (event.hasPixel ? Pixels(event.pixelY) : std::string("null"));
}

std::string PixelText(const WatchEvent& event) {
    return event.hasPixel ? "  px " + Pixels(event.pixelX) + " " + Pixels(event.pixelY)
                          : std::string();
}

const char* MotionWord(TouchMotion motion) {
    return motion == TouchMotion::Still   ? "still"
           : motion == TouchMotion::Moved ? "moved"
                                          : "short";
}

std::string Hint(const WatchSummary& s) {
    if (!s.hasNoise)
        return "no still touch yet: hold a finger still on the screen for a second";
    std::string hint = "still touches wander \xC2\xB1" + std::to_string(s.wanderRaw) +
                       " raw units (\xC2\xB1" + std::to_string(s.wanderJitter) + " in 1/32767";
    if (s.noise.hasPixels)
        hint += ", \xC2\xB1" + Pixels(s.wanderPixels) + " px";
    hint += "); ";
    const std::string suggested = std::to_string(s.suggestedJitter);
    if (s.touchJitter == kJitterUnknown)
        return hint + "the device's Touch Jitter is unknown: " + suggested + " or more covers them";
    const std::string jitter = "Touch Jitter " + std::to_string(s.touchJitter);
    if (s.touchJitter >= s.wanderJitter)
        return hint + jitter + " covers them";
    return hint + jitter + " is less: set it to at least " + suggested +
           " (velctl set touchJitter=" + suggested + ")";
}

} // namespace

TouchWatch::TouchWatch(const RememberedCalibration* pCalibration, int touchJitter)
    : m_set(), m_touchJitter(touchJitter) {
    const int16_t identity[8] = {1000, 0, 0, 0, 1000, 0, 0, 0};
    m_set = SetOf(identity);
    if (pCalibration != nullptr && pCalibration->nRecord != VEL_CALIB_RECORD_NONE) {
        m_bMapped = true;
        m_set = pCalibration->nRecord == VEL_CALIB_RECORD_HD ? SetOf(pCalibration->fCoefficients)
                                                             : SetOf(pCalibration->nCoefficients);
        const VEL_CALIB_RECT& space = pCalibration->space;
        m_originX = space.x, m_originY = space.y;
        m_pxPerLogicalX = static_cast<double>(space.width) / LOGICAL_EXTENT;
        m_pxPerLogicalY = static_cast<double>(space.height) / LOGICAL_EXTENT;
    }
}

void TouchWatch::LocalScale(double x, double y, double j[4]) const {
    // Central differences over one raw unit: the map is smooth on that scale.
    double xPlus[2], xMinus[2], yPlus[2], yMinus[2];
    MapRaw(m_set, x + 1.0, y, xPlus[0], xPlus[1]);
    MapRaw(m_set, x - 1.0, y, xMinus[0], xMinus[1]);
    MapRaw(m_set, x, y + 1.0, yPlus[0], yPlus[1]);
    MapRaw(m_set, x, y - 1.0, yMinus[0], yMinus[1]);
    j[0] = (xPlus[0] - xMinus[0]) / 2.0;
    j[1] = (yPlus[0] - yMinus[0]) / 2.0;
    j[2] = (xPlus[1] - xMinus[1]) / 2.0;
    j[3] = (yPlus[1] - yMinus[1]) / 2.0;
}

void TouchWatch::Pixel(double x, double y, WatchEvent& event) const {
    if (!m_bMapped)
        return;
    double X = 0.0, Y = 0.0;
    MapRaw(m_set, x, y, X, Y);
    event.hasPixel = true;
    event.pixelX = m_originX + X * m_pxPerLogicalX;
    event.pixelY = m_originY + Y * m_pxPerLogicalY;
}

std::vector<WatchEvent> TouchWatch::Feed(uint64_t microseconds, const unsigned char* data,
                                         size_t length) {
    ++m_reports;
    const TouchReport report =
        DecodeTouchReport(data, static_cast<unsigned char>(std::min<size_t>(length, 255)));
    std::vector<WatchEvent> events;
    if (report.kind == TOUCH_REPORT_RELEASE) {
        if (m_bDown)
            events.push_back(EndTouch(microseconds));
        else
            ++m_strayReleases;
    } else if (report.kind == TOUCH_REPORT_CONTACT) {
        if (!m_bDown) {
            m_bDown = true;
            m_bMoved = false;
            m_downUs = microseconds;
            m_touchReports = 0;
            m_sumX = m_sumY = 0.0;
            m_settledCount = 0;
            m_settledSumX = m_settledSumY = 0.0;
            m_settled.clear();
            WatchEvent down;
            down.kind = WatchEventKind::Down;
            down.us = microseconds;
            down.rawX = report.x, down.rawY = report.y;
            Pixel(down.rawX, down.rawY, down);
            events.push_back(down);
        }
        ++m_touchReports;
        m_sumX += report.x, m_sumY += report.y;
        if (microseconds - m_downUs >= kSettleMicroseconds) {
            if (m_settledCount == 0)
                m_minX = m_maxX = report.x, m_minY = m_maxY = report.y;
            ++m_settledCount;
            m_settledSumX += report.x, m_settledSumY += report.y;
            m_minX = std::min(m_minX, report.x), m_maxX = std::max(m_maxX, report.x);
            m_minY = std::min(m_minY, report.y), m_maxY = std::max(m_maxY, report.y);
            if (m_maxX - m_minX > kStillSpan || m_maxY - m_minY > kStillSpan)
                m_bMoved = true;
            // A touch that moved measures no noise: its points are not kept.
            if (m_bMoved)
                m_settled.clear();
            else
                m_settled.push_back({report.x, report.y});
        }
    } else {
        ++m_unknown;
        WatchEvent unknown;
        unknown.kind = WatchEventKind::Unknown;
        unknown.us = microseconds;
        unknown.length = length;
        unknown.unknownReports = m_unknown;
        events.push_back(unknown);
    }
    return events;
}

WatchEvent TouchWatch::EndTouch(uint64_t microseconds) {
    m_bDown = false;
    ++m_touches;
    WatchEvent up;
    up.kind = WatchEventKind::Up;
    up.us = microseconds;
    up.durationUs = microseconds - m_downUs;
    up.reports = m_touchReports;
    if (m_settledCount > 0) {
        up.rawX = m_settledSumX / m_settledCount;
        up.rawY = m_settledSumY / m_settledCount;
    } else {
        up.rawX = m_sumX / m_touchReports;
        up.rawY = m_sumY / m_touchReports;
    }
    Pixel(up.rawX, up.rawY, up);
    up.motion = m_bMoved                           ? TouchMotion::Moved
                : m_settled.size() < kStillReports ? TouchMotion::Short
                                                   : TouchMotion::Still;
    if (up.motion != TouchMotion::Still)
        return up;

    ++m_stillTouches;
    double j[4];
    LocalScale(up.rawX, up.rawY, j);
    double sumSquares[kUnits] = {}, lo[kUnits] = {}, hi[kUnits] = {};
    for (size_t i = 0; i < m_settled.size(); ++i) {
        const double dx = m_settled[i].x - up.rawX, dy = m_settled[i].y - up.rawY;
        const double dX = j[0] * dx + j[1] * dy, dY = j[2] * dx + j[3] * dy;
        const double d[kUnits] = {dx, dy, dX, dY, dX * m_pxPerLogicalX, dY * m_pxPerLogicalY};
        for (int k = 0; k < kUnits; ++k) {
            sumSquares[k] += d[k] * d[k];
            lo[k] = i == 0 ? d[k] : std::min(lo[k], d[k]);
            hi[k] = i == 0 ? d[k] : std::max(hi[k], d[k]);
        }
    }
    AxisNoise* axes[kUnits] = {&up.noise.raw.x,    &up.noise.raw.y,    &up.noise.jitter.x,
                               &up.noise.jitter.y, &up.noise.pixels.x, &up.noise.pixels.y};
    for (int k = 0; k < kUnits; ++k) {
        axes[k]->sd = std::sqrt(sumSquares[k] / m_settled.size());
        axes[k]->range = hi[k] - lo[k];
        m_sumSquares[k] += sumSquares[k];
        m_largestRange[k] = std::max(m_largestRange[k], axes[k]->range);
    }
    m_deviations += m_settled.size();
    up.noise.hasPixels = m_bMapped;
    if (!m_bMapped)
        up.noise.pixels = AxisPair();
    m_settled.clear();
    return up;
}

WatchSummary TouchWatch::Summary(uint64_t nowMicroseconds) const {
    WatchSummary s;
    s.elapsedUs = nowMicroseconds;
    s.reports = m_reports;
    s.unknownReports = m_unknown;
    s.strayReleases = m_strayReleases;
    s.touches = m_touches;
    s.stillTouches = m_stillTouches;
    s.touchDown = m_bDown;
    s.reportRate = nowMicroseconds > 0 ? m_reports * 1e6 / nowMicroseconds : 0.0;
    s.touchJitter = m_touchJitter;
    s.hasNoise = m_stillTouches > 0;
    if (s.hasNoise) {
        AxisNoise* axes[kUnits] = {&s.noise.raw.x,    &s.noise.raw.y,    &s.noise.jitter.x,
                                   &s.noise.jitter.y, &s.noise.pixels.x, &s.noise.pixels.y};
        for (int k = 0; k < kUnits; ++k) {
            axes[k]->sd = std::sqrt(m_sumSquares[k] / m_deviations);
            axes[k]->range = m_largestRange[k];
        }
        s.noise.hasPixels = m_bMapped;
        if (!m_bMapped)
            s.noise.pixels = AxisPair();
        s.wanderRaw = CeilOf(std::max(m_largestRange[kRawX], m_largestRange[kRawY]) / 2.0);
        s.wanderJitter = CeilOf(std::max(m_largestRange[kJitterX], m_largestRange[kJitterY]) / 2.0);
        s.wanderPixels = std::max(s.noise.pixels.x.range, s.noise.pixels.y.range) / 2.0;
        const Setting& jitter = Settings()[kTouchJitter];
        s.suggestedJitter =
            std::min(std::max((3 * s.wanderJitter + 19) / 20 * 10, jitter.minimum), jitter.maximum);
    }
    s.hint = Hint(s);
    return s;
}

std::string WatchEventText(const WatchEvent& event) {
    std::string text = TimeColumn(event.us);
    switch (event.kind) {
    case WatchEventKind::Down:
        return text + "down  raw " + std::to_string(static_cast<int32_t>(event.rawX)) + " " +
               std::to_string(static_cast<int32_t>(event.rawY)) + PixelText(event) + "\n";
    case WatchEventKind::Up:
        text += "up    after " + Seconds(event.durationUs) + " s, " +
                std::to_string(event.reports) + " reports, mean raw " + Pixels(event.rawX) + " " +
                Pixels(event.rawY) + PixelText(event) + ", ";
        if (event.motion == TouchMotion::Moved)
            return text + "moved: no noise figure\n";
        if (event.motion == TouchMotion::Short)
            return text + "too short to measure its noise\n";
        return text + "still\n" + std::string(19, ' ') + "noise x " +
               NoiseText(event.noise, false) + "\n" + std::string(19, ' ') + "noise y " +
               NoiseText(event.noise, true) + "\n";
    case WatchEventKind::Unknown:
        break;
    }
    return text + "unknown report of " + std::to_string(event.length) + " bytes (" +
           std::to_string(event.unknownReports) + " so far)\n";
}

std::string WatchEventJson(const WatchEvent& event) {
    const std::string head = "{\"event\": ";
    const std::string us = ", \"us\": " + std::to_string(event.us);
    switch (event.kind) {
    case WatchEventKind::Down:
        return head + "\"down\"" + us +
               ", \"rawX\": " + std::to_string(static_cast<int32_t>(event.rawX)) +
               ", \"rawY\": " + std::to_string(static_cast<int32_t>(event.rawY)) +
               PixelJson(event) + "}\n";
    case WatchEventKind::Up:
        return head + "\"up\"" + us + ", \"durationUs\": " + std::to_string(event.durationUs) +
               ", \"reports\": " + std::to_string(event.reports) +
               ", \"rawX\": " + Pixels(event.rawX) + ", \"rawY\": " + Pixels(event.rawY) +
               PixelJson(event) + ", \"motion\": " + JsonString(MotionWord(event.motion)) +
               ", \"noise\": " +
               (event.motion == TouchMotion::Still ? NoiseJson(event.noise) : std::string("null")) +
               "}\n";
    case WatchEventKind::Unknown:
        break;
    }
    return head + "\"unknown\"" + us + ", \"length\": " + std::to_string(event.length) +
           ", \"unknownReports\": " + std::to_string(event.unknownReports) + "}\n";
}

std::string WatchSummaryText(const WatchSummary& s) {
    std::string text = Pad("watched", 13) + Seconds(s.elapsedUs) + " s\n";
    text += Pad("reports", 13) + std::to_string(s.reports) + ", " + Pixels(s.reportRate) +
            " per second";
    if (s.unknownReports > 0)
        text += ", " + std::to_string(s.unknownReports) + " unknown";
    if (s.strayReleases > 0)
        text += ", " + std::to_string(s.strayReleases) + " release" +
                (s.strayReleases == 1 ? "" : "s") + " without a touch";
    text += "\n" + Pad("touches", 13) + std::to_string(s.touches) + ", " +
            std::to_string(s.stillTouches) + " still" + (s.touchDown ? "; one is down" : "") + "\n";
    if (s.hasNoise) {
        text += Pad("noise x", 13) + NoiseText(s.noise, false) + "\n";
        text += Pad("noise y", 13) + NoiseText(s.noise, true) + "\n";
    } else {
        text += Pad("noise", 13) + "no still touch\n";
    }
    text += Pad("touchJitter", 13) +
            (s.touchJitter == kJitterUnknown ? std::string("unknown")
                                             : std::to_string(s.touchJitter) + " (1/32767)") +
            "\n";
    return text + Pad("hint", 13) + s.hint + "\n";
}

std::string WatchSummaryJson(const WatchSummary& s) {
    auto orNull = [&s](const std::string& value) {
        return s.hasNoise ? value : std::string("null");
    };
    return "{\"event\": \"summary\", \"us\": " + std::to_string(s.elapsedUs) +
           ", \"reports\": " + std::to_string(s.reports) +
           ", \"reportsPerSecond\": " + Pixels(s.reportRate) +
           ", \"unknownReports\": " + std::to_string(s.unknownReports) +
           ", \"releasesWithoutTouch\": " + std::to_string(s.strayReleases) +
           ", \"touches\": " + std::to_string(s.touches) +
           ", \"stillTouches\": " + std::to_string(s.stillTouches) +
           ", \"touchDown\": " + (s.touchDown ? "true" : "false") +
           ", \"noise\": " + orNull(NoiseJson(s.noise)) + ", \"touchJitter\": " +
           (s.touchJitter == kJitterUnknown ? std::string("null") : std::to_string(s.touchJitter)) +
           ", \"wanderRaw\": " + orNull(std::to_string(s.wanderRaw)) +
           ", \"wanderJitter\": " + orNull(std::to_string(s.wanderJitter)) +
           ", \"wanderPixels\": " +
           (s.hasNoise && s.noise.hasPixels ? Pixels(s.wanderPixels) : std::string("null")) +
           ", \"suggestedJitter\": " + orNull(std::to_string(s.suggestedJitter)) +
           ", \"hint\": " + JsonString(s.hint) + "}\n";
}

} // namespace ctl
