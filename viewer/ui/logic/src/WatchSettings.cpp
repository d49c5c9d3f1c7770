#include "volmar/viewer/WatchSettings.h"

namespace volmar::viewer {

using input::DeviceClass;

void loadWatchSettings(const Devices& devices, const WatchStore& store) {
    const bool firstRun = store.readInt(kSettingsSection, kExecutedKey, 0) == 0;
    for (const auto& device : devices) {
        if (firstRun) {
            const bool watched = device->deviceClass == DeviceClass::Keyboard ||
                                 device->deviceClass == DeviceClass::GameController;
            device->watched = watched ? 1 : 0;
            for (input::ObjectRecord& object : device->objects) {
                object.watched = watched ? 1 : 0;
            }
            continue;
        }
        bool any = false;
        const std::string& section = device->instance.productName;
        for (input::ObjectRecord& object : device->objects) {
            object.watched = store.readInt(section, object.object.name, 0) != 0 ? 1 : 0;
            any = any || object.watched != 0;
        }
        device->watched = any ? 1 : 0;
    }
}

void saveWatchSettings(const Devices& devices, WatchStore& store) {
    store.writeInt(kSettingsSection, kExecutedKey, 1);
    for (const auto& device : devices) {
        for (const input::ObjectRecord& object : device->objects) {
            store.writeInt(device->instance.productName, object.object.name,
                           object.watched != 0 ? 1 : 0);
        }
    }
}

} // namespace volmar::viewer
