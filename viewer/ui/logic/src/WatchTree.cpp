#include "volmar/viewer/WatchTree.h"

namespace volmar::viewer {

WatchTree::WatchTree(const Devices& devices) {
    for (const auto& record : devices) {
        WatchDevice item;
        item.text = record->instance.productName;
        item.device = record.get();
        bool bufferedAdded = false;
        for (input::ObjectRecord& object : record->objects) {
            if (!object.isButton()) {
                item.children.push_back({object.object.name, &object, false, object.watched != 0});
            } else if (!bufferedAdded) {
                bufferedAdded = true;
                item.children.push_back({kBufferedItemText, &object, true, object.watched != 0});
            }
        }
        item.checked = record->watched.load() != 0;
        m_devices.push_back(std::move(item));
    }
}

void WatchTree::clickDevice(std::size_t device) {
    setDevice(device, !m_devices.at(device).checked);
}

void WatchTree::clickChild(std::size_t device, std::size_t child) {
    setChild(device, child, !m_devices.at(device).children.at(child).checked);
}

void WatchTree::setDevice(std::size_t device, bool checked) {
    WatchDevice& d = m_devices.at(device);
    d.checked = checked;
    for (WatchChild& child : d.children) {
        child.checked = checked;
    }
}

void WatchTree::setChild(std::size_t device, std::size_t child, bool checked) {
    WatchDevice& d = m_devices.at(device);
    d.children.at(child).checked = checked;
    d.checked = true;
}

void WatchTree::apply() const {
    for (const WatchDevice& d : m_devices) {
        d.device->watched = d.checked ? 1 : 0;
        for (const WatchChild& child : d.children) {
            child.object->watched = (d.checked && child.checked) ? 1 : 0;
        }
        for (const WatchChild& child : d.children) {
            if (!child.buffered) {
                continue;
            }
            for (input::ObjectRecord& object : d.device->objects) {
                if (object.isButton()) {
                    object.watched = child.object->watched;
                }
            }
        }
    }
}

} // namespace volmar::viewer
