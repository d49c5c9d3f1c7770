#include "SimTestSupport.h"

#include "volmar/sim/SimDevice.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace volmar::sim::test {
namespace {

using vhid::Message;
using vhid::MsgType;

Message setRequest(const Bytes& report, std::uint32_t tag = 7) {
    return Message{MsgType::SetFeature, tag, report};
}
Message getRequest(std::uint8_t id, std::size_t length, std::uint32_t tag = 8) {
    return Message{
        MsgType::GetFeature,
        tag,
        {id, static_cast<std::uint8_t>(length & 0xFF), static_cast<std::uint8_t>(length >> 8)}};
}
std::uint32_t statusOf(const Message& m) {
    return m.payload[0] | (m.payload[1] << 8) | (m.payload[2] << 16) |
           (static_cast<std::uint32_t>(m.payload[3]) << 24);
}
Bytes reportOf(const Message& m) {
    return Bytes(m.payload.begin() + 4, m.payload.end());
}

struct LogCase {
    SimTime t;
    bool set;
    Bytes report;
    const char* line;
};
class SimLogLine : public ::testing::TestWithParam<LogCase> {};
TEST_P(SimLogLine, MillisecondsWithThreeDecimalsThenUpperCaseHex) {
    EXPECT_EQ(formatLogLine(GetParam().t, GetParam().set, GetParam().report), GetParam().line);
}
INSTANTIATE_TEST_SUITE_P(
    Lines, SimLogLine,
    ::testing::Values(
        LogCase{SimTime(1234567), true, {0x01, 0x01, 0x00, 0x00, 0x20}, "1234.567 SET 0101000020"},
        LogCase{SimTime(0), false, {0x02, 0xAB, 0xcd}, "0.000 GET 02ABCD"},
        LogCase{SimTime(5), true, {0x01}, "0.005 SET 01"},
        LogCase{SimTime(86400000000LL), false, {0xFF}, "86400000.000 GET FF"}));

TEST(SimLogFrame, WholeFrameIsLogged) {
    const std::string line = formatLogLine(SimTime(0), true, frame(cmd::ReadBlock, 640, 32));
    EXPECT_EQ(line, "0.000 SET 010180022000" + std::string(64, '0'));
}

class SimDeviceMessages : public ::testing::Test {
protected:
    Firmware fw{configuredImage(), BoardSettings{}, 0us};
};

TEST_F(SimDeviceMessages, RepliesCarryTheRequestTagAndTheFirmwareAnswer) {
    SimDevice dev(fw, Faults{});
    Outcome o = dev.handle(setRequest(frame(cmd::ReadBlock, 32, 32), 41), 1ms);
    ASSERT_TRUE(o.reply.has_value());
    EXPECT_EQ(o.reply->type, MsgType::SetFeatureReply);
    EXPECT_EQ(o.reply->tag, 41u);
    EXPECT_EQ(o.reply->payload, (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(o.sendAt, SimTime(1ms));
    EXPECT_EQ(o.logLine.substr(0, 10), "1.000 SET ");

    o = dev.handle(getRequest(1, 38, 42), 26ms);
    ASSERT_TRUE(o.reply.has_value());
    EXPECT_EQ(o.reply->type, MsgType::GetFeatureReply);
    EXPECT_EQ(o.reply->tag, 42u);
    EXPECT_EQ(statusOf(*o.reply), 0u);
    const Bytes r = reportOf(*o.reply);
    EXPECT_EQ(Bytes(r.begin() + 5, r.begin() + 37), bytesOf(configuredImage(), 32, 32));
    EXPECT_EQ(o.logLine, formatLogLine(26ms, false, r));
    EXPECT_EQ(dev.transfers(), 2u);
}

TEST_F(SimDeviceMessages, FailedGetStallsWithoutReachingTheFirmwareAndLogsTheAskedId) {
    Faults f;
    f.failGet = true;
    SimDevice dev(fw, f);
    const Outcome o = dev.handle(getRequest(2, 194), 3ms);
    EXPECT_EQ(statusOf(*o.reply), static_cast<std::uint32_t>(EPIPE));
    EXPECT_EQ(o.reply->payload.size(), 4u);
    EXPECT_EQ(o.logLine, "3.000 GET 02");
    EXPECT_EQ(fw.transfers(), 0u);
}

TEST_F(SimDeviceMessages, FailedSetIsNotCarriedOut) {
    Faults f;
    f.failSet = true;
    SimDevice dev(fw, f);
    EXPECT_EQ(statusOf(*dev.handle(setRequest(frame(cmd::ClearConfig)), 0ms).reply),
              static_cast<std::uint32_t>(EPIPE));
    EXPECT_EQ(fw.eeprom(), configuredImage());
}

TEST_F(SimDeviceMessages, UnplugIsSignalledWithTheNthTransfer) {
    Faults f;
    f.unplugAfterFrames = 3;
    SimDevice dev(fw, f);
    EXPECT_FALSE(dev.handle(setRequest(frame(cmd::ReadBlock, 0, 32)), 0ms).unplug);
    EXPECT_FALSE(dev.handle(Message{MsgType::Subscribe, 0, {}}, 0ms).unplug)
        << "only feature transfers count";
    EXPECT_FALSE(dev.handle(getRequest(1, 38), 25ms).unplug);
    const Outcome third = dev.handle(setRequest(frame(cmd::ReadBlock, 32, 32)), 50ms);
    EXPECT_TRUE(third.unplug);
    EXPECT_TRUE(third.reply.has_value()) << "the last transfer is still answered";
}

TEST_F(SimDeviceMessages, ReplyDelayMovesTheSendTimeNotTheFirmwareTime) {
    Faults f;
    f.replyDelay = 30ms;
    SimDevice dev(fw, f);
    dev.handle(setRequest(frame(cmd::ReadBlock, 0, 32)), 0ms);
    const Outcome o = dev.handle(getRequest(1, 38), 10ms);
    EXPECT_EQ(o.sendAt, SimTime(40ms));
    EXPECT_EQ(reportOf(*o.reply)[1], 0) << "fetched 10 ms after the request: still stale";
}

TEST_F(SimDeviceMessages, GarbageKeepsIdAndLengthAndIsReproducible) {
    Faults f;
    f.garbageReplies = true;
    f.seed = 99;
    SimDevice a(fw, f);
    Firmware fw2(configuredImage(), BoardSettings{}, 0us);
    SimDevice b(fw2, f);
    const Bytes ra = reportOf(*a.handle(getRequest(2, 194), 0ms).reply);
    const Bytes rb = reportOf(*b.handle(getRequest(2, 194), 0ms).reply);
    ASSERT_EQ(ra.size(), 194u);
    EXPECT_EQ(ra[0], 2);
    EXPECT_EQ(ra, rb);
    EXPECT_NE(ra, fw.getFeature(2, 194, 0ms).report);
}

TEST_F(SimDeviceMessages, PersistFailureTurnsTheCommitIntoAnError) {
    int calls = 0;
    SimDevice dev(fw, Faults{}, [&](const EepromImage& e) {
        ++calls;
        EXPECT_TRUE(isBlank(e));
        return ENOSPC;
    });
    EXPECT_EQ(statusOf(*dev.handle(setRequest(frame(cmd::ReadBlock, 0, 32)), 0ms).reply), 0u);
    EXPECT_EQ(calls, 0) << "only changes are stored";
    EXPECT_EQ(statusOf(*dev.handle(setRequest(frame(cmd::ClearConfig)), 1ms).reply),
              static_cast<std::uint32_t>(ENOSPC));
    EXPECT_EQ(calls, 1);
}

TEST_F(SimDeviceMessages, PacketsThatAreNoRequestsGetNoReplyAndAreNotCounted) {
    SimDevice dev(fw, Faults{});
    for (const Message& m : {Message{MsgType::Input, 0, {1}}, Message{MsgType::Info, 0, {}},
                             Message{MsgType::GetFeature, 1, {1}}}) {
        const Outcome o = dev.handle(m, 0ms);
        EXPECT_FALSE(o.reply.has_value());
        EXPECT_TRUE(o.logLine.empty());
    }
    EXPECT_EQ(dev.transfers(), 0u);
}

TEST_F(SimDeviceMessages, InfoTakesTheStartIdentityThenTheOverrides) {
    const Bytes descriptor{0xC0};
    vhid::DeviceInfo info = deviceInfo(fw, IdentityOverrides{}, descriptor);
    EXPECT_EQ(info.vendorId, 0x1A2B);
    EXPECT_EQ(info.productId, 0x3C4D);
    EXPECT_EQ(info.product, "TestPad");
    EXPECT_EQ(info.serial, "Volmar2-20161101");
    EXPECT_EQ(info.reportDescriptor, descriptor);
    IdentityOverrides o;
    o.vendorId = 0x1111;
    o.product = "Other";
    o.serial = "Volmar2-20150101";
    info = deviceInfo(fw, o, descriptor);
    EXPECT_EQ(info.vendorId, 0x1111);
    EXPECT_EQ(info.productId, 0x3C4D);
    EXPECT_EQ(info.product, "Other");
    EXPECT_EQ(info.serial, "Volmar2-20150101");
}

} // namespace
} // namespace volmar::sim::test
