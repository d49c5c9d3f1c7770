#include "volmar/input/InputApi.h"

#include "DeviceHub.h"
#include "volmar/input/LinuxBackends.h"
#include "volmar/vhid/Wire.h"

#include <algorithm>
#include <set>
#include <time.h>

namespace volmar::input {

std::uint32_t nowMs() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                                      static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u);
}

InputApi::InputApi(std::vector<std::shared_ptr<Backend>> backends)
    : m_backends(std::move(backends)) {}

InputApi::~InputApi() = default;

std::unique_ptr<InputApi> InputApi::createDefault() {
    return std::make_unique<InputApi>(std::vector<std::shared_ptr<Backend>>{
        makeVirtualBackend(vhid::deviceFolder()), makeHidrawBackend(), makeEvdevBackend()});
}

HResult InputApi::enumDevices(DeviceClass deviceClass,
                              const std::function<bool(const DeviceInstance&)>& callback) {
    std::vector<DeviceInstance> found;
    {
        std::lock_guard lock(m_mutex);
        // A device an earlier backend listed is not listed again; nodes of
        // one backend that share a parent (a two-stick adapter) all count.
        std::set<std::string> parents;
        for (const auto& backend : m_backends) {
            std::set<std::string> mine;
            for (DeviceInstance& instance : backend->enumerate(deviceClass)) {
                const std::string parent = instance.parentKey;
                if (!parent.empty() && parents.count(parent) != 0) {
                    continue;
                }
                mine.insert(parent);
                m_known[instance.instanceId] = {backend, instance};
                found.push_back(std::move(instance));
            }
            parents.insert(mine.begin(), mine.end());
        }
    }
    for (const DeviceInstance& instance : found) {
        if (!callback(instance)) {
            break;
        }
    }
    return DI_OK;
}

Result<std::unique_ptr<InputDevice>> InputApi::openDevice(const std::string& instanceId) {
    std::shared_ptr<DeviceHub> hub;
    DeviceInstance instance;
    {
        std::lock_guard lock(m_mutex);
        const auto known = m_known.find(instanceId);
        if (known == m_known.end()) {
            return Error{ENODEV, "not listed"};
        }
        instance = known->second.instance;
        hub = m_hubs[instanceId].lock();
        if (!hub) {
            auto source = known->second.backend->open(instance);
            if (!source) {
                return source.error();
            }
            hub = std::make_shared<DeviceHub>(known->second.backend, instance, std::move(*source),
                                              m_sequence);
            m_hubs[instanceId] = hub;
        }
    }
    return std::make_unique<InputDevice>(std::move(hub), std::move(instance));
}

HResult InputApi::createDevice(const std::string& instanceId, std::unique_ptr<InputDevice>& out) {
    auto opened = openDevice(instanceId);
    if (!opened) {
        return DIERR_DEVICENOTREG;
    }
    out = std::move(*opened);
    return DI_OK;
}

HResult InputApi::hidValueCaps(const std::string& path, std::vector<ValueCaps>& out) {
    out.clear();
    if (path.empty()) {
        return DIERR_INVALIDPARAM;
    }
    Known known;
    {
        std::lock_guard lock(m_mutex);
        const auto it = std::find_if(m_known.begin(), m_known.end(),
                                     [&](const auto& k) { return k.second.instance.path == path; });
        if (it == m_known.end()) {
            return DIERR_DEVICENOTREG;
        }
        known = it->second;
    }
    const auto source = known.backend->open(known.instance);
    if (!source) {
        return DIERR_DEVICENOTREG;
    }
    for (const ObjectDesc& desc : (*source)->objects()) {
        if (desc.typeBits == DIDFT_ABSAXIS || desc.typeBits == DIDFT_POV) {
            out.push_back({desc.usagePage, desc.usage, desc.logicalMin, desc.logicalMax});
        }
    }
    return DI_OK;
}

} // namespace volmar::input
