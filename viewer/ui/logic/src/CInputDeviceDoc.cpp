#include "volmar/viewer/CInputDeviceDoc.h"

namespace volmar::viewer {

CInputDeviceDoc::CInputDeviceDoc(input::DeviceRecord& device)
    : m_device(device), m_title(device.instance.productName + " - Buffered") {}

CInputDeviceDoc::Drained CInputDeviceDoc::drainInto(EventList& list) {
    Drained drained;
    input::DeviceObjectData item;
    while (m_device.popFront(item)) {
        ++drained.items;
        input::ObjectInstance object;
        const bool found = input::succeeded(
            m_device.calibrated->getObjectInfo(object, item.offset, input::How::ByOffset));
        const EventList::Taken taken = list.take(item, found ? &object : nullptr);
        drained.cleared = drained.cleared || taken.cleared;
    }
    return drained;
}

void CInputDeviceDoc::dropBacklog() {
    m_device.clearQueue();
}

} // namespace volmar::viewer
