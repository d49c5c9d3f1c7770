#pragma once

// The editor's rules as functions of the configuration: validation, the axis
// rules and the defaults. Each returns what a window has to show afterwards;
// none of them reads or writes a widget.

#include "volmar/core/ConfigState.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace volmar {

struct TRecordLng;

// What a window shows after a rule run besides the refreshed fields.
struct RunOutcome {
    std::vector<std::string> messageBoxes; // modal boxes, in the order they appear
    bool showNotConnected = false;         // put up the not-connected display
    void append(const RunOutcome& other);
};

// Which controls of one axis row the axis rules leave enabled.
struct AxisEnables {
    bool name = false;     // osi_N_name
    bool src_port = false; // osi_N_src_port
    bool src_chnl = false; // osi_N_src_chnl
    bool offset = false;   // osi_N_offset
    bool shaping = false;  // dead zones, filter, invert, acal, specfunc, calibration fields
    bool relative = false; // osi_N_ms_btn, osi_N_ms_step, osi_N_ms_btn_u, osi_N_ms_btn_d
    bool operator==(const AxisEnables&) const = default;
};

struct RulesOutcome {
    std::array<AxisEnables, kAxisCount> axes{};
    RunOutcome run;
};

// Validation: silent repairs, the first hard error (or the success summary) in
// state.chk_report_info, state.ConfigHasErrors. `connected` tells whether a
// controller is connected (only used for the not-connected display).
RunOutcome CheckConfig(ConfigState& state, const TRecordLng& lng, bool connected);

// Which controls of each axis row are enabled: a function of the sources
// alone, so a window can show it after any change of the configuration.
std::array<AxisEnables, kAxisCount> axisEnables(const ConfigState& state);

// The axis rules; they end with validation.
RulesOutcome osi_Change(ConfigState& state, const TRecordLng& lng, bool connected);

// "Clear sets": the default configuration, ending with validation.
RulesOutcome btnClrConfigClick(ConfigState& state, const TRecordLng& lng, bool connected);

// Key filters of the edits: whether the key may go in. The window runs
// validation after every key press, allowed or not. Backspace is '\b'.
bool DigitControl(char32_t key);     // numeric edits: digits
bool HexDigitControl(char32_t key);  // dev_vid, dev_pid: digits and "A".."F"
bool dev_nameKeyPress(char32_t key); // dev_name: letters, digits, space, ( ) - [ ] _

// Length limiting on a change of dev_name, dev_vid or dev_pid: the ids are
// cut to 4 characters, the name to 20, then validation runs.
inline constexpr std::size_t kUsbIdChars = 4;
inline constexpr std::size_t kUsbNameChars = 20;
RunOutcome dev_vidChange(ConfigState& state, const TRecordLng& lng, bool connected);

// The state the editor starts with: initial control values, then the
// defaults, the axis rules and validation.
ConfigState startupState(const TRecordLng& lng);

} // namespace volmar
