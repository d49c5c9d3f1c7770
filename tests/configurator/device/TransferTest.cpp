// Configuration read and write, restart, clear and bootloader: frame order,
// the controller's waits, and what a failure leaves behind.
#include "LinkFixture.h"

#include <numeric>

namespace volmar::test {
namespace {

using device::Operation;
using device::Outcome;

ConfigImage patternImage(int seed) {
    ConfigImage image{};
    for (std::size_t i = 0; i < 672; ++i) {
        image[i] = static_cast<std::uint8_t>(i * 7 + seed);
    }
    return image;
}

// block k's request and reply are transfers 2k and 2k+1 of a read
void expectBlockRead(const Transfer& set, const Transfer& get, int address) {
    EXPECT_TRUE(set.set);
    EXPECT_EQ(set.command(), 1);
    EXPECT_EQ(set.address(), address);
    EXPECT_EQ(set.bytes[4], 32);
    EXPECT_FALSE(get.set);
    EXPECT_EQ(get.address(), address);
    EXPECT_EQ(get.ms - set.ms, 25) << "reply window of block " << address;
}

TEST_F(LinkTest, ReadFetchesEveryBlockInOrderWithTheControllersWaits) {
    connectController();
    firmware->eeprom = patternImage(3);
    firmware->eeprom[700] = 0x55; // beyond the image: never read
    const auto start = clock.nowMs();
    ASSERT_TRUE(link->readConfiguration());
    EXPECT_FALSE(link->LinkReady());
    runExchange();

    ASSERT_EQ(firmware->transfers(), 42);
    EXPECT_EQ(firmware->log[0].ms - start, 500);
    for (int k = 0; k < 21; ++k) {
        expectBlockRead(firmware->log[2 * k], firmware->log[2 * k + 1], 32 * k);
        if (k > 0) {
            EXPECT_EQ(firmware->log[2 * k].ms - firmware->log[2 * k - 1].ms, 25);
        }
    }
    ConfigImage expected = firmware->eeprom;
    std::fill(expected.begin() + 672, expected.end(), 0);
    EXPECT_EQ(doc.m_image, expected);
    EXPECT_EQ(doc.loads, 1);
    EXPECT_EQ(observer.loaded, 1);
    EXPECT_TRUE(link->LinkReady());
    EXPECT_TRUE(observer.messages.empty());
    ASSERT_EQ(observer.progress.size(), 23u);
    EXPECT_EQ(observer.progress.front(), "open:Load sets from device");
    EXPECT_EQ(observer.progress[4], "step:Load sets from device EEPROM[96/127]");
    EXPECT_EQ(observer.progress[21], "step:Load sets from device EEPROM[640/671]");
    EXPECT_EQ(observer.progress.back(), "close");
    EXPECT_EQ(observer.finished.back(), std::make_pair(Operation::Read, Outcome::Completed));
}

struct ReadFault {
    const char* name;
    int failAt;    // transfer index that fails
    int goneAfter; // or: transfers after which the controller is gone
    const char* message;
};

void PrintTo(const ReadFault& f, std::ostream* os) {
    *os << f.name;
}

class ReadFailure : public LinkTest, public ::testing::WithParamInterface<ReadFault> {};

TEST_P(ReadFailure, StopsAtTheFirstFailedTransferAndKeepsTheConfiguration) {
    connectController();
    firmware->eeprom = patternImage(9);
    doc.m_image = patternImage(1);
    const ConfigImage before = doc.m_image;
    firmware->failAt = GetParam().failAt;
    firmware->goneAfter = GetParam().goneAfter;
    ASSERT_TRUE(link->readConfiguration());
    runExchange();

    ASSERT_EQ(observer.messages.size(), 1u);
    EXPECT_EQ(observer.messages[0], GetParam().message);
    const int failed = GetParam().failAt >= 0 ? GetParam().failAt : GetParam().goneAfter;
    EXPECT_EQ(firmware->transfers(), failed + 1) << "nothing is sent after the failure";
    EXPECT_EQ(doc.loads, 0);
    EXPECT_EQ(doc.m_image, before);
    EXPECT_EQ(observer.loaded, 0);
    EXPECT_EQ(observer.progress.back(), "close");
    EXPECT_EQ(observer.finished.back(), std::make_pair(Operation::Read, Outcome::Failed));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ReadFailure,
    ::testing::Values(
        ReadFault{"first_request", 0, -1, "Error read RawTranzit.SET [Broken pipe]"},
        ReadFault{"reply_of_block_7", 15, -1, "Error read RawTranzit.GET [Broken pipe]"},
        ReadFault{"last_reply", 41, -1, "Error read RawTranzit.GET [Broken pipe]"},
        ReadFault{"unplugged_mid_read", -1, 20, "Error read RawTranzit.SET [No such device]"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LinkTest, ReadWarnsAboutAnotherFirmwareVersionAndCarriesOn) {
    backend->serial = "Volmar2-20200202";
    connectController();
    ASSERT_TRUE(link->readConfiguration());
    runExchange();
    ASSERT_EQ(observer.messages.size(), 1u);
    EXPECT_EQ(observer.messages[0],
              englishLanguage().lbl_miss_version + "\r\nVolmar2-20200202 <> Volmar2-20161101");
    EXPECT_EQ(doc.loads, 1);
}

TEST_F(LinkTest, ReadOrToolWithoutControllerShowsNotConnectedAndSendsNothing) {
    waitForDeviceChanges(1);
    ASSERT_TRUE(link->readConfiguration());
    runExchange();
    EXPECT_EQ(clock.nowMs(), 500);
    EXPECT_EQ(observer.finished.back(), std::make_pair(Operation::Read, Outcome::NotConnected));
    const auto shown = observer.messages.size();
    ASSERT_TRUE(link->hubCheck());
    runExchange();
    EXPECT_EQ(observer.finished.back(), std::make_pair(Operation::HubCheck, Outcome::NotConnected));
    EXPECT_EQ(firmware->transfers(), 0);
    EXPECT_EQ(observer.messages.size(), shown) << "a tool shows no message";
    EXPECT_FALSE(observer.display.connected);
    EXPECT_FALSE(link->LinkReady());
}

TEST_F(LinkTest, ReadWithAHubPortLoadsTheHubAfterwards) {
    connectController();
    doc.port = 3;
    ASSERT_TRUE(link->readConfiguration());
    runExchange();
    ASSERT_EQ(observer.finished.size(), 2u);
    EXPECT_EQ(observer.finished[1].first, Operation::HubLoad);
    EXPECT_EQ(doc.types, firmware->hubTypes);
    EXPECT_TRUE(link->LinkReady());
}

TEST_F(LinkTest, WriteSendsBeginBlocksAndEndWithTheControllersWaits) {
    connectController();
    doc.toWrite = patternImage(5);
    ASSERT_TRUE(link->writeConfiguration());
    runExchange();

    const auto sets = firmware->sets();
    ASSERT_EQ(sets.size(), 23u);
    EXPECT_EQ(sets.front().command(), 13);
    EXPECT_EQ(sets.back().command(), 3);
    for (int k = 0; k < 21; ++k) {
        const Transfer& block = sets[1 + k];
        EXPECT_EQ(block.command(), 2);
        EXPECT_EQ(block.address(), 32 * k);
        EXPECT_TRUE(std::equal(block.bytes.begin() + 5, block.bytes.begin() + 37,
                               doc.toWrite.begin() + 32 * k));
        EXPECT_EQ(block.ms - sets[k].ms, k == 0 ? 500 : 25);
    }
    EXPECT_EQ(sets.back().ms - sets[21].ms, 25);
    EXPECT_TRUE(
        std::equal(firmware->eeprom.begin(), firmware->eeprom.begin() + 672, doc.toWrite.begin()));
    EXPECT_FALSE(link->LinkReady()) << "polling resumes only after a connection or a read";
    EXPECT_EQ(observer.progress.front(), "open:Save sets to device");
    EXPECT_EQ(observer.finished.back(), std::make_pair(Operation::Write, Outcome::Completed));
}

TEST_F(LinkTest, InvalidConfigurationSendsNothingAtAll) {
    connectController();
    doc.refusal = "error in axis 3";
    ASSERT_TRUE(link->writeConfiguration());
    runExchange();
    EXPECT_EQ(firmware->transfers(), 0);
    EXPECT_EQ(observer.messages, std::vector<std::string>{"error in axis 3"});
    EXPECT_FALSE(link->LinkReady());
    EXPECT_EQ(observer.finished.back(), std::make_pair(Operation::Write, Outcome::Refused));
}

class WriteFailure : public LinkTest, public ::testing::WithParamInterface<int> {};

TEST_P(WriteFailure, StopsAtTheFailedTransferWithoutWriteEnd) {
    connectController();
    firmware->eeprom = patternImage(2);
    const ConfigImage stored = firmware->eeprom;
    doc.toWrite = patternImage(8);
    firmware->failAt = GetParam();
    ASSERT_TRUE(link->writeConfiguration());
    runExchange();
    EXPECT_EQ(firmware->transfers(), GetParam() + 1);
    for (const auto& t : firmware->log) {
        EXPECT_NE(t.command(), 3) << "write end after a failed transfer";
    }
    EXPECT_EQ(firmware->eeprom, stored);
    EXPECT_EQ(observer.messages, std::vector<std::string>{"Error read RawTranzit [Broken pipe]"});
    EXPECT_EQ(observer.finished.back(), std::make_pair(Operation::Write, Outcome::Failed));
}

// write begin, the first, a middle and the last block, write end
INSTANTIATE_TEST_SUITE_P(Transfers, WriteFailure, ::testing::Values(0, 1, 11, 21, 22));

TEST_F(LinkTest, OneExchangeAtATime) {
    connectController();
    ASSERT_TRUE(link->readConfiguration());
    EXPECT_FALSE(link->writeConfiguration());
    EXPECT_FALSE(link->restart());
    EXPECT_EQ(link->pollLiveData().status, device::LivePoll::Status::Skipped);
    runExchange();
    EXPECT_EQ(doc.encodes, 0);
    EXPECT_TRUE(link->restart());
}

TEST_F(LinkTest, DeviceChangeDuringAReadKeepsThePollOff) {
    connectController();
    ASSERT_TRUE(link->readConfiguration());
    clock.advance(600);
    backend->others = {otherDevice("kbd", 0x1, 0x2, "Keyboard", "")};
    backend->changed();
    waitForDeviceChanges(2);
    runExchange();
    EXPECT_EQ(doc.loads, 1); // the controller itself stayed: the read completes
    EXPECT_FALSE(link->LinkReady());
}

TEST_F(LinkTest, RestartSendsItsCodeThenDropsTheController) {
    connectController();
    const auto display = observer.display;
    ASSERT_TRUE(link->restart());
    runExchange();
    ASSERT_EQ(firmware->transfers(), 1);
    EXPECT_EQ(firmware->log[0].command(), 10);
    EXPECT_EQ(firmware->log[0].ms, 500);
    EXPECT_EQ(clock.nowMs(), 1000);
    EXPECT_EQ(link->ConfigDevice(), nullptr);
    EXPECT_EQ(link->JoystickDevice(), nullptr);
    EXPECT_EQ(observer.display, display) << "the display waits for the device change";
    // a read right after the restart finds no controller
    ASSERT_TRUE(link->readConfiguration());
    runExchange();
    EXPECT_EQ(observer.finished.back(), std::make_pair(Operation::Read, Outcome::NotConnected));
}

TEST_F(LinkTest, BootloaderAndClearSendTheirCodes) {
    connectController();
    ASSERT_TRUE(link->clearConfiguration());
    runExchange();
    EXPECT_NE(link->ConfigDevice(), nullptr) << "clear keeps the controller";
    const auto start = clock.nowMs();
    ASSERT_TRUE(link->startBootloader());
    runExchange();
    ASSERT_EQ(firmware->transfers(), 2);
    EXPECT_EQ(firmware->log[0].command(), 12);
    EXPECT_EQ(firmware->log[1].command(), 11);
    EXPECT_EQ(firmware->log[1].ms - firmware->log[0].ms, 1000);
    // Both references go a second after the press, without a word.
    EXPECT_EQ(clock.nowMs() - start, 1000);
    EXPECT_EQ(link->ConfigDevice(), nullptr);
    EXPECT_EQ(link->JoystickDevice(), nullptr);
    EXPECT_FALSE(link->LinkReady());
    EXPECT_TRUE(observer.messages.empty());
}

TEST_F(LinkTest, FirmwareButtonsWithoutControllerWaitForTheNextConnection) {
    waitForDeviceChanges(1);
    for (const bool bootloader : {false, true}) {
        ASSERT_TRUE(bootloader ? link->startBootloader() : link->clearConfiguration());
        runExchange();
        EXPECT_FALSE(observer.display.btnResetCnf) << bootloader;
        EXPECT_FALSE(observer.display.btnOpenBL) << bootloader;
        EXPECT_FALSE(observer.display.btnRestart) << bootloader;
        EXPECT_EQ(observer.display.connect_status, "Plug device and click at list");
        EXPECT_TRUE(observer.display.img_red);
        EXPECT_TRUE(observer.messages.empty());
        // A device change or a click that finds nothing does not free them ...
        link->selectDevice(0x1234, 0x5678);
        EXPECT_FALSE(observer.display.btnOpenBL) << bootloader;
        // ... a controller that connects does.
        link->selectDevice(0x8888, 0x8888);
        EXPECT_TRUE(observer.display.connected) << bootloader;
        EXPECT_TRUE(observer.display.btnRestart);
        EXPECT_TRUE(observer.display.btnResetCnf) << bootloader;
        EXPECT_TRUE(observer.display.btnOpenBL) << bootloader;
        link->btn_clr_dev_listClick();
    }
}

TEST_F(LinkTest, FailedCommandIsReported) {
    connectController();
    firmware->failAt = 0;
    ASSERT_TRUE(link->restart());
    runExchange();
    EXPECT_EQ(observer.messages, std::vector<std::string>{"restart failed [Broken pipe]"});
    EXPECT_EQ(observer.finished.back(), std::make_pair(Operation::Restart, Outcome::Failed));
}

} // namespace
} // namespace volmar::test
