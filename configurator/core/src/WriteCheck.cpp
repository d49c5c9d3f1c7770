#include "volmar/core/WriteCheck.h"

namespace volmar {

std::vector<int> differingAddresses(std::span<const std::uint8_t> sent,
                                    std::span<const std::uint8_t> readBack, std::size_t count) {
    std::vector<int> out;
    for (std::size_t a = 0; a < count; ++a) {
        if (a >= sent.size() || a >= readBack.size() || sent[a] != readBack[a]) {
            out.push_back(static_cast<int>(a));
        }
    }
    return out;
}

std::string addressRanges(const std::vector<int>& addresses, std::size_t maxRuns) {
    std::string text;
    std::size_t runs = 0;
    std::size_t i = 0;
    while (i < addresses.size()) {
        std::size_t end = i;
        while (end + 1 < addresses.size() && addresses[end + 1] == addresses[end] + 1) {
            ++end;
        }
        if (runs == maxRuns) {
            text += " and " + std::to_string(addresses.size() - i) + " more";
            break;
        }
        if (runs > 0) {
            text += ", ";
        }
        text += std::to_string(addresses[i]);
        if (end > i) {
            text += "-" + std::to_string(addresses[end]);
        }
        ++runs;
        i = end + 1;
    }
    return text;
}

std::string verifyStatusText(const std::vector<int>& differing, std::size_t count) {
    if (differing.empty()) {
        return "Write verified: the controller holds the " + std::to_string(count) + " bytes sent";
    }
    return std::string("Write differs at address") + (differing.size() == 1 ? " " : "es ") +
           addressRanges(differing);
}

} // namespace volmar
