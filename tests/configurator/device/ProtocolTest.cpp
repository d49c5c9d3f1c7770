// Frame layouts, block geometry and the texts of the command protocol.
#include "volmar/core/Protocol.h"
#include "volmar/core/LanguageRecord.h"

#include <gtest/gtest.h>

#include <map>
#include <numeric>

namespace volmar::protocol {
namespace {

// A frame described by its non-zero bytes; every other byte must be 0.
using Bytes = std::map<int, int>;

void expectFrame(const Frame& frame, const Bytes& nonZero) {
    for (int i = 0; i < static_cast<int>(kFrameSize); ++i) {
        const auto it = nonZero.find(i);
        const int want = it == nonZero.end() ? 0 : it->second;
        EXPECT_EQ(frame[i], want) << "byte " << i;
    }
}

struct FrameCase {
    const char* name;
    Frame frame;
    Bytes bytes;
};

void PrintTo(const FrameCase& c, std::ostream* os) {
    *os << c.name;
}

class FrameLayout : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameLayout, OnlyTheNamedBytesAreSet) {
    expectFrame(GetParam().frame, GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, FrameLayout,
    ::testing::Values(
        FrameCase{"write_begin", commandFrame(Command::WriteBegin), {{0, 1}, {1, 13}}},
        FrameCase{"write_end", commandFrame(Command::WriteEnd), {{0, 1}, {1, 3}}},
        FrameCase{"restart", commandFrame(Command::Restart), {{0, 1}, {1, 10}}},
        FrameCase{"bootloader", commandFrame(Command::StartBootloader), {{0, 1}, {1, 11}}},
        FrameCase{"clear", commandFrame(Command::ClearConfig), {{0, 1}, {1, 12}}},
        FrameCase{"read_block_3", readBlockFrame(96), {{0, 1}, {1, 1}, {2, 96}, {4, 32}}},
        FrameCase{"read_last_block",
                  readBlockFrame(640),
                  {{0, 1}, {1, 1}, {2, 0x80}, {3, 0x02}, {4, 32}}},
        FrameCase{"hub_identity", hubIdentityRequest(), {{0, 1}, {1, 20}, {4, 5}}},
        FrameCase{"hub_identity_get", hubIdentityFetch(), {{0, 1}, {1, 20}, {4, 1}}},
        FrameCase{"hub_load", hubLoadRequest(), {{0, 1}, {1, 20}, {4, 5}, {5, 1}}},
        FrameCase{"hub_load_get", hubLoadFetch(), {{0, 1}, {1, 20}, {4, 4}}},
        FrameCase{"hub_save",
                  hubSaveRequest({1, 2, 0, 0xFF}),
                  {{0, 1}, {1, 20}, {4, 5}, {5, 0x81}, {6, 1}, {7, 2}, {9, 0xFF}}},
        FrameCase{"hub_commit", hubSaveCommit(), {{0, 1}, {1, 20}, {4, 1}, {5, 0xFF}}},
        FrameCase{"hub_raw",
                  hubRawRequest(3, 133, {1, 2, 3, 4, 5, 6, 7, 8}),
                  {{0, 1},
                   {1, 20},
                   {4, 3},
                   {5, 133},
                   {6, 1},
                   {7, 2},
                   {8, 3},
                   {9, 4},
                   {10, 5},
                   {11, 6},
                   {12, 7},
                   {13, 8}}},
        FrameCase{"hub_raw_get", hubRawFetch(3), {{0, 1}, {1, 20}, {4, 3}}},
        FrameCase{
            "stepper_minus_one", stepperMoveFrame(-1), {{0, 1}, {1, 22}, {5, 0xFF}, {6, 0xFF}}},
        FrameCase{"stepper_4000", stepperMoveFrame(4000), {{0, 1}, {1, 22}, {5, 0xA0}, {6, 0x0F}}},
        FrameCase{"register_fixed", registerReadFixedRequest(), {{0, 1}, {1, 24}}},
        FrameCase{"register_read", registerReadRequest(7), {{0, 1}, {1, 25}, {5, 7}}},
        FrameCase{"register_write",
                  registerWriteRequest(7, frameByte("300"), frameByte("2")),
                  {{0, 1}, {1, 26}, {5, 7}, {6, 44}, {7, 2}}},
        FrameCase{"register_fetch", registerFetch(), {{0, 1}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WriteBlockFrame, CarriesTheImageBytesAfterTheHeader) {
    std::array<std::uint8_t, kBlockBytes> data{};
    std::iota(data.begin(), data.end(), 0xC0);
    Bytes want{{0, 1}, {1, 2}, {2, 0x60}, {3, 0x02}, {4, 32}};
    for (int i = 0; i < 32; ++i) {
        want[5 + i] = 0xC0 + i;
    }
    expectFrame(writeBlockFrame(608, data), want);
}

TEST(BlockData, IsTheReplyBytesFiveToThirtySix) {
    Frame reply{};
    std::iota(reply.begin(), reply.end(), 0);
    const auto data = blockData(reply);
    EXPECT_EQ(data.front(), 5);
    EXPECT_EQ(data.back(), 36);
}

struct GeometryCase {
    ImageRegions regions;
    std::optional<int> blocks;
    int imageBytes;
};

void PrintTo(const GeometryCase& c, std::ostream* os) {
    *os << c.regions.axis << "+" << c.regions.main << "+" << c.regions.usb;
}

class Geometry : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(Geometry, CoversEveryRegionByteInWholeBlocks) {
    const auto& c = GetParam();
    const auto geometry = blockGeometry(c.regions);
    ASSERT_EQ(geometry.has_value(), c.blocks.has_value());
    if (geometry) {
        EXPECT_EQ(geometry->blockCount, *c.blocks);
        EXPECT_EQ(geometry->imageBytes, c.imageBytes);
        EXPECT_GE(geometry->blockCount * 32, geometry->imageBytes);
        EXPECT_LT(geometry->blockCount * 32 - geometry->imageBytes, 32);
    }
}

INSTANTIATE_TEST_SUITE_P(Regions, Geometry,
                         ::testing::Values(GeometryCase{{222, 242, 177}, 21, 641},
                                           GeometryCase{{222, 242, 162}, 20, 626},
                                           GeometryCase{{222, 242, 152}, 20, 616},
                                           GeometryCase{{0, 0, 1}, 1, 1},
                                           GeometryCase{{0, 0, 0}, 0, 0},
                                           GeometryCase{{1000, 24, 0}, 32, 1024},
                                           // past the 1024-byte buffer: refused
                                           GeometryCase{{1000, 25, 0}, std::nullopt, 0},
                                           GeometryCase{{-1, 242, 177}, std::nullopt, 0}));

TEST(Geometry, StandardImageEndsAtAddress671) {
    EXPECT_EQ(standardGeometry().blockCount, 21);
    EXPECT_EQ(standardGeometry().blockAddress(20), 640);
    EXPECT_EQ(standardGeometry().lastAddress(), 671);
}

TEST(Replies, RegisterAndHubBytesComeFromTheirOffsets) {
    Frame reply{};
    std::iota(reply.begin(), reply.end(), 100);
    EXPECT_EQ(registerReplyOf(reply), (RegisterReply{105, 106, 107, 108}));
    EXPECT_EQ(hubIdentityOf(reply), 106);
    EXPECT_EQ(hubTypesOf(reply), (std::array<std::uint8_t, 4>{106, 107, 108, 109}));
    EXPECT_EQ(hubRawOf(reply), (HubRawReply{105, {106, 107, 108, 109, 110, 111, 112, 113}}));
}

TEST(Texts, HubIdentityMessages) {
    EXPECT_EQ(hubIdentityMessage(0xAA), "OK TLE5011HUB ID[AA]");
    EXPECT_EQ(hubIdentityMessage(0x55), "Error TLE5011HUB ID[55]");
    EXPECT_EQ(hubIdentityMessage(0), "Error TLE5011HUB ID[00]");
}

TEST(Texts, RawStartByteAddsTheWriteBitAndKeepsEightBits) {
    EXPECT_EQ(hubRawStartByte(5, true), 133);
    EXPECT_EQ(hubRawStartByte(5, false), 5);
    EXPECT_EQ(hubRawStartByte(200, true), 72);
}

TEST(Texts, FrameByteFromEditText) {
    EXPECT_EQ(frameByte("300"), 44);
    EXPECT_EQ(frameByte("-1"), 255);
    EXPECT_EQ(frameByte("vltw_low"), 0);
    EXPECT_EQ(frameByte(""), 0);
}

TEST(Texts, TransferFailures) {
    EXPECT_EQ(readRequestFailed("Broken pipe"), "Error read RawTranzit.SET [Broken pipe]");
    EXPECT_EQ(readReplyFailed("No such device"), "Error read RawTranzit.GET [No such device]");
    EXPECT_EQ(writeBlockFailed("x"), "Error read RawTranzit [x]");
}

TEST(Texts, ProgressNamesTheBlocksAddressRange) {
    EXPECT_EQ(blockProgressText("Load sets from device", 96),
              "Load sets from device EEPROM[96/127]");
    EXPECT_EQ(blockProgressText("", 640), " EEPROM[640/671]");
}

TEST(Texts, VersionWarningOnlyOnMismatch) {
    const auto& lng = englishLanguage();
    EXPECT_FALSE(versionMismatch(lng, "Volmar2-20161101").has_value());
    const auto text = versionMismatch(lng, "Volmar2-20991231");
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, lng.lbl_miss_version + "\r\nVolmar2-20991231 <> Volmar2-20161101");
    // an empty serial string differs as well
    EXPECT_TRUE(versionMismatch(lng, "").has_value());
}

} // namespace
} // namespace volmar::protocol
