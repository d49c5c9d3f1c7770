// volmar-sim as a separate process, driven through the transport client the
// configurator and the viewer use.
#include "SimTestSupport.h"

#include "volmar/hidparse/HidParse.h"
#include "volmar/vhid/Client.h"
#include "volmar/vhid/SerialPort.h"

#include "ChildProcess.h"
#include "TempDir.h"

#include "ResultAssert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <iterator>
#include <regex>
#include <thread>

namespace volmar::sim::test {
namespace {

using volmar::test::errorCode;

using vhid::Client;

// The volmar-sim built next to this suite.
struct SimProcess : volmar::test::ChildProcess {
    explicit SimProcess(const std::vector<std::string>& args)
        : ChildProcess(VOLMAR_SIM_BINARY, args) {}
};

class SimProgram : public ::testing::Test {
protected:
    std::filesystem::path eepromFile(const EepromImage& e) {
        const auto p = m_dir / "eeprom.bin";
        const Status saved = saveEepromFile(p, e);
        EXPECT_TRUE(saved.ok()) << saved.error().text;
        return p;
    }
    std::unique_ptr<SimProcess> start(std::vector<std::string> args) {
        std::string id = "t";
        id += std::to_string(m_next++);
        args.insert(args.begin(), {"--id", id});
        auto sim = std::make_unique<SimProcess>(args);
        m_socket = volmar::test::waitForSimReady(*sim);
        EXPECT_FALSE(m_socket.empty()) << sim->stderrText();
        return sim;
    }
    std::unique_ptr<Client> connect(const std::filesystem::path& socket) {
        auto c = Client::connect(socket);
        EXPECT_TRUE(volmar::test::isOk(c));
        return c ? std::move(*c) : nullptr;
    }
    // The block read as the configurator does it: request, 25 ms, reply.
    int readBlock(Client& c, std::size_t address, Bytes& data) {
        if (const int rc = errorCode(c.setFeature(frame(cmd::ReadBlock, address, 32))); rc != 0) {
            return rc;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        Bytes reply;
        const int g = errorCode(c.getFeature(1, kFrameSize, reply));
        if (g == 0) {
            data.assign(reply.begin() + 5, reply.begin() + 37);
        }
        return g;
    }
    std::vector<std::string> lines(const std::filesystem::path& p) {
        std::ifstream in(p);
        std::vector<std::string> out;
        for (std::string l; std::getline(in, l);) {
            out.push_back(l);
        }
        return out;
    }

    volmar::test::TempDir m_dir;
    std::filesystem::path m_socket;
    int m_next = 0;
};

TEST_F(SimProgram, PresentsItsEepromIdentityAndBothCollections) {
    auto sim = start({"--eeprom", eepromFile(configuredImage()).string()});
    EXPECT_EQ(m_socket, vhid::deviceFolder() / "t0.sock");
    auto c = connect(m_socket);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->info().vendorId, 0x1A2B);
    EXPECT_EQ(c->info().productId, 0x3C4D);
    EXPECT_EQ(c->info().product, "TestPad");
    EXPECT_EQ(c->info().serial, "Volmar2-20161101");
    const auto parsed = hidparse::parseDescriptor(c->info().reportDescriptor);
    ASSERT_TRUE(volmar::test::isOk(parsed));
    ASSERT_EQ(parsed->collections.size(), 2u);
    EXPECT_EQ(parsed->collections[1].usage, 4);
    EXPECT_EQ(sim->terminate(), 0);
}

TEST_F(SimProgram, CommandLineOverridesTheIdentity) {
    auto sim = start(
        {"--vid", "0x1234", "--pid", "abcd", "--name", "Bench", "--serial", "Volmar2-20150101"});
    auto c = connect(m_socket);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->info().vendorId, 0x1234);
    EXPECT_EQ(c->info().productId, 0xABCD);
    EXPECT_EQ(c->info().product, "Bench");
    EXPECT_EQ(c->info().serial, "Volmar2-20150101");
}

TEST_F(SimProgram, WriteReachesTheEepromFileAndTheLogShowsEveryFrameInOrder) {
    const auto file = eepromFile(configuredImage());
    const auto logFile = m_dir / "frames.log";
    auto sim = start({"--eeprom", file.string(), "--log", logFile.string()});
    auto c = connect(m_socket);
    ASSERT_NE(c, nullptr);
    EepromImage img{};
    for (std::size_t i = 0; i < img.size(); ++i) {
        img[i] = static_cast<std::uint8_t>(i ^ 0x5A);
    }
    ASSERT_EQ(errorCode(c->setFeature(frame(cmd::WriteBegin))), 0);
    for (std::size_t a = 0; a < image::kWritableEnd; a += 32) {
        ASSERT_EQ(errorCode(c->setFeature(frame(cmd::WriteBlock, a, 32, bytesOf(img, a, 32)))), 0);
    }
    ASSERT_EQ(errorCode(c->setFeature(frame(cmd::WriteEnd))), 0);

    const Bytes stored = volmar::test::readFileBytes(file);
    ASSERT_EQ(stored.size(), 1024u);
    EXPECT_EQ(Bytes(stored.begin(), stored.begin() + 672), bytesOf(img, 0, 672));
    EXPECT_EQ(Bytes(stored.begin() + 672, stored.end()), bytesOf(configuredImage(), 672, 352));

    const auto log = lines(logFile);
    ASSERT_EQ(log.size(), 23u);
    const std::regex shape("[0-9]+\\.[0-9]{3} SET (01[0-9A-F]{74})");
    double last = -1;
    for (std::size_t i = 0; i < log.size(); ++i) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(log[i], m, shape)) << log[i];
        const double t = std::stod(log[i]);
        EXPECT_GE(t, last) << "time stamps run forward";
        last = t;
        const std::string hex = m[1];
        if (i == 0) {
            EXPECT_EQ(hex.substr(2, 2), "0D");
        } else if (i == log.size() - 1) {
            EXPECT_EQ(hex.substr(2, 2), "03");
        } else {
            const std::size_t a = 32 * (i - 1);
            char head[16];
            std::snprintf(head, sizeof(head), "02%02X%02X20", static_cast<unsigned>(a & 0xFF),
                          static_cast<unsigned>(a >> 8));
            EXPECT_EQ(hex.substr(2, 8), head) << "block " << i;
        }
    }
}

