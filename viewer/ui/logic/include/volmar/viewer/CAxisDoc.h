#pragma once

// The document of an axis window: one axis or POV of one device. It reads
// the object's values for the window's snapshot and writes the properties
// the axis dialogs edit; the window itself never touches the device.

#include "volmar/input/DeviceManager.h"

#include <cstdint>
#include <string>

namespace volmar::viewer {

// "<product> - <object>" and the axis kind: " [X]", " [Y]", " [Z]", " [Rx]",
// " [Ry]", " [Rz]", " [Slider]", " [POV]", nothing for any other kind.
std::string axisTitle(const std::string& productName, const std::string& objectName,
                      input::ObjectKind kind);

// What the gauge shows at one moment.
struct AxisSnapshot {
    std::int32_t value = 0; // calibrated
    std::int32_t raw = 0;
};

class CAxisDoc {
public:
    static constexpr int kTickCount = 50;

    CAxisDoc(input::DeviceRecord& device, input::ObjectRecord& object);

    const std::string& title() const { return m_title; }
    input::DeviceRecord& device() const { return m_device; }
    input::ObjectRecord& object() const { return m_object; }
    // The range as it was when the window opened.
    std::int32_t rangeMin() const { return m_rangeMin; }
    std::int32_t rangeMax() const { return m_rangeMax; }
    std::int32_t hidLogicalMin() const { return m_object.hidLogicalMin; }
    std::int32_t hidLogicalMax() const { return m_object.hidLogicalMax; }
    // The raw view shows only for axes, never for POVs.
    bool isAxis() const { return m_object.isAxis(); }

    AxisSnapshot snapshot() const;

    std::uint32_t deadZone() const { return m_object.deadZone.data; }
    std::uint32_t saturation() const { return m_object.saturation.data; }
    const input::PropCalibration& calibration() const { return m_object.calibration; }

    // OK in the dialogs: the object's record takes the new value, then it is
    // written through the calibrated interface; the result code comes back.
    // The record keeps the value even when the device refuses it.
    input::HResult setDeadZone(std::uint32_t value);
    input::HResult setSaturation(std::uint32_t value);
    input::HResult setCalibration(std::int32_t min, std::int32_t center, std::int32_t max);

    // Closing the window unwatches its object (stored when the viewer exits).
    void closing();

private:
    input::DeviceRecord& m_device;
    input::ObjectRecord& m_object;
    std::int32_t m_rangeMin = 0;
    std::int32_t m_rangeMax = 0;
    std::string m_title;
};

} // namespace volmar::viewer
