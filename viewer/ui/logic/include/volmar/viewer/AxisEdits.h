#pragma once

// The rules of the three axis dialogs (dead zone, saturation, calibration):
// what the fields show when they open, what "Restore Defaults" puts in them,
// the range each field must hold for OK, and the message a refused property
// write gives.

#include "volmar/input/Types.h"

#include <cstdint>
#include <optional>
#include <string>

namespace volmar::viewer {

// The message a field outside its range gives; the dialog stays open.
std::string rangeMessage(std::int64_t low, std::int64_t high);

// Dead zone and saturation are stored in 0..10000 and edited in whole percent.
std::uint32_t percentShown(std::uint32_t property);
std::uint32_t propertyFromPercent(std::uint32_t percent);
inline constexpr std::int64_t kPercentLow = 0;
inline constexpr std::int64_t kPercentHigh = 100;
inline constexpr std::uint32_t kDeadZoneDefaultPercent = 0;
inline constexpr std::uint32_t kSaturationDefaultPercent = 100;

// nullopt when the percent field may be taken, else the message.
std::optional<std::string> checkPercent(std::int64_t value);

struct CalibrationFields {
    std::int64_t min = 0;
    std::int64_t center = 0;
    std::int64_t max = 0;
    bool operator==(const CalibrationFields&) const = default;
};

enum class CalibrationField { Min, Center, Max };

struct FieldError {
    CalibrationField field = CalibrationField::Min;
    std::string message;
};

// Each field must lie in the HID logical range; checked in the order Max,
// Min, Center, the first failure wins.
std::optional<FieldError> checkCalibration(const CalibrationFields& fields, std::int32_t hidMin,
                                           std::int32_t hidMax);

// "Restore Defaults": the HID logical range with its centre.
CalibrationFields defaultCalibration(std::int32_t hidMin, std::int32_t hidMax);

// "ERROR: SetProperty returned 0x%x\n"
std::string setPropertyError(input::HResult result);

} // namespace volmar::viewer
