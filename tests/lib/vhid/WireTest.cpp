#include "volmar/vhid/Wire.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

namespace volmar::vhid {
namespace {

using Bytes = std::vector<std::uint8_t>;

Message make(MsgType type, std::uint32_t tag, Bytes payload) {
    Message m;
    m.type = type;
    m.tag = tag;
    m.payload = std::move(payload);
    return m;
}

TEST(WireHeader, TypeThenTagLittleEndianThenPayload) {
    const Bytes packet = encodeMessage(make(MsgType::GetFeature, 0x11223344, {2, 0xC2, 0x00}));
    EXPECT_EQ(packet, (Bytes{4, 0x44, 0x33, 0x22, 0x11, 2, 0xC2, 0x00}));
}

struct RoundTripCase {
    const char* name;
    MsgType type;
    Bytes payload;
};

class WireRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(WireRoundTrip, DecodeGivesBackWhatWasEncoded) {
    const RoundTripCase& c = GetParam();
    const auto decoded = decodeMessage(encodeMessage(make(c.type, 0xFEDCBA98, c.payload)));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->type, c.type);
    EXPECT_EQ(decoded->tag, 0xFEDCBA98u);
    EXPECT_EQ(decoded->payload, c.payload);
}

INSTANTIATE_TEST_SUITE_P(
    EveryType, WireRoundTrip,
    ::testing::Values(RoundTripCase{"SetFeature", MsgType::SetFeature, Bytes(38, 0x5A)},
                      RoundTripCase{"SetFeatureReply", MsgType::SetFeatureReply, {32, 0, 0, 0}},
                      RoundTripCase{"GetFeature", MsgType::GetFeature, {1, 38, 0}},
                      RoundTripCase{"GetFeatureReply", MsgType::GetFeatureReply,
                                    Bytes{0, 0, 0, 0, 2, 1, 2, 3}},
                      RoundTripCase{"Subscribe", MsgType::Subscribe, {}},
                      RoundTripCase{"Input", MsgType::Input, {1, 0x10, 0x20}},
                      RoundTripCase{"Info", MsgType::Info, {}}),
    [](const auto& info) { return std::string(info.param.name); });

struct MalformedCase {
    const char* name;
    Bytes packet;
};

class WireMalformed : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(WireMalformed, IsRejected) {
    EXPECT_FALSE(decodeMessage(GetParam().packet).has_value());
}

Bytes header(std::uint8_t type) {
    return {type, 1, 0, 0, 0};
}
Bytes withPayload(std::uint8_t type, const Bytes& payload) {
    Bytes p(kHeaderSize + payload.size(), 0);
    p[0] = type;
    p[1] = 1;
    std::copy(payload.begin(), payload.end(), p.begin() + kHeaderSize);
    return p;
}

INSTANTIATE_TEST_SUITE_P(
    Packets, WireMalformed,
    ::testing::Values(MalformedCase{"Empty", {}}, MalformedCase{"ShorterThanHeader", {2, 1, 0, 0}},
                      MalformedCase{"TypeZero", header(0)},
                      MalformedCase{"TypeAfterLast", header(8)},
                      MalformedCase{"TypeFF", header(0xFF)},
                      MalformedCase{"SetWithoutReport", header(2)},
                      MalformedCase{"InputWithoutReport", header(7)},
                      MalformedCase{"GetTooShort", withPayload(4, {1, 38})},
                      MalformedCase{"GetTooLong", withPayload(4, {1, 38, 0, 0})},
                      MalformedCase{"SetReplyShortStatus", withPayload(3, {0, 0, 0})},
                      MalformedCase{"SetReplyExtraBytes", withPayload(3, {0, 0, 0, 0, 1})},
                      MalformedCase{"GetReplyShortStatus", withPayload(5, {0, 0})},
                      MalformedCase{"SubscribeWithPayload", withPayload(6, {1})},
                      MalformedCase{"Oversized", withPayload(2, Bytes(kMaxMessage, 1))}),
    [](const auto& info) { return std::string(info.param.name); });

DeviceInfo sampleInfo() {
    DeviceInfo info;
    info.vendorId = 0x8888;
    info.productId = 0x1234;
    info.version = 0x0102;
    info.manufacturer = "Volmar";
    info.product = std::string("Pad\0with nul", 12);
    info.serial = "Volmar2-20161101";
    info.reportDescriptor = {0x05, 0x01, 0x09, 0x04, 0xA1, 0x01, 0x00, 0xC0};
    return info;
}

TEST(WireInfo, RoundTripKeepsEveryFieldIncludingEmbeddedNul) {
    const DeviceInfo info = sampleInfo();
    const auto decoded = decodeInfo(encodeInfo(info));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(*decoded, info);
}

TEST(WireInfo, LayoutIsIdsThenLengthPrefixedFields) {
    DeviceInfo info;
    info.vendorId = 0x1A2B;
    info.productId = 0x3C4D;
    info.version = 0x0100;
    info.product = "P";
    info.reportDescriptor = {0xC0};
    EXPECT_EQ(encodeInfo(info),
              (Bytes{0x2B, 0x1A, 0x4D, 0x3C, 0x00, 0x01, 0, 0, 1, 0, 'P', 0, 0, 1, 0, 0xC0}));
}

TEST(WireInfo, TruncatedOverlongAndOverrunningInfosAreRejected) {
    Bytes full = encodeInfo(sampleInfo());
    for (std::size_t n = 0; n < full.size(); ++n) {
        EXPECT_FALSE(decodeInfo(std::span(full.data(), n)).has_value()) << "cut at " << n;
    }
    full.push_back(0);
    EXPECT_FALSE(decodeInfo(full).has_value()) << "trailing byte";
    // vendor, product, version, then a manufacturer claiming 0xFFFF bytes
    EXPECT_FALSE(decodeInfo(Bytes{1, 0, 2, 0, 3, 0, 0xFF, 0xFF, 'a'}).has_value());
}

class DeviceFolderEnv : public ::testing::Test {
protected:
    void SetUp() override {
        const char* v = std::getenv("XDG_RUNTIME_DIR");
        m_saved = v != nullptr ? std::optional<std::string>(v) : std::nullopt;
    }
    void TearDown() override {
        if (m_saved) {
            ::setenv("XDG_RUNTIME_DIR", m_saved->c_str(), 1);
        } else {
            ::unsetenv("XDG_RUNTIME_DIR");
        }
    }
    std::optional<std::string> m_saved;
};

TEST_F(DeviceFolderEnv, UsesRuntimeDir) {
    ::setenv("XDG_RUNTIME_DIR", "/run/user/4242", 1);
    EXPECT_EQ(deviceFolder(), std::filesystem::path("/run/user/4242/volmar/virtual"));
}

TEST_F(DeviceFolderEnv, FallsBackToTmpPerUserWhenUnsetEmptyOrRelative) {
    const std::filesystem::path fallback =
        std::filesystem::path("/tmp") / ("volmar-" + std::to_string(::getuid())) / "virtual";
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(deviceFolder(), fallback);
    ::setenv("XDG_RUNTIME_DIR", "", 1);
    EXPECT_EQ(deviceFolder(), fallback);
    ::setenv("XDG_RUNTIME_DIR", "relative/dir", 1);
    EXPECT_EQ(deviceFolder(), fallback);
}

} // namespace
} // namespace volmar::vhid
