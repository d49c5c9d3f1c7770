#pragma once

// The rows of a Buffered window and the arithmetic behind them: which input
// report an event belongs to (items of one report share a sequence number),
// the time since the previous report, the running report rate, the row
// filters, the row limit and the text a saved list holds.

#include "volmar/input/Types.h"
#include "volmar/viewer/ReportIntervals.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace volmar::viewer {

struct EventRow {
    std::string event; // "Event": the object's name
    std::string value; // "Value"
    std::string delta; // "Delta (ms)"
    std::string rate;  // "Rate (Hz)"
    bool operator==(const EventRow&) const = default;
};

struct CommandState {
    bool enabled = true;
    bool checked = false;
};

// Enable and check states of the Buffered window's commands.
struct BufferedCommands {
    CommandState buttons;
    CommandState axes;
    CommandState povs;
    CommandState elapsedTime;
    std::string captureText; // "Stop\tCtrl+E" while capturing, else "Start\tCtrl+E"
};

class EventList {
public:
    static constexpr std::size_t kMaxRows = 10240;

    struct Taken {
        bool cleared = false;  // every row was deleted first (the list was full)
        bool appended = false; // a row was added at the end
    };

    // One item drained from the device's queue; `object` is what the device
    // has at the item's offset, nullptr when it has nothing there. Every item
    // counts for the report rate, also those that give no row.
    Taken take(const input::DeviceObjectData& item, const input::ObjectInstance* object);

    // "Clear All": no rows, the counting starts again.
    void clearAll();
    // Capture on or off; true when it is now on, and then the events queued
    // meanwhile must be dropped by the caller.
    bool toggleCapture();
    bool capturing() const { return m_capture; }
    // While saving, the list must not change: the window stops draining.
    void setSaving(bool on) { m_saving = on; }
    bool saving() const { return m_saving; }
    bool draining() const { return m_capture && !m_saving; }

    void toggleButtons() { m_showButtons = !m_showButtons; }
    void toggleAxes() { m_showAxes = !m_showAxes; }
    void togglePovs() { m_showPovs = !m_showPovs; }
    void toggleElapsedTime() { m_elapsedMode = !m_elapsedMode; }
    bool elapsedMode() const { return m_elapsedMode; }

    BufferedCommands commands(input::DeviceClass deviceClass) const;

    const std::vector<EventRow>& rows() const { return m_rows; }
    // The saved file: a header line, then one line per row, CR LF ended.
    std::string fileText() const;

    std::int32_t reportCounter() const { return m_reportCounter; }
    std::int32_t rateAdjustment() const { return m_rateAdjustment; }
    std::uint32_t elapsed() const { return m_elapsed; }
    const ReportIntervals& intervals() const { return m_intervals; }

private:
    std::vector<EventRow> m_rows;
    std::int32_t m_reportCounter = 0;
    // Minus the reports that came at the very time of the first one: they
    // have no time span to be a rate over.
    std::int32_t m_rateAdjustment = 0;
    std::uint32_t m_lastSequence = 0;
    std::uint32_t m_lastTimeStamp = 0;
    std::uint32_t m_lastDelta = 0;
    std::uint32_t m_firstTimeStamp = 0;
    std::uint32_t m_elapsed = 0;
    bool m_showButtons = true;
    bool m_showAxes = true;
    bool m_showPovs = true;
    bool m_saving = false;
    bool m_elapsedMode = true;
    bool m_capture = true;
    ReportIntervals m_intervals;
};

} // namespace volmar::viewer
