// Captured and generated descriptors: the capabilities the HID layer lists
// for each top-level collection, and the field layout the codecs rely on.

#include "HexDescriptor.h"

#include <gtest/gtest.h>

namespace volmar::hidparse::test {
namespace {

constexpr std::uint16_t kDesktop = 0x01;
constexpr std::uint16_t kButton = 0x09;

struct Caps {
    std::uint16_t usagePage;
    std::uint16_t usage;
    std::uint16_t input;
    std::uint16_t output;
    std::uint16_t feature;
};

struct GoldenCase {
    const char* file;
    std::size_t size;
    bool usesReportIds;
    std::vector<Caps> collections;
};

void PrintTo(const GoldenCase& c, std::ostream* os) {
    *os << c.file;
}

class GoldenCaps : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenCaps, CollectionsAndReportLengths) {
    const GoldenCase& expected = GetParam();
    const auto bytes = goldenDescriptor(expected.file);
    ASSERT_EQ(bytes.size(), expected.size);
    const ParsedDescriptor parsed = mustParse(bytes);
    EXPECT_EQ(parsed.usesReportIds, expected.usesReportIds);
    ASSERT_EQ(parsed.collections.size(), expected.collections.size());
    for (std::size_t i = 0; i < expected.collections.size(); ++i) {
        SCOPED_TRACE("collection " + std::to_string(i));
        const Collection& c = parsed.collections[i];
        const Caps& e = expected.collections[i];
        EXPECT_EQ(c.index, i);
        EXPECT_EQ(c.usagePage, e.usagePage);
        EXPECT_EQ(c.usage, e.usage);
        EXPECT_EQ(c.inputReportByteLength, e.input);
        EXPECT_EQ(c.outputReportByteLength, e.output);
        EXPECT_EQ(c.featureReportByteLength, e.feature);
        for (const ReportField& f : c.fields)
            EXPECT_EQ(f.collectionIndex, i);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Descriptors, GoldenCaps,
    ::testing::Values(
        GoldenCase{"joystick-73", 73, true, {{kDesktop, 0x04, 6, 0, 0}}},
        GoldenCase{"joystick-empty", 7, false, {{kDesktop, 0x04, 0, 0, 0}}},
        GoldenCase{"joystick-132", 132, true, {{kDesktop, 0x04, 30, 0, 0}}},
        // Without report ids Windows still counts the (zero) id byte.
        GoldenCase{"boot-keyboard", 63, false, {{kDesktop, 0x06, 9, 2, 0}}},
        GoldenCase{"boot-mouse", 50, false, {{kDesktop, 0x02, 4, 0, 0}}},
        GoldenCase{"gamepad-multi",
                   149,
                   true,
                   {{kDesktop, 0x05, 8, 3, 0}, {0x0C, 0x01, 3, 0, 0}, {0xFF00, 0x01, 0, 3, 9}}},
        GoldenCase{"vendor-feature", 31, true, {{0xFF00, 0x01, 0, 0, 194}}},
        GoldenCase{
            "controller-node", 104, true, {{0xFF00, 0x01, 0, 0, 194}, {kDesktop, 0x04, 6, 0, 0}}}),
    [](const auto& info) {
        std::string name = info.param.file;
        for (char& ch : name)
            ch = ch == '-' ? '_' : ch;
        return name;
    });

// Field-by-field expectations for the configurator's 73-byte joystick.
TEST(GoldenLayout, Joystick73Fields) {
    const ParsedDescriptor parsed = mustParse(goldenDescriptor("joystick-73"));
    ASSERT_EQ(parsed.collections.size(), 1u);
    const Collection& c = parsed.collections[0];
    ASSERT_EQ(c.fields.size(), 5u);

    struct Expect {
        std::uint32_t offset, size, count, flags;
        std::int32_t min, max;
        Usage first;
    };
    const Expect expect[] = {
        {0, 12, 1, FieldFlag::Variable, 0, 4095, {kDesktop, 0x30}},
        {12, 12, 1, FieldFlag::Variable, 0, 4095, {kDesktop, 0x31}},
        {24, 4, 1, FieldFlag::Variable, 0, 7, {kDesktop, 0x39}},
        {28, 1, 10, FieldFlag::Variable, 0, 1, {kButton, 1}},
        {38, 1, 2, FieldFlag::Variable | FieldFlag::Constant, 0, 1, {kDesktop, 0}},
    };
    for (std::size_t i = 0; i < std::size(expect); ++i) {
        SCOPED_TRACE("field " + std::to_string(i));
        const ReportField& f = c.fields[i];
        EXPECT_EQ(f.type, ReportType::Input);
        EXPECT_EQ(f.reportId, 1);
        EXPECT_EQ(f.bitOffset, expect[i].offset);
        EXPECT_EQ(f.bitSize, expect[i].size);
        EXPECT_EQ(f.count, expect[i].count);
        EXPECT_EQ(f.flags, expect[i].flags);
        EXPECT_EQ(f.logicalMin, expect[i].min);
        EXPECT_EQ(f.logicalMax, expect[i].max);
        ASSERT_EQ(f.usages.size(), f.count);
        EXPECT_EQ(f.usages.front(), expect[i].first);
    }
    // Hat: physical degrees and the English-rotation unit.
    EXPECT_EQ(c.fields[2].physicalMin, 0);
    EXPECT_EQ(c.fields[2].physicalMax, 315);
    EXPECT_EQ(c.fields[2].unit, 0x14u);
    // Buttons 1..10 in order.
    for (std::uint16_t b = 0; b < 10; ++b)
        EXPECT_EQ(c.fields[3].usages[b], (Usage{kButton, static_cast<std::uint16_t>(b + 1)}));

    const ReportInfo* report = c.findReport(ReportType::Input, 1);
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->bitLength, 40u);     // 46 bits including the id byte
    EXPECT_EQ(report->payloadBytes(), 5u); // 6 bytes on the wire with the id
}

// Axis offsets alternate 14/10 bits; 128 buttons end at bit 227.
TEST(GoldenLayout, EightAxisOffsets) {
    const ParsedDescriptor parsed = mustParse(goldenDescriptor("joystick-132"));
    const Collection& c = parsed.collections.at(0);
    ASSERT_EQ(c.fields.size(), 11u);
    std::uint32_t offset = 0;
    for (std::uint16_t axis = 0; axis < 8; ++axis) {
        SCOPED_TRACE("axis " + std::to_string(axis + 1));
        const ReportField& f = c.fields[axis];
        const std::uint32_t size = axis % 2 == 0 ? 14 : 10;
        EXPECT_EQ(f.bitOffset, offset);
        EXPECT_EQ(f.bitSize, size);
        EXPECT_EQ(f.logicalMax, (1 << size) - 1);
        EXPECT_EQ(f.usages.at(0), (Usage{kDesktop, static_cast<std::uint16_t>(0x30 + axis)}));
        offset += size;
    }
    EXPECT_EQ(c.fields[8].bitOffset, 96u); // hat
    EXPECT_EQ(c.fields[9].bitOffset, 100u);
    EXPECT_EQ(c.fields[9].count, 128u);
    EXPECT_EQ(c.fields[9].usages.back(), (Usage{kButton, 128}));
    EXPECT_EQ(c.fields[10].bitOffset, 228u);
    EXPECT_EQ(c.findReport(ReportType::Input, 1)->bitLength, 232u);
}

// Routing of reports read from one node to the collection declaring them.
TEST(GoldenLayout, ReportIdRoutingAcrossCollections) {
    const ParsedDescriptor node = mustParse(goldenDescriptor("controller-node"));
    ASSERT_EQ(node.collections.size(), 2u);
    EXPECT_EQ(node.collectionFor(ReportType::Input, 1), &node.collections[1]);
    EXPECT_EQ(node.collectionFor(ReportType::Feature, 1), &node.collections[0]);
    EXPECT_EQ(node.collectionFor(ReportType::Feature, 2), &node.collections[0]);
    EXPECT_EQ(node.collectionFor(ReportType::Input, 2), nullptr);
    EXPECT_EQ(node.collectionFor(ReportType::Output, 1), nullptr);
    EXPECT_EQ(node.collections[0].reportIds(ReportType::Feature),
              (std::vector<std::uint8_t>{1, 2}));

    const ParsedDescriptor pad = mustParse(goldenDescriptor("gamepad-multi"));
    ASSERT_EQ(pad.collections.size(), 3u);
    EXPECT_EQ(pad.collectionFor(ReportType::Input, 2), &pad.collections[1]);
    EXPECT_EQ(pad.collectionFor(ReportType::Output, 5), &pad.collections[0]);
    EXPECT_EQ(pad.collectionFor(ReportType::Output, 4), &pad.collections[2]);
    EXPECT_EQ(pad.collectionFor(ReportType::Feature, 3), &pad.collections[2]);
}

TEST(GoldenLayout, GamepadNestedAxesAndNullHat) {
    const ParsedDescriptor pad = mustParse(goldenDescriptor("gamepad-multi"));
    const Collection& c = pad.collections.at(0);
    const auto hat = findUsage(c, ReportType::Input, {kDesktop, 0x39});
    ASSERT_TRUE(hat);
    EXPECT_TRUE(hat->field->hasNullState());
    EXPECT_EQ(hat->field->bitOffset, 16u);
    // Axes in a nested physical collection still belong to the gamepad.
    const auto rz = findUsage(c, ReportType::Input, {kDesktop, 0x35});
    ASSERT_TRUE(rz);
    EXPECT_EQ(rz->field->bitOffset, 24u);
    EXPECT_EQ(rz->index, 3u);
    EXPECT_EQ(rz->field->logicalMin, -128);
    // The consumer array spans usages 0..0x3FF on page 0x0C.
    const ReportField& consumer = pad.collections.at(1).fields.at(0);
    EXPECT_EQ(arrayUsage(consumer, 0x3FF), (Usage{0x0C, 0x3FF}));
    EXPECT_EQ(arrayUsage(consumer, 0xE9), (Usage{0x0C, 0xE9}));
}

} // namespace
} // namespace volmar::hidparse::test
