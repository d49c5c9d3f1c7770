#pragma once

// The per-user store of watch choices: section "Settings" holds "Executed"
// (1 once the viewer has been closed at least once); every device has a
// section named after its product name holding one value per object, named
// after the object, with its watched flag. A device's own flag is not
// stored: it follows from its objects.

#include "volmar/viewer/WindowSet.h"

#include <string>

namespace volmar::viewer {

class WatchStore {
public:
    virtual ~WatchStore() = default;
    virtual int readInt(const std::string& section, const std::string& key, int fallback) const = 0;
    virtual void writeInt(const std::string& section, const std::string& key, int value) = 0;
    // Makes what was written last; false when it could not be kept.
    virtual bool flush() { return true; }
};

inline constexpr const char* kSettingsSection = "Settings";
inline constexpr const char* kExecutedKey = "Executed";

// Once, after the first enumeration. First run: keyboards and game
// controllers are watched with all their objects, pointer devices are not.
// Later runs: each object as stored (absent: 0); a device is watched when
// any of its objects is.
void loadWatchSettings(const Devices& devices, const WatchStore& store);

// When the main window closes: "Executed" = 1 and every object's flag,
// buttons and keys included.
void saveWatchSettings(const Devices& devices, WatchStore& store);

} // namespace volmar::viewer
