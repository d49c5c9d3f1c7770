// Comparing what a write sent with what the controller gives back.

#include "volmar/core/WriteCheck.h"
#include "volmar/core/ImageCodec.h"

#include <gtest/gtest.h>

#include <vector>

namespace volmar {
namespace {

TEST(WriteCheck, FindsEveryDifferingAddressWithinTheCount) {
    ConfigImage sent{};
    for (std::size_t i = 0; i < sent.size(); ++i)
        sent[i] = static_cast<std::uint8_t>(i * 13);
    ConfigImage back = sent;
    EXPECT_TRUE(differingAddresses(sent, back, kConfigBytes).empty());

    back[0] ^= 1;
    back[100] = static_cast<std::uint8_t>(~back[100]);
    back[640] ^= 0x80;
    back[641] ^= 0xFF; // beyond the configuration: not compared
    EXPECT_EQ(differingAddresses(sent, back, kConfigBytes), (std::vector<int>{0, 100, 640}));

    // A read-back that stopped short differs everywhere it did not reach.
    const std::vector<std::uint8_t> shortRead(sent.begin(), sent.begin() + 638);
    EXPECT_EQ(differingAddresses(sent, shortRead, kConfigBytes), (std::vector<int>{638, 639, 640}));
}

TEST(WriteCheck, AddressesInWordsJoinRunsAndCountTheRest) {
    struct Case {
        std::vector<int> addresses;
        std::size_t maxRuns;
        const char* text;
    };
    const Case cases[] = {
        {{}, 8, ""},
        {{100}, 8, "100"},
        {{17, 100, 101, 102, 103, 200}, 8, "17, 100-103, 200"},
        {{1, 3, 5, 6, 7, 9, 11}, 3, "1, 3, 5-7 and 2 more"},
        {{0, 1, 2, 3}, 1, "0-3"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(addressRanges(c.addresses, c.maxRuns), c.text);

    EXPECT_EQ(verifyStatusText({}, kConfigBytes),
              "Write verified: the controller holds the 641 bytes sent");
    EXPECT_EQ(verifyStatusText({100}, kConfigBytes), "Write differs at address 100");
    EXPECT_EQ(verifyStatusText({100, 101, 300}, kConfigBytes),
              "Write differs at addresses 100-101, 300");
}

} // namespace
} // namespace volmar
