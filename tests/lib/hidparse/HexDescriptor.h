#pragma once

#include "volmar/hidparse/HidParse.h"

#include <cstdint>
#include <string>
#include <vector>

namespace volmar::hidparse::test {

// Bytes of a hex text: pairs of hex digits separated by white space; '#'
// starts a comment running to the end of the line.
std::vector<std::uint8_t> hexBytes(const std::string& text);

// A golden descriptor from tests/data/hid/<name>.hex; fails the test (and
// returns nothing) when the file is missing.
std::vector<std::uint8_t> goldenDescriptor(const std::string& name);

// Parses and fails the current test with the parser's message on error.
ParsedDescriptor mustParse(const std::vector<std::uint8_t>& bytes);

} // namespace volmar::hidparse::test
