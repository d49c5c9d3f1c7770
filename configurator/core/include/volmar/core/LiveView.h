#pragma once

// What one tick of the live monitor shows: from the controller's live data
// and the little of the window it depends on (which axes have a source, the
// page shown, the curve cursor's axis, the grid's selected column) to the
// text of every live control, the button panels, the number offered to the
// button grid and the curve cursor. The window only applies it, in the
// order of the fields below.

#include "volmar/core/ConfigState.h"
#include "volmar/core/LiveData.h"

#include <array>
#include <optional>
#include <string>

namespace volmar::live {

// Pages of JvPageControl the tick looks at, by their fixed index.
inline constexpr int kPageCurves = 1;   // TabOSI_SF
inline constexpr int kPageButtons = 2;  // TabKNP
inline constexpr int kPageFirmware = 5; // TabFMW: no live data is asked while it is shown

struct MonitorContext {
    std::array<bool, kAxes> hasSource{}; // osi_N_src above 0
    int page = 0;                        // the active page's index
    int cursorAxis = 0;                  // CurveVisualAxis entry: 0 "--", 1..16
    int gridColumn = 0;                  // the button grid's selected column
};

// The context of a configuration: which axes have a source.
std::array<bool, kAxes> axesWithSource(const ConfigState& state);

struct MonitorView {
    // joy_hardware's entry, selected without its change handler: 1..3, or
    // -1 (no entry) for a type the list does not hold.
    int hardwareEntry = 0;
    std::string uptime; // joy_uptime
    // joy_hardware_mcu's new text; empty: it keeps its text.
    std::string chip;
    // joy_osi_0N_t; nullopt: the field keeps its text (no source).
    std::array<std::optional<std::string>, kAxes> raw;
    std::array<bool, kButtons> pressed{}; // joy_knp_B: red or button face
    // For KnpGrid_CB_Number (its commit decides whether it is taken); 0: none.
    int offeredButton = 0;
    // joy_osi_0N_t_axis; nullopt: the field keeps its text.
    std::array<std::optional<std::string>, kAxes> processed;
    // 1..8: CurveVisualAxisValue takes the text joy_osi_0N_t_axis now shows
    // (kept or new) and the chart's cursor goes to cursorPosition; 0: neither.
    int cursorAxis = 0;
    int cursorPosition = 0;
    std::string debugLine;                     // DebugText
    std::array<std::string, kAxes> linkErrors; // adc_error_N, every axis
};

MonitorView monitorView(const LiveData& data, const MonitorContext& context);

} // namespace volmar::live
