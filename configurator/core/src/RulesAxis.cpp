// The axis rules: keep each axis row consistent with its source, fill in
// sensible defaults, reset what a source does not use, then validate.
//
// In the window every value the rules write raises its control's change
// event, which runs the rules again before the outer run continues. Those
// nested runs only ever move values towards their reset or default state, so
// they end where repeated application of one pass ends; we compute that
// point directly by repeating the pass until nothing changes.

#include "volmar/core/Rules.h"

#include "RulesDetail.h"

#include <algorithm>

namespace volmar {

using detail::isSet;
using detail::sourceCode;

namespace {

constexpr int kAcalWithCentre = 1;    // "auto.w center"
constexpr int kAcalWithoutCentre = 2; // "auto.w/o center"

bool isMagnetic(int s) {
    return s == 3 || s == 7 || s == 8; // KMA200, TLE5011, VLSens
}

bool hasChannels(int s) {
    return s == 5 || s == 6; // MCP3202, MCP3204/8
}

AxisEnables enablesFor(int s) {
    AxisEnables e;
    e.name = s > 0;
    e.src_port = s > 1;
    e.src_chnl = hasChannels(s);
    e.offset = isMagnetic(s);
    e.shaping = s >= 1;
    e.relative = s == detail::kSourceVirtual;
    return e;
}

// A dead zone above 0 needs an auto-calibration; only a "---" one is chosen
// for the user, so the first dead zone that applies decides.
void deadZoneDefault(int& zone, int& acal, int acalChoice) {
    zone = std::clamp(zone, 0, 15);
    if (zone > 0 && !isSet(acal))
        acal = acalChoice;
}

void resetUnused(AxisFields& a) {
    a.src_port = 0;
    a.src_chnl = 0;
    a.dzl = a.dzc = a.dzh = a.dzd = 0;
    a.invert = false;
    a.offset = false;
    a.acal = 0;
    a.acal_min = a.acal_cen = a.acal_max = "0";
    a.filter = 0;
    a.name = 0;
    a.specfunc = 0;
    a.prcsn = 0;
}

void axisPass(AxisFields& a) {
    const int s = sourceCode(a);
    const AxisEnables e = enablesFor(s);
    if (!e.offset)
        a.offset = false;

    if (isMagnetic(s) && !isSet(a.acal))
        a.acal = kAcalWithoutCentre;

    deadZoneDefault(a.dzl, a.acal, kAcalWithoutCentre);
    deadZoneDefault(a.dzh, a.acal, kAcalWithoutCentre);
    deadZoneDefault(a.dzc, a.acal, kAcalWithCentre);
    a.dzd = std::clamp(a.dzd, 0, 15);

    if (s == 0)
        resetUnused(a);
    if (s != detail::kSourceVirtual) {
        a.ms_step = "0";
        a.ms_btn = a.ms_btn_u = a.ms_btn_d = 0;
    } else {
        // A virtual axis is driven by buttons: nothing to calibrate or filter.
        // Its pin stays as it is (disabled, not reset).
        a.invert = false;
        a.acal = 0;
        a.acal_min = a.acal_cen = a.acal_max = "0";
        a.filter = 0;
    }
    if (!e.src_chnl)
        a.src_chnl = 0;
}

void rulesPass(ConfigState& state) {
    for (AxisFields& a : state.axes)
        axisPass(a);

    for (AxisButtonRow& row : state.ab) {
        if (!isSet(row.b)) {
            row.a = 0;
            row.l = "0";
            row.h = "0";
        }
    }

    // A hub type list showing no entry is as unconfigured as one at its first
    // entry.
    int hubTypes = 0;
    for (int type : state.slv_type) {
        if (isSet(type))
            ++hubTypes;
    }
    state.slv_cnfg = std::to_string(hubTypes);

    // The image keeps mode, shift and timer for the first 36 rows only.
    for (std::size_t row = detail::kFirstFreeModeRow; row < kGridRows; ++row) {
        state.buttons.mode[row] = 0;
        state.buttons.shift[row] = 0;
        state.buttons.timer[row] = 0;
    }
}

} // namespace

std::array<AxisEnables, kAxisCount> axisEnables(const ConfigState& state) {
    std::array<AxisEnables, kAxisCount> out{};
    for (std::size_t n = 0; n < kAxisCount; ++n)
        out[n] = enablesFor(sourceCode(state.axes[n]));
    return out;
}

RulesOutcome osi_Change(ConfigState& state, const TRecordLng& lng, bool connected) {
    // One pass already reaches the fixed point for every state we know of; the
    // bound only guards against a future rule that moves a value back and forth.
    constexpr int kMaxPasses = 8;
    for (int pass = 0; pass < kMaxPasses; ++pass) {
        const ConfigState before = state;
        rulesPass(state);
        if (state == before)
            break;
    }

    RulesOutcome out;
    out.axes = axisEnables(state);
    out.run = CheckConfig(state, lng, connected);
    return out;
}

} // namespace volmar
