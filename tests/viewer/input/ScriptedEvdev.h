#pragma once

// Scripted evdev nodes for the input service tests: records written with
// send() come out of a source's descriptor like a kernel node's, through the
// same decoder as the real evdev backend.

#include "volmar/input/Evdev.h"
#include "volmar/sysio/Result.h"

#include <memory>
#include <span>
#include <string>
#include <vector>

namespace volmar::input {

// One node; unplug() ends the stream as a removed device does.
class ScriptedEvdev {
public:
    ScriptedEvdev(DeviceInstance instance, EvdevCaps caps);
    ~ScriptedEvdev();
    ScriptedEvdev(const ScriptedEvdev&) = delete;
    ScriptedEvdev& operator=(const ScriptedEvdev&) = delete;

    const DeviceInstance& instance() const { return m_instance; }
    // Writes the records; false once unplugged or when the pipe is full.
    bool send(std::span<const input_event> events);
    // The values a snapshot (after SYN_DROPPED or at acquisition) reads.
    void setCaps(const EvdevCaps& caps);
    void unplug();
    bool plugged() const;
    // A source on the node; fails (ENODEV) once unplugged.
    Result<std::unique_ptr<Source>> open();

private:
    struct Shared;
    DeviceInstance m_instance;
    std::shared_ptr<Shared> m_shared;
};

// A backend listing scripted nodes.
class ScriptedBackend : public Backend {
public:
    const char* name() const override { return "scripted"; }
    void add(std::shared_ptr<ScriptedEvdev> node) { m_nodes.push_back(std::move(node)); }
    // When set, open() of every node fails (a device that is listed but
    // cannot be opened).
    void failOpens(bool fail) { m_failOpens = fail; }
    std::vector<DeviceInstance> enumerate(DeviceClass deviceClass) override;
    Result<std::unique_ptr<Source>> open(const DeviceInstance& instance) override;

private:
    std::vector<std::shared_ptr<ScriptedEvdev>> m_nodes;
    bool m_failOpens = false;
};

// Helper for scripts: one record with its time stamp in milliseconds.
input_event evdevEvent(std::uint16_t type, std::uint16_t code, std::int32_t value,
                       std::uint32_t timeMs = 0);

} // namespace volmar::input
