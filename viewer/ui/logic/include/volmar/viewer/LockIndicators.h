#pragma once

// The CAPS, NUM and SCRL panes of the status bar: whether any keyboard's
// lock light is on, from the kernel's LED class (<leds>/inputN::capslock/
// brightness), which every desktop session on Linux shares.

#include <filesystem>

namespace volmar::viewer {

struct LockState {
    bool caps = false;
    bool num = false;
    bool scroll = false;
    bool operator==(const LockState&) const = default;
};

// Reads the lights below `ledsFolder` (normally /sys/class/leds); a folder
// that cannot be read shows every light off.
LockState readLockState(const std::filesystem::path& ledsFolder = "/sys/class/leds");

} // namespace volmar::viewer
