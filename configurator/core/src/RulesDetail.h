#pragma once

// Small helpers shared by the rule files (validation, axis rules, defaults,
// button map). Not part of the public interface.

#include "volmar/core/ConfigState.h"

namespace volmar::detail {

// A list with no entry stands for the same thing as its first entry: the
// image stores both as 0, so the rules must not tell them apart either.
inline bool isSet(int listIndex) {
    return listIndex > 0;
}

// The source code the rules work with: a source outside the list (no entry,
// or a code an image written elsewhere carried) is an unused axis.
inline int sourceCode(const AxisFields& axis) {
    return axis.src >= 1 && axis.src <= 8 ? axis.src : 0;
}

inline constexpr int kSourceVirtual = 1;
inline constexpr int kFirstFreeModeRow = 37; // rows 37..132 keep no mode/shift/timer

} // namespace volmar::detail
