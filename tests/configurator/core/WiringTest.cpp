// Wiring warnings: each kind found on a crafted mistake and absent once the
// mistake is mended, and never a change to what validation says.

#include "CoreTestHelpers.h"

#include "volmar/core/Descriptor.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/Rules.h"
#include "volmar/core/Wiring.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace volmar {
namespace {

constexpr int pin(char port, int bit) {
    return 1 + 8 * (port - 'A') + bit;
}

// A wired controller with no mistake: a 3 x 3 matrix on C0-C2 / D0-D2, a
// chain of two 74HC165 on B0 / B2 (hardware buttons 1-25), two axes on one
// MCP3204 (channels 1 and 2, select E6), one internal-sensor axis on F0, an
// encoder on 20 and 21, the WS2811 output (B5) and a hat and ten buttons.
ConfigState wiredController() {
    ConfigState s = test::startup();
    for (int i = 0; i < 3; ++i) {
        s.hw_br[static_cast<std::size_t>(i)] = pin('C', i);
        s.hw_bc[static_cast<std::size_t>(i)] = pin('D', i);
    }
    s.sr[0] = {2, pin('B', 0), pin('B', 2), 2};
    for (int axis : {0, 1}) {
        s.axes[static_cast<std::size_t>(axis)].src = 6;
        s.axes[static_cast<std::size_t>(axis)].src_port = pin('E', 6);
        s.axes[static_cast<std::size_t>(axis)].src_chnl = axis + 1;
        s.axes[static_cast<std::size_t>(axis)].name = axis + 1;
    }
    s.axes[2].src = 2;
    s.axes[2].src_port = pin('F', 0);
    s.axes[2].name = 3;
    s.enc[0] = {20, 21};
    s.led_ws2811 = true;
    for (int row = 1; row <= 14; ++row)
        s.buttons.hw[static_cast<std::size_t>(row)] = row;
    s.buttons.hw[15] = 20; // an encoder input, beyond the matrix
    s.buttons.hw[16] = 21;
    osi_Change(s, englishLanguage(), true);
    return s;
}

std::vector<WiringKind> kinds(const ConfigState& s) {
    std::vector<WiringKind> out;
    for (const WiringWarning& w : wiringWarnings(s))
        out.push_back(w.kind);
    return out;
}

TEST(Wiring, AWiredControllerWithoutMistakesHasNoWarning) {
    const ConfigState s = wiredController();
    EXPECT_EQ(wiredButtonCount(s), 25);
    for (const WiringWarning& w : wiringWarnings(s))
        ADD_FAILURE() << w.text;
}

// One mistake each, with the value that mends it: the mistake must be
// found (naming the controls involved), the mended one not, and validation
// must say exactly the same of both.
struct Mistake {
    const char* name;
    WiringKind kind;
    std::function<void(ConfigState&, bool mistaken)> apply;
    std::vector<std::string> controls;
};

const std::vector<Mistake>& mistakes() {
    static const std::vector<Mistake> all = {
        {"AxisOnAMatrixRow",
         WiringKind::SharedPin,
         [](ConfigState& s, bool bad) { s.axes[2].src_port = bad ? pin('C', 1) : pin('F', 1); },
         {"osi_3_src_port", "hw_br_2"}},
        {"RowAndColumnOnOnePin",
         WiringKind::SharedPin,
         [](ConfigState& s, bool bad) { s.hw_bc[3] = bad ? pin('C', 0) : pin('D', 3); },
         {"hw_br_1", "hw_bc_4"}},
        {"ShiftRegisterSelectIsItsData",
         WiringKind::SharedPin,
         [](ConfigState& s, bool bad) { s.sr[0].miso = bad ? pin('B', 0) : pin('B', 2); },
         {"sr_01_prt", "sr_01_miso"}},
        {"SensorClockOnTheHubPort",
         WiringKind::SharedPin,
         [](ConfigState& s, bool bad) {
             s.osi_vlsens_clk = pin('E', 2);
             s.slv_port = bad ? pin('E', 2) : pin('E', 3);
         },
         {"osi_vlsens_clk", "slv_port"}},
        {"StepperPinOnAnAxis",
         WiringKind::SharedPin,
         [](ConfigState& s, bool bad) { s.stepper[2] = bad ? pin('F', 0) : pin('A', 2); },
         {"osi_3_src_port", "stepper_pc"}},
        {"Ws2811OnAMatrixColumn",
         WiringKind::SharedPin,
         [](ConfigState& s, bool bad) { s.hw_bc[4] = bad ? pin('B', 5) : pin('D', 4); },
         {"hw_bc_5", "led_ws2811"}},
        {"Max7219BesideAnAxis",
         WiringKind::SharedPin,
         [](ConfigState& s, bool bad) {
             s.axes[3].src = 3;
             s.axes[3].name = 4;
             s.axes[3].src_port = pin('B', 4);
             s.led_max7219 = bad;
         },
         {"osi_4_src_port", "led_max7219"}},
        {"TwoAxesOnOneConverterChannel",
         WiringKind::SharedPin,
         [](ConfigState& s, bool bad) { s.axes[1].src_chnl = bad ? 1 : 3; },
         {"osi_1_src_port", "osi_2_src_port"}},
        {"TwoConverterKindsOnOneSelect",
         WiringKind::SharedPin,
         [](ConfigState& s, bool bad) {
             s.axes[3].src = 5;
             s.axes[3].name = 4;
             s.axes[3].src_chnl = 3;
             s.axes[3].src_port = bad ? pin('E', 6) : pin('A', 0);
         },
         {"osi_1_src_port", "osi_2_src_port", "osi_4_src_port"}},
        {"EncoderWithOneButton",
         WiringKind::EncoderOneButton,
         [](ConfigState& s, bool bad) {
             s.enc[3] = {22, bad ? 22 : 23};
         },
         {"enc_04_l", "enc_04_r"}},
        {"ButtonBeyondTheWiring",
         WiringKind::UnreachableButton,
         [](ConfigState& s, bool bad) { s.buttons.hw[20] = bad ? 26 : 25; },
         {"KnpGrid"}},
        {"ButtonOfAChainWithoutItsDataPin",
         WiringKind::UnreachableButton,
         [](ConfigState& s, bool bad) {
             s.sr[1] = {1, pin('A', 4), bad ? 0 : pin('A', 5), 1};
             s.buttons.hw[20] = 33;
         },
         {"KnpGrid"}},
    };
    return all;
}

TEST(Wiring, EachMistakeIsFoundAndValidationIgnoresIt) {
    for (const Mistake& m : mistakes()) {
        SCOPED_TRACE(m.name);
        ConfigState bad = wiredController();
        ConfigState good = wiredController();
        m.apply(bad, true);
        m.apply(good, false);
        osi_Change(bad, englishLanguage(), true);
        osi_Change(good, englishLanguage(), true);

        const std::vector<WiringWarning> warnings = wiringWarnings(bad);
        ASSERT_EQ(warnings.size(), 1u) << (warnings.empty() ? "" : warnings.back().text);
        EXPECT_EQ(warnings[0].kind, m.kind);
        EXPECT_EQ(warnings[0].controls, m.controls) << warnings[0].text;
        EXPECT_TRUE(kinds(good).empty()) << wiringWarnings(good).front().text;

        // Beside the report line, never instead of it.
        EXPECT_EQ(bad.chk_report_info, good.chk_report_info);
        EXPECT_EQ(bad.ConfigHasErrors, good.ConfigHasErrors);
        EXPECT_FALSE(bad.ConfigHasErrors) << bad.chk_report_info;
        ConfigImage image{};
        DescriptorLog log;
        const EncodeResult encoded = ConfigToReport(bad, image, log);
        EXPECT_TRUE(encoded.ok());
        EXPECT_FALSE(bad.ConfigHasErrors);
    }
}

TEST(Wiring, TextsNamePinsButtonsAndRows) {
    ConfigState s = wiredController();
    s.led_max7219 = true;
    s.hw_br[3] = pin('B', 4);
    s.slv_port = pin('B', 4);
    s.buttons.hw[2] = 40; // hat right
    s.buttons.hw[30] = 41;
    const std::vector<WiringWarning> w = wiringWarnings(s);
    ASSERT_EQ(w.size(), 3u);
    EXPECT_EQ(w[0].text, "Pin B4 is used for matrix row 4 (hw_br_4), sensor hub port (slv_port) "
                         "and MAX7219 LED output (led_max7219)");
    EXPECT_EQ(w[1].text, "Hat right is bound to hardware button 40, which nothing gives: the "
                         "matrix and shift registers give hardware buttons 1-28");
    EXPECT_EQ(w[1].gridRow, 2);
    EXPECT_EQ(w[2].gridRow, 30);
    EXPECT_NE(w[2].text.find("Button 26 "), std::string::npos) << w[2].text;

    // Without wiring every bound button is unreachable, but for those an
    // axis presses.
    ConfigState bare = test::startup();
    bare.buttons.hw[5] = 1;
    bare.ab[0] = {2, 1, "10", "90"};
    bare.buttons.hw[6] = 2;
    const std::vector<WiringWarning> unwired = wiringWarnings(bare);
    ASSERT_EQ(unwired.size(), 1u);
    EXPECT_EQ(unwired[0].text, "Button 1 is bound to hardware button 1, which nothing gives: no "
                               "button matrix or shift register is wired");
}

TEST(Wiring, LeftoverPinsOfUnusedFunctionsDoNotClash) {
    ConfigState s = wiredController();
    // A virtual axis keeps its pin list; a chain without chip type is not wired.
    s.axes[4].src = 1;
    s.axes[4].src_port = pin('C', 0);
    s.sr[1] = {0, pin('C', 1), pin('C', 2), 3};
    EXPECT_TRUE(kinds(s).empty());
    // A row pin outside the list reads as no pin, as the image stores it.
    s.hw_br[5] = 49;
    EXPECT_EQ(wiredButtonCount(s), 25);
}

// Eight axes whose precision alternates, a hat and 128 buttons: the longest
// descriptor the editor can build (132 bytes).
ConfigState fullDescriptor(bool alternate) {
    ConfigState s = test::startup();
    for (int a = 0; a < kAxisCount; ++a)
        test::useAxis(s, a, alternate && a % 2 == 1 ? 0 : 4, a + 1);
    // A 10 x 10 matrix (rows C0-C7, A0, A1; columns D0-D7, E0, E1) and four
    // chips: hardware buttons 1-132.
    for (int i = 0; i < kMatrixPins; ++i) {
        s.hw_br[static_cast<std::size_t>(i)] = i < 8 ? pin('C', i) : pin('A', i - 8);
        s.hw_bc[static_cast<std::size_t>(i)] = i < 8 ? pin('D', i) : pin('E', i - 8);
    }
    s.sr[0] = {2, pin('B', 0), pin('B', 2), 4};
    for (int row = 1; row < kGridRows; ++row)
        s.buttons.hw[static_cast<std::size_t>(row)] = row <= 4 ? row : row - 4;
    return s;
}

TEST(Wiring, DescriptorCloseToItsLimitSuggestsOnePrecision) {
    const ConfigState full = fullDescriptor(true);
    ASSERT_EQ(generateDescriptor(descriptorInput(full)).bytes.size(), 132u);
    const std::vector<WiringWarning> w = wiringWarnings(full);
    ASSERT_EQ(w.size(), 1u) << w.front().text;
    EXPECT_EQ(w[0].kind, WiringKind::DescriptorNearFull);
    EXPECT_EQ(w[0].text, "The joystick descriptor takes 132 of its 150 bytes; one precision for "
                         "all axes would make it 97");
    EXPECT_EQ(w[0].controls.size(), 8u);
    EXPECT_EQ(w[0].controls[7], "osi_8_prcsn");

    const ConfigState same = fullDescriptor(false);
    EXPECT_LT(generateDescriptor(descriptorInput(same)).bytes.size(),
              static_cast<std::size_t>(kDescriptorWarnBytes));
    EXPECT_TRUE(kinds(same).empty());
}

} // namespace
} // namespace volmar
