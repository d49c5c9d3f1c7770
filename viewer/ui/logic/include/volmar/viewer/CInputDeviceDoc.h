#pragma once

// The document of a Buffered window: one device's event queue. Draining
// hands every queued event, with the object the device has at its offset,
// to the window's event list.

#include "volmar/input/DeviceManager.h"
#include "volmar/viewer/EventList.h"

#include <string>

namespace volmar::viewer {

class CInputDeviceDoc {
public:
    explicit CInputDeviceDoc(input::DeviceRecord& device);

    const std::string& title() const { return m_title; }
    input::DeviceRecord& device() const { return m_device; }
    input::DeviceClass deviceClass() const { return m_device.deviceClass; }
    const std::string& productName() const { return m_device.instance.productName; }

    struct Drained {
        std::size_t items = 0;
        bool cleared = false; // the list was full and started over
    };
    // Moves everything queued into the list, one item at a time.
    Drained drainInto(EventList& list);
    // Events queued while capture was off are dropped, not shown late.
    void dropBacklog();

private:
    input::DeviceRecord& m_device;
    std::string m_title;
};

} // namespace volmar::viewer
