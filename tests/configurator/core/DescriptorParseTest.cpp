// The generated descriptor as a host sees it: every image the encoder writes
// must hold a descriptor that a HID parser accepts, and the input report
// length the parser derives from it must be the one stored for the firmware
// (byte 452, report id byte included). A mismatch would make the host drop or
// misread every joystick report.

#include "CoreTestHelpers.h"
#include "volmar/core/ImageCodec.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/Rules.h"
#include "volmar/hidparse/HidParse.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace volmar {
namespace {

namespace hp = hidparse;

struct Layout {
    const char* name;
    std::function<void(ConfigState&)> configure;
    int reportBytes; // what the firmware must be told, report id included
};

using test::useAxis;

// The descriptor the encoder stored for `state`, read back by the parser.
Result<hp::ParsedDescriptor> storedDescriptor(const ConfigImage& image) {
    const std::vector<std::uint8_t> descriptor(image.begin() + 491,
                                               image.begin() + 491 + image[490]);
    auto parsed = hp::parseDescriptor(descriptor);
    EXPECT_TRUE(parsed.ok()) << parsed.error().text;
    return parsed;
}

TEST(DescriptorAsParsed, ParserAgreesWithTheStoredReportLength) {
    const Layout layouts[] = {
        Layout{"NothingBound", [](ConfigState&) {}, 0},
        Layout{"TwoAxesHatTenButtons",
               [](ConfigState& s) {
                   useAxis(s, 0, 2, 1);
                   useAxis(s, 1, 2, 2);
                   s.buttons.hw[2] = 3;
                   s.buttons.hw[14] = 9;
               },
               6},
        Layout{"EightAlternatingAxesHatAllButtons",
               [](ConfigState& s) {
                   for (int n = 0; n < kAxisCount; ++n)
                       useAxis(s, n, n % 2 == 0 ? 4 : 0, n + 1);
                   s.buttons.hw[4] = 1;
                   s.buttons.hw[132] = 2;
               },
               30},
        Layout{"OnlyRow132", [](ConfigState& s) { s.buttons.hw[132] = 5; }, 17},
        Layout{"HatAlone", [](ConfigState& s) { s.buttons.hw[4] = 128; }, 2},
        Layout{"OneAxisWithoutAssignment", [](ConfigState& s) { useAxis(s, 6, 3, 0); }, 3},
        Layout{"AxesWithGapsAndOneButton",
               [](ConfigState& s) {
                   useAxis(s, 1, 1, 4);
                   useAxis(s, 4, 1, 5);
                   useAxis(s, 7, 4, 8);
                   s.buttons.hw[5] = 1;
               },
               6}};
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(layout.name);
        ConfigState state = startupState(englishLanguage());
        layout.configure(state);
        const ConfigImage image = test::encodeOk(state);
        const auto parsed = storedDescriptor(image);
        ASSERT_TRUE(parsed.ok());
        ASSERT_EQ(parsed->collections.size(), 1u);
        const hp::Collection& joystick = parsed->collections[0];
        EXPECT_EQ(joystick.usagePage, 0x01);
        EXPECT_EQ(joystick.usage, 0x04);

        EXPECT_EQ(image[452], layout.reportBytes);
        EXPECT_EQ(joystick.inputReportByteLength, image[452]);
        const bool active = (image[451] & 1) != 0;
        EXPECT_EQ(active, layout.reportBytes > 0);
        if (!active) {
            EXPECT_TRUE(joystick.reports.empty());
            continue;
        }
        // One input report with id 1: its payload plus the id byte is byte 452,
        // and the padding leaves no partial byte for the host to guess about.
        EXPECT_TRUE(parsed->usesReportIds);
        ASSERT_EQ(joystick.reports.size(), 1u);
        const hp::ReportInfo* report = joystick.findReport(hp::ReportType::Input, 1);
        ASSERT_NE(report, nullptr);
        EXPECT_EQ(report->payloadBytes() + 1, image[452]);
        EXPECT_EQ(report->bitLength % 8, 0u);
    }
}

// Each configured axis is found by the host under its assignment, with the
// report size its precision asks for, in axis order.
TEST(DescriptorAsParsed, AxesAppearUnderTheirUsagesAndSizes) {
    ConfigState state = startupState(englishLanguage());
    useAxis(state, 0, 4, 2); // Y, 14 bits
    useAxis(state, 3, 0, 8); // Dial, 10 bits
    useAxis(state, 5, 2, 1); // X, 12 bits
    const auto parsed = storedDescriptor(test::encodeOk(state));
    ASSERT_TRUE(parsed.ok());
    const hp::Collection& joystick = parsed->collections.at(0);

    struct Expected {
        std::uint16_t usage;
        std::uint32_t bits;
        std::int32_t maximum;
    };
    const Expected expected[] = {{0x31, 14, 16383}, {0x37, 10, 1023}, {0x30, 12, 4095}};
    std::uint32_t offset = 0;
    for (const Expected& e : expected) {
        const std::optional<hp::FieldRef> ref =
            hp::findUsage(joystick, hp::ReportType::Input, hp::Usage{0x01, e.usage});
        ASSERT_TRUE(ref.has_value()) << "usage " << e.usage;
        EXPECT_EQ(ref->field->bitOffset, offset) << "usage " << e.usage;
        EXPECT_EQ(ref->field->bitSize, e.bits) << "usage " << e.usage;
        EXPECT_EQ(ref->field->logicalMin, 0) << "usage " << e.usage;
        EXPECT_EQ(ref->field->logicalMax, e.maximum) << "usage " << e.usage;
        offset += e.bits;
    }
}

} // namespace
} // namespace volmar
