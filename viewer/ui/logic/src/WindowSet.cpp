#include "volmar/viewer/WindowSet.h"

#include <algorithm>

namespace volmar::viewer {

using input::DeviceClass;

bool takesBufferedWindow(const input::ObjectRecord* object) {
    return object == nullptr || object->isButton();
}

WindowKey windowFor(input::DeviceRecord* device, input::ObjectRecord* object) {
    return {device, takesBufferedWindow(object) ? nullptr : object};
}

bool windowMatches(const WindowKey& open, const input::DeviceRecord* device,
                   const input::ObjectRecord* object) {
    if (open.device != device) {
        return false;
    }
    return takesBufferedWindow(object) ? open.buffered() : open.object == object;
}

WindowSet computeWindowSet(const Devices& devices) {
    WindowSet set;
    for (const auto& record : devices) {
        input::DeviceRecord* device = record.get();
        const bool deviceWatched = device->watched.load() != 0;
        if (deviceWatched) {
            switch (device->deviceClass) {
            case DeviceClass::GameController:
                set.classes.gameController = true;
                break;
            case DeviceClass::Pointer:
                set.classes.pointer = true;
                break;
            case DeviceClass::Keyboard:
                set.classes.keyboard = true;
                break;
            }
        }
        bool bufferedWanted = false;
        for (input::ObjectRecord& object : device->objects) {
            if (!deviceWatched || object.watched == 0) {
                continue;
            }
            if (object.isAxis() || object.isPov()) {
                set.wanted.push_back({device, &object});
            } else if (object.isButton() && !bufferedWanted) {
                bufferedWanted = true;
                set.wanted.push_back({device, nullptr});
            }
        }
    }
    return set;
}

bool isWanted(const WindowSet& set, const WindowKey& key) {
    return std::find(set.wanted.begin(), set.wanted.end(), key) != set.wanted.end();
}

} // namespace volmar::viewer
