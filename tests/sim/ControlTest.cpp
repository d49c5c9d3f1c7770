// The runtime commands: what each changes in the board settings and the
// input control, and that a refused line changes nothing.
#include "volmar/sim/Control.h"

#include "SimTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace volmar::sim::test {
namespace {

struct Board {
    BoardSettings board;
    InputControl input;
    CommandResult run(std::string_view line) { return applyCommand(line, board, input); }
};

TEST(Control, AxisFixesRawAndProcessedAndAutoLetsItMoveAgain) {
    Board b;
    ASSERT_TRUE(b.run("axis 1 900").ok);
    EXPECT_EQ(b.board.axisRaw[0], 900);
    EXPECT_FALSE(b.board.axisProcessed[0]) << "the processed value follows the raw one";
    ASSERT_TRUE(b.run("  axis\t8 100,4000 ").ok);
    EXPECT_EQ(b.board.axisRaw[7], 100);
    EXPECT_EQ(b.board.axisProcessed[7], 4000);
    // A later raw-only value drops the fixed processed one.
    ASSERT_TRUE(b.run("axis 8 200").ok);
    EXPECT_FALSE(b.board.axisProcessed[7]);
    ASSERT_TRUE(b.run("axis 1 auto").ok);
    EXPECT_FALSE(b.board.axisRaw[0]);

    // The values reach the live report of a configured controller.
    b.run("axis 2 77,1234");
    const auto report = liveDataReport(configuredImage(), b.board, SimTime{0}, {});
    EXPECT_EQ(report[7] | (report[8] << 8), 77);
    EXPECT_EQ(report[155] | (report[156] << 8), 1234);
}

TEST(Control, ButtonsHoldAListReleaseAllOrCycleAgain) {
    Board b;
    ASSERT_TRUE(b.run("buttons 3,17,40").ok);
    EXPECT_EQ(b.board.pressedButtons, (std::vector<int>{3, 17, 40}));
    const auto pressed = pressedButtons(configuredImage(), b.board, SimTime{0});
    EXPECT_TRUE(pressed[3] && pressed[17] && pressed[40]);
    EXPECT_EQ(std::count(pressed.begin(), pressed.end(), true), 3);

    ASSERT_TRUE(b.run("buttons none").ok);
    ASSERT_TRUE(b.board.pressedButtons);
    EXPECT_TRUE(b.board.pressedButtons->empty()) << "none held, not the bound ones cycling";
    ASSERT_TRUE(b.run("buttons 132").ok);
    ASSERT_TRUE(b.run("buttons auto").ok);
    EXPECT_FALSE(b.board.pressedButtons);
}

TEST(Control, InputStopsResumesAndBursts) {
    Board b;
    EXPECT_TRUE(b.input.periodic);
    ASSERT_TRUE(b.run("input off").ok);
    EXPECT_FALSE(b.input.periodic);
    ASSERT_TRUE(b.run("input 10").ok);
    ASSERT_TRUE(b.run("input 5").ok);
    EXPECT_EQ(b.input.burst, 15) << "bursts not yet sent add up";
    ASSERT_TRUE(b.run("input on").ok);
    EXPECT_TRUE(b.input.periodic);
    ASSERT_TRUE(b.run("hardware 0").ok);
    EXPECT_EQ(b.board.hardwareType, 0);
}

TEST(Control, BlankLinesAndCommentsDoNothing) {
    Board b;
    for (const char* line : {"", "   ", "# axis 1 900", "\r"}) {
        const CommandResult r = b.run(line);
        EXPECT_TRUE(r.ok && r.empty) << '"' << line << '"';
    }
    EXPECT_FALSE(b.board.axisRaw[0]);
}

TEST(Control, RefusedLinesChangeNothingAndSayWhy) {
    const char* bad[] = {
        "axis",         "axis 0 5",     "axis 9 5",    "axis 1",       "axis 1 65536", "axis 1 -1",
        "axis 1 5,6,7", "axis 1 5,",    "axis 1 x",    "axis 1 5 6",   "buttons",      "buttons 0",
        "buttons 133",  "buttons 3,,4", "buttons 3 4", "buttons nine", "input",        "input 0",
        "input 257",    "input maybe",  "hardware",    "hardware 256", "jump 3",       "AXIS 1 5",
    };
    for (const char* line : bad) {
        Board b;
        b.board.pressedButtons = std::vector<int>{1};
        const BoardSettings before = b.board;
        const CommandResult r = b.run(line);
        EXPECT_FALSE(r.ok) << line;
        EXPECT_FALSE(r.text.empty()) << line;
        EXPECT_EQ(b.board.axisRaw, before.axisRaw) << line;
        EXPECT_EQ(b.board.axisProcessed, before.axisProcessed) << line;
        EXPECT_EQ(b.board.pressedButtons, before.pressedButtons) << line;
        EXPECT_EQ(b.board.hardwareType, before.hardwareType) << line;
        EXPECT_EQ(b.input.burst, 0) << line;
        EXPECT_TRUE(b.input.periodic) << line;
    }
}

} // namespace
} // namespace volmar::sim::test
