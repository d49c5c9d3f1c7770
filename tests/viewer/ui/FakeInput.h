#pragma once

// Input devices under the test's control, behind the input API's backend
// interface: a game controller, a keyboard and a mouse whose reports carry
// the time stamps the test gives, so that rates and intervals are exact.

#include "volmar/input/DeviceManager.h"
#include "volmar/input/Source.h"

#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace volmar::viewer::test {

class FakeSource;

class FakeDevice {
public:
    FakeDevice(input::DeviceInstance instance, std::vector<input::ObjectDesc> objects);

    const input::DeviceInstance& instance() const { return m_instance; }
    const std::vector<input::ObjectDesc>& objects() const { return m_objects; }
    // Index of the object with this name.
    std::uint32_t object(const std::string& name) const;

    // One report: (object, value) changes stamped `timeMs`.
    void send(std::uint32_t timeMs, std::initializer_list<input::Change> changes);

    std::unique_ptr<input::Source> open();

private:
    friend class FakeSource;
    input::DeviceInstance m_instance;
    std::vector<input::ObjectDesc> m_objects;
    std::mutex m_mutex;
    std::vector<std::int32_t> m_values;
    std::vector<FakeSource*> m_sources;
};

class FakeBackend : public input::Backend {
public:
    const char* name() const override { return "fake"; }
    std::vector<input::DeviceInstance> enumerate(input::DeviceClass deviceClass) override;
    Result<std::unique_ptr<input::Source>> open(const input::DeviceInstance& instance) override;

    std::shared_ptr<FakeDevice> add(std::shared_ptr<FakeDevice> device);
    // A game controller: "X Axis", "Y Axis" (0..1023), "Hat Switch" and
    // `buttons` buttons "Button 1"...
    std::shared_ptr<FakeDevice> addStick(const std::string& name, int buttons = 4);
    // A keyboard with the keys "Esc", "A", "B".
    std::shared_ptr<FakeDevice> addKeyboard(const std::string& name);
    // A mouse: relative "X Axis", "Y Axis", "Wheel", "Left", "Right".
    std::shared_ptr<FakeDevice> addMouse(const std::string& name);

    // Makes the input API over this backend (for CDeviceManager).
    input::CDeviceManager::ApiFactory factory();

private:
    std::vector<std::shared_ptr<FakeDevice>> m_devices;
};

} // namespace volmar::viewer::test
