#pragma once

// Text lines of inspecta-probe: what the service finds and what it reads.

#include "volmar/input/DeviceManager.h"

#include <string>

namespace volmar::input::probe {

const char* className(DeviceClass deviceClass);
// `acquired`: whether it was readable when looked at.
std::string describeDevice(const DeviceRecord& device, bool acquired);
std::string describeObject(const ObjectRecord& object);
// The device went away (its input was lost) or is readable again.
std::string describePresence(const DeviceRecord& device, bool reading);
// One event: device, object name (or the offset when unknown), value,
// time stamp and sequence number.
std::string describeEvent(const DeviceRecord& device, const DeviceObjectData& item);

} // namespace volmar::input::probe
