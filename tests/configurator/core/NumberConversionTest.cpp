#include "volmar/core/NumberConversion.h"

#include <gtest/gtest.h>

#include <string>

namespace volmar {
namespace {

struct StrictCase {
    const char* text;
    bool ok;
    std::int32_t value;
};

void PrintTo(const StrictCase& c, std::ostream* os) {
    *os << "'" << c.text << "'";
}

class StrictConversion : public ::testing::TestWithParam<StrictCase> {};

TEST_P(StrictConversion, AcceptsExactlyDecimalIntegers) {
    const StrictCase& c = GetParam();
    const IntConversion converted = strToInt(c.text);
    EXPECT_EQ(converted.ok(), c.ok) << '"' << c.text << '"';
    if (c.ok) {
        EXPECT_EQ(converted.value, c.value);
        EXPECT_EQ(strToIntDef(c.text, -7), c.value);
    } else {
        EXPECT_EQ(converted.error, std::string("'") + c.text + "' is not a valid integer value");
        EXPECT_EQ(strToIntDef(c.text), 0);
        EXPECT_EQ(strToIntDef(c.text, -7), -7);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StrictConversion,
    ::testing::Values(
        StrictCase{"0", true, 0}, StrictCase{"100", true, 100}, StrictCase{"007", true, 7},
        StrictCase{"70000", true, 70000}, StrictCase{"-5", true, -5}, StrictCase{"+5", true, 5},
        StrictCase{"2147483647", true, 2147483647},
        StrictCase{"-2147483648", true, -2147483647 - 1}, StrictCase{"2147483648", false, 0},
        StrictCase{"", false, 0}, StrictCase{"-", false, 0}, StrictCase{" 5", false, 0},
        StrictCase{"5 ", false, 0}, StrictCase{"1a", false, 0}, StrictCase{"$1F", false, 0},
        StrictCase{"0x1F", false, 0}, StrictCase{"--5", false, 0}, StrictCase{"1.5", false, 0}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

struct UsbIdCase {
    const char* text;
    bool ok;
    int low;
    int high;
};

void PrintTo(const UsbIdCase& c, std::ostream* os) {
    *os << "'" << c.text << "'";
}

class UsbIdText : public ::testing::TestWithParam<UsbIdCase> {};

TEST_P(UsbIdText, SplitsIntoHighThenLowByte) {
    const UsbIdCase& c = GetParam();
    const UsbIdConversion id = usbIdFromText(c.text);
    ASSERT_EQ(id.ok(), c.ok) << '"' << c.text << '"';
    if (c.ok) {
        EXPECT_EQ(id.low, c.low);
        EXPECT_EQ(id.high, c.high);
    } else {
        EXPECT_EQ(id.error, std::string("'") + c.text + "' is not a valid integer value");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, UsbIdText,
    ::testing::Values(UsbIdCase{"1A2B", true, 0x2B, 0x1A}, UsbIdCase{"123", true, 0x03, 0x12},
                      UsbIdCase{"ffff", true, 0xFF, 0xFF}, UsbIdCase{"0000", true, 0x00, 0x00},
                      UsbIdCase{"12", false, 0, 0}, UsbIdCase{"", false, 0, 0},
                      UsbIdCase{"12G4", false, 0, 0}, UsbIdCase{"12 4", false, 0, 0}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(UsbIdText, ReadsBackAsFourUpperCaseDigits) {
    EXPECT_EQ(usbIdToText(0x2B, 0x1A), "1A2B");
    EXPECT_EQ(usbIdToText(0x03, 0x12), "1203"); // what "123" turns into after a round trip
    EXPECT_EQ(usbIdToText(0x00, 0x00), "0000");
    for (int value = 0; value <= 0xFFFF; value += 0x0FED) {
        const auto low = static_cast<std::uint8_t>(value & 0xFF);
        const auto high = static_cast<std::uint8_t>(value >> 8);
        const UsbIdConversion back = usbIdFromText(usbIdToText(low, high));
        ASSERT_TRUE(back.ok());
        EXPECT_EQ(back.low, low);
        EXPECT_EQ(back.high, high);
    }
}

TEST(UsbName, AsciiTextFillsBytesInOrderThenZeros) {
    const UsbNameBytes bytes = usbNameBytes("Volmar2");
    const std::string expected = "Volmar2";
    for (std::size_t k = 0; k < kUsbNameBytes; ++k) {
        EXPECT_EQ(bytes[k], k < expected.size() ? static_cast<std::uint8_t>(expected[k]) : 0)
            << "byte " << k;
    }
    EXPECT_EQ(usbNameText(bytes), "Volmar2");
}

TEST(UsbName, KeepsOnlyTheFirstTwentyCharacters) {
    const UsbNameBytes bytes = usbNameBytes("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    EXPECT_EQ(usbNameText(bytes), "ABCDEFGHIJKLMNOPQRST");
}

TEST(UsbName, CharactersBeyondAsciiKeepTheLowEightBitsOfTheirCode) {
    // U+00E9 (e acute), U+0416 (Cyrillic Zhe: low byte 0x16), U+20AC (euro: 0xAC)
    const UsbNameBytes bytes = usbNameBytes("\xC3\xA9\xD0\x96\xE2\x82\xAC!");
    EXPECT_EQ(bytes[0], 0xE9);
    EXPECT_EQ(bytes[1], 0x16);
    EXPECT_EQ(bytes[2], 0xAC);
    EXPECT_EQ(bytes[3], '!');
    EXPECT_EQ(bytes[4], 0);
}

TEST(UsbName, MalformedUtf8BytesCountAsTheirOwnCodes) {
    // A lone continuation byte and a lead byte without its continuation.
    const UsbNameBytes bytes = usbNameBytes(std::string("\x80"
                                                        "A"
                                                        "\xC3",
                                                        3));
    EXPECT_EQ(bytes[0], 0x80);
    EXPECT_EQ(bytes[1], 'A');
    EXPECT_EQ(bytes[2], 0xC3);
    EXPECT_EQ(bytes[3], 0);
}

TEST(UsbName, ZeroBytesInsideTheNameAreSkipped) {
    UsbNameBytes bytes{};
    bytes[0] = 'A';
    bytes[1] = 0;
    bytes[2] = 'B';
    bytes[19] = 'C';
    EXPECT_EQ(usbNameText(bytes), "ABC");
}

} // namespace
} // namespace volmar
