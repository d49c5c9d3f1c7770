#pragma once

// What a hidraw node tells about itself through its ioctls.

#include "volmar/sysio/Result.h"

#include <cstdint>
#include <vector>

namespace volmar::sysio {

// The node's whole report descriptor (HIDIOCGRDESCSIZE, HIDIOCGRDESC).
Result<std::vector<std::uint8_t>> readReportDescriptor(int fd);

} // namespace volmar::sysio