TEST_F(SimProgram, UnplugAfterFramesEndsTheTransferWithEnodevAndRemovesTheSocket) {
    auto sim =
        start({"--eeprom", eepromFile(configuredImage()).string(), "--unplug-after-frames", "5"});
    auto c = connect(m_socket);
    auto reader = connect(m_socket);
    ASSERT_TRUE(c && reader);
    ASSERT_EQ(errorCode(reader->subscribe()), 0);
    Bytes data;
    ASSERT_EQ(readBlock(*c, 0, data), 0);  // transfers 1, 2
    ASSERT_EQ(readBlock(*c, 32, data), 0); // 3, 4
    EXPECT_EQ(errorCode(c->setFeature(frame(cmd::ReadBlock, 64, 32))), 0)
        << "the 5th is still answered";
    Bytes reply;
    EXPECT_EQ(errorCode(c->getFeature(1, kFrameSize, reply)), ENODEV);
    EXPECT_EQ(errorCode(c->setFeature(frame(cmd::ReadBlock, 96, 32))), ENODEV);
    Bytes input;
    int rc = 0;
    while ((rc = errorCode(reader->readInput(input, 2000))) == 0) {
    }
    EXPECT_EQ(rc, ENODEV) << "the input reader sees the unplug too";
    EXPECT_EQ(sim->waitExit(10000), 0);
    EXPECT_FALSE(std::filesystem::exists(m_socket));
}

