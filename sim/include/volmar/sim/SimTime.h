#pragma once

#include <chrono>

namespace volmar::sim {

// Time since the virtual controller started. The model never reads a clock:
// every call is given the time, so tests drive it with a fake one.
using SimTime = std::chrono::microseconds;

} // namespace volmar::sim
