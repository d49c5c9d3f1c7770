// The generated joystick descriptor, its report length and its listing.

#include "volmar/core/Descriptor.h"
#include "CoreTestHelpers.h"
#include "volmar/core/ImageCodec.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/Rules.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <vector>

namespace volmar {
namespace {

struct Encoded {
    ConfigImage image{};
    DescriptorLog log;
    ConfigState state;
};

Encoded encode(ConfigState state) {
    Encoded e;
    const EncodeResult result = ConfigToReport(state, e.image, e.log);
    EXPECT_TRUE(result.ok()) << result.conversionError;
    e.state = state;
    return e;
}

std::vector<int> descriptorBytes(const ConfigImage& image) {
    return std::vector<int>(image.begin() + 491, image.begin() + 491 + image[490]);
}

std::vector<int> hex(const std::string& text) {
    std::istringstream in(text);
    std::vector<int> bytes;
    std::string word;
    while (in >> word)
        bytes.push_back(std::stoi(word, nullptr, 16));
    return bytes;
}

using test::useAxis;

TEST(Descriptor, NothingConfiguredGivesTheBareCollection) {
    const Encoded e = encode(test::startup());
    EXPECT_EQ(descriptorBytes(e.image), hex("05 01 09 04 A1 01 C0"));
    EXPECT_EQ(e.image[452], 0);
    EXPECT_EQ(e.image[451] & 1, 0);
    const std::vector<std::string> expected{
        "=BEGIN HID DEBUG FILE=",
        "ХИД ДИСКРИПТОР #1, джойстик",
        "0x05, 0x01,                    // USAGE_PAGE (Generic Desktop)",
        "0x09, 0x04,                    // USAGE (Joystick)",
        "0xa1, 0x01,                    // COLLECTION (Application)",
        "0xc0                           // END_COLLECTION",
        "Джойстик массив хид дискриптор [7]байт",
        "Итого массив хид дискриптор [7]байт (свободный остаток:143)",
        "r4_num [0]",
        "r5_num [498]",
        "=END HID DEBUG FILE=",
        "",
    };
    EXPECT_EQ(std::vector<std::string>(e.log.begin(), e.log.begin() + expected.size()), expected);
}

ConfigState twoAxesHatTenButtons() {
    ConfigState s = test::startup();
    useAxis(s, 0, 2, 1);  // X, 12 bits
    useAxis(s, 1, 2, 2);  // Y, 12 bits
    s.buttons.hw[3] = 7;  // hat down
    s.buttons.hw[14] = 9; // joystick button 10
    return s;
}

// The worked two-axes example: bytes, lengths and the listing line for line.
TEST(Descriptor, TwoAxesHatAndTenButtons) {
    const Encoded e = encode(twoAxesHatTenButtons());
    EXPECT_EQ(descriptorBytes(e.image),
              hex("05 01 09 04 A1 01 85 01 15 00 95 01 26 FF 0F 75 0C 09 30 81 02 09 31 81 02 "
                  "09 39 35 00 46 3B 01 15 00 25 07 65 14 95 01 75 04 81 02 05 09 15 00 25 01 "
                  "19 01 29 0A 75 01 95 0A 81 02 05 01 15 00 25 01 75 01 95 02 81 03 C0"));
    EXPECT_EQ(e.image[490], 73);
    EXPECT_EQ(e.image[452], 6);
    EXPECT_EQ(e.image[451] & 1, 1);
    std::ifstream golden(std::string(VOLMAR_TEST_DATA_DIR) +
                         "/codec/listing-two-axes-hat-ten-buttons.txt");
    std::vector<std::string> expected;
    for (std::string line; std::getline(golden, line);)
        expected.push_back(line);
    ASSERT_EQ(expected.size(), 50u);
    expected.resize(kDescriptorLogLines);
    EXPECT_EQ(e.log, expected);
}

TEST(Descriptor, MixedPrecisionsRepeatOnlyChangedItems) {
    ConfigState s = test::startup();
    useAxis(s, 0, 4, 1); // 14 bits
    useAxis(s, 2, 0, 2); // 10 bits
    useAxis(s, 5, 0, 3); // 10 bits again: no items
    const Encoded e = encode(s);
    EXPECT_EQ(descriptorBytes(e.image), hex("05 01 09 04 A1 01 85 01 15 00 95 01 "
                                            "26 FF 3F 75 0E 09 30 81 02 "
                                            "26 FF 03 75 0A 09 31 81 02 "
                                            "09 32 81 02 "
                                            "05 01 15 00 25 01 75 01 95 06 81 03 C0"));
    // 8 + 14 + 10 + 10 = 42 bits: 6 bytes with 6 bits of padding
    EXPECT_EQ(e.image[452], 6);
    EXPECT_EQ(e.log[9], "0x26, 0xff, 0x3f,              //   LOGICAL_MAXIMUM (16383)");
    EXPECT_EQ(e.log[10], "0x75, 0x0e,                    //   REPORT_SIZE (14)");
}

TEST(Descriptor, OnlyTheLastButtonRowBound) {
    ConfigState s = test::startup();
    s.buttons.hw[132] = 1;
    const Encoded e = encode(s);
    EXPECT_EQ(descriptorBytes(e.image),
              hex("05 01 09 04 A1 01 85 01 05 09 15 00 25 01 19 01 29 80 75 01 95 80 81 02 C0"));
    EXPECT_EQ(e.image[452], 17); // 8 + 128 bits
    EXPECT_EQ(e.log[6], "КНОПКИ ШАПКА 128");
    EXPECT_EQ(e.log[15], "Динамическая длина пакета джойстика1[136]бит)");
    EXPECT_EQ(e.log[16], "Динамическая длина пакета джойстика1[17]байт)");
    EXPECT_EQ(e.log[17], "0xc0                           // END_COLLECTION");
}

TEST(Descriptor, EightAlternatingAxesHatAndAllButtonsFit) {
    ConfigState s = test::startup();
    for (int n = 0; n < kAxisCount; ++n)
        useAxis(s, n, n % 2 == 0 ? 4 : 0, n + 1);
    s.buttons.hw[1] = 1;
    s.buttons.hw[132] = 2;
    const Encoded e = encode(s);
    const JoystickDescriptor d = generateDescriptor(descriptorInput(s));
    EXPECT_EQ(d.bytes.size(), 132u);
    EXPECT_EQ(d.reportBits, 236);
    EXPECT_EQ(d.reportBytes, 30);
    EXPECT_EQ(d.padding, 4);
    EXPECT_EQ(e.image[490], 132);
    EXPECT_EQ(e.image[452], 30);
    EXPECT_NE(e.state.chk_report_info, kDescriptorTooLongText);
}

TEST(Descriptor, AxisWithoutAssignmentUsesUsageZero) {
    ConfigState s = test::startup();
    useAxis(s, 0, 0, 0);
    const Encoded e = encode(s);
    const std::vector<int> bytes = descriptorBytes(e.image);
    EXPECT_EQ(std::vector<int>(bytes.begin() + 17, bytes.begin() + 21), hex("09 00 81 02"));
    EXPECT_EQ(e.log[11], "0x09, 0, //     USAGE ( Ось 1(--)");
}

TEST(Descriptor, PrecisionWithoutEntryCountsAsTenBits) {
    ConfigState s = test::startup();
    useAxis(s, 0, -1, 1);
    const std::vector<int> bytes = descriptorBytes(encode(s).image);
    EXPECT_EQ(std::vector<int>(bytes.begin() + 12, bytes.begin() + 17), hex("26 FF 03 75 0A"));
}

// Listing and bytes are built together; over many layouts the hex bytes the
// listing shows must be exactly the descriptor, and the report length must
// follow from the items.
TEST(Descriptor, ListingAndBytesAgreeForManyLayouts) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 300; ++round) {
        DescriptorInput input;
        for (int n = 0; n < kAxisCount; ++n) {
            if (rng() % 2) {
                input.axes.push_back({static_cast<int>(rng() % 5), static_cast<int>(rng() % 9)});
            }
        }
        input.hat = rng() % 2;
        input.buttons = static_cast<int>(rng() % 129);
        const JoystickDescriptor d = generateDescriptor(input);

        std::vector<int> listed;
        for (const std::string& line : d.listing) {
            std::istringstream in(line);
            std::string word;
            while (in >> word && word.rfind("0x", 0) == 0) {
                listed.push_back(std::stoi(word.substr(0, 4), nullptr, 16));
            }
            // Counts and usages in the listing are decimal ("0x29, 10,").
            if (line.rfind("0x29, ", 0) == 0 || line.rfind("0x95, ", 0) == 0 ||
                line.rfind("0x09, ", 0) == 0) {
                const std::string value = line.substr(6, line.find(',', 6) - 6);
                if (value.rfind("0x", 0) != 0) {
                    listed.push_back(std::stoi(value));
                }
            }
        }
        ASSERT_EQ(listed, std::vector<int>(d.bytes.begin(), d.bytes.end())) << "round " << round;

        int bits = input.active() ? 8 : 0;
        for (const DescriptorAxis& axis : input.axes) {
            bits += 10 + axis.precision;
        }
        bits += (input.hat ? 4 : 0) + input.buttons;
        EXPECT_EQ(d.reportBits, bits);
        EXPECT_EQ(d.reportBytes * 8, bits + d.padding);
        EXPECT_LT(d.padding, 8);
        EXPECT_LE(d.bytes.size(), 132u);
    }
}

TEST(Descriptor, OutOfRangeInputIsHeldToWhatTheImageCanDescribe) {
    DescriptorInput input;
    input.axes.assign(12, DescriptorAxis{17, -3});
    input.buttons = 500;
    const JoystickDescriptor d = generateDescriptor(input);
    EXPECT_LE(d.bytes.size(), kMaxDescriptorBytes);
    // eight 10-bit axes with usage 0 and 128 buttons
    EXPECT_EQ(d.reportBits, 8 + 80 + 128);
}

} // namespace
} // namespace volmar
