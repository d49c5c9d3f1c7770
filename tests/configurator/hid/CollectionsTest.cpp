// A node's descriptor becomes one device object per top-level collection,
// and the serial-number rule for devices that answer with their language table.
#include "volmar/hid/Collections.h"
#include "HidTestSupport.h"

#include <gtest/gtest.h>

namespace volmar::hid {
namespace {

CollectionInfo nodeTemplate() {
    CollectionInfo node;
    node.path = "/dev/hidraw7";
    node.attributes = {0x03EB, 0x2041, 0x0100};
    node.product = "Volmar2";
    node.serial = "Volmar2-20161101";
    node.openable = false;
    node.openError = "Permission denied";
    return node;
}

TEST(Collections, ControllerNodeGivesVendorAndJoystickWithTheirReports) {
    const auto list = collectionsOf(nodeTemplate(), "n", test::controllerDescriptor());
    ASSERT_EQ(list.size(), 2u) << list[0].descriptorProblem;

    const CollectionInfo& vendor = list[0];
    EXPECT_EQ(vendor.deviceId, "n#0");
    EXPECT_EQ(vendor.collectionIndex, 0);
    EXPECT_EQ(vendor.caps.usagePage, 0xFF00);
    EXPECT_EQ(vendor.caps.usage, 1);
    // The largest feature report (2: 193 bytes) plus its id byte.
    EXPECT_EQ(vendor.caps.featureReportByteLength, 194);
    EXPECT_EQ(vendor.caps.inputReportByteLength, 2);
    EXPECT_EQ(vendor.inputReportIds, (std::vector<std::uint8_t>{5}));

    const CollectionInfo& joystick = list[1];
    EXPECT_EQ(joystick.deviceId, "n#1");
    EXPECT_EQ(joystick.collectionIndex, 1);
    EXPECT_EQ(joystick.caps.usagePage, 1);
    EXPECT_EQ(joystick.caps.usage, 4);
    EXPECT_EQ(joystick.caps.featureReportByteLength, 0);
    EXPECT_EQ(joystick.caps.inputReportByteLength, 4); // X, Y, buttons + id
    EXPECT_EQ(joystick.inputReportIds, (std::vector<std::uint8_t>{3, 4}));

    // What belongs to the node is on every collection of it.
    for (const CollectionInfo& c : list) {
        EXPECT_TRUE(c.usesReportIds);
        EXPECT_EQ(c.path, "/dev/hidraw7");
        EXPECT_EQ(c.attributes, (HidAttributes{0x03EB, 0x2041, 0x0100}));
        EXPECT_EQ(c.serial, "Volmar2-20161101");
        EXPECT_FALSE(c.openable);
        EXPECT_EQ(c.openError, "Permission denied");
    }
}

TEST(Collections, DescriptorWithoutIdsRoutesUnderIdZero) {
    // A plain mouse-like node: one collection, no report ids.
    const std::vector<std::uint8_t> descriptor = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09,
                                                  0x30, 0x15, 0x81, 0x25, 0x7F, 0x75, 0x08,
                                                  0x95, 0x01, 0x81, 0x06, 0xC0};
    const auto list = collectionsOf(nodeTemplate(), "m", descriptor);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].descriptorProblem, "");
    EXPECT_FALSE(list[0].usesReportIds);
    EXPECT_EQ(list[0].inputReportIds, (std::vector<std::uint8_t>{0}));
    EXPECT_EQ(list[0].caps.usage, 2);
}

struct BrokenCase {
    const char* name;
    std::vector<std::uint8_t> descriptor;
};

class CollectionsBroken : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(CollectionsBroken, NodeIsStillListedOnceWithoutCaps) {
    const auto list = collectionsOf(nodeTemplate(), "b", GetParam().descriptor);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_FALSE(list[0].descriptorProblem.empty());
    EXPECT_EQ(list[0].deviceId, "b#0");
    EXPECT_EQ(list[0].caps, HidCaps{});
    EXPECT_TRUE(list[0].inputReportIds.empty());
    EXPECT_EQ(list[0].product, "Volmar2");
}

INSTANTIATE_TEST_SUITE_P(Descriptors, CollectionsBroken,
                         ::testing::Values(BrokenCase{"empty", {}},
                                           BrokenCase{
                                               "truncated_item",
                                               {0x05, 0x01, 0x09, 0x04, 0xA1, 0x01, 0x26, 0xFF}},
                                           BrokenCase{"end_without_open", {0xC0}},
                                           BrokenCase{"globals_only", {0x05, 0x01, 0x15, 0x00}}),
                         [](const auto& info) { return std::string(info.param.name); });

struct SerialCase {
    const char* name;
    std::u16string serial;
    std::vector<std::uint16_t> languageIds;
    std::u16string expected;
};

class LanguageRule : public ::testing::TestWithParam<SerialCase> {};

TEST_P(LanguageRule, SerialEqualToTheTableReadsEmpty) {
    EXPECT_EQ(serialAfterLanguageRule(GetParam().serial, GetParam().languageIds),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Serials, LanguageRule,
    ::testing::Values(SerialCase{"table_itself", u"\u0409", {0x0409}, u""},
                      // Only the first n characters count, n = number of languages.
                      SerialCase{"table_then_more", u"\u0409XY", {0x0409}, u""},
                      SerialCase{"two_languages", u"\u0409\u0407", {0x0409, 0x0407}, u""},
                      // The buffer past the text is zero: a shorter serial differs.
                      SerialCase{"shorter_than_table", u"\u0409", {0x0409, 0x0407}, u"\u0409"},
                      SerialCase{"real_serial", u"Volmar2-20161101", {0x0409}, u"Volmar2-20161101"},
                      SerialCase{"differs_in_second", u"\u0409A", {0x0409, 0x0407}, u"\u0409A"},
                      // Linux without usbfs rights: the table is unknown and the serial kept.
                      SerialCase{"table_unknown", u"\u0409", {}, u"\u0409"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace volmar::hid
