// Reading and writing field elements against hand-packed reports: LSB-first
// packing across byte boundaries, odd widths, signs, and every bound.

#include "HexDescriptor.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace volmar::hidparse::test {
namespace {

constexpr Usage kX{1, 0x30}, kY{1, 0x31}, kHat{1, 0x39};
Usage button(std::uint16_t n) {
    return Usage{9, n};
}

std::int64_t valueOf(const Collection& c, Usage usage, std::span<const std::uint8_t> payload) {
    const auto ref = findUsage(c, ReportType::Input, usage);
    if (!ref) {
        ADD_FAILURE() << "no element with usage " << usage.page << ":" << usage.id;
        return -1;
    }
    const auto value = extractField(*ref->field, ref->index, payload);
    if (!value) {
        ADD_FAILURE() << "element not readable";
        return -1;
    }
    return *value;
}

// X = 0xABC, Y = 0x123, hat 5, buttons 1, 3 and 10, packed by hand:
// bits 0-11 X, 12-23 Y, 24-27 hat, 28-37 buttons 1-10, 38-39 padding.
const std::vector<std::uint8_t> kJoystick73Wire{0x01, 0xBC, 0x3A, 0x12, 0x55, 0x20};

TEST(ExtractField, Joystick73HandPackedReport) {
    const ParsedDescriptor d = mustParse(goldenDescriptor("joystick-73"));
    const Collection& c = d.collections.at(0);
    const auto payload = d.payloadOf(kJoystick73Wire);
    ASSERT_EQ(payload.size(), 5u);
    EXPECT_EQ(valueOf(c, kX, payload), 0xABC);
    EXPECT_EQ(valueOf(c, kY, payload), 0x123);
    EXPECT_EQ(valueOf(c, kHat, payload), 5);
    const std::set<std::uint16_t> pressed{1, 3, 10};
    for (std::uint16_t b = 1; b <= 10; ++b)
        EXPECT_EQ(valueOf(c, button(b), payload), pressed.count(b) ? 1 : 0) << "button " << b;
}

TEST(ExtractField, EightAxis14And10BitFields) {
    const ParsedDescriptor d = mustParse(goldenDescriptor("joystick-132"));
    const Collection& c = d.collections.at(0);
    std::vector<std::uint8_t> wire(30, 0);
    wire[0] = 0x01;
    // Axis 1 (14 bits at 0) = 0x1234, axis 2 (10 bits at 14) = 0x155,
    // axis 8 (10 bits at 86) = 0x3FF, hat (bit 96) = 7, button 128 (bit 227).
    const std::vector<std::pair<std::size_t, std::uint8_t>> bytes{
        {0, 0x34}, {1, 0x52}, {2, 0x55}, {10, 0xC0}, {11, 0xFF}, {12, 0x07}, {28, 0x08}};
    for (auto [i, v] : bytes)
        wire[1 + i] = v;
    const auto payload = d.payloadOf(wire);
    EXPECT_EQ(valueOf(c, {1, 0x30}, payload), 0x1234);
    EXPECT_EQ(valueOf(c, {1, 0x31}, payload), 0x155);
    for (std::uint16_t u = 0x32; u <= 0x36; ++u)
        EXPECT_EQ(valueOf(c, {1, u}, payload), 0) << "usage " << u;
    EXPECT_EQ(valueOf(c, {1, 0x37}, payload), 0x3FF);
    EXPECT_EQ(valueOf(c, kHat, payload), 7);
    EXPECT_EQ(valueOf(c, button(128), payload), 1);
    EXPECT_EQ(valueOf(c, button(127), payload), 0);
    EXPECT_EQ(valueOf(c, button(1), payload), 0);
}

TEST(ExtractField, SignedValuesAreSignExtended) {
    const ParsedDescriptor mouse = mustParse(goldenDescriptor("boot-mouse"));
    const std::vector<std::uint8_t> report{0x05, 0xFB, 0x03};
    const Collection& c = mouse.collections.at(0);
    EXPECT_EQ(valueOf(c, kX, report), -5);
    EXPECT_EQ(valueOf(c, kY, report), 3);
    EXPECT_EQ(valueOf(c, button(1), report), 1);
    EXPECT_EQ(valueOf(c, button(2), report), 0);
    EXPECT_EQ(valueOf(c, button(3), report), 1);
    EXPECT_TRUE(findUsage(c, ReportType::Input, kX)->field->isRelative());

    // A 12-bit signed value straddling bytes: bits 4..15.
    const ParsedDescriptor d = mustParse(
        hexBytes("05 01 09 04 A1 01 75 04 95 01 81 03 16 00 F8 26 FF 07 75 0C 09 30 81 02 C0"));
    const Collection& s = d.collections.at(0);
    EXPECT_EQ(valueOf(s, kX, std::vector<std::uint8_t>{0xF0, 0xFF}), -1);
    EXPECT_EQ(valueOf(s, kX, std::vector<std::uint8_t>{0x0F, 0x80}), -2048);
    EXPECT_EQ(valueOf(s, kX, std::vector<std::uint8_t>{0xFF, 0x7F}), 2047);
}

TEST(ExtractField, ThirtyTwoBitFieldsAtOddOffsets) {
    // 3 padding bits, then an unsigned and a signed 32-bit value.
    const ParsedDescriptor d = mustParse(
        hexBytes("05 01 09 04 A1 01 75 03 95 01 81 03 15 00 27 FF FF FF 7F 75 20 09 30 81 02 "
                 "17 00 00 00 80 09 31 81 02 C0"));
    const Collection& c = d.collections.at(0);
    std::vector<std::uint8_t> payload(9, 0);
    const auto x = findUsage(c, ReportType::Input, kX);
    const auto y = findUsage(c, ReportType::Input, kY);
    ASSERT_TRUE(x && y);
    ASSERT_TRUE(insertField(*x->field, 0, 0x89ABCDEF, payload));
    ASSERT_TRUE(insertField(*y->field, 0, INT32_MIN, payload));
    // 0x89ABCDEF << 3 = 0x44D5E6F78 (bits 3..34), INT32_MIN at bit 35 sets bit 66.
    const std::vector<std::uint8_t> expected{0x78, 0x6F, 0x5E, 0x4D, 0x04, 0, 0, 0, 0x04};
    EXPECT_EQ(payload, expected);
    EXPECT_EQ(extractField(*x->field, 0, payload), 0x89ABCDEF);
    EXPECT_EQ(extractField(*y->field, 0, payload), INT32_MIN);
}

TEST(ExtractField, BoundsAreChecked) {
    const ParsedDescriptor d = mustParse(goldenDescriptor("joystick-73"));
    const Collection& c = d.collections.at(0);
    const ReportField& buttons = c.fields.at(3); // bits 28..37
    const std::vector<std::uint8_t> full(5, 0xFF);
    EXPECT_EQ(extractField(buttons, 9, full), 1);
    EXPECT_FALSE(extractField(buttons, 10, full)); // past count
    // Button 10 lives in byte 4: a 4-byte payload cannot hold it.
    EXPECT_FALSE(extractField(buttons, 9, std::span(full).first(4)));
    EXPECT_TRUE(extractField(buttons, 3, std::span(full).first(4)));
    EXPECT_FALSE(extractField(buttons, 0, {}));

    // Elements wider than 32 bits are refused rather than truncated.
    const ParsedDescriptor wide = mustParse(hexBytes("06 00 FF 09 01 A1 01 75 28 95 01 81 02 C0"));
    const ReportField& f = wide.collections.at(0).fields.at(0);
    std::vector<std::uint8_t> payload(5, 0);
    EXPECT_FALSE(extractField(f, 0, payload));
    EXPECT_FALSE(insertField(f, 0, 1, payload));
}

TEST(ExtractField, PayloadOfSkipsIdOnlyWhenIdsAreUsed) {
    const ParsedDescriptor withIds = mustParse(goldenDescriptor("joystick-73"));
    const ParsedDescriptor noIds = mustParse(goldenDescriptor("boot-mouse"));
    const std::vector<std::uint8_t> wire{1, 2, 3};
    EXPECT_EQ(withIds.payloadOf(wire).data(), wire.data() + 1);
    EXPECT_EQ(withIds.payloadOf(wire).size(), 2u);
    EXPECT_EQ(noIds.payloadOf(wire).size(), 3u);
    EXPECT_TRUE(withIds.payloadOf({}).empty());
}

TEST(ArrayUsage, KeyboardSlotsMapToKeys) {
    const ParsedDescriptor d = mustParse(goldenDescriptor("boot-keyboard"));
    const Collection& c = d.collections.at(0);
    const ReportField* keys = nullptr;
    for (const ReportField& f : c.fields)
        if (f.type == ReportType::Input && f.isArray() && !f.isConstant())
            keys = &f;
    ASSERT_NE(keys, nullptr);
    // Modifiers: left shift; keys 'a' (4) and 'z' (0x1D) in slots 0 and 2.
    const std::vector<std::uint8_t> report{0x02, 0x00, 0x04, 0x00, 0x1D, 0, 0, 0};
    EXPECT_EQ(valueOf(c, {7, 0xE1}, report), 1);
    EXPECT_EQ(arrayUsage(*keys, *extractField(*keys, 0, report)), (Usage{7, 0x04}));
    EXPECT_EQ(arrayUsage(*keys, *extractField(*keys, 2, report)), (Usage{7, 0x1D}));
    EXPECT_EQ(arrayUsage(*keys, 0), (Usage{7, 0}));
    EXPECT_FALSE(arrayUsage(*keys, 0x66)); // above the logical maximum
    EXPECT_FALSE(arrayUsage(*keys, -1));
}

TEST(ArrayUsage, ValuesWalkSeveralRangesFromLogicalMinimum) {
    const ParsedDescriptor d = mustParse(
        hexBytes("05 0C 09 01 A1 01 15 01 25 05 09 E9 09 EA 19 B5 29 B7 75 08 95 01 81 00 C0"));
    const ReportField& f = d.collections.at(0).fields.at(0);
    EXPECT_FALSE(arrayUsage(f, 0)); // below the minimum: no key
    EXPECT_EQ(arrayUsage(f, 1), (Usage{0x0C, 0xE9}));
    EXPECT_EQ(arrayUsage(f, 2), (Usage{0x0C, 0xEA}));
    EXPECT_EQ(arrayUsage(f, 3), (Usage{0x0C, 0xB5}));
    EXPECT_EQ(arrayUsage(f, 5), (Usage{0x0C, 0xB7}));
    EXPECT_FALSE(arrayUsage(f, 6));
}

TEST(ReportBuilder, JoystickReportMatchesHandPackedBytes) {
    const ParsedDescriptor d = mustParse(goldenDescriptor("joystick-73"));
    ReportBuilder builder(d, d.collections.at(0), ReportType::Input, 1);
    ASSERT_TRUE(builder.valid());
    EXPECT_EQ(builder.bytes().size(), d.collections[0].inputReportByteLength);
    EXPECT_TRUE(builder.setUsage(kX, 0xABC));
    EXPECT_TRUE(builder.setUsage(kY, 0x123));
    EXPECT_TRUE(builder.setUsage(kHat, 5));
    for (std::uint16_t b : {1, 3, 10})
        EXPECT_TRUE(builder.setUsage(button(b), 1));
    EXPECT_EQ(builder.bytes(), kJoystick73Wire);
    EXPECT_EQ(builder.payload().size(), 5u);

    builder.clear();
    EXPECT_EQ(builder.bytes(), (std::vector<std::uint8_t>{1, 0, 0, 0, 0, 0}));
}

TEST(ReportBuilder, RefusesWhatDoesNotFitAndKeepsBytes) {
    const ParsedDescriptor d = mustParse(goldenDescriptor("joystick-73"));
    ReportBuilder builder(d, d.collections.at(0), ReportType::Input, 1);
    ASSERT_TRUE(builder.setUsage(kX, 0xABC));
    const auto before = builder.bytes();
    EXPECT_FALSE(builder.setUsage(kX, 4096));      // 13 bits into 12
    EXPECT_FALSE(builder.setUsage(kX, -1));        // unsigned field
    EXPECT_FALSE(builder.setUsage(button(11), 1)); // not declared
    EXPECT_FALSE(builder.setUsage({1, 0x32}, 1));  // no Z axis
    EXPECT_EQ(builder.bytes(), before);
    // Out of the logical range but inside the bits: a centred hat.
    EXPECT_TRUE(builder.setUsage(kHat, 15));
    EXPECT_EQ(valueOf(d.collections[0], kHat, builder.payload()), 15);
}

TEST(ReportBuilder, OnlyFieldsOfItsOwnReport) {
    const ParsedDescriptor d = mustParse(goldenDescriptor("controller-node"));
    const Collection& vendor = d.collections.at(0);
    const Collection& joystick = d.collections.at(1);
    EXPECT_FALSE(ReportBuilder(d, joystick, ReportType::Feature, 1).valid());
    EXPECT_FALSE(ReportBuilder(d, vendor, ReportType::Input, 1).valid());

    ReportBuilder feature2(d, vendor, ReportType::Feature, 2);
    ASSERT_TRUE(feature2.valid());
    EXPECT_EQ(feature2.bytes().size(), 194u);
    EXPECT_EQ(feature2.bytes()[0], 2);
    // A field of feature report 1 (same collection) is refused.
    EXPECT_FALSE(feature2.set(vendor.fields.at(0), 0, 7));
    EXPECT_TRUE(feature2.set(vendor.fields.at(1), 192, 0xAA));
    EXPECT_EQ(feature2.bytes().back(), 0xAA);

    ReportBuilder invalid(d, joystick, ReportType::Output, 9);
    EXPECT_FALSE(invalid.setUsage(kX, 1));
    EXPECT_TRUE(invalid.bytes().empty());
    EXPECT_TRUE(invalid.payload().empty());
}

// Writing random values into every element of every report of the golden
// descriptors and reading them all back: catches writes that spill into a
// neighbour and reads that take a neighbour's bits.
class CodecRoundTrip : public ::testing::TestWithParam<const char*> {};

TEST_P(CodecRoundTrip, EveryElementKeepsItsValue) {
    const ParsedDescriptor d = mustParse(goldenDescriptor(GetParam()));
    std::mt19937 rng(1234);
    for (const Collection& c : d.collections) {
        for (const ReportInfo& report : c.reports) {
            ReportBuilder builder(d, c, report.type, report.reportId);
            ASSERT_TRUE(builder.valid());
            std::vector<std::pair<const ReportField*, std::vector<std::int64_t>>> written;
            for (const ReportField& f : c.fields) {
                if (f.type != report.type || f.reportId != report.reportId)
                    continue;
                std::vector<std::int64_t> values;
                for (std::uint32_t i = 0; i < f.count; ++i) {
                    const std::uint64_t bits = rng() & ((std::uint64_t{1} << f.bitSize) - 1);
                    std::int64_t v = static_cast<std::int64_t>(bits);
                    if (f.isSigned() && (bits >> (f.bitSize - 1)) != 0)
                        v -= std::int64_t{1} << f.bitSize;
                    ASSERT_TRUE(builder.set(f, i, v));
                    values.push_back(v);
                }
                written.emplace_back(&f, std::move(values));
            }
            for (const auto& [f, values] : written)
                for (std::uint32_t i = 0; i < f->count; ++i)
                    EXPECT_EQ(extractField(*f, i, builder.payload()), values[i])
                        << reportTypeName(report.type) << " " << int(report.reportId) << " bit "
                        << f->bitOffset << " element " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Golden, CodecRoundTrip,
                         ::testing::Values("joystick-73", "joystick-132", "boot-keyboard",
                                           "boot-mouse", "gamepad-multi", "controller-node"),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& ch : name)
                                 ch = ch == '-' ? '_' : ch;
                             return name;
                         });

} // namespace
} // namespace volmar::hidparse::test
