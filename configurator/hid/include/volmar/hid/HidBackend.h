#pragma once

// The platform side of the HID layer: what a backend (hidraw + udev, or the
// virtual controllers of volmar-sim) must offer. Qt-free; the controller in
// HidController.h builds the device list and the threads on top of it.

#include "volmar/sysio/Result.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace volmar::hid {

struct HidAttributes {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t versionNumber = 0;
    bool operator==(const HidAttributes&) const = default;
};

// Capabilities of one top-level collection, counted as the Windows HID stack
// counts them: the largest report of each kind, plus one byte for the report
// id when the descriptor uses ids.
struct HidCaps {
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    std::uint16_t inputReportByteLength = 0;
    std::uint16_t outputReportByteLength = 0;
    std::uint16_t featureReportByteLength = 0;
    bool operator==(const HidCaps&) const = default;
};

// One top-level collection of one node, as a backend lists it.
struct CollectionInfo {
    // Identity across list rebuilds: changes whenever the node is plugged in
    // again (a re-enumerated controller is a new device), equal for the same
    // attachment. Starts with the backend's name ("hidraw:", "virtual:").
    std::string deviceId;
    std::string path;        // node: /dev/hidrawN, or a virtual device's socket
    int collectionIndex = 0; // top-level collection within the node's descriptor
    HidAttributes attributes;
    HidCaps caps;
    std::string manufacturer; // UTF-8
    std::string product;
    std::string serial; // as the device answered; HidDevice applies the language-table rule
    // The device's string language ids (string descriptor 0) when the backend
    // could read them; empty when unknown.
    std::vector<std::uint16_t> languageIds;
    std::vector<std::uint8_t> inputReportIds; // ids of the input reports it declares (0 = no ids)
    bool usesReportIds = false;               // the node's reports start with their id
    bool openable = true;                     // false: present but the node cannot be opened
    std::string openError;                    // why not (system text), when !openable
    // Why the node's report descriptor gave no collection (the entry is
    // listed without caps); empty normally.
    std::string descriptorProblem;
};

// One opened node. Feature transfers run on the caller's thread; readInput on
// the node's reader thread. A failure carries the errno value, and the
// system's words for it are what the caller shows.
class HidNode {
public:
    virtual ~HidNode() = default;
    // report[0] is the report id.
    virtual Status setFeature(std::span<const std::uint8_t> report) = 0;
    // report[0] holds the report id on entry; the whole buffer must be filled
    // (a shorter answer is a failed transfer: EIO).
    virtual Status getFeature(std::span<std::uint8_t> report) = 0;
    // Next input report (report id first when the node uses ids), waiting at
    // most timeoutMs; fails with ETIMEDOUT, ECANCELED after cancelRead(), or
    // ENODEV/EIO once the node is gone.
    virtual Status readInput(std::vector<std::uint8_t>& report, int timeoutMs) = 0;
    // Makes a readInput that waits on another thread return at once (and
    // every later one): stopping a reader never waits for its timeout.
    virtual void cancelRead() = 0;
};

class HidBackend {
public:
    virtual ~HidBackend() = default;
    virtual std::string name() const = 0;
    // Every collection of every node present now.
    virtual std::vector<CollectionInfo> enumerate() = 0;
    // Opens a node for feature transfers and input reading, taking the lock
    // that keeps other programs off the device while it is open; a device
    // another program holds fails with EBUSY and "in use by <program>, pid
    // <pid>" before anything is sent.
    virtual Result<std::unique_ptr<HidNode>> open(const std::string& path) = 0;
    // Called (on the thread that owns the backend's event sources) whenever
    // the set of nodes may have changed.
    virtual void setChangeCallback(std::function<void()> callback) = 0;
};

} // namespace volmar::hid
