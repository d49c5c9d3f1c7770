// The device list line and the ids a click on it selects.
#include "volmar/core/DeviceLine.h"
#include "volmar/core/LanguageRecord.h"

#include <gtest/gtest.h>

namespace volmar::line {
namespace {

TEST(DeviceLine, Format) {
    EXPECT_EQ(deviceListLine(0x3EB, 0x2041, "Volmar", "Volmar2-20161101"),
              "VID:03EB PID:2041 Volmar (Volmar2-20161101)");
    EXPECT_EQ(deviceListLine(0, 0xABCD, "", ""), "VID:0000 PID:ABCD  ()");
}

class IdRoundTrip : public ::testing::TestWithParam<std::uint16_t> {};

TEST_P(IdRoundTrip, ClickReadsBackTheIdsOfTheLine) {
    const std::uint16_t vid = GetParam();
    const std::uint16_t pid = static_cast<std::uint16_t>(~vid);
    const auto line = deviceListLine(vid, pid, "Name (with parentheses)", "S");
    EXPECT_EQ(selectedIds(line), (VidPid{vid, pid})) << line;
    EXPECT_EQ(parseVidPid(hexId(vid) + ":" + hexId(pid)), (VidPid{vid, pid}));
}

INSTANTIATE_TEST_SUITE_P(Ids, IdRoundTrip,
                         ::testing::Values(0x0000, 0x0001, 0x03EB, 0x1111, 0x8888, 0xFFFF));

TEST(DeviceLine, ClickOnOddLines) {
    // blanks in the id columns read as zeros
    EXPECT_EQ(selectedIds("VID:  EB PID: 2 1 x"), (VidPid{0x00EB, 0x0201}));
    // not a number -> 0, the other id still reads
    EXPECT_EQ(selectedIds("VID:XYZW PID:1234 x"), (VidPid{0, 0x1234}));
    // too short for the pid column
    EXPECT_EQ(selectedIds("VID:1234"), (VidPid{0x1234, 0}));
    EXPECT_EQ(selectedIds(""), (VidPid{0, 0}));
    EXPECT_EQ(selectedIds("VID:12"), (VidPid{0x12, 0}));
}

TEST(DeviceLine, CommandLineIds) {
    EXPECT_EQ(parseVidPid("3eb:2041"), (VidPid{0x3EB, 0x2041}));
    EXPECT_EQ(parseVidPid("0x8888:0x8888"), (VidPid{0x8888, 0x8888}));
    EXPECT_FALSE(parseVidPid("8888"));
    EXPECT_FALSE(parseVidPid("12345:1"));
    EXPECT_FALSE(parseVidPid("12G4:1"));
    EXPECT_FALSE(parseVidPid(":1"));
    EXPECT_FALSE(parseVidPid("1:"));
}

TEST(DeviceLine, ConnectedText) {
    EXPECT_EQ(connectedText(englishLanguage(), 0x1, 0x8888, "Volmar2"),
              "Connected to VID[0001] PID[8888] Volmar2");
}

} // namespace
} // namespace volmar::line
