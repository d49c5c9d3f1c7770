#include "volmar/viewer/AxisEdits.h"

#include <cstdio>

namespace volmar::viewer {

std::string rangeMessage(std::int64_t low, std::int64_t high) {
    return "Please enter an integer between " + std::to_string(low) + " and " +
           std::to_string(high) + ".";
}

std::uint32_t percentShown(std::uint32_t property) {
    return property / 100;
}

std::uint32_t propertyFromPercent(std::uint32_t percent) {
    return percent * 100;
}

std::optional<std::string> checkPercent(std::int64_t value) {
    if (value < kPercentLow || value > kPercentHigh) {
        return rangeMessage(kPercentLow, kPercentHigh);
    }
    return std::nullopt;
}

std::optional<FieldError> checkCalibration(const CalibrationFields& fields, std::int32_t hidMin,
                                           std::int32_t hidMax) {
    const std::pair<CalibrationField, std::int64_t> order[] = {
        {CalibrationField::Max, fields.max},
        {CalibrationField::Min, fields.min},
        {CalibrationField::Center, fields.center}};
    for (const auto& [field, value] : order) {
        if (value < hidMin || value > hidMax) {
            return FieldError{field, rangeMessage(hidMin, hidMax)};
        }
    }
    return std::nullopt;
}

CalibrationFields defaultCalibration(std::int32_t hidMin, std::int32_t hidMax) {
    CalibrationFields f;
    f.min = hidMin;
    f.max = hidMax;
    // 64-bit: the width of a full 32-bit range does not fit in 32 bits.
    f.center = f.min + (f.max - f.min + 1) / 2;
    return f;
}

std::string setPropertyError(input::HResult result) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "ERROR: SetProperty returned 0x%x\n",
                  static_cast<unsigned>(result));
    return buffer;
}

} // namespace volmar::viewer
