// volmarctl's device commands against volmar-sim.
#include "SimProcess.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

namespace volmar::e2e {
namespace {

test::RunResult volmarctl(const std::vector<std::string>& args) {
    return test::runProgram(VOLMARCTL_PATH, args);
}

class CliTest : public ::testing::Test {
protected:
    void start(std::vector<std::string> args) {
        sim = std::make_unique<SimProcess>(folder.path(), std::move(args));
        ASSERT_TRUE(sim->ready()) << sim->output();
    }
    test::TempDir folder;
    std::unique_ptr<SimProcess> sim;
};

TEST_F(CliTest, ListShowsOneLinePerCollection) {
    start({"--vid", "0001", "--pid", "00A0", "--name", "Panel"});
    const test::RunResult run = volmarctl({"list", "--virtual"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    // The two collections of one controller, told apart by their usage.
    EXPECT_EQ(run.out, "VID:0001 PID:00A0 Panel (Volmar2-20161101) page:FF00 usage:0001\n"
                       "VID:0001 PID:00A0 Panel (Volmar2-20161101) page:0001 usage:0004\n");
}

TEST_F(CliTest, ReadWritesTheImageExactlyAsRead) {
    const ConfigImage stored = knownImage("Known", "8888", "8888");
    writeFileBytes(folder / "eeprom.bin", stored);
    start({"--eeprom", path(folder / "eeprom.bin")});
    const test::RunResult run =
        volmarctl({"read", "--virtual", "--device", "8888:8888", "-o", path(folder / "r.volmar")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto file = readFileBytes(folder / "r.volmar");
    ASSERT_EQ(file.size(), 1024u);
    EXPECT_TRUE(std::equal(file.begin(), file.begin() + 672, stored.begin()));
    EXPECT_TRUE(std::all_of(file.begin() + 672, file.end(), [](auto b) { return b == 0; }));
    const auto listing = readFileBytes(folder / "r.volmar_HID_txt");
    EXPECT_FALSE(listing.empty());
}

// The read has completed when the sensor hub load after it fails: the file
// is kept and the hub's message shown, as the window keeps the configuration.
TEST_F(CliTest, ReadIsSavedWhenTheHubLoadAfterItFails) {
    const ConfigImage stored =
        knownImage("Hubless", "8888", "8888", [](ConfigState& s) { s.slv_port = 10; });
    writeFileBytes(folder / "eeprom.bin", stored);
    start({"--eeprom", path(folder / "eeprom.bin"), "--no-hub"});
    const test::RunResult run =
        volmarctl({"read", "--virtual", "--device", "8888:8888", "-o", path(folder / "r.volmar")});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("Error TLE5011HUB ID[00]"), std::string::npos) << run.err;
    const auto file = readFileBytes(folder / "r.volmar");
    ASSERT_EQ(file.size(), 1024u);
    EXPECT_TRUE(std::equal(file.begin(), file.begin() + 672, stored.begin()));
    EXPECT_NE(stored[458], 0) << "the image must name a hub port, or no hub load follows";
}

TEST_F(CliTest, WriteThenReadBackGivesTheSameImage) {
    const ConfigImage image = knownImage("Roundtrip", "4321", "8765");
    writeFileBytes(folder / "in.volmar", image);
    start({"--eeprom", path(folder / "eeprom.bin")});
    const test::RunResult write =
        volmarctl({"write", "--virtual", "--device", "8888:8888", path(folder / "in.volmar")});
    ASSERT_EQ(write.exitCode, 0) << write.err;
    const auto eeprom = readFileBytes(folder / "eeprom.bin");
    ASSERT_GE(eeprom.size(), 641u);
    // The window loads the file and encodes it again: the same image comes out.
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + 641, eeprom.begin()));
}

// volmarctl writes as the window does: the controller's configuration kept
// first (listed by "volmarctl backups"), the write read back after; a
// controller holding something else makes the write fail.
TEST_F(CliTest, WriteKeepsABackupAndReadsTheWriteBack) {
    const ConfigImage before = knownImage("Before", "8888", "8888");
    writeFileBytes(folder / "eeprom.bin", before);
    writeFileBytes(folder / "in.volmar", knownImage("After", "8888", "8888"));
    start({"--eeprom", path(folder / "eeprom.bin")});
    const test::RunResult write =
        volmarctl({"write", "--virtual", "--device", "8888:8888", path(folder / "in.volmar")});
    ASSERT_EQ(write.exitCode, 0) << write.err;
    const std::string keptAs = "kept the controller's configuration as ";
    ASSERT_EQ(write.out.rfind(keptAs, 0), 0u) << write.out;
    const std::string file = write.out.substr(keptAs.size(), write.out.find('\n') - keptAs.size());
    EXPECT_NE(write.out.find("\nWrite verified: the controller holds the 641 bytes sent\n"),
              std::string::npos)
        << write.out;
    const auto kept = readFileBytes(file);
    ASSERT_EQ(kept.size(), 1024u);
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + 641, kept.begin()));
    const test::RunResult listed = volmarctl({"backups"});
    EXPECT_NE(listed.out.find("8888:8888  Before  "), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find(file), std::string::npos) << listed.out;

