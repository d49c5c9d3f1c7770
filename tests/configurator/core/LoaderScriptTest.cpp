// The firmware upload's script and the serial-port watch: what a template
// becomes, which loader a bootloader entry uses, and when the watch starts
// an upload.

#include "volmar/core/LoaderScript.h"
#include "volmar/core/PortWatch.h"

#include <gtest/gtest.h>

namespace volmar {
namespace {

using loader::fillTemplate;
using loader::Values;

const Values kValues{"atmega32u4", "/home/me/fw.hex", "", "/opt/volmar/DarOzazoz_teensy2/"};

struct FillCase {
    const char* name;
    const char* templateText;
    const char* script;
};

class Fill : public ::testing::TestWithParam<FillCase> {};

TEST_P(Fill, KeepsTwoLinesWithEveryPlaceholderQuoted) {
    EXPECT_EQ(fillTemplate(GetParam().templateText, kValues), GetParam().script);
}

INSTANTIATE_TEST_SUITE_P(
    Templates, Fill,
    ::testing::Values(
        FillCase{"AnyLetterCase", "run --mcu=$chip$ $File$ -P $PORT$\n$path$x $CHIP$\n",
                 "run --mcu='atmega32u4' '/home/me/fw.hex' -P ''\n"
                 "'/opt/volmar/DarOzazoz_teensy2/'x 'atmega32u4'\n"},
        FillCase{"OneLineGivesAnEmptySecond", "$FILE$", "'/home/me/fw.hex'\n\n"},
        FillCase{"FiveLinesGiveTwo", "a\nb\nc $FILE$\nd\ne\n", "a\nb\n"},
        FillCase{"EmptyTemplate", "", "\n\n"},
        FillCase{"CrLfEnds", "a $CHIP$\r\nb\r\nc\r\n", "a 'atmega32u4'\nb\n"},
        FillCase{"NoPlaceholder", "echo $HOME $PATH\n", "echo $HOME $PATH\n\n"},
        // In order: "$CHIP$" is replaced first, so the "$" it shares with
        // "$FILE$" is gone by the time "$FILE$" is looked for.
        FillCase{"SharedDollarGoesToTheEarlierPlaceholder", "$FILE$CHIP$", "$FILE'atmega32u4'\n\n"},
        FillCase{"HalfAPlaceholder", "$CHIP $FILE$$", "$CHIP '/home/me/fw.hex'$\n\n"}),
    [](const auto& info) { return info.param.name; });

TEST(LoaderScript, ValuesAreQuotedAndNeverSearchedForPlaceholders) {
    Values v;
    v.chip = "$FILE$";
    v.file = "it's; $(rm -rf ~) `x` \"$PORT$\"";
    v.port = "/dev/ttyACM0";
    v.path = "";
    EXPECT_EQ(loader::fillLine("$CHIP$ $FILE$ $PORT$ $PATH$", v),
              "'$FILE$' 'it'\\''s; $(rm -rf ~) `x` \"$PORT$\"' '/dev/ttyACM0' ''");
    EXPECT_EQ(loader::shellQuote(""), "''");
    EXPECT_EQ(loader::shellQuote("''"), "''\\'''\\'''");
}

TEST(LoaderScript, EntriesOneToThreeHaveALoaderFolderAndTemplate) {
    const auto flip = loader::loaderFor(loader::AtmelFlip, "/opt/volmar");
    ASSERT_TRUE(flip.has_value());
    EXPECT_EQ(*flip, (loader::Loader{"/opt/volmar/DarOzazoz_atmeldfu/",
                                     "/opt/volmar/DarOzazoz_atmeldfu/atmeldfu.sh"}));
    EXPECT_EQ(loader::loaderFor(loader::Arduino, "/opt/volmar/")->templateFile,
              "/opt/volmar/DarOzazoz_arduino/arduino.sh");
    EXPECT_EQ(loader::loaderFor(loader::Teensy2, "/opt/volmar/")->folder,
              "/opt/volmar/DarOzazoz_teensy2/");
    for (const int entry : {-1, 0, 4}) {
        EXPECT_FALSE(loader::loaderFor(entry, "/opt/volmar/").has_value()) << entry;
    }
}

struct WatchCase {
    const char* name;
    const char* list;
    const char* com_port;
    bool autoFirmware;
    ports::WatchStep step;
};

class Watch : public ::testing::TestWithParam<WatchCase> {};

TEST_P(Watch, DecidesTheFieldTheColourAndTheStart) {
    const WatchCase& c = GetParam();
    EXPECT_EQ(ports::comPortWatch(c.list, c.com_port, c.autoFirmware), c.step);
}

INSTANTIATE_TEST_SUITE_P(
    Ports, Watch,
    ::testing::Values(
        WatchCase{"SubstringCounts",
                  "/dev/ttyACM12",
                  "/dev/ttyACM1",
                  false,
                  {"/dev/ttyACM1", true, false}},
        WatchCase{"LetterCaseMatters",
                  "/dev/ttyACM1",
                  "/dev/ttyacm1",
                  false,
                  {"/dev/ttyacm1", false, false}},
        WatchCase{"ElsewhereInTheList",
                  "/dev/ttyACM0,/dev/ttyUSB3",
                  "ttyUSB3",
                  false,
                  {"ttyUSB3", true, false}},
        WatchCase{"NotThere", "/dev/ttyACM0", "/dev/ttyACM1", true, {"/dev/ttyACM1", false, false}},
        WatchCase{"EmptyFieldNeverPresent", "/dev/ttyACM0", "", false, {"", false, false}},
        WatchCase{"EmptyList", "", "/dev/ttyACM0", true, {"/dev/ttyACM0", false, false}},
        WatchCase{"ArmedEmptyFieldTakesTheWholeListAndStarts",
                  "/dev/ttyACM3,/dev/ttyACM5",
                  "",
                  true,
                  {"/dev/ttyACM3,/dev/ttyACM5", true, true}},
        WatchCase{"ArmedEmptyFieldAndNoPortsWaits", "", "", true, {"", false, false}},
        WatchCase{"ArmedAndPresentStarts",
                  "/dev/ttyACM0",
                  "/dev/ttyACM0",
                  true,
                  {"/dev/ttyACM0", true, true}}),
    [](const auto& info) { return info.param.name; });

TEST(PortList, JoinedByCommasWithoutBlanks) {
    EXPECT_EQ(ports::joinPortList({}), "");
    EXPECT_EQ(ports::joinPortList({"/dev/ttyACM0"}), "/dev/ttyACM0");
    EXPECT_EQ(ports::joinPortList({"/dev/ttyACM0", "/dev/ttyUSB1"}), "/dev/ttyACM0,/dev/ttyUSB1");
}

} // namespace
} // namespace volmar