TEST_F(SimProgram, WrittenDescriptorIsWhatTheJoystickPresentsAfterRestart) {
    auto sim = start({"--eeprom", eepromFile(configuredImage()).string()});
    auto c = connect(m_socket);
    ASSERT_NE(c, nullptr);
    const std::size_t size = c->info().reportDescriptor.size();
    // Everything unbound: the configurator then writes the 7-byte empty
    // joystick collection and clears the active bit.
    EepromImage img = configuredImage();
    std::fill(img.begin() + image::kDescriptor, img.begin() + 641, 0);
    img[image::kUsbFlags] = 0x40;
    img[image::kReportLength] = 0;
    img[image::kDescriptorLength] = 7;
    std::copy(emptyJoystickDescriptor().begin(), emptyJoystickDescriptor().end(),
              img.begin() + image::kDescriptor);
    ASSERT_EQ(errorCode(c->setFeature(frame(cmd::WriteBegin))), 0);
    for (std::size_t a = 448; a < image::kWritableEnd; a += 32) {
        ASSERT_EQ(errorCode(c->setFeature(frame(cmd::WriteBlock, a, 32, bytesOf(img, a, 32)))), 0);
    }
    ASSERT_EQ(errorCode(c->setFeature(frame(cmd::WriteEnd))), 0);
    auto before = connect(m_socket);
    ASSERT_NE(before, nullptr);
    EXPECT_EQ(before->info().reportDescriptor.size(), size) << "changes only at restart";
    ASSERT_EQ(errorCode(c->setFeature(frame(cmd::Restart))), 0);
    EXPECT_FALSE(sim->waitForLine("volmar-sim: left the bus", 5000).empty());
    Bytes reply;
    EXPECT_EQ(errorCode(c->getFeature(1, kFrameSize, reply)), ENODEV);
    ASSERT_FALSE(sim->waitForLine("volmar-sim: back ", 5000).empty());
    auto again = connect(m_socket);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->info().reportDescriptor.size(), size - 73 + 7);
    const auto parsed = hidparse::parseDescriptor(again->info().reportDescriptor);
    ASSERT_TRUE(volmar::test::isOk(parsed));
    EXPECT_EQ(parsed->collections.at(1).inputReportByteLength, 0);
}

TEST_F(SimProgram, LiveDataValuesComeFromTheCommandLine) {
    auto sim = start({"--hardware", "2", "--buttons", "3,17", "--debug", "1,255,4096,65535",
                      "--uptime", "1:2:3", "--link-errors", "2=9", "8=255"});
    auto c = connect(m_socket);
    ASSERT_NE(c, nullptr);
    Bytes live;
    ASSERT_EQ(errorCode(c->getFeature(2, kLiveReportSize, live)), 0);
    ASSERT_EQ(live.size(), kLiveReportSize);
    EXPECT_EQ(live[1], 2);
    EXPECT_EQ(Bytes(live.begin() + 2, live.begin() + 5), (Bytes{1, 2, 3}));
    EXPECT_EQ(live[20 + 3], 1);
    EXPECT_EQ(live[20 + 17], 1);
    EXPECT_EQ(std::count(live.begin() + 21, live.begin() + 153, 1), 2);
    EXPECT_EQ(Bytes(live.begin() + 169, live.begin() + 177),
              (Bytes{1, 0, 255, 0, 0, 0x10, 0xFF, 0xFF}));
    EXPECT_EQ(live[178], 9);
    EXPECT_EQ(live[184], 255);
}

// Lines written into the pipe beside the socket change the live data and
// the joystick's reports while the sim runs; the pipe goes with the sim.
TEST_F(SimProgram, RuntimeCommandsMoveAxesPressButtonsAndSendCountedReports) {
    auto sim = start({"--eeprom", eepromFile(configuredImage()).string()});
    std::filesystem::path control = m_socket;
    control.replace_extension(".control");
    ASSERT_TRUE(std::filesystem::is_fifo(control));
    const auto send = [&](const std::string& line) {
        std::ofstream(control) << line << '\n';
        return sim->waitForLine("volmar-sim: did ", 5000);
    };
    EXPECT_EQ(send("axis 1 900"), "volmar-sim: did axis 1 900");
    EXPECT_EQ(send("bogus\nbuttons 3,17,40"), "volmar-sim: did buttons 3,17,40");
    EXPECT_NE(sim->stderrText().find("'bogus' is not a command"), std::string::npos);
    auto c = connect(m_socket);
    ASSERT_NE(c, nullptr);
    Bytes live;
    ASSERT_EQ(errorCode(c->getFeature(2, kLiveReportSize, live)), 0);
    EXPECT_EQ(live[5] | (live[6] << 8), 900);
    for (int b = 1; b <= kHardwareButtons; ++b) {
        EXPECT_EQ(live[20 + static_cast<std::size_t>(b)], b == 3 || b == 17 || b == 40) << b;
    }
    send("axis 1 100");
    ASSERT_EQ(errorCode(c->getFeature(2, kLiveReportSize, live)), 0);
    EXPECT_EQ(live[5] | (live[6] << 8), 100);

    // No periodic reports: a burst of ten is all the reader gets.
    ASSERT_EQ(send("input off"), "volmar-sim: did input off");
    ASSERT_EQ(errorCode(c->subscribe()), 0);
    ASSERT_EQ(send("input 10"), "volmar-sim: did input 10");
    Bytes input;
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(errorCode(c->readInput(input, 5000)), 0) << "report " << i + 1;
    }
    EXPECT_EQ(errorCode(c->readInput(input, 300)), ETIMEDOUT);
    send("input on");
    EXPECT_EQ(errorCode(c->readInput(input, 5000)), 0);

    EXPECT_EQ(sim->terminate(), 0);
    EXPECT_FALSE(std::filesystem::exists(control));
}

