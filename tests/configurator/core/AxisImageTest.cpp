// The axis region of the configuration image: axis records, curve records
// and the bytes after them.

#include "CoreTestHelpers.h"
#include "volmar/core/ImageCodec.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/Rules.h"

#include <gtest/gtest.h>

#include <vector>

namespace volmar {
namespace {

struct Encoded {
    ConfigImage image{};
    DescriptorLog log;
    EncodeResult result;
};

Encoded encode(ConfigState state) {
    Encoded e;
    e.result = ConfigToReport(state, e.image, e.log);
    return e;
}

using test::bytesAt;
using test::decodeImage;

// The worked example: axis 3 on an internal sensor with every field set.
AxisFields exampleAxis() {
    AxisFields a;
    a.src = 2;
    a.src_chnl = 5;
    a.src_port = 12; // B3
    a.filter = 3;    // x4
    a.invert = true;
    a.acal = 1;
    a.name = 3; // Z
    a.offset = true;
    a.prcsn = 2; // 12 bits
    a.ms_step = "100";
    a.ms_btn_u = 5;
    a.ms_btn = 6;
    a.ms_btn_d = 7;
    a.specfunc = 2;
    a.dzl = 1;
    a.dzh = 2;
    a.dzc = 3;
    a.dzd = 4;
    a.acal_min = "100";
    a.acal_cen = "2048";
    a.acal_max = "4000";
    return a;
}

TEST(AxisRecord, WorkedExampleEncodesAtBytes36To53) {
    ConfigState state = startupState(englishLanguage());
    state.axes[2] = exampleAxis();
    const Encoded e = encode(state);
    ASSERT_TRUE(e.result.ok()) << e.result.conversionError;
    const std::vector<int> expected{0x52, 0x0C, 0x33, 0x83, 0x02, 0x64, 0x05, 0x06, 0x07,
                                    0x02, 0x21, 0x43, 0x64, 0x00, 0x00, 0x08, 0xA0, 0x0F};
    EXPECT_EQ(bytesAt(e.image, 36, 18), expected);
}

class AxisRecordPlacement : public ::testing::TestWithParam<int> {};

// Each axis writes its own 18 bytes and nothing else of the axis records.
TEST_P(AxisRecordPlacement, OnlyItsOwnRecordChanges) {
    const int n = GetParam();
    ConfigState state = startupState(englishLanguage());
    const Encoded before = encode(state);
    state.axes[n] = exampleAxis();
    const Encoded after = encode(state);
    for (std::size_t pos = 0; pos < 144; ++pos) {
        const bool own = pos >= 18u * n && pos < 18u * (n + 1);
        if (!own) {
            EXPECT_EQ(after.image[pos], before.image[pos]) << "byte " << pos;
        }
    }
    EXPECT_EQ(after.image[18 * n], 0x52);
    EXPECT_EQ(after.image[18 * n + 17], 0x0F);
}

INSTANTIATE_TEST_SUITE_P(Axes, AxisRecordPlacement, ::testing::Range(0, kAxisCount));

TEST(AxisRecord, NoAssignmentWithMagnetOffsetKeepsBothApart) {
    ConfigState state = startupState(englishLanguage());
    state.axes[0].src = 3; // KMA200: the offset is enabled
    state.axes[0].name = 0;
    state.axes[0].offset = true;
    const Encoded e = encode(state);
    EXPECT_EQ(e.image[3], 0x80);
    const ConfigState decoded = decodeImage(e.image);
    EXPECT_EQ(decoded.axes[0].name, 0);
    EXPECT_TRUE(decoded.axes[0].offset);
}

TEST(AxisRecord, CalibrationKeepsTheLowSixteenBits) {
    ConfigState state = startupState(englishLanguage());
    state.axes[0].src = 2;
    state.axes[0].name = 1;
    state.axes[0].acal_max = "70000";
    const Encoded e = encode(state);
    EXPECT_EQ(e.image[16] | (e.image[17] << 8), 4464);
    EXPECT_EQ(decodeImage(e.image).axes[0].acal_max, "4464");
}

TEST(AxisRecord, UnreadableCalibrationStoresZero) {
    ConfigState state = startupState(englishLanguage());
    state.axes[0].acal_min = "abc";
    state.axes[0].acal_cen = "";
    const Encoded e = encode(state);
    ASSERT_TRUE(e.result.ok());
    EXPECT_EQ(bytesAt(e.image, 12, 4), (std::vector<int>{0, 0, 0, 0}));
}

// A list with no entry, or an index the list does not have, is stored as
// "not used" and never spills into the neighbouring bits of its byte.
TEST(AxisRecord, ListsWithoutAValidEntryStoreZeroInPackedBytes) {
    ConfigState state = startupState(englishLanguage());
    AxisFields& a = state.axes[0];
    a.src = -1;
    a.src_chnl = 5;
    a.filter = 3;
    a.invert = true;
    a.acal = -1;
    a.name = 200;
    a.offset = true;
    a.prcsn = 9;
    a.ms_btn_u = 129;
    a.ms_btn = -1;
    a.specfunc = 7;
    a.ms_step = "100";
    const Encoded e = encode(state);
    EXPECT_EQ(bytesAt(e.image, 0, 10),
              (std::vector<int>{0x50, 0x00, 0x13, 0x80, 0x00, 0x64, 0x00, 0x00, 0x00, 0x00}));
}

TEST(AxisRecord, SpinsOutsideTheirRangeAreHeldToIt) {
    ConfigState state = startupState(englishLanguage());
    state.axes[0].dzl = 16;
    state.axes[0].dzh = -1;
    state.axes[0].dzc = 99;
    state.axes[0].dzd = 15;
    state.curves[0].points[0] = 201;
    state.curves[0].points[1] = -3;
    const Encoded e = encode(state);
    EXPECT_EQ(e.image[10], 0x0F); // low 15, high 0: no carry into the high nibble
    EXPECT_EQ(e.image[11], 0xFF);
    EXPECT_EQ(e.image[144], 200);
    EXPECT_EQ(e.image[145], 0);
}

struct StrictEdit {
    const char* field;
    void (*set)(ConfigState&, const std::string&);
};

void PrintTo(const StrictEdit& e, std::ostream* os) {
    *os << e.field;
}

class StrictEditFailure : public ::testing::TestWithParam<StrictEdit> {};

// An empty or non-numeric strict edit stops the encoding; the caller's image
// and listing stay exactly as they were.
TEST_P(StrictEditFailure, StopsTheEncodingAndLeavesTheImage) {
    for (const std::string text : {"", "1x", " 12"}) {
        ConfigState state = startupState(englishLanguage());
        GetParam().set(state, text);
        ConfigImage image;
        image.fill(0xA5);
        DescriptorLog log{"kept"};
        const EncodeResult result = ConfigToReport(state, image, log);
        EXPECT_FALSE(result.ok()) << GetParam().field;
        EXPECT_EQ(result.conversionError, "'" + text + "' is not a valid integer value");
        EXPECT_EQ(image[0], 0xA5);
        EXPECT_EQ(image[1023], 0xA5);
        EXPECT_EQ(log, DescriptorLog{"kept"});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Edits, StrictEditFailure,
    ::testing::Values(
        StrictEdit{"osi_1_ms_step",
                   [](ConfigState& s, const std::string& t) { s.axes[0].ms_step = t; }},
        StrictEdit{"osi_1_zm_del",
                   [](ConfigState& s, const std::string& t) { s.curves[0].zm_del = t; }},
        StrictEdit{"osi_6_zm_spd",
                   [](ConfigState& s, const std::string& t) { s.curves[5].zm_spd = t; }},
        StrictEdit{"dev_vid", [](ConfigState& s, const std::string& t) { s.dev_vid = t; }},
        StrictEdit{"dev_pid", [](ConfigState& s, const std::string& t) { s.dev_pid = t; }}),
    [](const auto& info) { return std::string(info.param.field); });

TEST(StrictEdits, TheFirstFailingEditInImageOrderIsReported) {
    ConfigState state = startupState(englishLanguage());
    state.dev_vid = "12";
    state.curves[2].zm_spd = "x";
    state.axes[4].ms_step = "";
    ConfigImage image{};
    DescriptorLog log;
    EXPECT_EQ(ConfigToReport(state, image, log).conversionError, "'' is not a valid integer value");
}

TEST(CurveRecord, PointsZoomAndSymmetryLandInPlace) {
    ConfigState state = startupState(englishLanguage());
    CurveFields& c = state.curves[3];
    c.points = {0, 25, 50, 75, 100, 125, 150, 175, 200};
    c.zm_knp = 17;
    c.zm_del = "300"; // low 8 bits
    c.zm_spd = "9";
    state.curves[0].symmetrical = true;
    state.curves[2].symmetrical = true;
    const Encoded e = encode(state);
    EXPECT_EQ(bytesAt(e.image, 144 + 36, 12),
              (std::vector<int>{0, 25, 50, 75, 100, 125, 150, 175, 200, 17, 300 & 0xFF, 9}));
    EXPECT_EQ(e.image[216], 0x05);
}

TEST(CurveRecord, SymmetryBitTicksOnlyItsCurve) {
    ConfigImage image{};
    image[216] = 0x02;
    const ConfigState decoded = decodeImage(image);
    for (int n = 0; n < kCurveCount; ++n) {
        EXPECT_EQ(decoded.curves[n].symmetrical, n == 1) << "curve " << n + 1;
    }
}

TEST(CurveRecord, DecodedPointsStayWithinTheSpinRange) {
    ConfigImage image{};
    image[144] = 255;
    image[145] = 201;
    image[146] = 200;
    const ConfigState decoded = decodeImage(image);
    EXPECT_EQ(decoded.curves[0].points[0], 200);
    EXPECT_EQ(decoded.curves[0].points[1], 200);
    EXPECT_EQ(decoded.curves[0].points[2], 200);
}

TEST(AxisRegionTail, DoubleThrottleAndSensorClock) {
    ConfigState state = startupState(englishLanguage());
    state.sf_thr_bnom = 128;
    state.sf_thr_bmod = 2;
    state.sf_thr_asrc = 8;
    state.sf_thr_adsc = 1;
    state.osi_vlsens_clk = 48; // F7
    const Encoded e = encode(state);
    EXPECT_EQ(bytesAt(e.image, 217, 5), (std::vector<int>{128, 2, 8, 1, 48}));
    const ConfigState decoded = decodeImage(e.image);
    EXPECT_EQ(decoded.sf_thr_bnom, 128);
    EXPECT_EQ(decoded.sf_thr_bmod, 2);
    EXPECT_EQ(decoded.sf_thr_asrc, 8);
    EXPECT_EQ(decoded.sf_thr_adsc, 1);
    EXPECT_EQ(decoded.osi_vlsens_clk, 48);
}

// Values no list entry stands for leave the list with no entry.
TEST(AxisRegionDecode, ValuesOutsideAListLeaveItWithoutEntry) {
    ConfigImage image{};
    image[0] = 0x9F;  // source 15, channel 9
    image[1] = 49;    // pin past F7
    image[2] = 0xEE;  // filter 14, auto-calibration 7
    image[3] = 0x09;  // assignment 9
    image[4] = 5;     // precision 5
    image[9] = 7;     // special function 7
    image[217] = 129; // button past 128
    image[218] = 3;   // throttle mode
    image[219] = 9;   // axis 9
    image[221] = 255; // pin
    const ConfigState decoded = decodeImage(image);
    const AxisFields& a = decoded.axes[0];
    EXPECT_EQ(a.src, -1);
    EXPECT_EQ(decoded.sf_thr_bnom, -1);
    EXPECT_EQ(decoded.sf_thr_bmod, -1);
    EXPECT_EQ(decoded.sf_thr_asrc, -1);
    EXPECT_EQ(decoded.osi_vlsens_clk, -1);
    // An axis without a valid source is unused: the encoder stores it as 0
    // and the rules treat it so.
    const ConfigImage again = test::encodeOk(decoded);
    EXPECT_EQ(bytesAt(again, 0, 5), (std::vector<int>{0, 0, 0, 0, 0}));
    EXPECT_EQ(again[217], 0);
    EXPECT_EQ(again[221], 0);
}

TEST(AxisRegionDecode, AllZeroImageDecodesWithoutError) {
    const ConfigState decoded = decodeImage(ConfigImage{});
    for (const AxisFields& a : decoded.axes) {
        EXPECT_EQ(a.src, 0);
        EXPECT_EQ(a.name, 0);
        EXPECT_EQ(a.prcsn, 0);
        EXPECT_EQ(a.acal_min, "0");
    }
    EXPECT_FALSE(decoded.ConfigHasErrors) << decoded.chk_report_info;
    EXPECT_EQ(decoded.dev_vid, "0000");
    EXPECT_EQ(decoded.dev_name, "");
}

} // namespace
} // namespace volmar
