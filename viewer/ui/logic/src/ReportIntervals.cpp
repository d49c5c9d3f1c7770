#include "volmar/viewer/ReportIntervals.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace volmar::viewer {

void ReportIntervals::addReport(std::uint32_t timeMs) {
    if (m_haveLast) {
        m_intervals.push_back({timeMs, timeMs - m_lastMs});
    }
    m_haveLast = true;
    m_lastMs = timeMs;
    // Only the last second counts: older intervals leave as new ones come.
    while (!m_intervals.empty() && timeMs - m_intervals.front().endMs >= kWindowMs) {
        m_intervals.pop_front();
    }
}

void ReportIntervals::reset() {
    m_haveLast = false;
    m_lastMs = 0;
    m_intervals.clear();
}

ReportIntervals::Figures ReportIntervals::figures() const {
    Figures f;
    f.count = m_intervals.size();
    if (f.count == 0) {
        return f;
    }
    std::uint32_t lo = m_intervals.front().lengthMs;
    std::uint32_t hi = lo;
    double sum = 0;
    for (const Interval& i : m_intervals) {
        lo = std::min(lo, i.lengthMs);
        hi = std::max(hi, i.lengthMs);
        sum += i.lengthMs;
    }
    const double n = static_cast<double>(f.count);
    const double mean = sum / n;
    double squares = 0;
    for (const Interval& i : m_intervals) {
        const double d = i.lengthMs - mean;
        squares += d * d;
    }
    f.minUs = std::int64_t{lo} * 1000;
    f.maxUs = std::int64_t{hi} * 1000;
    f.meanUs = mean * 1000.0;
    f.jitterUs = std::sqrt(squares / n) * 1000.0;
    return f;
}

std::string ReportIntervals::text(const Figures& f) {
    if (f.count == 0) {
        return "Report interval (\u00b5s): -";
    }
    char buffer[160];
    std::snprintf(buffer, sizeof buffer,
                  "Report interval (\u00b5s): min %lld  mean %.0f  max %lld  jitter %.0f",
                  static_cast<long long>(f.minUs), f.meanUs, static_cast<long long>(f.maxUs),
                  f.jitterUs);
    return buffer;
}

} // namespace volmar::viewer
