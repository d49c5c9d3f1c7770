// inspecta-probe against a running volmar-sim, both as separate processes:
// the sim is listed as a game controller with its axes, hat and buttons, its
// input reports come out as events, and its going away is said.
#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace volmar::input {
namespace {

const std::filesystem::path kProbe = INSPECTA_PROBE_PATH;

TEST(ProbeEndToEndTest, ListsTheRunningSimAndPrintsItsEvents) {
    volmar::test::ChildProcess running(VOLMAR_SIM_PATH, {});
    ASSERT_FALSE(volmar::test::waitForSimReady(running).empty()) << running.stderrText();
    const std::string out =
        volmar::test::runProgram(kProbe.string(), {"--events", "5", "--count", "20"}).out;
    EXPECT_NE(out.find("game controller \""), std::string::npos) << out;
    EXPECT_NE(out.find("X Axis"), std::string::npos) << out;
    EXPECT_NE(out.find("Hat Switch"), std::string::npos) << out;
    EXPECT_NE(out.find("Button 1 "), std::string::npos) << out;
    EXPECT_NE(out.find(" acquired"), std::string::npos) << out;
    EXPECT_NE(out.find(" seq "), std::string::npos) << "no events printed:\n" << out;
}

// The probe says when the device it prints goes away.
TEST(ProbeEndToEndTest, SaysWhenTheDeviceGoesAway) {
    auto sim =
        std::make_unique<volmar::test::ChildProcess>(VOLMAR_SIM_PATH, std::vector<std::string>{});
    ASSERT_FALSE(volmar::test::waitForSimReady(*sim).empty()) << sim->stderrText();
    volmar::test::ChildProcess probe(kProbe.string(), {"--events", "30"});
    ASSERT_FALSE(probe.waitForLine("  Button 1 ", 30000).empty()) << probe.stderrText();
    sim->terminate();
    const std::string line = probe.waitForLine("game controller \"Volmar2\"", 30000);
    EXPECT_NE(line.find("went away"), std::string::npos) << line << probe.stdoutText();
    probe.terminate(SIGINT);
}

TEST(ProbeEndToEndTest, NumbersItCannotUseAreUsageErrors) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--events", "-1"},
                                                 {"--events", "nan"},
                                                 {"--events", "inf"},
                                                 {"--count", "-5"},
                                                 {"--count", "0"},
                                                 {"--frobnicate"}}) {
        SCOPED_TRACE(args[0] + " " + (args.size() > 1 ? args[1] : ""));
        const auto run = volmar::test::runProgram(kProbe.string(), args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("\nusage: inspecta-probe"), std::string::npos) << run.err;
    }
}

} // namespace
} // namespace volmar::input
