#pragma once

// The configuration as the editor's controls hold it. Every field keeps the
// form of its control: a list its selected index (-1 = no entry selected), an
// edit its text, a check box a bool, a spin control its integer. Names follow
// the control names (osi_3_src -> axes[2].src); the field table in
// ConfigFields.h maps each control name to its member.

#include <array>
#include <cstdint>
#include <string>

namespace volmar {

inline constexpr int kAxisCount = 8;
inline constexpr int kCurveCount = 6; // curves, zoom rows and special functions 1..6
inline constexpr int kCurvePoints = 9;
inline constexpr int kAxisButtonRows = 4; // ab_01 .. ab_04
inline constexpr int kMatrixPins = 10;    // hw_br_N, hw_bc_N
inline constexpr int kShiftChains = 2;    // sr_01, sr_02
inline constexpr int kEncoders = 6;       // enc_01 .. enc_06
inline constexpr int kShiftKeys = 4;      // btn_shift_N
inline constexpr int kTimers = 3;         // btn_timer_N
inline constexpr int kHubTypes = 4;       // slv_type1 .. 4
inline constexpr int kStepperPins = 4;    // stepper_pa .. pd
inline constexpr int kGridRows = 133;     // button grid rows 0..132; row 0 is the heading
inline constexpr int kHatRows = 4;        // rows 1..4: hat up, right, down, left
inline constexpr int kNoEntry = -1;       // a list with no entry selected

struct AxisFields {
    int src = 0;         // osi_N_src: source code 0..8
    int src_port = -1;   // osi_N_src_port: port list
    int src_chnl = 0;    // osi_N_src_chnl: "--", "1".."8"
    int name = 0;        // osi_N_name: assignment "--", X .. Dial
    int prcsn = -1;      // osi_N_prcsn: "10".."14" bits
    bool invert = false; // osi_N_invert
    int filter = -1;     // osi_N_filter: "---", "x2".."x14"
    int acal = -1;       // osi_N_acal: auto-calibration 0..4
    std::string acal_min = "0";
    std::string acal_cen = "0";
    std::string acal_max = "0";
    bool offset = false; // osi_N_offset: magnet offset
    int ms_btn_d = 0;    // decrease button (button list)
    int ms_btn = 0;      // return-to-centre button
    int ms_btn_u = 0;    // increase button
    std::string ms_step = "100";
    int specfunc = -1;                      // "---", "1".."6"
    int dzl = 0, dzc = 0, dzh = 0, dzd = 0; // dead zones, spins 0..15
    bool operator==(const AxisFields&) const = default;
};

struct CurveFields {
    std::array<int, kCurvePoints> points{100, 100, 100, 100, 100, 100, 100, 100, 100};
    bool symmetrical = false; // osi_N_curve_s
    int zm_knp = -1;          // zoom button (button list)
    std::string zm_del = "0"; // zoom divisor
    std::string zm_spd = "0"; // zoom reduction
    bool operator==(const CurveFields&) const = default;
};

struct AxisButtonRow {
    int b = -1;          // ab_R_b: button list
    int a = -1;          // ab_R_a: "--", "1".."8"
    std::string l = "0"; // ab_R_l: from (%)
    std::string h = "0"; // ab_R_h: to (%)
    bool operator==(const AxisButtonRow&) const = default;
};

struct ShiftChain {
    int len = -1;  // sr_R_len: "--", "4021", "74HC165"
    int prt = -1;  // sr_R_prt: select pin (port list)
    int miso = -1; // sr_R_miso: data pin (port list)
    int kol = 0;   // sr_R_kol: chips 0..12
    bool operator==(const ShiftChain&) const = default;
};

struct Encoder {
    int l = 0; // enc_R_l: button list
    int r = 0; // enc_R_r
    bool operator==(const Encoder&) const = default;
};

// The button grid's four values per row (rows 1..4 hat, 5..132 buttons 1..128).
struct ButtonMap {
    std::array<int, kGridRows> hw{};    // 0 = none, 1..128 hardware button
    std::array<int, kGridRows> mode{};  // mode list index 0..6
    std::array<int, kGridRows> shift{}; // 0 = none, 1..4
    std::array<int, kGridRows> timer{}; // 0 = none, 1..3
    bool operator==(const ButtonMap&) const = default;
};

struct ConfigState {
    std::array<AxisFields, kAxisCount> axes{};
    std::array<CurveFields, kCurveCount> curves{};
    std::array<AxisButtonRow, kAxisButtonRows> ab{};
    int sf_thr_bnom = -1;
    int sf_thr_bmod = -1;
    int sf_thr_asrc = -1;
    int sf_thr_adsc = -1;
    int osi_vlsens_clk = -1;
    std::array<int, kMatrixPins> hw_br{};
    std::array<int, kMatrixPins> hw_bc{};
    std::array<ShiftChain, kShiftChains> sr{};
    std::array<Encoder, kEncoders> enc{};
    std::array<int, kShiftKeys> btn_shift{};
    std::array<int, kShiftKeys> typ_shift{-1, -1, -1, -1};
    std::array<int, kTimers> btn_timer{-1, -1, -1};
    std::array<int, kTimers> btn_timer_mode{-1, -1, -1};
    ButtonMap buttons{};
    bool led_ws2811 = false;
    bool led_max7219 = false;
    std::uint32_t led_color_init = 0; // RGB as red + 256*green + 65536*blue
    int led_digbri = 8;
    std::array<int, kStepperPins> stepper{-1, -1, -1, -1}; // stepper_pa .. stepper_pd
    int slv_port = -1;
    std::array<int, kHubTypes> slv_type{}; // entry 0 at start
    std::string slv_cnfg = "0";
    std::string dev_name = "Volmar";
    std::string dev_vid = "1111";
    std::string dev_pid = "1111";
    int dev_poll = -1; // "-", "1", "2", "4", "8"
    int joy_hardware = 0;

    // Results of the last validation, shown in the report line; the write
    // operations refuse to send while ConfigHasErrors is set.
    std::string chk_report_info;
    bool ConfigHasErrors = false;

    bool operator==(const ConfigState&) const = default;
};

} // namespace volmar
