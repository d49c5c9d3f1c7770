#pragma once

// How evenly a device sends its reports: the intervals between the starts of
// its reports over the last second, from the events' own time stamps (never
// from the wall clock, which would measure the viewer's timer instead).

#include <cstdint>
#include <deque>
#include <string>

namespace volmar::viewer {

class ReportIntervals {
public:
    static constexpr std::uint32_t kWindowMs = 1000;

    struct Figures {
        std::size_t count = 0; // intervals measured; the rest is 0 without any
        std::int64_t minUs = 0;
        std::int64_t maxUs = 0;
        double meanUs = 0;
        // Standard deviation of the intervals around their mean.
        double jitterUs = 0;
    };

    // The start of a report, in milliseconds of the device's time stamps
    // (wrapping like them).
    void addReport(std::uint32_t timeMs);
    void reset();
    Figures figures() const;

    // "Report interval (µs): min 4000  mean 5000  max 9000  jitter 2000", or
    // "Report interval (µs): -" before two reports.
    static std::string text(const Figures& figures);

private:
    struct Interval {
        std::uint32_t endMs = 0;
        std::uint32_t lengthMs = 0;
    };
    bool m_haveLast = false;
    std::uint32_t m_lastMs = 0;
    std::deque<Interval> m_intervals;
};

} // namespace volmar::viewer
