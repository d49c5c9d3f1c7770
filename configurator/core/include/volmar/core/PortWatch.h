#pragma once

// The USB serial-port list and the watch that starts an upload once the
// expected port shows up (a Caterina bootloader appears as a serial port for
// a few seconds after "Start bootloader").

#include <string>
#include <string_view>
#include <vector>

namespace volmar::ports {

// The port names joined by commas, without blanks: "/dev/ttyACM0,/dev/ttyACM1".
std::string joinPortList(const std::vector<std::string>& names);

// What one look at the list changes on the firmware page.
struct WatchStep {
    std::string com_port; // the port field's text afterwards
    bool present = false; // the field shows green, else the window colour
    // The automatic start fires: the box is unticked first (so the next look
    // cannot start it again), then the upload runs.
    bool startUpload = false;
    bool operator==(const WatchStep&) const = default;
};

// With the box ticked and the field empty, the field takes the whole list.
// The port counts as present when the field's text occurs anywhere in the
// list (a substring, letter case significant: "/dev/ttyACM1" is found in
// "/dev/ttyACM12") and neither is empty.
WatchStep comPortWatch(std::string_view list, std::string_view com_port, bool autoFirmware);

} // namespace volmar::ports
