#include "volmar/viewer/EventList.h"

#include <cstdio>

namespace volmar::viewer {

using input::DeviceClass;

namespace {

bool isButton(std::uint32_t type) {
    return (type & input::DIDFT_BUTTON) != 0;
}
bool isAxis(std::uint32_t type) {
    return (type & input::DIDFT_AXIS) != 0;
}
bool isPov(std::uint32_t type) {
    return (type & input::DIDFT_POV) != 0;
}

std::string formatted(const char* format, auto value) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

} // namespace

EventList::Taken EventList::take(const input::DeviceObjectData& item,
                                 const input::ObjectInstance* object) {
    const std::uint32_t t = item.timeStamp;
    if (m_reportCounter == 0) {
        m_firstTimeStamp = t;
    }
    std::uint32_t delta = m_lastDelta;
    if (item.sequence != m_lastSequence) {
        // A new report has started.
        ++m_reportCounter;
        delta = m_lastTimeStamp != 0 ? t - m_lastTimeStamp : 0;
        m_lastSequence = item.sequence;
        m_lastTimeStamp = t;
        m_lastDelta = delta;
        m_elapsed = t - m_firstTimeStamp;
        if (m_elapsed == 0) {
            --m_rateAdjustment;
        }
        m_intervals.addReport(t);
    }
    Taken taken;
    if (m_rows.size() == kMaxRows) {
        m_rows.clear();
        taken.cleared = true;
    }
    if (object == nullptr) {
        return taken;
    }
    const std::uint32_t type = object->type;
    if ((isButton(type) && !m_showButtons) || (isAxis(type) && !m_showAxes) ||
        (isPov(type) && !m_showPovs)) {
        return taken;
    }
    EventRow row;
    row.event = object->name;
    if (isButton(type)) {
        row.value = (item.data & input::kButtonDown) != 0 ? "DOWN" : "UP";
    } else if (isAxis(type) || isPov(type)) {
        // POVs show their reading too (hundredths of degrees, -1 centred).
        row.value = formatted("%d", static_cast<std::int32_t>(item.data));
    }
    // Time stamps are unsigned milliseconds; so are differences of them.
    row.delta = formatted("%u", m_elapsedMode ? delta : t);
    const double seconds = m_elapsed * 0.001;
    const double rate = seconds != 0 ? (m_reportCounter + m_rateAdjustment) / seconds : 0.0;
    row.rate = formatted("%.3f", rate);
    m_rows.push_back(std::move(row));
    taken.appended = true;
    return taken;
}

void EventList::clearAll() {
    m_rows.clear();
    m_reportCounter = 0;
    m_rateAdjustment = 0;
    m_lastTimeStamp = 0;
    m_elapsed = 0;
    m_intervals.reset();
}

bool EventList::toggleCapture() {
    m_capture = !m_capture;
    if (m_capture) {
        // The elapsed time stays until the next report.
        m_reportCounter = 0;
        m_rateAdjustment = 0;
        m_lastTimeStamp = 0;
        m_intervals.reset();
    }
    return m_capture;
}

BufferedCommands EventList::commands(DeviceClass deviceClass) const {
    const bool keyboard = deviceClass == DeviceClass::Keyboard;
    const bool controller = deviceClass == DeviceClass::GameController;
    BufferedCommands c;
    c.buttons = {true, m_showButtons};
    c.axes = {!keyboard, !keyboard && m_showAxes};
    c.povs = {controller, controller && m_showPovs};
    c.elapsedTime = {true, m_elapsedMode};
    c.captureText = m_capture ? "Stop\tCtrl+E" : "Start\tCtrl+E";
    return c;
}

std::string EventList::fileText() const {
    std::string text = "Report Number,Report Rate (Hz),Object Name,Object Value,";
    text += m_elapsedMode ? "Ellapsed Time (ms)" : "System Time (ms)";
    text += "\r\n";
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        const EventRow& r = m_rows[i];
        text += std::to_string(i) + ',' + r.rate + ',' + r.event + ',' + r.value + ',' + r.delta +
                "\r\n";
    }
    return text;
}

} // namespace volmar::viewer
