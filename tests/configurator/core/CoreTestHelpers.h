#pragma once

// Shared helpers of the core suites.

#include "volmar/core/ConfigState.h"
#include "volmar/core/ImageCodec.h"

#include <cstddef>
#include <random>
#include <vector>

namespace volmar::test {

// A varied configuration for property tests: every field of the field table
// (editor-only ones included) and the button map get pseudo-random values,
// including values outside their lists (-1, codes a foreign file could hold),
// odd edit texts and spins beyond their range. Deterministic for a given seed.
ConfigState randomState(std::mt19937& rng);

// The start-up state with the English texts.
ConfigState startup();

// Encodes `state`, expecting no conversion error.
ConfigImage encodeOk(ConfigState state);

// Decodes onto the start-up state, as loading a file does.
ConfigState decodeImage(const ConfigImage& image);

// `count` image bytes from `from`, as ints so that failures print numbers.
std::vector<int> bytesAt(const ConfigImage& image, std::size_t from, std::size_t count);

// Axis `n` (0-based) on the internal sensor with a precision entry and an assignment.
void useAxis(ConfigState& s, int n, int precision, int assignment);

} // namespace volmar::test
