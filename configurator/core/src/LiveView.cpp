#include "volmar/core/LiveView.h"

#include "volmar/core/ValueLists.h"

namespace volmar::live {

std::array<bool, kAxes> axesWithSource(const ConfigState& state) {
    std::array<bool, kAxes> has{};
    for (std::size_t n = 0; n < has.size(); ++n) {
        has[n] = state.axes[n].src > 0;
    }
    return has;
}

MonitorView monitorView(const LiveData& data, const MonitorContext& context) {
    MonitorView view;
    const int hardwareEntries = static_cast<int>(hardwareList().size());
    view.hardwareEntry = data.hardwareType < hardwareEntries ? data.hardwareType : kNoEntry;
    view.uptime = uptimeText(data);
    view.chip = std::string(chipName(data.hardwareType));
    for (std::size_t n = 0; n < kAxes; ++n) {
        if (context.hasSource[n]) {
            view.raw[n] = std::to_string(data.raw[n]);
            view.processed[n] = std::to_string(data.processed[n]);
        }
        view.linkErrors[n] = std::to_string(data.linkErrors[n]);
    }
    view.pressed = data.buttons;
    const int highest = highestPressedButton(data);
    if (highest != 0 && context.page == kPageButtons && context.gridColumn == 1) {
        view.offeredButton = highest;
    }
    // The cursor follows its axis with or without a source; entries 9..16
    // name no axis.
    if (context.page == kPageCurves && context.cursorAxis >= 1 && context.cursorAxis <= kAxes) {
        view.cursorAxis = context.cursorAxis;
        view.cursorPosition = data.processed[static_cast<std::size_t>(context.cursorAxis - 1)];
    }
    view.debugLine = debugLine(data);
    return view;
}

} // namespace volmar::live