    sim.reset();
    start({"--eeprom", path(folder / "eeprom.bin"), "--corrupt-eeprom-byte", "200"});
    const test::RunResult worn =
        volmarctl({"write", "--virtual", "--device", "8888:8888", path(folder / "in.volmar")});
    EXPECT_EQ(worn.exitCode, 1);
    EXPECT_NE(worn.err.find("Write differs at address 200\n"), std::string::npos) << worn.err;
}

TEST_F(CliTest, InvalidConfigurationIsNotWrittenAtAll) {
    // two axes with the same assignment
    std::ofstream(folder / "bad.json") << R"({"osi_1_src":2,"osi_1_name":1,"osi_1_src_port":41,)"
                                       << R"("osi_2_src":2,"osi_2_name":1,"osi_2_src_port":42})";
    start({});
    const test::RunResult run =
        volmarctl({"write", "--virtual", "--device", "8888:8888", path(folder / "bad.json")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_FALSE(run.err.empty());
    EXPECT_TRUE(sim->frames().empty()) << "not even write begin may be sent";
}

TEST_F(CliTest, FailuresExitNonZeroWithAMessage) {
    start({"--fail-get"});
    const test::RunResult read =
        volmarctl({"read", "--virtual", "--device", "8888:8888", "-o", path(folder / "x.volmar")});
    EXPECT_EQ(read.exitCode, 1);
    EXPECT_NE(read.err.find("Error read RawTranzit.GET ["), std::string::npos) << read.err;
    EXPECT_FALSE(std::filesystem::exists(folder / "x.volmar"));

    const test::RunResult absent = volmarctl({"restart", "--virtual", "--device", "1234:5678"});
    EXPECT_EQ(absent.exitCode, 1);
    EXPECT_NE(absent.err.find("1234:5678"), std::string::npos) << absent.err;

    const test::RunResult badIds = volmarctl({"clear", "--virtual", "--device", "88888"});
    EXPECT_NE(badIds.exitCode, 0);
}

TEST_F(CliTest, LivePrintsOneLinePerPoll) {
    start({"--hardware", "2", "--axis", "1=1000,2000", "--buttons", "3,17"});
    const test::RunResult run =
        volmarctl({"live", "--virtual", "--device", "8888:8888", "--count", "3"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto lines = std::count(run.out.begin(), run.out.end(), '\n');
    EXPECT_EQ(lines, 3);
    EXPECT_NE(run.out.find("hw=2 (AT90USB646)"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("raw=1000,"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("axis=2000,"), std::string::npos) << run.out;
}

TEST_F(CliTest, RestartClearAndBootloaderSucceed) {
    start({"--eeprom", path(folder / "eeprom.bin")});
    EXPECT_EQ(volmarctl({"clear", "--virtual", "--device", "8888:8888"}).exitCode, 0);
    EXPECT_EQ(volmarctl({"restart", "--virtual", "--device", "8888:8888"}).exitCode, 0);
    // back after the restart
    test::RunResult list;
    ASSERT_TRUE(waitUntil([&] {
        list = volmarctl({"list", "--virtual"});
        return !list.out.empty();
    }));
    EXPECT_EQ(volmarctl({"bootloader", "--virtual", "--device", "8888:8888"}).exitCode, 0);
    const auto frames = sim->frames();
    ASSERT_GE(frames.size(), 3u);
    EXPECT_EQ(frames[0].command(), 12);
    EXPECT_EQ(frames[1].command(), 10);
    EXPECT_EQ(frames[2].command(), 11);
}

} // namespace
} // namespace volmar::e2e
