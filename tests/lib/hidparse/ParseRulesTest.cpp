// Item-level rules that real descriptors depend on: how values are read,
// which state survives a main item, how usages are assigned to elements.

#include "HexDescriptor.h"

#include <gtest/gtest.h>

namespace volmar::hidparse::test {
namespace {

// Wraps field items in an application collection of the joystick usage.
std::vector<std::uint8_t> inCollection(const std::string& items) {
    return hexBytes("05 01 09 04 A1 01 " + items + " C0");
}

const ReportField& onlyField(const ParsedDescriptor& parsed) {
    static const ReportField none{};
    if (parsed.collections.size() != 1 || parsed.collections[0].fields.size() != 1) {
        ADD_FAILURE() << "expected one collection with one field";
        return none;
    }
    return parsed.collections[0].fields[0];
}

struct RangeCase {
    const char* name;
    const char* items;
    std::int32_t logicalMin, logicalMax, physicalMin, physicalMax;
};

void PrintTo(const RangeCase& c, std::ostream* os) {
    *os << c.name;
}

class RangeRules : public ::testing::TestWithParam<RangeCase> {};

TEST_P(RangeRules, ResolvedRanges) {
    const RangeCase& c = GetParam();
    const ParsedDescriptor parsed =
        mustParse(inCollection(std::string(c.items) + " 75 08 95 01 09 30 81 02"));
    const ReportField& f = onlyField(parsed);
    EXPECT_EQ(f.logicalMin, c.logicalMin);
    EXPECT_EQ(f.logicalMax, c.logicalMax);
    EXPECT_EQ(f.physicalMin, c.physicalMin);
    EXPECT_EQ(f.physicalMax, c.physicalMax);
}

INSTANTIATE_TEST_SUITE_P(
    Items, RangeRules,
    ::testing::Values(
        // A one-byte 0xFF maximum over a non-negative minimum means 255.
        RangeCase{"ByteMaxOverZeroMin", "15 00 25 FF", 0, 255, 0, 255},
        RangeCase{"WordMaxOverZeroMin", "15 00 26 FF FF", 0, 65535, 0, 65535},
        // With a negative minimum the maximum stays signed.
        RangeCase{"SignedPair", "15 FF 25 01", -1, 1, -1, 1},
        RangeCase{"SignedWords", "16 00 80 26 FF 7F", -32768, 32767, -32768, 32767},
        // Physical 0..0 means "same as logical"; a declared one is kept.
        RangeCase{"PhysicalDeclared", "15 00 25 07 35 00 46 3B 01", 0, 7, 0, 315},
        RangeCase{"PhysicalByteMax", "15 00 25 07 35 00 45 FF", 0, 7, 0, 255},
        RangeCase{"MaxBeforeMin", "25 FF 15 00", 0, 255, 0, 255},
        // Four-byte values are taken as written.
        RangeCase{"FourByteMin", "17 00 00 00 80 27 FF FF FF 7F", INT32_MIN, INT32_MAX, INT32_MIN,
                  INT32_MAX}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParseRules, EmptyInputHasNoCollections) {
    const auto parsed = parseDescriptor({});
    ASSERT_TRUE(parsed);
    EXPECT_TRUE(parsed->collections.empty());
    EXPECT_FALSE(parsed->usesReportIds);
}

TEST(ParseRules, UsagesAssignedToElements) {
    struct Case {
        const char* what;
        const char* items;
        std::vector<Usage> expected;
    };
    const Case cases[] = {
        {"fewer usages than elements repeat the last",
         "15 00 25 01 75 01 95 05 09 30 09 31 81 02",
         {{1, 0x30}, {1, 0x31}, {1, 0x31}, {1, 0x31}, {1, 0x31}}},
        {"no usage is usage 0 of the current page", "05 09 75 01 95 03 81 02",
         std::vector<Usage>(3, Usage{9, 0})},
        // the page switch after the usage applies only to later usages
        {"usage takes the page in effect when declared",
         "09 30 05 09 09 02 75 08 95 02 81 02",
         {{1, 0x30}, {9, 2}}},
        {"extended usage carries its own page",
         "0B 38 02 0C 00 75 08 95 01 81 06",
         {{0x0C, 0x238}}},
        {"min/max in either order, mixed with singles",
         "05 09 09 07 29 03 19 01 75 01 95 04 81 02",
         {{9, 7}, {9, 1}, {9, 2}, {9, 3}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(onlyField(mustParse(inCollection(c.items))).usages, c.expected);
    }
    EXPECT_EQ(onlyField(mustParse(inCollection(cases[2].items))).usagePage, 9);
}

TEST(ParseRules, LocalsEndAtEveryMainItem) {
    const ParsedDescriptor parsed = mustParse(inCollection("75 08 95 01 09 30 81 02 81 02"));
    const auto& fields = parsed.collections.at(0).fields;
    ASSERT_EQ(fields.size(), 2u);
    EXPECT_EQ(fields[1].usages.at(0), (Usage{1, 0}));
    EXPECT_EQ(fields[1].bitOffset, 8u);
}

TEST(ParseRules, PushPopRestoresGlobals) {
    const ParsedDescriptor parsed =
        mustParse(inCollection("15 00 25 0F 75 04 95 01 A4 15 80 25 7F 75 08 81 02 B4 81 02"));
    const auto& fields = parsed.collections.at(0).fields;
    ASSERT_EQ(fields.size(), 2u);
    EXPECT_EQ(fields[0].bitSize, 8u);
    EXPECT_EQ(fields[0].logicalMin, -128);
    EXPECT_EQ(fields[1].bitSize, 4u);
    EXPECT_EQ(fields[1].logicalMax, 15);
    EXPECT_EQ(fields[1].bitOffset, 8u);
}

TEST(ParseRules, UnitExponentNibbleAndByte) {
    const ParsedDescriptor nibble = mustParse(inCollection("55 0E 75 08 95 01 81 02"));
    EXPECT_EQ(onlyField(nibble).unitExponent, -2);
    const ParsedDescriptor byte = mustParse(inCollection("55 FD 75 08 95 01 81 02"));
    EXPECT_EQ(onlyField(byte).unitExponent, -3);
}

TEST(ParseRules, ZeroSizedMainItemsOccupyNothing) {
    const ParsedDescriptor parsed =
        mustParse(inCollection("75 00 95 08 81 02 75 08 95 00 81 02 75 08 95 01 81 02"));
    const ReportField& f = onlyField(parsed);
    EXPECT_EQ(f.bitOffset, 0u);
}

TEST(ParseRules, ReportsOfDifferentIdsHaveIndependentOffsets) {
    const ParsedDescriptor parsed = mustParse(
        inCollection("85 01 75 08 95 03 81 02 85 02 75 10 95 01 81 02 85 01 75 04 81 02"));
    const Collection& c = parsed.collections.at(0);
    ASSERT_EQ(c.fields.size(), 3u);
    EXPECT_EQ(c.fields[1].bitOffset, 0u);  // report 2 starts afresh
    EXPECT_EQ(c.fields[2].bitOffset, 24u); // report 1 continues after its 3 bytes
    EXPECT_EQ(c.findReport(ReportType::Input, 1)->bitLength, 28u);
    // Longest payload (4 bytes for report 1) plus the id byte.
    EXPECT_EQ(c.inputReportByteLength, 5);
}

TEST(ParseRules, NestedCollectionDoesNotStartATopLevelOne) {
    const ParsedDescriptor parsed =
        mustParse(hexBytes("05 01 09 02 A1 01 09 01 A1 00 A1 02 75 08 95 01 81 02 C0 C0 C0"));
    ASSERT_EQ(parsed.collections.size(), 1u);
    EXPECT_EQ(parsed.collections[0].usage, 2);
    EXPECT_EQ(parsed.collections[0].fields.size(), 1u);
}

TEST(ParseRules, IgnoredLocalsAndReservedMainTagsAreSkipped) {
    // Designator, string and delimiter locals, then a reserved main tag (0xD).
    const ParsedDescriptor parsed =
        mustParse(inCollection("39 01 79 02 A9 01 09 30 A9 00 D0 09 31 75 08 95 01 81 02"));
    EXPECT_EQ(onlyField(parsed).usages.at(0), (Usage{1, 0x31}));
}

} // namespace
} // namespace volmar::hidparse::test
