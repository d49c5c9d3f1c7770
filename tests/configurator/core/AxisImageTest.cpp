// The axis region of the configuration image: axis records, curve records
// and the bytes after them.

#include "CoreTestHelpers.h"
#include "volmar/core/ConfigFields.h"
#include "volmar/core/ImageCodec.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/Rules.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace volmar {
namespace {

using test::bytesAt;
using test::decodeImage;
using test::encodeOk;
using test::startup;

// Axis 3 of the worked example, every field set (in declaration order): internal
// sensor on B3, channel 5, Z, 12 bits, inverted, filter x4, auto-calibration 1,
// calibration 100/2048/4000, offset, buttons 7/6/5, step 100, special
// function 2, dead zones low 1, centre 3, high 2, d 4.
const AxisFields kExampleAxis{2,    12, 5, 3, 2,     true, 3, 1, "100", "2048", "4000",
                              true, 7,  6, 5, "100", 2,    1, 3, 2,     4};

// Every axis writes the worked example's 18 bytes into its own record and
// nothing else of the axis records (axis 3: bytes 36..53).
TEST(AxisRecord, WorkedExampleLandsInItsOwnRecordOnly) {
    const std::vector<int> expected{0x52, 0x0C, 0x33, 0x83, 0x02, 0x64, 0x05, 0x06, 0x07,
                                    0x02, 0x21, 0x43, 0x64, 0x00, 0x00, 0x08, 0xA0, 0x0F};
    const ConfigImage before = encodeOk(startup());
    for (std::size_t n = 0; n < std::size_t{kAxisCount}; ++n) {
        SCOPED_TRACE("axis " + std::to_string(n + 1));
        ConfigState state = startup();
        state.axes[n] = kExampleAxis;
        const ConfigImage after = encodeOk(state);
        EXPECT_EQ(bytesAt(after, 18 * n, 18), expected);
        for (std::size_t pos = 0; pos < 144; ++pos) {
            if (pos < 18 * n || pos >= 18 * (n + 1)) {
                EXPECT_EQ(after[pos], before[pos]) << "byte " << pos;
            }
        }
    }
}

TEST(AxisRecord, NoAssignmentWithMagnetOffsetKeepsBothApart) {
    ConfigState state = startup();
    state.axes[0].src = 3; // KMA200: the offset is enabled
    state.axes[0].name = 0;
    state.axes[0].offset = true;
    const ConfigImage image = encodeOk(state);
    EXPECT_EQ(image[3], 0x80);
    const ConfigState decoded = decodeImage(image);
    EXPECT_EQ(decoded.axes[0].name, 0);
    EXPECT_TRUE(decoded.axes[0].offset);
}

TEST(AxisRecord, CalibrationKeepsTheLowSixteenBits) {
    ConfigState state = startup();
    test::useAxis(state, 0, 0, 1);
    state.axes[0].acal_max = "70000";
    const ConfigImage image = encodeOk(state);
    EXPECT_EQ(image[16] | (image[17] << 8), 4464);
    EXPECT_EQ(decodeImage(image).axes[0].acal_max, "4464");
}

TEST(AxisRecord, UnreadableCalibrationStoresZero) {
    ConfigState state = startup();
    state.axes[0].acal_min = "abc";
    state.axes[0].acal_cen = "";
    EXPECT_EQ(bytesAt(encodeOk(state), 12, 4), (std::vector<int>{0, 0, 0, 0}));
}

// A list with no entry, or an index the list does not have, is stored as
// "not used" and never spills into the neighbouring bits of its byte.
TEST(AxisRecord, ListsWithoutAValidEntryStoreZeroInPackedBytes) {
    ConfigState state = startup();
    // source -1, channel 5, assignment 200, precision 9, inverted, filter x4,
    // calibration -1, offset, buttons 0/-1/129, step 100, special function 7
    state.axes[0] = AxisFields{-1,   -1, 5,  200, 9,     true, 3, -1, "0", "0", "0",
                               true, 0,  -1, 129, "100", 7,    0, 0,  0,   0};
    const ConfigImage image = encodeOk(state);
    EXPECT_EQ(bytesAt(image, 0, 10),
              (std::vector<int>{0x50, 0x00, 0x13, 0x80, 0x00, 0x64, 0x00, 0x00, 0x00, 0x00}));
}

TEST(AxisRecord, SpinsOutsideTheirRangeAreHeldToIt) {
    ConfigState state = startup();
    state.axes[0].dzl = 16;
    state.axes[0].dzh = -1;
    state.axes[0].dzc = 99;
    state.axes[0].dzd = 15;
    state.curves[0].points[0] = 201;
    state.curves[0].points[1] = -3;
    const ConfigImage image = encodeOk(state);
    EXPECT_EQ(image[10], 0x0F); // low 15, high 0: no carry into the high nibble
    EXPECT_EQ(image[11], 0xFF);
    EXPECT_EQ(image[144], 200);
    EXPECT_EQ(image[145], 0);
}

// An empty or non-numeric strict edit stops the encoding; the caller's image
// and listing stay exactly as they were.
TEST(StrictEdits, FailureStopsTheEncodingAndLeavesTheImage) {
    for (const char* field :
         {"osi_1_ms_step", "osi_1_zm_del", "osi_6_zm_spd", "dev_vid", "dev_pid"}) {
        for (const std::string text : {"", "1x", " 12"}) {
            SCOPED_TRACE(std::string(field) + " '" + text + "'");
            ConfigState state = startup();
            *std::get<std::string*>(findField(field)->get(state)) = text;
            ConfigImage image;
            image.fill(0xA5);
            DescriptorLog log{"kept"};
            const EncodeResult result = ConfigToReport(state, image, log);
            EXPECT_FALSE(result.ok());
            EXPECT_EQ(result.conversionError, "'" + text + "' is not a valid integer value");
            EXPECT_EQ(image[0], 0xA5);
            EXPECT_EQ(image[1023], 0xA5);
            EXPECT_EQ(log, DescriptorLog{"kept"});
        }
    }
}

TEST(StrictEdits, TheFirstFailingEditInImageOrderIsReported) {
    ConfigState state = startup();
    state.dev_vid = "12";
    state.curves[2].zm_spd = "x";
    state.axes[4].ms_step = "";
    ConfigImage image{};
    DescriptorLog log;
    EXPECT_EQ(ConfigToReport(state, image, log).conversionError, "'' is not a valid integer value");
}

TEST(CurveRecord, PointsZoomAndSymmetryLandInPlace) {
    ConfigState state = startup();
    CurveFields& c = state.curves[3];
    c.points = {0, 25, 50, 75, 100, 125, 150, 175, 200};
    c.zm_knp = 17;
    c.zm_del = "300"; // low 8 bits
    c.zm_spd = "9";
    state.curves[0].symmetrical = true;
    state.curves[2].symmetrical = true;
    const ConfigImage image = encodeOk(state);
    EXPECT_EQ(bytesAt(image, 144 + 36, 12),
              (std::vector<int>{0, 25, 50, 75, 100, 125, 150, 175, 200, 17, 300 & 0xFF, 9}));
    EXPECT_EQ(image[216], 0x05);
}

TEST(CurveRecord, DecodedSymmetryBitAndPointsStayInPlaceAndRange) {
    ConfigImage image{};
    image[216] = 0x02;
    image[144] = 255;
    image[145] = 201;
    image[146] = 200;
    const ConfigState decoded = decodeImage(image);
    for (int n = 0; n < kCurveCount; ++n)
        EXPECT_EQ(decoded.curves[n].symmetrical, n == 1) << "curve " << n + 1;
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(decoded.curves[0].points[k], 200) << "point " << k;
}

TEST(AxisRegionTail, DoubleThrottleAndSensorClock) {
    ConfigState state = startup();
    state.sf_thr_bnom = 128;
    state.sf_thr_bmod = 2;
    state.sf_thr_asrc = 8;
    state.sf_thr_adsc = 1;
    state.osi_vlsens_clk = 48; // F7
    const ConfigImage image = encodeOk(state);
    EXPECT_EQ(bytesAt(image, 217, 5), (std::vector<int>{128, 2, 8, 1, 48}));
    const ConfigState d = decodeImage(image);
    EXPECT_EQ(
        std::tie(d.sf_thr_bnom, d.sf_thr_bmod, d.sf_thr_asrc, d.sf_thr_adsc, d.osi_vlsens_clk),
        std::make_tuple(128, 2, 8, 1, 48));
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
    const ConfigState& d = decoded;
    EXPECT_EQ(
        std::tie(d.axes[0].src, d.sf_thr_bnom, d.sf_thr_bmod, d.sf_thr_asrc, d.osi_vlsens_clk),
        std::make_tuple(-1, -1, -1, -1, -1));
    // An axis without a valid source is unused: the encoder stores it as 0
    // and the rules treat it so.
    const ConfigImage again = encodeOk(decoded);
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
