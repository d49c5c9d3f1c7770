#pragma once

// Which windows the viewer shows: one axis window per watched axis or POV,
// one Buffered window per device with a watched button, each only while its
// device is watched too. Computed from the watch flags of the device table;
// the main window opens and closes windows to match.

#include "volmar/input/DeviceManager.h"

#include <memory>
#include <vector>

namespace volmar::viewer {

using Devices = std::vector<std::unique_ptr<input::DeviceRecord>>;

// The (device, object) a window shows; object is null for a Buffered window.
struct WindowKey {
    input::DeviceRecord* device = nullptr;
    input::ObjectRecord* object = nullptr;

    bool buffered() const { return object == nullptr; }
    bool operator==(const WindowKey&) const = default;
};

// Buttons share their device's Buffered window; so does "no object".
bool takesBufferedWindow(const input::ObjectRecord* object);

// The key of the window that shows (device, object).
WindowKey windowFor(input::DeviceRecord* device, input::ObjectRecord* object);

// Whether an open window's key is the window of (device, object): a Buffered
// window matches any button of its device.
bool windowMatches(const WindowKey& open, const input::DeviceRecord* device,
                   const input::ObjectRecord* object);

struct ClassFlags {
    bool gameController = false;
    bool pointer = false;
    bool keyboard = false;
};

struct WindowSet {
    // In the order the windows are to be opened: table order, a device's
    // Buffered window at the place of its first watched button.
    std::vector<WindowKey> wanted;
    // A class is enumerated again only when one of its devices is watched.
    ClassFlags classes;
};

WindowSet computeWindowSet(const Devices& devices);

bool isWanted(const WindowSet& set, const WindowKey& key);

} // namespace volmar::viewer
