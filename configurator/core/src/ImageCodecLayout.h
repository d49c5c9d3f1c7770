#pragma once

// Layout constants and value guards shared by the image encoder, the decoder
// and the descriptor generator.

#include "volmar/core/ValueLists.h"

#include <cstddef>
#include <cstdint>

namespace volmar::layout {

// Region sizes; the encoder and decoder check their positions against them.
inline constexpr std::size_t kCnfReportAxis = 222;
inline constexpr std::size_t kCnfReport = 242;
inline constexpr std::size_t kCnfReportUsb = 177;

inline constexpr std::size_t kReportLengthAt = 452;
inline constexpr std::size_t kDescriptorLengthAt = 490;
inline constexpr int kDescriptorBytesAt = 491;
inline constexpr int kModeRows = 36; // grid rows whose mode, shift and timer the image holds

// Entries of the lists the image stores by index (the port, button and
// shift-key list sizes come with the lists themselves).
inline constexpr int kSourceEntries = 9;
inline constexpr int kChannelEntries = 9;
inline constexpr int kFilterEntries = 14;
inline constexpr int kAcalEntries = 5;
inline constexpr int kAssignmentEntries = 9;
inline constexpr int kPrecisionEntries = 5;
inline constexpr int kSpecFuncEntries = 7;
inline constexpr int kThrottleModeEntries = 3;
inline constexpr int kAxisNumberEntries = 9; // "--", "1" .. "8"
inline constexpr int kTimerDelayEntries = 11;
inline constexpr int kChipTypeEntries = 3;
inline constexpr int kPollEntries = 5;
inline constexpr int kModeEntries = 7;
inline constexpr int kShiftEntries = 5;
inline constexpr int kTimerEntries = 4;

// Spin ranges the decoder holds its values to.
inline constexpr int kCurvePointMax = 200;
inline constexpr int kChipCountMax = 12;
inline constexpr int kBrightnessMin = 1;
inline constexpr int kBrightnessMax = 16;
inline constexpr int kDeadZoneMax = 15;

// A list's stored value: its index, or 0 ("not used") when it holds no entry
// or an index it does not have, so no -1 or stray value ever spills into the
// neighbouring bits of a packed byte.
constexpr int listByte(int index, int entries) {
    return index >= 0 && index < entries ? index : 0;
}

// A list index read from the image; a value the list does not have leaves
// the list with no entry.
constexpr int listIndex(int value, int entries) {
    return value < entries ? value : -1;
}

constexpr int clampInt(int value, int low, int high) {
    return value < low ? low : (value > high ? high : value);
}

// A button map hardware entry as the image holds it. Only 1..255 fit the
// byte; anything else is stored as "none", and the descriptor counts a row
// as bound only by this value, so both always agree.
constexpr int hardwareByte(int hw) {
    return hw > 0 && hw <= 255 ? hw : 0;
}

} // namespace volmar::layout