// A file of someone else's where the pipe would go is left alone: the sim
// runs without runtime commands and says why.
TEST_F(SimProgram, AFileWhereThePipeGoesIsKeptAndTheSimRunsWithoutCommands) {
    const std::filesystem::path control = vhid::deviceFolder() / "t0.control";
    std::filesystem::create_directories(control.parent_path());
    volmar::test::writeFileText(control, "keep me\n");
    auto sim = start({});
    ASSERT_NE(connect(m_socket), nullptr);
    EXPECT_NE(sim->stderrText().find(control.string() +
                                     " exists and is not a named pipe; no runtime commands"),
              std::string::npos)
        << sim->stderrText();
    EXPECT_EQ(sim->terminate(), 0);
    EXPECT_EQ(volmar::test::readFileText(control), "keep me\n");
}

// While away in the bootloader it shows a serial port beside its socket,
// as a Caterina bootloader does; back as the firmware, the port is gone.
TEST_F(SimProgram, BootloaderShowsASerialPortWhileAway) {
    auto sim = start({"--bootloader-return-ms", "800"});
    auto c = connect(m_socket);
    ASSERT_NE(c, nullptr);
    std::filesystem::path port = m_socket;
    port.replace_extension(".tty");
    EXPECT_TRUE(vhid::serialPorts(m_socket.parent_path()).empty());
    ASSERT_EQ(errorCode(c->setFeature(frame(cmd::Bootloader))), 0);
    EXPECT_FALSE(sim->waitForLine("volmar-sim: left the bus", 5000).empty());
    EXPECT_EQ(sim->waitForLine("volmar-sim: bootloader port", 5000),
              "volmar-sim: bootloader port " + port.string());
    EXPECT_EQ(vhid::serialPorts(m_socket.parent_path()), std::vector{port});
    EXPECT_FALSE(sim->waitForLine("volmar-sim: back ", 5000).empty());
    EXPECT_NE(connect(m_socket), nullptr);
    EXPECT_FALSE(std::filesystem::exists(port));

    // A restart is no bootloader; a sim stopped in its bootloader takes its port along.
    auto again = connect(m_socket);
    ASSERT_EQ(errorCode(again->setFeature(frame(cmd::Restart))), 0);
    EXPECT_FALSE(sim->waitForLine("volmar-sim: left the bus", 5000).empty());
    EXPECT_FALSE(std::filesystem::exists(port));
    EXPECT_FALSE(sim->waitForLine("volmar-sim: back ", 5000).empty());
    auto last = connect(m_socket);
    ASSERT_EQ(errorCode(last->setFeature(frame(cmd::Bootloader))), 0);
    EXPECT_FALSE(sim->waitForLine("volmar-sim: bootloader port", 5000).empty());
    EXPECT_EQ(sim->terminate(), 0);
    EXPECT_FALSE(std::filesystem::exists(port));
}

TEST_F(SimProgram, ServesSeveralConnectionsAndStreamsJoystickInput) {
    auto sim = start({"--eeprom", eepromFile(configuredImage()).string(), "--axis", "2=77"});
    auto reader = connect(m_socket);
    auto config = connect(m_socket);
    ASSERT_TRUE(reader && config);
    ASSERT_EQ(errorCode(reader->subscribe()), 0);
    for (int i = 0; i < 5; ++i) {
        Bytes input;
        ASSERT_EQ(errorCode(reader->readInput(input, 2000)), 0);
        ASSERT_EQ(input.size(), 6u);
        EXPECT_EQ(input[0], 1);
        // Y is the second 12-bit field: bits 12..23 of the payload
        EXPECT_EQ(((input[2] >> 4) | (input[3] << 4)), 77);
    }
    Bytes live;
    ASSERT_EQ(errorCode(config->getFeature(2, kLiveReportSize, live)), 0);
    ASSERT_EQ(live.size(), kLiveReportSize);
    EXPECT_EQ(live[0], 2);
    EXPECT_EQ(live[1], 1);
    EXPECT_EQ(live[7] | (live[8] << 8), 77);
}

