#pragma once

// What the "Edit Device Settings" dialog edits: one item per device with a
// check box, under it one item per axis, POV or other non-button object, and
// a single "Buffered" item for all of the device's buttons. The dialog only
// shows these items and forwards the user's clicks.

#include "volmar/viewer/WindowSet.h"

#include <cstddef>
#include <string>
#include <vector>

namespace volmar::viewer {

inline constexpr const char* kBufferedItemText = "Buffered";

struct WatchChild {
    std::string text;
    input::ObjectRecord* object = nullptr; // the first button for "Buffered"
    bool buffered = false;
    bool checked = false;
};

struct WatchDevice {
    std::string text;
    input::DeviceRecord* device = nullptr;
    bool checked = false;
    std::vector<WatchChild> children;
};

class WatchTree {
public:
    // Filled from the device table as it stands.
    explicit WatchTree(const Devices& devices);

    const std::vector<WatchDevice>& devices() const { return m_devices; }

    // A click on a device's box: the box flips and its children follow it.
    void clickDevice(std::size_t device);
    // A click on a child's box: the box flips and its device is checked.
    void clickChild(std::size_t device, std::size_t child);
    // The same rules for a box set to a state (a tree that flips its boxes
    // before telling, or a keyboard toggle).
    void setDevice(std::size_t device, bool checked);
    void setChild(std::size_t device, std::size_t child, bool checked);

    // OK: device flag = its box; each object = device box AND its box; all
    // buttons take what the "Buffered" item received.
    void apply() const;

private:
    std::vector<WatchDevice> m_devices;
};

} // namespace volmar::viewer
