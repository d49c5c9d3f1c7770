// What the axis and Buffered windows show, without a window: gauge
// positions and texts, the report counting and rate, the row rules, the
// saved file, the report intervals and the axis dialogs' rules.
#include "volmar/viewer/AxisEdits.h"
#include "volmar/viewer/CAxisDoc.h"
#include "volmar/viewer/EventList.h"
#include "volmar/viewer/Gauge.h"
#include "volmar/viewer/ReportIntervals.h"

#include <gtest/gtest.h>

#include <climits>
#include <ostream>
#include <vector>

namespace volmar::viewer {

void PrintTo(const EventRow& r, std::ostream* out) {
    *out << '{' << r.event << ", " << r.value << ", " << r.delta << ", " << r.rate << '}';
}

namespace {

using input::DeviceObjectData;
using input::ObjectInstance;

GaugeInput gauge(int w, std::int32_t min, std::int32_t max, std::int32_t v) {
    GaugeInput in;
    in.width = w;
    in.height = 120;
    in.lineHeight = 15;
    in.rangeMin = min;
    in.rangeMax = max;
    in.value = v;
    return in;
}

TEST(Gauge, MarkerSitsAtTheMarginForTheMinimumAndAtWMinusMarginForTheMaximum) {
    struct Case {
        int width;
        std::int32_t min, max;
    };
    const Case cases[] = {{400, 0, 65535},   {333, -32768, 32767}, {1000, 0, 36000},
                          {217, -512, 511},  {641, 0, 1},          {500, INT_MIN, INT_MAX},
                          {1920, 100, 65535}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " " << c.min << ".." << c.max);
        EXPECT_EQ(layoutGauge(gauge(c.width, c.min, c.max, c.min)).valueMarkerX, 5);
        EXPECT_EQ(layoutGauge(gauge(c.width, c.min, c.max, c.max)).valueMarkerX, c.width - 5);
    }
}

TEST(Gauge, ScaleTicksAndTexts) {
    const GaugeLayout g = layoutGauge(gauge(400, 0, 65535, 32767));
    EXPECT_EQ(g.valueText, "32767 (50.00% max)  ");
    EXPECT_EQ(g.scaleY, 60);
    EXPECT_EQ(g.scaleLeft, 5);
    EXPECT_EQ(g.scaleRight, 395);
    ASSERT_EQ(g.tickX.size(), 50u);
    EXPECT_EQ(g.tickX.front(), 5);
    EXPECT_GE(g.tickX.back(), 394); // 49 steps of 390/49 pixels
    for (std::size_t i = 1; i < g.tickX.size(); ++i) {
        EXPECT_GE(g.tickX[i] - g.tickX[i - 1], 7);
        EXPECT_LE(g.tickX[i] - g.tickX[i - 1], 8);
    }
    EXPECT_EQ(g.tickTop, 57);
    EXPECT_EQ(g.tickBottom, 63);
    EXPECT_EQ(g.valueMarkerY, 62);
    EXPECT_EQ(g.valueMarkerX, 5 + 32767 * 390 / 65535);
    EXPECT_EQ(g.minText, "0");
    EXPECT_EQ(g.maxText, "65535");
    EXPECT_FALSE(g.raw);
}

TEST(Gauge, RangesWithoutWidthOrWithoutMaximumDrawWithoutDividingByZero) {
    // min == max: every value at the left end.
    GaugeLayout g = layoutGauge(gauge(400, 7, 7, 7));
    EXPECT_EQ(g.valueMarkerX, 5);
    EXPECT_EQ(g.valueText, "7 (100.00% max)  ");
    // A maximum of 0 has no percentages: 0 is shown.
    g = layoutGauge(gauge(400, -100, 0, -50));
    EXPECT_EQ(g.valueText, "-50 (0.00% max)  ");
    EXPECT_EQ(g.valueMarkerX, 5 + 195);
    // A window narrower than its margins.
    g = layoutGauge(gauge(8, 0, 65535, 65535));
    EXPECT_EQ(g.valueMarkerX, 5);
    // The raw view of a HID range without width.
    GaugeInput in = gauge(400, 0, 65535, 0);
    in.showRaw = true;
    in.hidMin = 0;
    in.hidMax = 0;
    in.raw = 3;
    g = layoutGauge(in);
    EXPECT_EQ(g.rawMarkerX, 5);
    EXPECT_EQ(g.rawText, "3 (0.00% max)  Raw");
}

TEST(Gauge, RawValueIsPlacedOnTheCalibratedScale) {
    GaugeInput in = gauge(400, 0, 65535, 0);
    in.showRaw = true;
    in.hidMin = -512;
    in.hidMax = 511;
    in.raw = -512; // f = 512: the HID minimum maps onto the range minimum
    GaugeLayout g = layoutGauge(in);
    EXPECT_TRUE(g.raw);
    EXPECT_EQ(g.rawMarkerX, 5);
    EXPECT_EQ(g.rawText, "-512 (0.00% max)  Raw");
    EXPECT_EQ(g.hidMinText, "-512");
    EXPECT_EQ(g.hidMaxText, "511");
    EXPECT_EQ(g.rawMarkerY, 48);
    in.raw = 511; // (512 + 511) / (512 + 511) of the range
    g = layoutGauge(in);
    EXPECT_EQ(g.rawMarkerX, 395);
    EXPECT_EQ(g.rawText, "511 (100.00% max)  Raw");
    // A positive HID minimum is not shifted: 0..1023 with r = 1023.
    EXPECT_FLOAT_EQ(rawOnRange(1023, 100, 1023, 0, 65535), 65535.0f);
    EXPECT_FLOAT_EQ(rawOnRange(0, 0, 655, 0, 65535), 0.0f);
}

TEST(Gauge, TextsStayClearOfTheMarkers) {
    GaugeInput in = gauge(400, 0, 65535, 0);
    in.height = 140;
    in.showRaw = true;
    in.hidMax = 1023;
    const GaugeLayout g = layoutGauge(in);
    EXPECT_LE(g.hidLimitsRect.bottom, g.rawMarkerY);
    EXPECT_GE(g.limitsRect.top, g.valueMarkerY + kMarkerSize);
    EXPECT_EQ(g.limitsRect.bottom - g.limitsRect.top, 15);
    EXPECT_EQ(g.rawTextRect, (PixelRect{0, 0, 400, 124}));
    EXPECT_EQ(g.valueTextRect, (PixelRect{0, 0, 400, 140}));
}

TEST(AxisTitle, SuffixFollowsTheAxisKind) {
    using input::ObjectKind;
    const std::pair<ObjectKind, const char*> table[] = {
        {ObjectKind::XAxis, "P - O [X]"},       {ObjectKind::YAxis, "P - O [Y]"},
        {ObjectKind::ZAxis, "P - O [Z]"},       {ObjectKind::RxAxis, "P - O [Rx]"},
        {ObjectKind::RyAxis, "P - O [Ry]"},     {ObjectKind::RzAxis, "P - O [Rz]"},
        {ObjectKind::Slider, "P - O [Slider]"}, {ObjectKind::POV, "P - O [POV]"},
        {ObjectKind::Unknown, "P - O"},         {ObjectKind::Button, "P - O"}};
    for (const auto& [kind, title] : table) {
        EXPECT_EQ(axisTitle("P", "O", kind), title);
    }
}

// ------------------------------------------------------------ event list

ObjectInstance objectOf(std::uint32_t type, const char* name) {
    ObjectInstance o;
    o.type = type;
    o.name = name;
    return o;
}
const ObjectInstance kX = objectOf(input::DIDFT_ABSAXIS, "X Axis");
const ObjectInstance kTrigger = objectOf(input::DIDFT_PSHBUTTON, "Trigger");
const ObjectInstance kHat = objectOf(input::DIDFT_POV, "Hat Switch");

DeviceObjectData item(std::uint32_t data, std::uint32_t t, std::uint32_t sequence) {
    return {0, data, t, sequence, 0};
}

TEST(EventList, FirstReportHasNoRateAndTheNextOneTenMillisecondsLaterShowsOneHundred) {
    EventList list;
    list.take(item(512, 5000, 1), &kX);
    list.take(item(600, 5010, 2), &kX);
    EXPECT_EQ(list.rows(), (std::vector<EventRow>{{"X Axis", "512", "0", "0.000"},
                                                  {"X Axis", "600", "10", "100.000"}}));
}

TEST(EventList, ItemsOfOneReportShareTheDeltaAndCountOnce) {
    EventList list;
    list.take(item(1, 100, 7), &kX);
    list.take(item(1, 104, 8), &kX);
    list.take(item(0x80, 104, 8), &kTrigger);
    EXPECT_EQ(list.reportCounter(), 2);
    EXPECT_EQ(list.rows(), (std::vector<EventRow>{{"X Axis", "1", "0", "0.000"},
                                                  {"X Axis", "1", "4", "250.000"},
                                                  {"Trigger", "DOWN", "4", "250.000"}}));
}

TEST(EventList, ReportsAtTheFirstReportsTimeDoNotInflateTheRate) {
    EventList list;
    for (std::uint32_t s = 1; s <= 3; ++s) {
        list.take(item(s, 2000, s), &kX);
    }
    EXPECT_EQ(list.rateAdjustment(), -3);
    EXPECT_EQ(list.rows()[2].rate, "0.000");
    list.take(item(4, 2010, 4), &kX);
    EXPECT_EQ(list.rows()[3].rate, "100.000"); // (4 - 3) reports over 10 ms
}

TEST(EventList, FilteredAndUnknownEventsGiveNoRowButCountForTheRate) {
    EventList list;
    list.toggleButtons();
    list.take(item(0x80, 1000, 1), &kTrigger);
    list.take(item(0, 1010, 2), nullptr);
    list.take(item(9000, 1020, 3), &kHat);
    ASSERT_EQ(list.rows().size(), 1u);
    EXPECT_EQ(list.reportCounter(), 3);
    EXPECT_EQ(list.rows()[0].rate, "100.000"); // 2 reports over 20 ms
    EXPECT_EQ(list.rows()[0].value, "9000");
    list.togglePovs();
    list.toggleButtons();
    list.take(item(0, 1030, 4), &kTrigger);
    list.take(item(0xFFFFFFFF, 1040, 5), &kHat);
    ASSERT_EQ(list.rows().size(), 2u);
    EXPECT_EQ(list.rows()[1].value, "UP");
}

TEST(EventList, WithoutElapsedTimeTheThirdColumnHoldsTheTimeStamp) {
    EventList list;
    list.toggleElapsedTime();
    list.take(item(-5, 3000000000u, 1), &kX);
    EXPECT_EQ(list.rows()[0].delta, "3000000000");
    EXPECT_EQ(list.rows()[0].value, "-5");
    EXPECT_EQ(list.fileText(),
              "Report Number,Report Rate (Hz),Object Name,Object Value,System Time (ms)\r\n"
              "0,0.000,X Axis,-5,3000000000\r\n");
}

TEST(EventList, AnEmptyListSavesOnlyTheHeader) {
    EventList list;
    EXPECT_EQ(list.fileText(),
              "Report Number,Report Rate (Hz),Object Name,Object Value,Ellapsed Time (ms)\r\n");
}

TEST(EventList, AFullListStartsOver) {
    EventList list;
    for (std::uint32_t i = 0; i < EventList::kMaxRows; ++i) {
        EXPECT_FALSE(list.take(item(i, 10 + i, i + 1), &kX).cleared);
    }
    EXPECT_EQ(list.rows().size(), EventList::kMaxRows);
    const EventList::Taken taken = list.take(item(1, 20000, 20000), &kX);
    EXPECT_TRUE(taken.cleared);
    EXPECT_TRUE(taken.appended);
    ASSERT_EQ(list.rows().size(), 1u);
    EXPECT_EQ(list.rows()[0].value, "1");
}

TEST(EventList, CaptureBackOnAndClearAllStartTheCountAgain) {
    EventList list;
    list.take(item(1, 1000, 1), &kX);
    list.take(item(1, 1010, 2), &kX);
    EXPECT_FALSE(list.toggleCapture());
    EXPECT_FALSE(list.draining());
    EXPECT_TRUE(list.toggleCapture());
    EXPECT_EQ(list.reportCounter(), 0);
    EXPECT_EQ(list.elapsed(), 10u); // kept until the next report
    list.take(item(1, 5000, 3), &kX);
    EXPECT_EQ(list.rows().back().rate, "0.000");
    EXPECT_EQ(list.rows().back().delta, "0");
    EXPECT_EQ(list.rows().size(), 3u); // rows already listed stay
    list.clearAll();
    EXPECT_TRUE(list.rows().empty());
    EXPECT_EQ(list.elapsed(), 0u);
    list.setSaving(true);
    EXPECT_FALSE(list.draining());
}

TEST(EventList, CommandStatesFollowTheDeviceClass) {
    using input::DeviceClass;
    EventList list;
    BufferedCommands c = list.commands(DeviceClass::Keyboard);
    EXPECT_FALSE(c.axes.enabled);
    EXPECT_FALSE(c.axes.checked);
    EXPECT_FALSE(c.povs.enabled);
    EXPECT_TRUE(c.buttons.enabled && c.buttons.checked);
    EXPECT_EQ(c.captureText, "Stop\tCtrl+E");
    c = list.commands(DeviceClass::Pointer);
    EXPECT_TRUE(c.axes.enabled && c.axes.checked);
    EXPECT_FALSE(c.povs.enabled || c.povs.checked);
    list.togglePovs();
    list.toggleCapture();
    c = list.commands(DeviceClass::GameController);
    EXPECT_TRUE(c.povs.enabled);
    EXPECT_FALSE(c.povs.checked);
    EXPECT_EQ(c.captureText, "Start\tCtrl+E");
}

// ------------------------------------------------------- report intervals

TEST(ReportIntervals, FiguresComeFromTheTimeStamps) {
    ReportIntervals r;
    EXPECT_EQ(ReportIntervals::text(r.figures()), "Report interval (\u00b5s): -");
    for (std::uint32_t t : {100u, 104u, 108u, 112u, 121u, 125u}) {
        r.addReport(t);
    }
    const ReportIntervals::Figures f = r.figures();
    EXPECT_EQ(f.count, 5u);
    EXPECT_EQ(f.minUs, 4000);
    EXPECT_EQ(f.maxUs, 9000);
    EXPECT_DOUBLE_EQ(f.meanUs, 5000);
    EXPECT_DOUBLE_EQ(f.jitterUs, 2000); // deviations -1 -1 -1 4 -1 ms
    EXPECT_EQ(ReportIntervals::text(f),
              "Report interval (\u00b5s): min 4000  mean 5000  max 9000  jitter 2000");
}

TEST(ReportIntervals, OnlyTheLastSecondCountsAndTimeStampsMayWrap) {
    ReportIntervals r;
    r.addReport(0xFFFFFF00u);
    r.addReport(0xFFFFFF00u + 50); // one slow interval
    for (std::uint32_t t = 0xFFFFFF00u + 60; t != 0xFFFFFF00u + 1200; t += 10) {
        r.addReport(t); // across the wrap of the 32-bit clock
    }
    const ReportIntervals::Figures f = r.figures();
    EXPECT_EQ(f.minUs, 10000);
    EXPECT_EQ(f.maxUs, 10000); // the 50 ms interval ended more than a second ago
    EXPECT_EQ(f.count, 100u);  // those that ended within 1000 ms of the last report
    r.reset();
    r.addReport(5);
    EXPECT_EQ(r.figures().count, 0u);
}

// ------------------------------------------------------------ axis dialogs

TEST(AxisEdits, PercentFieldsTakeZeroToOneHundred) {
    EXPECT_EQ(percentShown(2599), 25u);
    EXPECT_EQ(propertyFromPercent(25), 2500u);
    EXPECT_FALSE(checkPercent(0));
    EXPECT_FALSE(checkPercent(100));
    EXPECT_EQ(checkPercent(101), "Please enter an integer between 0 and 100.");
    EXPECT_TRUE(checkPercent(-1));
}

TEST(AxisEdits, CalibrationIsCheckedMaxFirstThenMinThenCenter) {
    const auto error = [](CalibrationFields f) {
        const auto e = checkCalibration(f, 0, 1023);
        return e ? static_cast<int>(e->field) : -1;
    };
    EXPECT_EQ(error({0, 512, 1023}), -1);
    EXPECT_EQ(error({-1, 2000, 1024}), static_cast<int>(CalibrationField::Max));
    EXPECT_EQ(error({-1, 2000, 1023}), static_cast<int>(CalibrationField::Min));
    EXPECT_EQ(error({0, 2000, 1023}), static_cast<int>(CalibrationField::Center));
    EXPECT_EQ(checkCalibration({0, 0, 5000}, -512, 511)->message,
              "Please enter an integer between -512 and 511.");
}

TEST(AxisEdits, RestoreDefaultsPutsTheHidRangeWithItsCentre) {
    EXPECT_EQ(defaultCalibration(0, 1023), (CalibrationFields{0, 512, 1023}));
    EXPECT_EQ(defaultCalibration(-512, 511), (CalibrationFields{-512, 0, 511}));
    EXPECT_EQ(defaultCalibration(INT_MIN, INT_MAX), (CalibrationFields{INT_MIN, 0, INT_MAX}));
    EXPECT_EQ(setPropertyError(0x80004001), "ERROR: SetProperty returned 0x80004001\n");
}

} // namespace
} // namespace volmar::viewer