TEST_F(SimProgram, FailGetStallsEveryGetAndReplyDelayCanOutlastTheClient) {
    auto failing = start({"--fail-get"});
    auto c = connect(m_socket);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(errorCode(c->setFeature(frame(cmd::ReadBlock, 0, 32))), 0);
    Bytes reply;
    EXPECT_EQ(errorCode(c->getFeature(1, kFrameSize, reply)), EPIPE);

    auto slow = start({"--reply-delay", "300"});
    c = connect(m_socket);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(errorCode(c->setFeature(frame(cmd::ReadBlock, 0, 32), 100)), ETIMEDOUT);
    EXPECT_EQ(errorCode(c->setFeature(frame(cmd::ReadBlock, 0, 32), 2000)), 0);
}

// Every way a user stops it (Ctrl-C, kill, closing its terminal) unplugs it:
// a socket file left behind would stay listed as a device nobody answers.
class SimStopSignal : public SimProgram, public ::testing::WithParamInterface<int> {};
TEST_P(SimStopSignal, UnplugsCleanly) {
    auto sim = start({});
    ASSERT_TRUE(std::filesystem::exists(m_socket));
    EXPECT_EQ(sim->terminate(GetParam()), 0);
    EXPECT_FALSE(std::filesystem::exists(m_socket));
}
INSTANTIATE_TEST_SUITE_P(Signals, SimStopSignal, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

TEST_F(SimProgram, SecondSimWithTheSameIdIsRefused) {
    auto first = start({});
    SimProcess second({"--id", "t0"});
    EXPECT_NE(second.waitExit(10000), 0);
    EXPECT_NE(second.stderrText().find("Address already in use"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(m_socket)) << "the first one keeps its socket";
}

struct BadOption {
    const char* name;
    std::vector<std::string> args;
    const char* message;
    int exitCode = 2;  // usage errors and refused input; 1 for what the system refuses
    bool usage = true; // a usage error: the usage line follows the message
};

class SimBadOption : public SimProgram, public ::testing::WithParamInterface<BadOption> {};

TEST_P(SimBadOption, ExitsWithAMessageAndTheUsage) {
    std::vector<std::string> args = GetParam().args;
    for (auto& a : args) {
        if (a == "@big" || a == "@odd") {
            const std::size_t size = a == "@big" ? 2000 : 1000;
            std::ofstream(m_dir / "eeprom.bin") << std::string(size, 'x');
            a = (m_dir / "eeprom.bin").string();
        }
    }
    SimProcess sim(args);
    EXPECT_EQ(sim.waitExit(10000), GetParam().exitCode);
    const std::string err = sim.stderrText();
    EXPECT_NE(err.find(GetParam().message), std::string::npos) << err;
    EXPECT_EQ(err.find("\nusage: volmar-sim") != std::string::npos, GetParam().usage) << err;
    EXPECT_LE(std::count(err.begin(), err.end(), '\n'), 2) << err;
}

INSTANTIATE_TEST_SUITE_P(
    Options, SimBadOption,
    ::testing::Values(
        BadOption{"VidNotHex", {"--vid", "XYZ"}, "--vid"},
        BadOption{"PidTooLarge", {"--pid", "12345"}, "--pid"},
        BadOption{"AxisNine", {"--axis", "9=1"}, "--axis"},
        BadOption{"AxisWithoutValue", {"--axis", "1"}, "--axis"},
        BadOption{"ButtonZero", {"--buttons", "3,0"}, "--buttons"},
        BadOption{"DebugThreeWords", {"--debug", "1,2,3"}, "--debug"},
        BadOption{"HardwareTooLarge", {"--hardware", "300"}, "--hardware"},
        BadOption{"UptimeTwoFields", {"--uptime", "1:2"}, "--uptime"},
        BadOption{"UptimeFieldTooLarge", {"--uptime", "1:256:3"}, "--uptime"},
        BadOption{"UnknownOption", {"--frobnicate"}, "frobnicate"},
        BadOption{"IdWithSlash", {"--id", "a/b"}, "--id"},
        BadOption{"OversizedEeprom", {"--eeprom", "@big"}, "more than 1024 bytes", 2, false},
        BadOption{"EepromOfAnotherSize", {"--eeprom", "@odd"}, "holds 1000 bytes", 2, false},
        BadOption{"HugeValueIsCut", {"--vid", std::string(100000, 'Z')}, "... (100000 bytes)"},
        BadOption{"LogInMissingFolder",
                  {"--log", "/nonexistent/dir/log"},
                  "No such file or directory",
                  1,
                  false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace volmar::sim::test
