#pragma once

// The real backends of the input API on Linux, and the virtual one.

#include "volmar/hidparse/HidParse.h"
#include "volmar/input/Source.h"
#include "volmar/sysio/Fd.h"

#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace volmar::input {

// evdev nodes classified by udev: ID_INPUT_JOYSTICK (game controller),
// ID_INPUT_MOUSE / ID_INPUT_TOUCHPAD (pointer), ID_INPUT_KEYBOARD.
std::shared_ptr<Backend> makeEvdevBackend();
// HID game controllers (joystick, gamepad, multi-axis collections) whose
// hidraw node this user may read: all their buttons and exact HID ranges.
std::shared_ptr<Backend> makeHidrawBackend();
// A source reading one HID input report per read() from a non-blocking
// descriptor (a hidraw node), decoding the collection's reports.
std::unique_ptr<Source> makeHidReportSource(sysio::UniqueFd fd,
                                            hidparse::ParsedDescriptor descriptor,
                                            std::size_t collection);

// Whether an evdev node with these udev properties belongs to the class. A
// node udev marks as a joystick is a game controller only, even when it also
// claims keys or a pointer.
bool evdevNodeInClass(const std::map<std::string, std::string>& udevProperties,
                      DeviceClass deviceClass);

// Virtual controllers (volmar-sim) in the given folder.
std::shared_ptr<Backend> makeVirtualBackend(std::filesystem::path folder);

} // namespace volmar::input
