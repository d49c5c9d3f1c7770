// What one monitor tick shows: which fields change, the panels, the number
// offered to the grid and the curve cursor, from the live data and the page.
#include "volmar/core/LiveView.h"

#include "CoreTestHelpers.h"

#include <gtest/gtest.h>

namespace volmar::live {
namespace {

LiveData sample() {
    LiveData data;
    data.hardwareType = 2;
    data.uptime = {1, 2, 3};
    for (std::size_t n = 0; n < kAxes; ++n) {
        data.raw[n] = static_cast<std::uint16_t>(100 + n);
        data.processed[n] = static_cast<std::uint16_t>(2000 + n);
        data.linkErrors[n] = static_cast<std::uint8_t>(n);
    }
    data.debug = {1, 255, 4096, 65535};
    return data;
}

MonitorContext onPage(int page) {
    MonitorContext context;
    context.page = page;
    return context;
}

TEST(LiveView, OnlyAxesWithASourceGetTheirValuesButEveryAxisItsLinkErrors) {
    ConfigState state = test::startup();
    for (auto& axis : state.axes) {
        axis.src = 0;
    }
    state.axes[0].src = 2;
    state.axes[5].src = 8;
    state.axes[6].src = -1; // a list with no entry is no source either
    MonitorContext context = onPage(0);
    context.hasSource = axesWithSource(state);
    const MonitorView view = monitorView(sample(), context);
    for (std::size_t n = 0; n < kAxes; ++n) {
        const bool source = n == 0 || n == 5;
        EXPECT_EQ(view.raw[n].has_value(), source) << "axis " << n + 1;
        EXPECT_EQ(view.processed[n].has_value(), source) << "axis " << n + 1;
        EXPECT_EQ(view.linkErrors[n], std::to_string(n)) << "axis " << n + 1;
    }
    EXPECT_EQ(view.raw[5], "105");
    EXPECT_EQ(view.processed[5], "2005");
}

TEST(LiveView, HardwareUptimeChipAndDebugLine) {
    LiveData data = sample();
    struct Case {
        std::uint8_t type;
        int entry;
        const char* chip;
    };
    for (const Case c :
         {Case{1, 1, "ATmega32U4"}, Case{2, 2, "AT90USB646"}, Case{3, 3, "AT90USB1286"},
          Case{4, kNoEntry, ""}, Case{255, kNoEntry, ""}}) {
        data.hardwareType = c.type;
        const MonitorView view = monitorView(data, onPage(0));
        EXPECT_EQ(view.hardwareEntry, c.entry) << int(c.type);
        EXPECT_EQ(view.chip, c.chip) << int(c.type);
    }
    const MonitorView view = monitorView(data, onPage(0));
    EXPECT_EQ(view.uptime, "1:2:3");
    EXPECT_EQ(view.debugLine, "d[1] b[0000000000000001] h[0001]   "
                              "d[255] b[0000000011111111] h[00FF]   "
                              "d[4096] b[0001000000000000] h[1000]   "
                              "d[65535] b[1111111111111111] h[FFFF]");
}

TEST(LiveView, TheHighestPressedButtonIsOfferedOnlyOnTheButtonsPageWithColumnOne) {
    LiveData data = sample();
    for (int b : {3, 17, 40}) {
        data.buttons[static_cast<std::size_t>(b - 1)] = true;
    }
    MonitorContext context = onPage(kPageButtons);
    context.gridColumn = 1;
    MonitorView view = monitorView(data, context);
    EXPECT_EQ(view.offeredButton, 40);
    EXPECT_EQ(view.pressed, data.buttons);

    context.gridColumn = 2;
    EXPECT_EQ(monitorView(data, context).offeredButton, 0);
    context.gridColumn = 1;
    for (int page : {0, kPageCurves, 3, 4}) {
        context.page = page;
        EXPECT_EQ(monitorView(data, context).offeredButton, 0) << "page " << page;
        // the panels show the buttons on every page
        EXPECT_EQ(monitorView(data, context).pressed, data.buttons) << "page " << page;
    }
    // Above the grid's 128: still offered, the grid's commit refuses it.
    context.page = kPageButtons;
    data.buttons[131] = true;
    EXPECT_EQ(monitorView(data, context).offeredButton, 132);
    data.buttons = {};
    EXPECT_EQ(monitorView(data, context).offeredButton, 0);
}

TEST(LiveView, TheCursorFollowsItsAxisOnTheCurvesPageWithOrWithoutASource) {
    const LiveData data = sample();
    MonitorContext context = onPage(kPageCurves);
    context.hasSource.fill(true);
    context.hasSource[2] = false;
    context.cursorAxis = 3;
    MonitorView view = monitorView(data, context);
    EXPECT_EQ(view.cursorAxis, 3);
    EXPECT_EQ(view.cursorPosition, 2002);
    EXPECT_FALSE(view.processed[2]) << "the value text stays the field's last one";

    for (int entry : {0, 9, 16}) {
        context.cursorAxis = entry;
        EXPECT_EQ(monitorView(data, context).cursorAxis, 0) << "entry " << entry;
    }
    context.cursorAxis = 8;
    EXPECT_EQ(monitorView(data, context).cursorPosition, 2007);
    context.page = 0;
    EXPECT_EQ(monitorView(data, context).cursorAxis, 0);
}

} // namespace
} // namespace volmar::live
