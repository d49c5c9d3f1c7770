#include "Probe.h"

#include <cstdio>

namespace volmar::input::probe {

namespace {

std::string format(const char* fmt, auto... args) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, fmt, args...);
    return buffer;
}

const char* kindWord(const ObjectRecord& o) {
    if (o.isAxis()) {
        return "axis";
    }
    if (o.isPov()) {
        return "POV";
    }
    return o.isButton() ? "button" : "other";
}

} // namespace

const char* className(DeviceClass deviceClass) {
    switch (deviceClass) {
    case DeviceClass::GameController:
        return "game controller";
    case DeviceClass::Pointer:
        return "pointer";
    case DeviceClass::Keyboard:
        return "keyboard";
    }
    return "?";
}

std::string describeDevice(const DeviceRecord& d, bool acquired) {
    return format("%s \"%s\"  %s  %04x:%04x  %zu objects  %s", className(d.deviceClass),
                  d.instance.productName.c_str(), d.instance.path.c_str(), d.instance.vendorId,
                  d.instance.productId, d.objects.size(), acquired ? "acquired" : "NOT acquired");
}

std::string describeObject(const ObjectRecord& o) {
    std::string line =
        format("  %-14s %-6s type 0x%08x  usage %02x:%02x  offset %d", o.object.name.c_str(),
               kindWord(o), o.object.type, o.object.usagePage, o.object.usage, o.stateOffset);
    if (o.isAxis()) {
        line += format("  range %d..%d  HID %d..%d  dead zone %u  saturation %u", o.range.min,
                       o.range.max, o.hidLogicalMin, o.hidLogicalMax, o.deadZone.data,
                       o.saturation.data);
    } else if (o.isPov()) {
        line += format("  range %d..%d", o.range.min, o.range.max);
    }
    return line;
}

std::string describePresence(const DeviceRecord& d, bool reading) {
    return format("%s \"%s\"  %s  %s", className(d.deviceClass), d.instance.productName.c_str(),
                  d.instance.path.c_str(),
                  reading ? "is back" : "went away (unplugged or its input was lost)");
}

std::string describeEvent(const DeviceRecord& d, const DeviceObjectData& item) {
    std::string name = format("offset %u", item.offset);
    bool button = false;
    for (const ObjectRecord& o : d.objects) {
        if (o.stateOffset >= 0 && static_cast<std::uint32_t>(o.stateOffset) == item.offset) {
            name = o.object.name;
            button = o.isButton();
            break;
        }
    }
    const std::string value = button ? ((item.data & 0x80) != 0 ? "pressed" : "released")
                                     : format("%d", static_cast<std::int32_t>(item.data));
    return format("%-24s %-14s %-10s t=%u ms  seq %u", d.instance.productName.c_str(), name.c_str(),
                  value.c_str(), item.timeStamp, item.sequence);
}

} // namespace volmar::input::probe
