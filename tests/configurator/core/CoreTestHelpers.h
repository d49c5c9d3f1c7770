#pragma once

// Shared helpers of the core suites.

#include "volmar/core/ConfigState.h"

#include <random>

namespace volmar::test {

// A varied configuration for property tests: every field of the field table
// (editor-only ones included) and the button map get pseudo-random values,
// including values outside their lists (-1, codes a foreign file could hold),
// odd edit texts and spins beyond their range. Deterministic for a given seed.
ConfigState randomState(std::mt19937& rng);

} // namespace volmar::test
