#include "volmar/core/ConfigFields.h"

#include "volmar/core/ValueLists.h"

#include <string>
#include <utility>

namespace volmar {

namespace {

using IntAt = std::function<int&(ConfigState&)>;
using TextAt = std::function<std::string&(ConfigState&)>;
using BoolAt = std::function<bool&(ConfigState&)>;

std::string num2(int n) {
    return n < 10 ? "0" + std::to_string(n) : std::to_string(n);
}

int listSize(ValueListId id) {
    switch (id) {
    case ValueListId::Port:
        return kPortEntries;
    case ValueListId::Button:
        return kButtonEntries;
    case ValueListId::ShiftKey:
        return kShiftKeyEntries;
    case ValueListId::Source:
    case ValueListId::Channel:
    case ValueListId::Assignment:
    case ValueListId::AxisNumber:
        return 9;
    case ValueListId::Precision:
    case ValueListId::Acal:
    case ValueListId::Poll:
        return 5;
    case ValueListId::Filter:
        return 14;
    case ValueListId::SpecFunc:
        return 7;
    case ValueListId::ThrottleMode:
    case ValueListId::ChipType:
    case ValueListId::ShiftType:
    case ValueListId::TimerMode:
    case ValueListId::HubType:
        return 3;
    case ValueListId::Timer:
        return 11;
    case ValueListId::Hardware:
        return 4;
    case ValueListId::None:
        break;
    }
    return 0;
}

FieldDef list(std::string name, ValueListId id, IntAt at) {
    FieldDef f{
        std::move(name), FieldKind::List, listSize(id), 0, 0, [at](ConfigState& s) -> FieldRef {
            return &at(s);
        }};
    f.list = id;
    return f;
}

FieldDef edit(std::string name, TextAt at) {
    return FieldDef{std::move(name),
                    FieldKind::Edit,
                    0,
                    0,
                    0,
                    [at](ConfigState& s) -> FieldRef { return &at(s); }};
}

FieldDef check(std::string name, BoolAt at) {
    return FieldDef{std::move(name),
                    FieldKind::Check,
                    0,
                    0,
                    0,
                    [at](ConfigState& s) -> FieldRef { return &at(s); }};
}

FieldDef spin(std::string name, int min, int max, IntAt at) {
    return FieldDef{std::move(name),
                    FieldKind::Spin,
                    0,
                    min,
                    max,
                    [at](ConfigState& s) -> FieldRef { return &at(s); }};
}

void addAxisRecord(std::vector<FieldDef>& t, int i) {
    const std::string p = "osi_" + std::to_string(i + 1) + "_";
    auto ax = [i](ConfigState& s) -> AxisFields& { return s.axes[static_cast<std::size_t>(i)]; };
    // Byte order of the axis record: byte 0 source and channel, 1 pin,
    // 2 filter/invert/acal, 3 assignment/offset, 4 precision, 5 step,
    // 6..8 increase, centre, decrease, 9 special function, 10..11 dead
    // zones low/high and centre/dynamic, 12..17 calibration.
    t.push_back(
        list(p + "src", ValueListId::Source, [ax](ConfigState& s) -> int& { return ax(s).src; }));
    t.push_back(list(p + "src_chnl", ValueListId::Channel,
                     [ax](ConfigState& s) -> int& { return ax(s).src_chnl; }));
    t.push_back(list(p + "src_port", ValueListId::Port,
                     [ax](ConfigState& s) -> int& { return ax(s).src_port; }));
    t.push_back(list(p + "filter", ValueListId::Filter,
                     [ax](ConfigState& s) -> int& { return ax(s).filter; }));
    t.push_back(check(p + "invert", [ax](ConfigState& s) -> bool& { return ax(s).invert; }));
    t.push_back(
        list(p + "acal", ValueListId::Acal, [ax](ConfigState& s) -> int& { return ax(s).acal; }));
    t.push_back(list(p + "name", ValueListId::Assignment,
                     [ax](ConfigState& s) -> int& { return ax(s).name; }));
    t.push_back(check(p + "offset", [ax](ConfigState& s) -> bool& { return ax(s).offset; }));
    t.push_back(list(p + "prcsn", ValueListId::Precision,
                     [ax](ConfigState& s) -> int& { return ax(s).prcsn; }));
    t.push_back(
        edit(p + "ms_step", [ax](ConfigState& s) -> std::string& { return ax(s).ms_step; }));
    t.push_back(list(p + "ms_btn_u", ValueListId::Button,
                     [ax](ConfigState& s) -> int& { return ax(s).ms_btn_u; }));
    t.push_back(list(p + "ms_btn", ValueListId::Button,
                     [ax](ConfigState& s) -> int& { return ax(s).ms_btn; }));
    t.push_back(list(p + "ms_btn_d", ValueListId::Button,
                     [ax](ConfigState& s) -> int& { return ax(s).ms_btn_d; }));
    t.push_back(list(p + "specfunc", ValueListId::SpecFunc,
                     [ax](ConfigState& s) -> int& { return ax(s).specfunc; }));
    t.push_back(spin(p + "dzl", 0, 15, [ax](ConfigState& s) -> int& { return ax(s).dzl; }));
    t.push_back(spin(p + "dzh", 0, 15, [ax](ConfigState& s) -> int& { return ax(s).dzh; }));
    t.push_back(spin(p + "dzc", 0, 15, [ax](ConfigState& s) -> int& { return ax(s).dzc; }));
    t.push_back(spin(p + "dzd", 0, 15, [ax](ConfigState& s) -> int& { return ax(s).dzd; }));
    t.push_back(
        edit(p + "acal_min", [ax](ConfigState& s) -> std::string& { return ax(s).acal_min; }));
    t.push_back(
        edit(p + "acal_cen", [ax](ConfigState& s) -> std::string& { return ax(s).acal_cen; }));
    t.push_back(
        edit(p + "acal_max", [ax](ConfigState& s) -> std::string& { return ax(s).acal_max; }));
}

void addCurveRecord(std::vector<FieldDef>& t, int i) {
    const std::string p = "osi_" + std::to_string(i + 1) + "_";
    auto cv = [i](ConfigState& s) -> CurveFields& { return s.curves[static_cast<std::size_t>(i)]; };
    for (int k = 0; k < kCurvePoints; ++k) {
        t.push_back(spin(p + "curve_" + num2(k + 1), 0, 200, [cv, k](ConfigState& s) -> int& {
            return cv(s).points[static_cast<std::size_t>(k)];
        }));
    }
    t.push_back(list(p + "zm_knp", ValueListId::Button,
                     [cv](ConfigState& s) -> int& { return cv(s).zm_knp; }));
    t.push_back(edit(p + "zm_del", [cv](ConfigState& s) -> std::string& { return cv(s).zm_del; }));
    t.push_back(edit(p + "zm_spd", [cv](ConfigState& s) -> std::string& { return cv(s).zm_spd; }));
}

std::vector<FieldDef> buildImageFields() {
    std::vector<FieldDef> t;
    for (int i = 0; i < kAxisCount; ++i)
        addAxisRecord(t, i);
    for (int i = 0; i < kCurveCount; ++i)
        addCurveRecord(t, i);
    for (int i = 0; i < kCurveCount; ++i) {
        t.push_back(
            check("osi_" + std::to_string(i + 1) + "_curve_s", [i](ConfigState& s) -> bool& {
                return s.curves[static_cast<std::size_t>(i)].symmetrical;
            }));
    }
    t.push_back(list("sf_thr_bnom", ValueListId::Button,
                     [](ConfigState& s) -> int& { return s.sf_thr_bnom; }));
    t.push_back(list("sf_thr_bmod", ValueListId::ThrottleMode,
                     [](ConfigState& s) -> int& { return s.sf_thr_bmod; }));
    t.push_back(list("sf_thr_asrc", ValueListId::AxisNumber,
                     [](ConfigState& s) -> int& { return s.sf_thr_asrc; }));
    t.push_back(list("sf_thr_adsc", ValueListId::AxisNumber,
                     [](ConfigState& s) -> int& { return s.sf_thr_adsc; }));
    t.push_back(list("osi_vlsens_clk", ValueListId::Port,
                     [](ConfigState& s) -> int& { return s.osi_vlsens_clk; }));

    for (std::size_t i = 0; i < kMatrixPins; ++i) {
        t.push_back(list("hw_br_" + std::to_string(i + 1), ValueListId::Port,
                         [i](ConfigState& s) -> int& { return s.hw_br[i]; }));
    }
    for (std::size_t i = 0; i < kMatrixPins; ++i) {
        t.push_back(list("hw_bc_" + std::to_string(i + 1), ValueListId::Port,
                         [i](ConfigState& s) -> int& { return s.hw_bc[i]; }));
    }
    // (The button map, bytes 242..409, travels as its own per-row arrays.)
    for (std::size_t i = 0; i < kShiftKeys; ++i) {
        const std::string n = std::to_string(i + 1);
        t.push_back(list("btn_shift_" + n, ValueListId::ShiftKey,
                         [i](ConfigState& s) -> int& { return s.btn_shift[i]; }));
        t.push_back(list("typ_shift_" + n, ValueListId::ShiftType,
                         [i](ConfigState& s) -> int& { return s.typ_shift[i]; }));
    }
    for (std::size_t i = 0; i < kTimers; ++i) {
        const std::string n = std::to_string(i + 1);
        t.push_back(list("btn_timer_" + n, ValueListId::Timer,
                         [i](ConfigState& s) -> int& { return s.btn_timer[i]; }));
        t.push_back(list("btn_timer_" + n + "_mode", ValueListId::TimerMode,
                         [i](ConfigState& s) -> int& { return s.btn_timer_mode[i]; }));
    }
    for (std::size_t i = 0; i < kEncoders; ++i) {
        const std::string p = "enc_" + num2(static_cast<int>(i) + 1) + "_";
        t.push_back(
            list(p + "l", ValueListId::Button, [i](ConfigState& s) -> int& { return s.enc[i].l; }));
        t.push_back(
            list(p + "r", ValueListId::Button, [i](ConfigState& s) -> int& { return s.enc[i].r; }));
    }
    for (std::size_t i = 0; i < kShiftChains; ++i) {
        const std::string p = "sr_" + num2(static_cast<int>(i) + 1) + "_";
        t.push_back(list(p + "prt", ValueListId::Port,
                         [i](ConfigState& s) -> int& { return s.sr[i].prt; }));
        t.push_back(list(p + "miso", ValueListId::Port,
                         [i](ConfigState& s) -> int& { return s.sr[i].miso; }));
        t.push_back(spin(p + "kol", 0, 12, [i](ConfigState& s) -> int& { return s.sr[i].kol; }));
        t.push_back(list(p + "len", ValueListId::ChipType,
                         [i](ConfigState& s) -> int& { return s.sr[i].len; }));
    }
    for (std::size_t i = 0; i < kAxisButtonRows; ++i) {
        const std::string p = "ab_" + num2(static_cast<int>(i) + 1) + "_";
        t.push_back(
            list(p + "b", ValueListId::Button, [i](ConfigState& s) -> int& { return s.ab[i].b; }));
        t.push_back(list(p + "a", ValueListId::AxisNumber,
                         [i](ConfigState& s) -> int& { return s.ab[i].a; }));
        t.push_back(edit(p + "l", [i](ConfigState& s) -> std::string& { return s.ab[i].l; }));
        t.push_back(edit(p + "h", [i](ConfigState& s) -> std::string& { return s.ab[i].h; }));
    }
    t.push_back(
        list("dev_poll", ValueListId::Poll, [](ConfigState& s) -> int& { return s.dev_poll; }));
    t.push_back(check("led_ws2811", [](ConfigState& s) -> bool& { return s.led_ws2811; }));
    t.push_back(check("led_max7219", [](ConfigState& s) -> bool& { return s.led_max7219; }));
    t.push_back(FieldDef{"led_color_init", FieldKind::Colour, 0, 0, 0xFFFFFF,
                         [](ConfigState& s) -> FieldRef { return &s.led_color_init; }});
    t.push_back(spin("led_digbri", 1, 16, [](ConfigState& s) -> int& { return s.led_digbri; }));
    t.push_back(
        list("slv_port", ValueListId::Port, [](ConfigState& s) -> int& { return s.slv_port; }));
    t.push_back(edit("slv_cnfg", [](ConfigState& s) -> std::string& { return s.slv_cnfg; }));
    const char* stepperNames[kStepperPins] = {"stepper_pa", "stepper_pb", "stepper_pc",
                                              "stepper_pd"};
    for (std::size_t i = 0; i < kStepperPins; ++i) {
        t.push_back(list(stepperNames[i], ValueListId::Port,
                         [i](ConfigState& s) -> int& { return s.stepper[i]; }));
    }
    t.push_back(edit("dev_vid", [](ConfigState& s) -> std::string& { return s.dev_vid; }));
    t.push_back(edit("dev_pid", [](ConfigState& s) -> std::string& { return s.dev_pid; }));
    t.push_back(edit("dev_name", [](ConfigState& s) -> std::string& { return s.dev_name; }));
    return t;
}

std::vector<FieldDef> buildEditorOnlyFields() {
    std::vector<FieldDef> t;
    for (std::size_t i = 0; i < kHubTypes; ++i) {
        t.push_back(list("slv_type" + std::to_string(i + 1), ValueListId::HubType,
                         [i](ConfigState& s) -> int& { return s.slv_type[i]; }));
    }
    t.push_back(list("joy_hardware", ValueListId::Hardware,
                     [](ConfigState& s) -> int& { return s.joy_hardware; }));
    for (FieldDef& f : t)
        f.inImage = false;
    return t;
}

const FieldDef* findIn(const std::vector<FieldDef>& table, std::string_view name) {
    for (const FieldDef& f : table) {
        if (f.name == name)
            return &f;
    }
    return nullptr;
}

} // namespace

const std::vector<FieldDef>& configFields() {
    static const std::vector<FieldDef> table = buildImageFields();
    return table;
}

const std::vector<FieldDef>& editorOnlyFields() {
    static const std::vector<FieldDef> table = buildEditorOnlyFields();
    return table;
}

const FieldDef* findField(std::string_view name) {
    return findIn(configFields(), name);
}

const FieldDef* findAnyField(std::string_view name) {
    if (const FieldDef* f = findField(name))
        return f;
    return findIn(editorOnlyFields(), name);
}

} // namespace volmar
