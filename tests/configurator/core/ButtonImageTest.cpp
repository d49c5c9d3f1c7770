// The button/device region and the identity part of the configuration image.

#include "CoreTestHelpers.h"
#include "volmar/core/ImageCodec.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/Rules.h"

#include <gtest/gtest.h>

#include <tuple>
#include <utility>
#include <vector>

namespace volmar {
namespace {

using test::bytesAt;
using test::decodeImage;
using test::encodeOk;
using test::startup;

TEST(ButtonMapBytes, RowFiveCarriesNumberModeShiftAndTimer) {
    ConfigState state = startup();
    state.buttons.hw[5] = 12;
    state.buttons.mode[5] = 1;
    state.buttons.shift[5] = 2;
    state.buttons.timer[5] = 3;
    const ConfigImage image = encodeOk(state);
    EXPECT_EQ(image[246], 0x0C);
    EXPECT_EQ(image[378], 0xD1);
    EXPECT_EQ(decodeImage(image).buttons, state.buttons);
}

TEST(ButtonMapBytes, EveryRowHasItsHardwareByteAndTheFirst36TheirModeByte) {
    ConfigState state = startup();
    for (int row = 1; row < kGridRows; ++row) {
        state.buttons.hw[row] = row;
        state.buttons.mode[row] = row % 7;
        state.buttons.shift[row] = row % 5;
        state.buttons.timer[row] = row % 4;
    }
    const ConfigImage image = encodeOk(state);
    for (int row = 1; row < kGridRows; ++row)
        EXPECT_EQ(image[241 + row], row) << "row " << row;
    for (int row = 1; row <= 36; ++row)
        EXPECT_EQ(image[373 + row], row % 7 + 8 * (row % 5) + 64 * (row % 4)) << "row " << row;
    // The byte after the mode bytes belongs to shift key 1.
    EXPECT_EQ(image[410], 0);
}

TEST(ButtonMapBytes, ValuesOutsideTheirListsStoreNothing) {
    ConfigState state = startup();
    state.buttons.hw[5] = 300; // does not fit the byte
    state.buttons.hw[6] = -4;
    state.buttons.mode[5] = 7;
    state.buttons.shift[5] = -1;
    state.buttons.timer[5] = 4;
    state.buttons.mode[6] = -1;
    state.buttons.shift[6] = 4;
    const ConfigImage image = encodeOk(state);
    EXPECT_EQ(image[246], 0);
    EXPECT_EQ(image[247], 0);
    EXPECT_EQ(image[378], 0);
    EXPECT_EQ(image[379], 4 * 8);
    // A row the image cannot hold is not a bound button either.
    EXPECT_EQ(image[451] & 1, 0);
}

// Mode code 7 and shift 5 have no entry; rows past 36 keep the cleared modes.
TEST(ButtonMapDecode, CodesWithoutEntryAndRowsWithoutModeByte) {
    ConfigImage image{};
    image[374] = 7 | (5 << 3) | (2 << 6);
    image[241 + 40] = 9;
    const ButtonMap decoded = decodeImage(image).buttons;
    EXPECT_EQ(std::tie(decoded.mode[1], decoded.shift[1], decoded.timer[1]),
              std::make_tuple(-1, -1, 2));
    EXPECT_EQ(std::tie(decoded.hw[40], decoded.mode[40], decoded.shift[40], decoded.timer[40]),
              std::make_tuple(9, 0, 0, 0));
}

TEST(MatrixPins, RowsThenColumns) {
    ConfigState state = startup();
    for (int n = 0; n < kMatrixPins; ++n) {
        state.hw_br[n] = n + 1;
        state.hw_bc[n] = 48 - n;
    }
    const ConfigImage image = encodeOk(state);
    for (int n = 0; n < kMatrixPins; ++n) {
        EXPECT_EQ(image[222 + n], n + 1);
        EXPECT_EQ(image[232 + n], 48 - n);
    }
    const ConfigState d = decodeImage(image);
    EXPECT_EQ(std::tie(d.hw_br, d.hw_bc), std::tie(state.hw_br, state.hw_bc));
}

TEST(ShiftKeys, TypeOnSetsBitSeven) {
    ConfigState state = startup();
    state.btn_shift[0] = 3;
    state.typ_shift[0] = 1; // ON
    state.btn_shift[1] = 0;
    state.typ_shift[1] = 1;
    state.btn_shift[2] = 127;
    state.typ_shift[2] = 2; // OFF
    state.btn_shift[3] = 5;
    state.typ_shift[3] = -1;
    const ConfigImage image = encodeOk(state);
    EXPECT_EQ(bytesAt(image, 410, 4), (std::vector<int>{0x83, 0x80, 0x7F, 0x05}));
}

TEST(ShiftKeys, DecodedTypesFollowBitSevenThenValidation) {
    ConfigImage image{};
    image[410] = 0x83; // key 3, ON
    image[411] = 0x80; // no key, ON: validation takes the type back to "---"
    image[412] = 0x05; // key 5, bit clear: the third entry ("OFF")
    const ConfigState d = decodeImage(image);
    EXPECT_EQ(std::tie(d.btn_shift[0], d.typ_shift[0], d.btn_shift[1], d.typ_shift[1],
                       d.btn_shift[2], d.typ_shift[2]),
              std::make_tuple(3, 1, 0, 0, 5, 2));
}

TEST(Timers, DelayAndOnOffBit) {
    ConfigState state = startup();
    state.btn_timer = {1, 10, 11};
    state.btn_timer_mode = {1, 2, 1};
    const ConfigImage image = encodeOk(state);
    // An index past the delay list is "not used"; the mode bit still counts.
    EXPECT_EQ(bytesAt(image, 414, 3), (std::vector<int>{0x81, 0x0A, 0x80}));
    const ConfigState decoded = decodeImage(image);
    EXPECT_EQ(decoded.btn_timer, (std::array<int, kTimers>{1, 10, 0}));
    EXPECT_EQ(decoded.btn_timer_mode, (std::array<int, kTimers>{1, 2, 1}));
}

TEST(Encoders, BothButtonsInPairs) {
    ConfigState state = startup();
    state.enc[0] = {1, 2};
    state.enc[5] = {127, 128};
    const ConfigImage image = encodeOk(state);
    EXPECT_EQ(bytesAt(image, 417, 2), (std::vector<int>{1, 2}));
    EXPECT_EQ(bytesAt(image, 427, 2), (std::vector<int>{127, 128}));
    EXPECT_EQ(decodeImage(image).enc[5].r, 128);
}

TEST(ShiftRegisters, ThreeChipsOf74HC165) {
    ConfigState state = startup();
    state.sr[0] = {2, 9, 10, 3}; // len 74HC165, select B0, data B1, 3 chips
    state.sr[1] = {1, 1, 2, 12};
    const ConfigImage image = encodeOk(state);
    EXPECT_EQ(bytesAt(image, 429, 6), (std::vector<int>{9, 10, 0x83, 1, 2, 0x4C}));
    const ConfigState decoded = decodeImage(image);
    EXPECT_EQ(std::tie(decoded.sr[0].len, decoded.sr[0].kol, decoded.sr[1].kol),
              std::make_tuple(2, 3, 12));
}

TEST(ShiftRegisters, ChipCountIsHeldToItsRangeBothWays) {
    ConfigState state = startup();
    state.sr[0].kol = 64; // would carry into the type bits
    EXPECT_EQ(encodeOk(state)[431], 12);
    ConfigImage image{};
    image[431] = 0xFF; // type 3 (no entry), 63 chips
    const ConfigState decoded = decodeImage(image);
    EXPECT_EQ(decoded.sr[0].len, -1);
    EXPECT_EQ(decoded.sr[0].kol, 12);
}

TEST(AxisButtonRows, ButtonAxisAndPercentages) {
    ConfigState state = startup();
    state.ab[1] = {4, 8, "10", "300"};
    const ConfigImage image = encodeOk(state);
    EXPECT_EQ(bytesAt(image, 439, 4), (std::vector<int>{4, 8, 10, 300 & 0xFF}));
    const ConfigState decoded = decodeImage(image);
    EXPECT_EQ(decoded.ab[1].l, "10");
    EXPECT_EQ(decoded.ab[1].h, std::to_string(300 & 0xFF));
}

TEST(PollCodes, EncodeInTheHighNibble) {
    // entry ("-", "1", "2", "4", "8", none) -> code
    for (const auto& [entry, code] : {std::pair{0, 8}, {1, 1}, {2, 2}, {3, 4}, {4, 8}, {-1, 0}}) {
        ConfigState state = startup();
        state.dev_poll = entry;
        EXPECT_EQ(encodeOk(state)[451], code << 4) << "entry " << entry;
    }
}

TEST(PollCodes, DecodeEveryCode) {
    // code -> entry; codes no entry stands for keep the default "2" (entry 2)
    const int expected[16] = {4, 1, 2, 2, 3, 2, 2, 2, 4, 2, 2, 2, 2, 2, 2, 2};
    for (int code = 0; code < 16; ++code) {
        ConfigImage image{};
        image[451] = static_cast<std::uint8_t>(code << 4 | 1);
        EXPECT_EQ(decodeImage(image).dev_poll, expected[code]) << "code " << code;
    }
}

TEST(LedOutputs, FlagsColourBrightness) {
    ConfigState state = startup();
    state.led_ws2811 = false;
    state.led_max7219 = true;
    state.led_color_init = 0x0000FF; // pure red
    state.led_digbri = 16;
    ConfigImage image = encodeOk(state);
    EXPECT_EQ(bytesAt(image, 453, 5), (std::vector<int>{0x02, 0xFF, 0x00, 0x00, 16}));
    state.led_color_init = 0x123456;
    state.led_digbri = 40;
    image = encodeOk(state);
    EXPECT_EQ(bytesAt(image, 454, 4), (std::vector<int>{0x56, 0x34, 0x12, 16}));
    const ConfigState decoded = decodeImage(image);
    EXPECT_EQ(decoded.led_color_init, 0x123456u);
    EXPECT_TRUE(decoded.led_max7219);
    EXPECT_FALSE(decoded.led_ws2811);
}

TEST(LedOutputs, BrightnessZeroDecodesAsTheLowestStep) {
    ConfigImage image{};
    image[453] = 0x01;
    const ConfigState decoded = decodeImage(image);
    EXPECT_EQ(decoded.led_digbri, 1);
    EXPECT_TRUE(decoded.led_ws2811);
}

TEST(HubAndStepper, PinsAndConfiguration) {
    ConfigState state = startup();
    state.slv_port = 33;
    state.slv_cnfg = "3";
    state.stepper = {1, 2, 3, 48};
    const ConfigImage image = encodeOk(state);
    EXPECT_EQ(bytesAt(image, 458, 6), (std::vector<int>{33, 3, 1, 2, 3, 48}));
    const ConfigState d = decodeImage(image);
    EXPECT_EQ(std::tie(d.slv_port, d.slv_cnfg, d.stepper),
              std::tie(state.slv_port, state.slv_cnfg, state.stepper));
}

TEST(Identity, VendorProductAndName) {
    ConfigState state = startup();
    state.dev_vid = "1A2B";
    state.dev_pid = "123";
    state.dev_name = "Volmar2";
    const ConfigImage image = encodeOk(state);
    EXPECT_EQ(bytesAt(image, 464, 6), (std::vector<int>{0, 0, 0x2B, 0x1A, 0x03, 0x12}));
    EXPECT_EQ(bytesAt(image, 470, 7), (std::vector<int>{'V', 'o', 'l', 'm', 'a', 'r', '2'}));
    EXPECT_EQ(bytesAt(image, 477, 13), std::vector<int>(13, 0));
    const ConfigState d = decodeImage(image);
    EXPECT_EQ(std::tie(d.dev_vid, d.dev_pid, d.dev_name),
              std::make_tuple("1A2B", "1203", "Volmar2"));
}

TEST(Identity, TwentyCharacterNameHasNoTerminator) {
    ConfigState state = startup();
    state.dev_name = "ABCDEFGHIJKLMNOPQRST";
    const ConfigImage image = encodeOk(state);
    EXPECT_EQ(image[489], 'T');
    EXPECT_EQ(decodeImage(image).dev_name, "ABCDEFGHIJKLMNOPQRST");
}

TEST(Identity, NonAsciiNameBytesSurviveARoundTrip) {
    ConfigImage image{};
    image[470] = 'A';
    image[471] = 0xE9;
    image[472] = 0xFF;
    image[473] = 0x80;
    const ConfigState decoded = decodeImage(image);
    EXPECT_EQ(decoded.dev_name, "A\xC3\xA9\xC3\xBF\xC2\x80");
    const ConfigImage again = encodeOk(decoded);
    EXPECT_EQ(bytesAt(again, 470, 5), (std::vector<int>{'A', 0xE9, 0xFF, 0x80, 0}));
}

// Loading runs the defaults first and the axis rules between the
// axis-to-button rows and the device bytes. Each field below is one the
// rules would change, so its value after decoding tells on which side of the
// rules it was read.
TEST(DecodeOrder, DefaultsFirstThenRulesBetweenButtonRowsAndDeviceBytes) {
    ConfigImage image{};
    image[3] = 1;     // axis 1: no source, assignment X
    image[10] = 0x05; // axis 1: low dead zone 5
    image[436] = 3;   // axis-to-button row 1: no button, axis 3,
    image[437] = 50;  // from 50 %
    image[438] = 60;  // to 60 %
    image[459] = 3;   // hub configuration value without any hub type
    ConfigState state = startup();
    state.slv_type[0] = 2; // an editor field the image does not carry
    ReportToConfig(image, state, englishLanguage(), false);

    EXPECT_EQ(state.slv_type[0], 0); // the defaults ran first
    // Read before the rules: the rules reset an unused axis and a row
    // without a button.
    EXPECT_EQ(state.axes[0].name, 0);
    EXPECT_EQ(state.axes[0].dzl, 0);
    EXPECT_EQ(state.ab[0].a, 0);
    EXPECT_EQ(state.ab[0].l, "0");
    EXPECT_EQ(state.ab[0].h, "0");
    // Read after the rules: their hub count would have made this "0".
    EXPECT_EQ(state.slv_cnfg, "3");
}

TEST(UnusedBytes, ReservedAndTailAreZero) {
    ConfigState state = startup();
    state.axes[0].src = 2;
    state.axes[0].name = 1;
    state.buttons.hw[132] = 1;
    ConfigImage image{};
    image.fill(0x77);
    DescriptorLog log;
    ASSERT_TRUE(ConfigToReport(state, image, log).ok());
    EXPECT_EQ(image[464], 0);
    EXPECT_EQ(image[465], 0);
    const std::size_t end = 491 + image[490];
    for (std::size_t pos = end; pos < image.size(); ++pos)
        ASSERT_EQ(image[pos], 0) << "byte " << pos;
}

} // namespace
} // namespace volmar
