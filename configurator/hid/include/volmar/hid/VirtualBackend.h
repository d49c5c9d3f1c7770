#pragma once

// The virtual backend: the volmar-sim devices, one socket "<id>.sock" each in
// vhid::deviceFolder(). The folder is created when missing and watched, so a
// sim that starts or stops raises a change like a USB plug would.

#include "volmar/hid/HidBackend.h"

#include <filesystem>
#include <memory>

namespace volmar::hid {

// Watches `folder` (vhid::deviceFolder() when empty) on the calling thread.
std::unique_ptr<HidBackend> makeVirtualBackend(std::filesystem::path folder = {});

// How long a virtual transfer waits for the device's answer.
inline constexpr int kVirtualTransferTimeoutMs = 2000;

} // namespace volmar::hid
