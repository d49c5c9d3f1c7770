#include "volmar/core/NumberConversion.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace volmar {
namespace {

TEST(StrictConversion, AcceptsExactlyDecimalIntegers) {
    struct Row {
        const char* text;
        bool ok;
        std::int32_t value;
    };
    for (const Row& c :
         {Row{"0", true, 0}, Row{"100", true, 100}, Row{"007", true, 7}, Row{"70000", true, 70000},
          Row{"-5", true, -5}, Row{"+5", true, 5}, Row{"2147483647", true, 2147483647},
          Row{"-2147483648", true, -2147483647 - 1}, Row{"2147483648", false, 0}, Row{"", false, 0},
          Row{"-", false, 0}, Row{" 5", false, 0}, Row{"5 ", false, 0}, Row{"1a", false, 0},
          Row{"$1F", false, 0}, Row{"0x1F", false, 0}, Row{"--5", false, 0},
          Row{"1.5", false, 0}}) {
        SCOPED_TRACE(std::string("'") + c.text + "'");
        const IntConversion converted = strToInt(c.text);
        EXPECT_EQ(converted.ok(), c.ok);
        if (c.ok) {
            EXPECT_EQ(converted.value, c.value);
            EXPECT_EQ(strToIntDef(c.text, -7), c.value);
        } else {
            EXPECT_EQ(converted.error,
                      std::string("'") + c.text + "' is not a valid integer value");
            EXPECT_EQ(strToIntDef(c.text), 0);
            EXPECT_EQ(strToIntDef(c.text, -7), -7);
        }
    }
}

TEST(UsbIdText, SplitsIntoHighThenLowByte) {
    struct Row {
        const char* text;
        bool ok;
        int low;
        int high;
    };
    for (const Row& c :
         {Row{"1A2B", true, 0x2B, 0x1A}, Row{"123", true, 0x03, 0x12},
          Row{"ffff", true, 0xFF, 0xFF}, Row{"0000", true, 0x00, 0x00}, Row{"12", false, 0, 0},
          Row{"", false, 0, 0}, Row{"12G4", false, 0, 0}, Row{"12 4", false, 0, 0}}) {
        SCOPED_TRACE(std::string("'") + c.text + "'");
        const UsbIdConversion id = usbIdFromText(c.text);
        ASSERT_EQ(id.ok(), c.ok);
        if (c.ok) {
            EXPECT_EQ(std::tie(id.low, id.high), std::tie(c.low, c.high));
        } else {
            EXPECT_EQ(id.error, std::string("'") + c.text + "' is not a valid integer value");
        }
    }
}

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

std::vector<int> firstBytes(const UsbNameBytes& bytes, std::size_t count) {
    return std::vector<int>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
}

// Beyond ASCII a character keeps the low eight bits of its code: U+00E9,
// U+0416 (0x16), U+20AC (0xAC); malformed UTF-8 bytes (a lone continuation
// byte, a lead byte without its continuation) count as their own codes.
TEST(UsbName, CharactersBeyondAsciiAndMalformedBytes) {
    EXPECT_EQ(firstBytes(usbNameBytes("\xC3\xA9\xD0\x96\xE2\x82\xAC!"), 5),
              (std::vector<int>{0xE9, 0x16, 0xAC, '!', 0}));
    EXPECT_EQ(firstBytes(usbNameBytes(std::string("\x80"
                                                  "A"
                                                  "\xC3",
                                                  3)),
                         4),
              (std::vector<int>{0x80, 'A', 0xC3, 0}));
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
