// The device link against volmar-sim: listing, connection, read, write,
// version warning, unplug in the middle of a transfer, restart.
#include "LinkFixture.h"

namespace volmar::e2e {
namespace {

using device::Operation;
using device::Outcome;

// One configured axis, so validation passes and a write goes out.
void configureAxis(ConfigState& state) {
    state.axes[0].src = 2;
    state.axes[0].name = 1;
    state.axes[0].src_port = 41;
    osi_Change(state, englishLanguage(), true);
}

TEST_F(E2eTest, ListsTheSimAndConnectsByItsIds) {
    startSim({"--vid", "03EB", "--pid", "2041", "--name", "Stick"},
             "VID:03EB PID:2041 Stick (Volmar2-20161101)");
    connect(0x03EB, 0x2041);
    EXPECT_NE(link->JoystickDevice(), nullptr);
    EXPECT_TRUE(link->LinkReady());
    EXPECT_EQ(link->display().connect_status, "Connected to VID[03EB] PID[2041] Stick");
    EXPECT_EQ(link->FirmwareVersion(), "Volmar2-20161101");
}

TEST_F(E2eTest, ReadGetsTheSimsEepromBlockByBlock) {
    const ConfigImage stored = knownImage("Known", "1234", "5678");
    writeFileBytes(folder / "eeprom.bin", stored);
    startSim({"--eeprom", path(folder / "eeprom.bin")},
             "VID:1234 PID:5678 Known (Volmar2-20161101)");
    connect(0x1234, 0x5678);
    ASSERT_TRUE(link->readConfiguration());
    EXPECT_EQ(finish(), std::make_pair(Operation::Read, Outcome::Completed));
    EXPECT_TRUE(observer.messages.empty()) << observer.messages.front();

    ConfigImage expected = stored;
    std::fill(expected.begin() + 672, expected.end(), 0);
    EXPECT_EQ(document.image(), expected);
    EXPECT_EQ(state.dev_name, "Known");
    EXPECT_EQ(state.dev_vid, "1234");

    const auto frames = sim->frames();
    ASSERT_EQ(frames.size(), 42u);
    for (int k = 0; k < 21; ++k) {
        const LoggedFrame& request = frames[2 * k];
        const LoggedFrame& reply = frames[2 * k + 1];
        ASSERT_TRUE(request.set);
        ASSERT_FALSE(reply.set);
        EXPECT_EQ(request.command(), 1);
        EXPECT_EQ(request.address(), 32 * k);
        EXPECT_GE(reply.ms - request.ms, 25.0) << "block " << k << " fetched too early";
        EXPECT_TRUE(
            std::equal(reply.bytes.begin() + 5, reply.bytes.begin() + 37, stored.begin() + 32 * k));
    }
}

TEST_F(E2eTest, WriteLandsInTheSimsEepromInProtocolOrder) {
    startSim({"--eeprom", path(folder / "eeprom.bin")});
    connect();
    state.dev_name = "Written";
    configureAxis(state);
    ASSERT_TRUE(link->writeConfiguration());
    EXPECT_EQ(finish(), std::make_pair(Operation::Write, Outcome::Completed));

    const auto eeprom = readFileBytes(folder / "eeprom.bin");
    ASSERT_GE(eeprom.size(), 672u);
    EXPECT_TRUE(std::equal(eeprom.begin(), eeprom.begin() + 672, document.image().begin()));

    const auto frames = sim->frames();
    ASSERT_EQ(frames.size(), 23u);
    EXPECT_EQ(frames.front().command(), 13);
    EXPECT_GE(frames[1].ms - frames[0].ms, 500.0);
    for (int k = 0; k < 21; ++k) {
        const LoggedFrame& block = frames[1 + k];
        EXPECT_TRUE(block.set);
        EXPECT_EQ(block.command(), 2);
        EXPECT_EQ(block.address(), 32 * k);
        EXPECT_EQ(block.bytes[4], 32);
        if (k > 0) {
            EXPECT_GE(block.ms - frames[k].ms, 25.0);
        }
    }
    EXPECT_EQ(frames.back().command(), 3);
}

TEST_F(E2eTest, AnotherFirmwareVersionWarnsAndTheReadGoesOn) {
    startSim({"--serial", "Volmar2-20991231"}, "VID:8888 PID:8888 Volmar2 (Volmar2-20991231)");
    connect();
    ASSERT_TRUE(link->readConfiguration());
    EXPECT_EQ(finish(), std::make_pair(Operation::Read, Outcome::Completed));
    ASSERT_FALSE(observer.messages.empty());
    EXPECT_EQ(observer.messages[0],
              englishLanguage().lbl_miss_version + "\r\nVolmar2-20991231 <> Volmar2-20161101");
}

// A controller that answers late or with noise: the read still ends, and the
// decoder takes whatever came.
class OddController : public E2eTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(OddController, ReadEndsWithoutATransferError) {
    startSim(splitArgs(GetParam()));
    connect();
    ASSERT_TRUE(link->readConfiguration());
    EXPECT_EQ(finish(), std::make_pair(Operation::Read, Outcome::Completed));
    // noise may decode into a configuration that validation complains about
    for (const auto& message : observer.messages) {
        EXPECT_EQ(message.find("RawTranzit"), std::string::npos) << message;
    }
    EXPECT_EQ(observer.progressSteps, 21);
    EXPECT_TRUE(link->LinkReady());
}

INSTANTIATE_TEST_SUITE_P(Sims, OddController,
                         ::testing::Values("--reply-delay 30", "--garbage-replies"));

TEST_F(E2eTest, UnplugInTheMiddleOfAReadLeavesTheConfigurationAlone) {
    startSim({"--unplug-after-frames", "20"});
    connect();
    state.dev_name = "Mine";
    const ConfigState before = state;
    const ConfigImage imageBefore = document.image();
    ASSERT_TRUE(link->readConfiguration());
    EXPECT_EQ(finish(), std::make_pair(Operation::Read, Outcome::Failed));
    ASSERT_EQ(observer.messages.size(), 1u);
    EXPECT_EQ(observer.messages[0].rfind("Error read RawTranzit.", 0), 0u) << observer.messages[0];
    EXPECT_EQ(state, before);
    EXPECT_EQ(document.image(), imageBefore);
    // the sim has gone: the list follows and the display shows it
    EXPECT_TRUE(waitUntil([&] { return !observer.listed(kDefaultLine); }));
    EXPECT_FALSE(link->display().connected);
    EXPECT_FALSE(link->LinkReady());
    EXPECT_EQ(observer.messages.size(), 1u);
}

TEST_F(E2eTest, UnplugInTheMiddleOfAWriteNeverSendsWriteEnd) {
    const ConfigImage stored = knownImage("Stored", "8888", "8888");
    writeFileBytes(folder / "eeprom.bin", stored);
    startSim({"--eeprom", path(folder / "eeprom.bin"), "--unplug-after-frames", "10"},
             "VID:8888 PID:8888 Stored (Volmar2-20161101)");
    connect();
    state.dev_name = "Half";
    configureAxis(state);
    ASSERT_TRUE(link->writeConfiguration());
    EXPECT_EQ(finish(), std::make_pair(Operation::Write, Outcome::Failed));
    ASSERT_EQ(observer.messages.size(), 1u);
    EXPECT_EQ(observer.messages[0].rfind("Error read RawTranzit [", 0), 0u) << observer.messages[0];
    const auto frames = sim->frames();
    for (const auto& frame : frames) {
        EXPECT_NE(frame.command(), 3);
    }
    const auto eeprom = readFileBytes(folder / "eeprom.bin");
    EXPECT_TRUE(std::equal(stored.begin(), stored.end(), eeprom.begin()))
        << "the stored configuration changed";
}

TEST_F(E2eTest, RestartBringsTheControllerBackWithItsNewIdentity) {
    startSim({"--eeprom", path(folder / "eeprom.bin")});
    connect();
    state.dev_name = "Renamed";
    state.dev_vid = "1234";
    state.dev_pid = "ABCD";
    configureAxis(state);
    ASSERT_TRUE(link->writeConfiguration());
    ASSERT_EQ(finish(), std::make_pair(Operation::Write, Outcome::Completed));
    const int changesBefore = observer.deviceChanges;
    ASSERT_TRUE(link->restart());
    EXPECT_EQ(finish(), std::make_pair(Operation::Restart, Outcome::Completed));
    EXPECT_EQ(link->ConfigDevice(), nullptr);
    const std::string renamed = "VID:1234 PID:ABCD Renamed (Volmar2-20161101)";
    ASSERT_TRUE(waitUntil([&] { return observer.listed(renamed); })) << sim->output();
    EXPECT_GT(observer.deviceChanges, changesBefore);
    EXPECT_FALSE(observer.listed(kDefaultLine));
    connect(0x1234, 0xABCD);
    EXPECT_TRUE(link->display().connected);
}

} // namespace
} // namespace volmar::e2e
