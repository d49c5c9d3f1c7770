#pragma once

// The generated table of evdev code names (see cmake/GenerateEventNames.cmake).

#include <cstddef>
#include <cstdint>

namespace volmar::input {

struct EventName {
    std::uint16_t type;
    std::uint16_t code;
    const char* name;
};

extern const EventName kEventNames[];
extern const std::size_t kEventNameCount;

} // namespace volmar::input
