// inspecta-probe against a running volmar-sim, both as separate processes:
// the sim is listed as a game controller with its axes, hat and buttons, and
// its input reports come out as events.
#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <filesystem>

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

} // namespace
} // namespace volmar::input
