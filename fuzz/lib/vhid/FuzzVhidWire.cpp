// Packets from the socket are untrusted on both sides: decoding must reject
// or accept without reading past the packet, and what it accepts must encode
// back to the same bytes.
#include "volmar/vhid/Wire.h"

#include <cstdlib>

using namespace volmar::vhid;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> packet(data, size);
    if (const auto msg = decodeMessage(packet)) {
        if (encodeMessage(*msg) != std::vector<std::uint8_t>(data, data + size)) {
            std::abort();
        }
    }
    if (const auto info = decodeInfo(packet)) {
        if (encodeInfo(*info) != std::vector<std::uint8_t>(data, data + size)) {
            std::abort();
        }
    }
    return 0;
}
