// Broken and hostile descriptors: each must fail with a message naming the
// problem, never crash or allocate without bound.

#include "HexDescriptor.h"

#include "ResultAssert.h"

#include <gtest/gtest.h>

namespace volmar::hidparse::test {
namespace {

std::vector<std::uint8_t> repeat(const std::string& hex, std::size_t times) {
    const auto one = hexBytes(hex);
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < times; ++i)
        out.insert(out.end(), one.begin(), one.end());
    return out;
}

std::vector<std::uint8_t> concat(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

struct BrokenCase {
    const char* name;
    std::vector<std::uint8_t> bytes;
    const char* message; // expected part of the error text
};

void PrintTo(const BrokenCase& c, std::ostream* os) {
    *os << c.name;
}

class BrokenDescriptor : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(BrokenDescriptor, FailsWithMessage) {
    const BrokenCase& c = GetParam();
    const auto parsed = parseDescriptor(c.bytes);
    ASSERT_FALSE(parsed.ok());
    EXPECT_NE(parsed.error().text.find(c.message), std::string::npos)
        << "error was: " << parsed.error().text;
}

const std::string kOpen = "05 01 09 04 A1 01 ";

std::vector<BrokenCase> brokenCases() {
    return {
        {"TruncatedByteItem", hexBytes("05"), "truncated item"},
        {"TruncatedWordItem", hexBytes(kOpen + "26 FF"), "truncated item"},
        {"TruncatedDwordItem", hexBytes(kOpen + "27 FF FF FF"), "truncated item"},
        {"LongItem", hexBytes("FE 02 10 AA BB"), "long item"},
        {"TruncatedLongItem", hexBytes("FE 05 10 AA"), "truncated long item"},
        {"LongItemHeaderOnly", hexBytes("FE"), "truncated long item"},
        {"ReservedItemType", hexBytes("0C"), "reserved item type"},
        {"UnknownGlobalTag", hexBytes("C4"), "unknown global item tag"},
        {"EndWithoutCollection", hexBytes("C0"), "End Collection without"},
        {"CollectionLeftOpen", hexBytes(kOpen), "left open"},
        {"PopWithoutPush", hexBytes("B4"), "Pop without Push"},
        {"PushWithoutPop", hexBytes("A4"), "Push without Pop"},
        {"PushTooDeep", repeat("A4", kMaxGlobalStackDepth + 1), "Push nested deeper"},
        {"NestingTooDeep", repeat("A1 00", kMaxCollectionDepth + 1), "nested deeper"},
        {"ReportIdZero", hexBytes("85 00"), "Report ID 0"},
        {"ReportIdAboveByte", hexBytes("86 00 01"), "Report ID 256"},
        {"ReportCountHuge", hexBytes("96 01 30"), "Report Count 12289"},
        {"ReportCountNegativeDword", hexBytes("97 FF FF FF FF"), "Report Count"},
        {"ReportSizeHuge", hexBytes("76 01 01"), "Report Size 257"},
        {"ReportTooLong", hexBytes(kOpen + "76 00 01 96 00 30 81 02 C0"), "longer than 16384"},
        {"UsagePageTooWide", hexBytes("07 00 00 01 00"), "Usage Page above"},
        {"UsageMinAboveMax", hexBytes("19 05 29 01"), "Usage Minimum above"},
        {"UsageRangeAcrossPages", hexBytes("1B 01 00 01 00 2B 05 00 02 00"),
         "different usage pages"},
        {"TooManyUsages", repeat("09 01", kMaxLocalUsages + 1), "usages before one main item"},
        {"FieldOutsideCollection", hexBytes("75 08 95 01 81 02"), "outside any collection"},
        {"FeatureOutsideCollection", hexBytes("75 08 95 01 B1 02"), "Feature item outside"},
        {"FieldBeforeFirstReportId", hexBytes(kOpen + "75 08 95 01 81 02 85 01 81 02 C0"),
         "without a report id"},
        {"ReportIdInTwoCollections",
         hexBytes(kOpen + "85 01 75 08 95 01 81 02 C0 " + kOpen + "85 01 81 02 C0"),
         "two top-level collections"},
        {"TooManyFields",
         concat({hexBytes(kOpen + "75 01 95 01"), repeat("81 03", kMaxTotalFields + 1),
                 hexBytes("C0")}),
         "fields"},
        {"TooManyVariableElements",
         concat({hexBytes(kOpen + "75 01 96 00 30"), hexBytes("85 01"), repeat("81 02", 8),
                 hexBytes("85 02"), repeat("81 02", 8), hexBytes("85 03"), repeat("81 02", 8),
                 hexBytes("C0")}),
         "variable elements"},
        {"DescriptorTooLarge", std::vector<std::uint8_t>(kMaxDescriptorBytes + 1, 0x00),
         "exceeds the limit"},
    };
}

INSTANTIATE_TEST_SUITE_P(Table, BrokenDescriptor, ::testing::ValuesIn(brokenCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BrokenDescriptorDetail, ErrorNamesTheOffendingItem) {
    // The stray End Collection is the item at byte 7.
    const std::string stray =
        volmar::test::errorText(parseDescriptor(hexBytes("05 01 09 04 A1 01 C0 C0")));
    EXPECT_EQ(stray.rfind("byte 7: ", 0), 0u) << stray;
    // A truncated item at byte 6 names that byte, not the end.
    const std::string cut =
        volmar::test::errorText(parseDescriptor(hexBytes("05 01 09 04 A1 01 26 01")));
    EXPECT_EQ(cut.rfind("byte 6: ", 0), 0u) << cut;
}

// Every prefix of a valid descriptor either parses or fails cleanly; cutting
// inside an item must be reported as truncation, never read past the end. A
// prefix that does parse (cut between top-level collections) must describe
// its collections exactly as the whole descriptor does.
TEST(BrokenDescriptorDetail, EveryTruncationOfAGoldenDescriptorFails) {
    const auto full = goldenDescriptor("gamepad-multi");
    const ParsedDescriptor whole = mustParse(full);
    ASSERT_EQ(whole.collections.size(), 3u);
    int failures = 0;
    for (std::size_t len = 1; len < full.size(); ++len) {
        // Exact copy so a sanitizer sees any read past the cut.
        const std::vector<std::uint8_t> prefix(full.begin(),
                                               full.begin() + static_cast<std::ptrdiff_t>(len));
        const auto parsed = parseDescriptor(prefix);
        if (!parsed) {
            ++failures;
            EXPECT_FALSE(parsed.error().text.empty());
            continue;
        }
        ASSERT_LT(parsed->collections.size(), 3u) << len;
        for (std::size_t i = 0; i < parsed->collections.size(); ++i) {
            const Collection& got = parsed->collections[i];
            const Collection& want = whole.collections[i];
            EXPECT_EQ(got.usage, want.usage) << len;
            EXPECT_EQ(got.inputReportByteLength, want.inputReportByteLength) << len;
            EXPECT_EQ(got.outputReportByteLength, want.outputReportByteLength) << len;
            EXPECT_EQ(got.featureReportByteLength, want.featureReportByteLength) << len;
        }
    }
    // Most cuts fall inside an open collection or an item.
    EXPECT_GT(failures, static_cast<int>(full.size()) * 3 / 4);
}

// The limits themselves are accepted: they exist to stop abuse, not real devices.
TEST(BrokenDescriptorDetail, LimitsThemselvesAreAccepted) {
    const auto atLimits = concat({hexBytes("05 01 09 04 A1 01 85 01 75 08"), hexBytes("96 00 08"),
                                  hexBytes("81 01 96 00 30 75 08 81 01"), hexBytes("C0")});
    // The largest Report Count; 2048 + 12288 bytes = 14336 bytes of report 1.
    const auto parsed = parseDescriptor(atLimits);
    ASSERT_TRUE(volmar::test::isOk(parsed));
    EXPECT_EQ(parsed->collections.at(0).inputReportByteLength, 14336 + 1);

    const auto deep =
        concat({repeat("A1 00", kMaxCollectionDepth), repeat("C0", kMaxCollectionDepth)});
    EXPECT_TRUE(volmar::test::isOk(parseDescriptor(deep)));
    const auto pushed =
        concat({repeat("A4", kMaxGlobalStackDepth), repeat("B4", kMaxGlobalStackDepth)});
    EXPECT_TRUE(volmar::test::isOk(parseDescriptor(pushed)));
}

} // namespace
} // namespace volmar::hidparse::test
