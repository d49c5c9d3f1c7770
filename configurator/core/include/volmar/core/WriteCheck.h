#pragma once

// After a write the controller's configuration is read back with the
// ordinary block reads and compared with what was sent: the addresses where
// the two differ, and how the window and volmarctl put them in words.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace volmar {

// Addresses 0 .. count-1 where `sent` and `readBack` differ; an address one
// of them does not reach counts as differing.
std::vector<int> differingAddresses(std::span<const std::uint8_t> sent,
                                    std::span<const std::uint8_t> readBack, std::size_t count);

// "17, 100-103, 200" with runs joined; after `maxRuns` runs the rest is
// counted: "… and 12 more".
std::string addressRanges(const std::vector<int>& addresses, std::size_t maxRuns = 8);

// The one line the status shows: "Write verified: the controller holds the
// 641 bytes sent" or "Write differs at addresses 100, 200-203".
std::string verifyStatusText(const std::vector<int>& differing, std::size_t count);

} // namespace volmar
