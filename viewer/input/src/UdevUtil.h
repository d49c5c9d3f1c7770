#pragma once

// The few udev facts the backends need about a node, read in one pass.

#include "volmar/input/Types.h"
#include "volmar/sysio/Fd.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace volmar::input {

struct UdevNode {
    std::string syspath;
    std::string devnode;
    bool initialized = false;
    std::map<std::string, std::string> properties;
    std::string inputName; // "name" of the input device above an evdev node
    std::string hidParent; // syspath of the HID device above the node, if any
    std::string hidName;   // HID_NAME of that parent
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;

    std::string property(const std::string& key) const {
        const auto it = properties.find(key);
        return it == properties.end() ? std::string{} : it->second;
    }
};

// Nodes of a subsystem, ordered by node number (event2 before event10).
std::vector<UdevNode> listUdevNodes(const char* subsystem);

// The key under which the backends recognise one physical device of a class
// (its HID parent and the class); empty without a HID parent.
std::string parentKeyOf(const UdevNode& node, DeviceClass deviceClass);

// A node opened for reading without blocking; a failure names the node.
Result<sysio::UniqueFd> openForReading(const std::string& devnode);

} // namespace volmar::input
