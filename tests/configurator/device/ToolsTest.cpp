// Sensor hub, register device and stepper exchanges, and the live poll.
#include "LinkFixture.h"

namespace volmar::test {
namespace {

using device::LivePoll;
using device::Operation;
using device::Outcome;

// Times of the transfers relative to the start of the exchange, and the
// exchange's total length.
std::vector<std::int64_t> times(const FakeFirmware& fw, std::int64_t start) {
    std::vector<std::int64_t> out;
    for (const auto& t : fw.log) {
        out.push_back(t.ms - start);
    }
    return out;
}

TEST_F(LinkTest, HubCheckAnnouncesAPresentHub) {
    connectController();
    const auto start = clock.nowMs();
    ASSERT_TRUE(link->hubCheck());
    EXPECT_FALSE(link->LinkReady());
    runExchange();
    EXPECT_EQ(times(*firmware, start), (std::vector<std::int64_t>{500, 550}));
    EXPECT_EQ(clock.nowMs() - start, 1050);
    EXPECT_EQ(observer.messages, std::vector<std::string>{"OK TLE5011HUB ID[AA]"});
    EXPECT_TRUE(link->LinkReady());
}

TEST_F(LinkTest, HubLoadWithAnotherIdentityChangesNothing) {
    connectController();
    firmware->hubIdentity = 0x55;
    ASSERT_TRUE(link->hubLoad());
    runExchange();
    EXPECT_EQ(observer.messages, std::vector<std::string>{"Error TLE5011HUB ID[55]"});
    EXPECT_EQ(doc.hubTypeLoads, 0);
    EXPECT_EQ(firmware->transfers(), 2);
    EXPECT_TRUE(link->LinkReady());
}

TEST_F(LinkTest, HubLoadTakesTheFourSlaveTypes) {
    connectController();
    const auto start = clock.nowMs();
    ASSERT_TRUE(link->hubLoad());
    runExchange();
    EXPECT_EQ(times(*firmware, start), (std::vector<std::int64_t>{500, 550, 550, 600}));
    EXPECT_EQ(clock.nowMs() - start, 1100);
    EXPECT_EQ(doc.types, (std::array<std::uint8_t, 4>{1, 2, 0, 2}));
    EXPECT_EQ(doc.hubTypeLoads, 1);
    EXPECT_TRUE(observer.messages.empty()) << "a present hub gives no message";
    const auto sets = firmware->sets();
    EXPECT_EQ(sets[1].bytes[5], 1);
}

TEST_F(LinkTest, HubSaveSendsTypesThenCommit) {
    connectController();
    doc.types = {2, 0xFF, 1, 0};
    const auto start = clock.nowMs();
    ASSERT_TRUE(link->hubSave());
    runExchange();
    const auto sets = firmware->sets();
    ASSERT_EQ(sets.size(), 3u);
    EXPECT_EQ(sets[1].bytes[5], 0x81);
    EXPECT_EQ(std::vector<std::uint8_t>(sets[1].bytes.begin() + 6, sets[1].bytes.begin() + 10),
              (std::vector<std::uint8_t>{2, 0xFF, 1, 0}));
    EXPECT_EQ(sets[2].bytes[4], 1);
    EXPECT_EQ(sets[2].bytes[5], 0xFF);
    EXPECT_EQ(times(*firmware, start), (std::vector<std::int64_t>{500, 550, 550, 600}));
    EXPECT_EQ(clock.nowMs() - start, 1150);
}

TEST_F(LinkTest, HubRawTransferShowsTheReply) {
    connectController();
    device::HubRawRequest request;
    request.length = 3;
    request.start = protocol::hubRawStartByte(5, true);
    request.data = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_TRUE(link->hubRawTransfer(request));
    runExchange();
    ASSERT_EQ(observer.hubRaw.size(), 1u);
    EXPECT_EQ(observer.hubRaw[0].start, 133);
    EXPECT_EQ(observer.hubRaw[0].data, (std::array<std::uint8_t, 8>{2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(firmware->log[1].bytes[4], 0) << "reply length echoed by the controller";
}

struct RegisterCase {
    const char* name;
    Operation op;
    int command;
    std::vector<std::int64_t> times; // set, get
    std::int64_t total;
};

void PrintTo(const RegisterCase& c, std::ostream* os) {
    *os << c.name;
}

class RegisterExchange : public LinkTest, public ::testing::WithParamInterface<RegisterCase> {};

TEST_P(RegisterExchange, WaitsAndShowsTheFourReplyBytes) {
    connectController();
    const auto& c = GetParam();
    const auto start = clock.nowMs();
    const bool started = c.op == Operation::RegisterRead        ? link->registerRead(7)
                         : c.op == Operation::RegisterReadFixed ? link->registerReadFixed()
                                                                : link->registerWrite(7, 44, 1);
    ASSERT_TRUE(started);
    runExchange();
    EXPECT_EQ(times(*firmware, start), c.times);
    EXPECT_EQ(clock.nowMs() - start, c.total);
    ASSERT_EQ(firmware->transfers(), 2);
    EXPECT_EQ(firmware->log[0].command(), c.command);
    // the fetch carries only the report id
    EXPECT_EQ(firmware->lastRequest[1], c.command);
    ASSERT_EQ(observer.registers.size(), 1u);
    EXPECT_EQ(observer.registers[0], firmware->reg);
    EXPECT_TRUE(link->LinkReady());
}

INSTANTIATE_TEST_SUITE_P(
    Commands, RegisterExchange,
    ::testing::Values(RegisterCase{"read", Operation::RegisterRead, 25, {250, 500}, 750},
                      RegisterCase{"fixed", Operation::RegisterReadFixed, 24, {250, 500}, 750},
                      RegisterCase{"write", Operation::RegisterWrite, 26, {500, 750}, 1250}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LinkTest, FailedRegisterReplyIsNotShownAsZeros) {
    connectController();
    firmware->failAt = 1;
    ASSERT_TRUE(link->registerRead(7));
    runExchange();
    EXPECT_TRUE(observer.registers.empty());
    EXPECT_EQ(observer.messages,
              std::vector<std::string>{"Error read RawTranzit.GET [Broken pipe]"});
    EXPECT_EQ(observer.finished.back(), std::make_pair(Operation::RegisterRead, Outcome::Failed));
    EXPECT_TRUE(link->LinkReady());
}

TEST_F(LinkTest, StepperMoveHasNoReply) {
    connectController();
    ASSERT_TRUE(link->stepperMove(-1));
    runExchange();
    ASSERT_EQ(firmware->transfers(), 1);
    EXPECT_EQ(firmware->log[0].command(), 22);
    EXPECT_EQ(firmware->log[0].bytes[5], 0xFF);
    EXPECT_EQ(firmware->log[0].bytes[6], 0xFF);
    EXPECT_EQ(clock.nowMs(), 1000);
}

TEST_F(LinkTest, LivePollFollowsLinkReady) {
    waitForDeviceChanges(1);
    EXPECT_EQ(link->pollLiveData().status, LivePoll::Status::Skipped);
    connectController();
    EXPECT_EQ(link->pollLiveData().status, LivePoll::Status::NoData);
    firmware->live[1] = 2;
    firmware->live[5] = 0x34;
    firmware->live[6] = 0x12;
    const auto poll = link->pollLiveData();
    ASSERT_EQ(poll.status, LivePoll::Status::Data);
    EXPECT_EQ(poll.data.hardwareType, 2);
    EXPECT_EQ(poll.data.raw[0], 0x1234);
    ASSERT_FALSE(firmware->log.empty());
    EXPECT_EQ(firmware->log.back().bytes.size(), 194u);
    EXPECT_EQ(firmware->log.back().bytes[0], 2);

    firmware->failAt = firmware->transfers();
    const auto failed = link->pollLiveData();
    EXPECT_EQ(failed.status, LivePoll::Status::Failed);
    EXPECT_EQ(failed.error, "Broken pipe");
    EXPECT_TRUE(observer.messages.empty()) << "the monitor shows no message";
}

} // namespace
} // namespace volmar::test
