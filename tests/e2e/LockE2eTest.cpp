// One program per controller, and every failure said: volmarctl processes
// and the device link (as the window uses it) against one volmar-sim.
#include "LinkFixture.h"

#include "volmar/sysio/DeviceLock.h"

#include "TempDir.h"

#include <algorithm>
#include <csignal>
#include <memory>
#include <thread>

namespace volmar::e2e {
namespace {

namespace fs = std::filesystem;

std::unique_ptr<test::ChildProcess> startVolmarctl(const std::vector<std::string>& args) {
    return std::make_unique<test::ChildProcess>(VOLMARCTL_PATH, args);
}

std::string inUseBy(const std::string& program, pid_t pid) {
    return "[in use by " + program + ", pid " + std::to_string(pid) + "]";
}

class LockTest : public E2eTest {
protected:
    // The sim alone, without the link of the fixture.
    void startSimOnly(std::vector<std::string> args) {
        sim = std::make_unique<SimProcess>(folder.path(), std::move(args));
        ASSERT_TRUE(sim->ready()) << sim->output();
    }
};

// Two writes started together: one goes through, the other is refused with
// the first named and sends nothing, and the controller holds exactly the
// configuration that went through (before, two writes made one mixed one).
TEST_F(LockTest, OfTwoConcurrentWritesOneIsRefusedAndNothingIsMixed) {
    const ConfigImage a = knownImage("First", "1111", "2222");
    const ConfigImage b = knownImage("Second", "3333", "4444");
    writeFileBytes(folder / "a.volmar", a);
    writeFileBytes(folder / "b.volmar", b);
    startSimOnly({"--eeprom", path(folder / "eeprom.bin")});
    auto first =
        startVolmarctl({"write", "--virtual", "--device", "8888:8888", path(folder / "a.volmar")});
    auto second =
        startVolmarctl({"write", "--virtual", "--device", "8888:8888", path(folder / "b.volmar")});
    const int exitA = first->waitExit(60000);
    const int exitB = second->waitExit(60000);
    ASSERT_EQ((exitA == 0) + (exitB == 0), 1) << first->stderrText() << second->stderrText();
    const bool aWon = exitA == 0;
    test::ChildProcess& loser = aWon ? *second : *first;
    const pid_t winner = aWon ? first->pid() : second->pid();
    EXPECT_EQ(aWon ? exitB : exitA, 1);
    const std::string err = loser.stderrText();
    EXPECT_NE(err.find(inUseBy("volmarctl", winner)), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    const auto eeprom = readFileBytes(folder / "eeprom.bin");
    ASSERT_EQ(eeprom.size(), 1024u);
    const ConfigImage& won = aWon ? a : b;
    EXPECT_TRUE(std::equal(won.begin(), won.begin() + 641, eeprom.begin()));
    // One write only: its backup read (21 requests and replies), write
    // begin, 21 blocks, write end and its read-back (21 and 21).
    const auto frames = sim->frames();
    EXPECT_EQ(frames.size(), 42u + 23u + 42u);
    for (const int command : {13, 3}) {
        EXPECT_EQ(std::count_if(frames.begin(), frames.end(),
                                [command](const LoggedFrame& f) { return f.command() == command; }),
                  1)
            << command;
    }
}

// Two reads started together: both files hold the controller's image, or
// one of the reads was refused and wrote nothing.
TEST_F(LockTest, OfTwoConcurrentReadsEachFileIsRightOrTheReadRefused) {
    const ConfigImage stored = knownImage("Stored", "8888", "8888");
    writeFileBytes(folder / "eeprom.bin", stored);
    startSimOnly({"--eeprom", path(folder / "eeprom.bin")});
    std::unique_ptr<test::ChildProcess> reads[2];
    for (int i = 0; i < 2; ++i) {
        reads[i] = startVolmarctl({"read", "--virtual", "--device", "8888:8888", "-o",
                                   path(folder / ("r" + std::to_string(i) + ".volmar"))});
    }
    int refused = 0;
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const fs::path file = folder / ("r" + std::to_string(i) + ".volmar");
        const int code = reads[i]->waitExit(60000);
        if (code == 0) {
            const auto bytes = readFileBytes(file);
            ASSERT_EQ(bytes.size(), 1024u);
            EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 672, stored.begin()));
        } else {
            ++refused;
            EXPECT_EQ(code, 1);
            EXPECT_NE(reads[i]->stderrText().find("[in use by volmarctl, pid "), std::string::npos)
                << reads[i]->stderrText();
            EXPECT_FALSE(fs::exists(file));
        }
    }
    EXPECT_LE(refused, 1);
}

// The device link, as the window uses it, against volmarctl both ways: the
// second program is told who holds the controller and sends nothing.
TEST_F(LockTest, TheLinkAndVolmarctlKeepEachOtherOff) {
    startSim({"--eeprom", path(folder / "eeprom.bin")});
    connect();
    const test::RunResult refused =
        test::runProgram(VOLMARCTL_PATH, {"clear", "--virtual", "--device", "8888:8888"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find(inUseBy(sysio::programName(), ::getpid())), std::string::npos)
        << refused.err;
    EXPECT_TRUE(sim->frames().empty()) << "the refused program sent a frame";

    // The link lets go when it goes; then volmarctl holds the controller.
    link.reset();
    auto live = startVolmarctl({"live", "--virtual", "--device", "8888:8888", "--count", "100000"});
    ASSERT_FALSE(live->waitForLine("hw=", 30000).empty()) << live->stderrText();
    link = std::make_unique<device::DeviceLink>(*hid, scheduler, document, englishLanguage(),
                                                observer);
    observer.messages.clear();
    link->selectDevice(0x8888, 0x8888);
    EXPECT_EQ(link->ConfigDevice(), nullptr);
    ASSERT_EQ(observer.messages.size(), 1u);
    EXPECT_NE(observer.messages[0].find(inUseBy("volmarctl", live->pid())), std::string::npos)
        << observer.messages[0];
    EXPECT_EQ(link->connectionProblem(), observer.messages[0]);

    // A holder that dies leaves no lock behind.
    live->terminate(SIGKILL);
    link->selectDevice(0x8888, 0x8888);
    EXPECT_NE(link->ConfigDevice(), nullptr);
}

struct Vanish {
    const char* name;
    int afterMs; // after volmarctl started
    int signal;  // SIGTERM unplugs the sim cleanly, SIGKILL leaves its socket
};

class ControllerVanishes : public LockTest, public ::testing::WithParamInterface<Vanish> {};

// Whenever the controller goes during a read, the read fails with one line
// saying so, and no file is written (before, an early unplug said nothing).
TEST_P(ControllerVanishes, DuringAReadGivesExit1AndAMessage) {
    startSimOnly({});
    auto read = startVolmarctl(
        {"read", "--virtual", "--device", "8888:8888", "-o", path(folder / "r.volmar")});
    std::this_thread::sleep_for(std::chrono::milliseconds(GetParam().afterMs));
    sim->stop(GetParam().signal);
    EXPECT_EQ(read->waitExit(60000), 1);
    const std::string err = read->stderrText();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_FALSE(fs::exists(folder / "r.volmar"));
}

INSTANTIATE_TEST_SUITE_P(Times, ControllerVanishes,
                         ::testing::Values(Vanish{"At20ms", 20, SIGTERM},
                                           Vanish{"At200ms", 200, SIGTERM},
                                           Vanish{"At450ms", 450, SIGTERM},
                                           Vanish{"CrashAt200ms", 200, SIGKILL},
                                           Vanish{"CrashAt900ms", 900, SIGKILL}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace volmar::e2e
