#include "volmar/viewer/CAxisDoc.h"

#include <utility>

namespace volmar::viewer {

using input::ObjectKind;

std::string axisTitle(const std::string& productName, const std::string& objectName,
                      ObjectKind kind) {
    static constexpr std::pair<ObjectKind, const char*> kSuffixes[] = {
        {ObjectKind::XAxis, " [X]"},       {ObjectKind::YAxis, " [Y]"},
        {ObjectKind::ZAxis, " [Z]"},       {ObjectKind::RxAxis, " [Rx]"},
        {ObjectKind::RyAxis, " [Ry]"},     {ObjectKind::RzAxis, " [Rz]"},
        {ObjectKind::Slider, " [Slider]"}, {ObjectKind::POV, " [POV]"}};
    std::string title = productName + " - " + objectName;
    for (const auto& [k, suffix] : kSuffixes) {
        if (k == kind) {
            title += suffix;
            break;
        }
    }
    return title;
}

CAxisDoc::CAxisDoc(input::DeviceRecord& device, input::ObjectRecord& object)
    : m_device(device), m_object(object), m_rangeMin(object.range.min),
      m_rangeMax(object.range.max),
      m_title(axisTitle(device.instance.productName, object.object.name, object.object.kind)) {}

AxisSnapshot CAxisDoc::snapshot() const {
    return {m_device.readValue(m_object, false), m_device.readValue(m_object, true)};
}

input::HResult CAxisDoc::setDeadZone(std::uint32_t value) {
    m_object.deadZone.data = value;
    return m_device.calibrated->setProperty(input::PropId::DeadZone, m_object.deadZone);
}

input::HResult CAxisDoc::setSaturation(std::uint32_t value) {
    m_object.saturation.data = value;
    return m_device.calibrated->setProperty(input::PropId::Saturation, m_object.saturation);
}

input::HResult CAxisDoc::setCalibration(std::int32_t min, std::int32_t center, std::int32_t max) {
    m_object.calibration.min = min;
    m_object.calibration.center = center;
    m_object.calibration.max = max;
    return m_device.calibrated->setProperty(input::PropId::Calibration, m_object.calibration);
}

void CAxisDoc::closing() {
    m_object.watched = 0;
}

} // namespace volmar::viewer
