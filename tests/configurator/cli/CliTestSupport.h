#pragma once

// Helpers of the volmarctl suites: running the program, reading back what it
// left, and random configurations that the image can carry.

#include "ChildProcess.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <vector>

namespace volmar::test {

// Runs the built volmarctl with `args`, capturing both streams.
RunResult runVolmarctl(const std::vector<std::string>& args);

// Number of '\n'-ended lines.
int lineCount(const std::string& text);

// A JSON configuration that sets every field and every button row to a
// random value the image stores unchanged (list indexes never -1, numbers as
// plain decimals in range, ids as four hex digits, names from the name
// editor's characters). Same seed, same configuration.
nlohmann::ordered_json randomConfig(unsigned seed);

} // namespace volmar::test
