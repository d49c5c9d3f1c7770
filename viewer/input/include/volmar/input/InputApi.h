#pragma once

// Entry point of the input API: lists attached devices of a class over all
// backends and opens interfaces on them. Backends are asked in the order
// given; a device that two backends see (the hidraw and the evdev node of one
// HID device share a parent key) is listed once, by the first.

#include "volmar/input/InputDevice.h"
#include "volmar/input/Source.h"

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace volmar::input {

class DeviceHub;

// Enumeration callbacks answer one of these.
inline constexpr bool DIENUM_CONTINUE = true;
inline constexpr bool DIENUM_STOP = false;

class InputApi {
public:
    explicit InputApi(std::vector<std::shared_ptr<Backend>> backends);
    ~InputApi();
    InputApi(const InputApi&) = delete;
    InputApi& operator=(const InputApi&) = delete;

    // Virtual controllers, then readable HID game controllers (hidraw), then
    // evdev.
    static std::unique_ptr<InputApi> createDefault();

    HResult enumDevices(DeviceClass deviceClass,
                        const std::function<bool(const DeviceInstance&)>& callback);
    // Opens one more interface on a device listed by enumDevices(); a
    // failure says why, e.g. in the system's words.
    Result<std::unique_ptr<InputDevice>> openDevice(const std::string& instanceId);
    // openDevice() as the viewer's windows call it: DIERR_DEVICENOTREG for
    // any failure.
    HResult createDevice(const std::string& instanceId, std::unique_ptr<InputDevice>& out);

    // The HID input values of the device at `path` (as an interface's path
    // property gives it), read from a fresh opening of the node: axes and
    // hats with their logical ranges, in the device's object order.
    struct ValueCaps {
        std::uint16_t usagePage = 0;
        std::uint16_t usage = 0;
        std::int32_t logicalMin = 0;
        std::int32_t logicalMax = 0;
    };
    HResult hidValueCaps(const std::string& path, std::vector<ValueCaps>& out);

private:
    struct Known {
        std::shared_ptr<Backend> backend;
        DeviceInstance instance;
    };

    std::vector<std::shared_ptr<Backend>> m_backends;
    std::mutex m_mutex;
    std::map<std::string, Known> m_known;
    std::map<std::string, std::weak_ptr<DeviceHub>> m_hubs;
    std::atomic<std::uint32_t> m_sequence{1};
};

// Key under which backends recognise one physical HID device (the sysfs path
// of its HID parent); empty when there is none.
std::string hidParentKey(const std::string& sysfsPath);

} // namespace volmar::input
