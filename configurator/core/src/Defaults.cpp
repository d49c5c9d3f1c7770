// "Clear sets" and the state the editor starts with.

#include "volmar/core/ButtonMap.h"
#include "volmar/core/ConfigFields.h"
#include "volmar/core/Rules.h"

#include <variant>

namespace volmar {

RulesOutcome btnClrConfigClick(ConfigState& state, const TRecordLng& lng, bool connected) {
    for (AxisFields& a : state.axes)
        a.src = 0;
    state.osi_vlsens_clk = 0;

    BTN_ClearButtonsClick(state);

    state.btn_shift.fill(0);
    state.typ_shift.fill(0);
    state.btn_timer.fill(0);
    state.btn_timer_mode.fill(0);

    for (ShiftChain& chain : state.sr) {
        chain.prt = 0;
        chain.len = 0;
        chain.miso = 0;
        chain.kol = 0;
    }
    for (AxisButtonRow& row : state.ab)
        row.b = 0;
    for (Encoder& e : state.enc)
        e.l = e.r = 0;
    state.hw_bc.fill(0);
    state.hw_br.fill(0);

    state.slv_port = 0;
    state.slv_type.fill(0);
    state.slv_cnfg = "0";

    // With every source unused the axis rules reset the whole axes table,
    // the axis-to-button rows and the grid modes beyond row 36.
    RulesOutcome out = osi_Change(state, lng, connected);

    state.dev_poll = 2; // "2"
    state.dev_vid = "8888";
    state.dev_pid = "8888";
    state.dev_name = "Volmar2";

    state.led_ws2811 = false;
    state.led_max7219 = false;
    state.led_color_init = 0; // the colour list's first entry, black

    for (CurveFields& c : state.curves) {
        c.zm_knp = 0;
        c.zm_del = "0";
        c.zm_spd = "0";
        c.points.fill(100);
        c.symmetrical = false;
    }
    state.stepper.fill(0);

    // Validation raises the zoom divisors to "2" and the reductions to "1".
    out.run.append(CheckConfig(state, lng, connected));
    return out;
}

ConfigState startupState(const TRecordLng& lng) {
    ConfigState state;
    // At start the language load carries the configuration through the image
    // once; a list with no entry comes back at its first entry.
    for (const FieldDef& field : configFields()) {
        if (field.kind != FieldKind::List)
            continue;
        int* value = std::get<int*>(field.get(state));
        if (*value < 0)
            *value = 0;
    }
    btnClrConfigClick(state, lng, false);
    osi_Change(state, lng, false);
    CheckConfig(state, lng, false);
    return state;
}

} // namespace volmar
