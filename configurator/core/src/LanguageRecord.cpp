#include "volmar/core/LanguageRecord.h"

#include <algorithm>

namespace volmar {

namespace {

// Record order; the English column is the built-in English table.
const std::array<LanguageFieldDef, kLanguageFieldCount> kFields{{
    {"form_header", &TRecordLng::form_header, 1, "Configurator"},
    {"grp_main", &TRecordLng::grp_main, 2, "Device list and configuration"},
    {"btnRead_MK", &TRecordLng::btnRead_MK, 3, "Load sets from device"},
    {"btnWrite_MK", &TRecordLng::btnWrite_MK, 4, "Save sets to device"},
    {"btnRead_PC", &TRecordLng::btnRead_PC, 5, "Load sets from file"},
    {"btnWrite_PC", &TRecordLng::btnWrite_PC, 6, "Save sets to file"},
    {"btn_clr_dev_list", &TRecordLng::btn_clr_dev_list, 7, "Update USB list"},
    {"plug_msg", &TRecordLng::plug_msg, 8, "Plug device and click at list"},
    {"btnClrConfig", &TRecordLng::btnClrConfig, 9, "Clear sets"},
    {"grp_joydata", &TRecordLng::grp_joydata, 10, "Device hardware data"},
    {"lbl_dev_shm", &TRecordLng::lbl_dev_shm, 11, "Scheme:"},
    {"lbl_dev_crst", &TRecordLng::lbl_dev_crst, 12, "Crystal(Mhz):"},
    {"lbl_dev_uptime", &TRecordLng::lbl_dev_uptime, 13, "Uptime:"},
    {"lbl_dev_axe_src", &TRecordLng::lbl_dev_axe_src, 14, "Source"},
    {"lbl_dev_axe_prt", &TRecordLng::lbl_dev_axe_prt, 15, "MCU Port"},
    {"lbl_dev_axe_cnl", &TRecordLng::lbl_dev_axe_cnl, 16, "Channel"},
    {"lbl_dev_btn", &TRecordLng::lbl_dev_btn, 17, "Button matrix"},
    {"grp_usbparam", &TRecordLng::grp_usbparam, 18, "Device USB parameters"},
    {"lbl_usb_name", &TRecordLng::lbl_usb_name, 19, "USB Name"},
    {"grp_knp", &TRecordLng::grp_knp, 20, "Joysticks buttons"},
    {"lbl_joybtn_1", &TRecordLng::lbl_joybtn_1, 21, "Buttons/HATs:"},
    {"lbl_joybtn_hat", &TRecordLng::lbl_joybtn_hat, 22, "Hat"},
    {"lbl_joybtn_up", &TRecordLng::lbl_joybtn_up, 23, "Up"},
    {"lbl_joybtn_dw", &TRecordLng::lbl_joybtn_dw, 24, "Down"},
    {"lbl_joybtn_lf", &TRecordLng::lbl_joybtn_lf, 25, "Left"},
    {"lbl_joybtn_rt", &TRecordLng::lbl_joybtn_rt, 26, "Right"},
    {"grp_osi", &TRecordLng::grp_osi, 27, "Joysticks axes"},
    {"osi_log", &TRecordLng::osi_log, 28, "Axis"},
    {"osi_src", &TRecordLng::osi_src, 29, "Source"},
    {"osi_asgn", &TRecordLng::osi_asgn, 30, "Assignment"},
    {"osi_fltr", &TRecordLng::osi_fltr, 31, "Filter"},
    {"lbl_osi_invert", &TRecordLng::lbl_osi_invert, 32, "Invertion"},
    {"lbl_osi_offset", &TRecordLng::lbl_osi_offset, 33, "Magnet offset"},
    {"osi_zoom", &TRecordLng::osi_zoom, 34, "Zoom"},
    {"osi_devis", &TRecordLng::osi_devis, 35, "Divisor"},
    {"osi_redct", &TRecordLng::osi_redct, 36, "Reduction"},
    {"osi_relat", &TRecordLng::osi_relat, 37, "Relative"},
    {"osi_relat_smin", &TRecordLng::osi_relat_smin, 38, "Sensor min./center/max."},
    {"osi_btn_decr", &TRecordLng::osi_btn_decr, 39, "Decrease"},
    {"osi_btn_rcnt", &TRecordLng::osi_btn_rcnt, 40, "Return to center"},
    {"osi_btn_incr", &TRecordLng::osi_btn_incr, 41, "Increase"},
    {"lbl_osi_relat", &TRecordLng::lbl_osi_relat, 42, "Step of change"},
    {"lbl_osi_range", &TRecordLng::lbl_osi_range, 43, "Range"},
    {"axis_src_sens", &TRecordLng::axis_src_sens, 44, "IntSensor"},
    {"axis_src_virt", &TRecordLng::axis_src_virt, 45, "Virtual"},
    {"usb_connect", &TRecordLng::usb_connect, 46, "Connected to"},
    {"cfg_error_1", &TRecordLng::cfg_error_1, 47, "Error. Secondary using source "},
    {"cfg_error_2", &TRecordLng::cfg_error_2, 48, "at axis #"},
    {"cfg_error_3", &TRecordLng::cfg_error_3, 49, "Error. No assignment at axis #"},
    {"cfg_error_4", &TRecordLng::cfg_error_4, 50, "Error. Secondary using assignment "},
    {"cfg_error_5", &TRecordLng::cfg_error_5, 51,
     "Error. Match buttons 'Stop' and 'Zoom' at axis #"},
    {"cfg_error_6", &TRecordLng::cfg_error_6, 52, "Error. No button 'up' hat"},
    {"cfg_error_7", &TRecordLng::cfg_error_7, 53, "Error. No button 'down' hat"},
    {"cfg_error_8", &TRecordLng::cfg_error_8, 54, "Error. No button 'left' hat"},
    {"cfg_error_9", &TRecordLng::cfg_error_9, 55, "Error. No button 'right' hat"},
    {"cfg_error_a", &TRecordLng::cfg_error_a, 56, "Error. Secondary using button"},
    {"cfg_error_b", &TRecordLng::cfg_error_b, 57, "at joystick button 'up' hat"},
    {"cfg_error_c", &TRecordLng::cfg_error_c, 58, "at joystick button 'down' hat"},
    {"cfg_error_d", &TRecordLng::cfg_error_d, 59, "at joystick button 'left' hat"},
    {"cfg_error_e", &TRecordLng::cfg_error_e, 60, "at joystick button 'right' hat"},
    {"cfg_error_f", &TRecordLng::cfg_error_f, 61, "at joystick button "},
    {"cfg_error_g", &TRecordLng::cfg_error_g, 62,
     "Error. No assignment for button 'Return to center' at axis #"},
    {"cfg_error_h", &TRecordLng::cfg_error_h, 63,
     "Error. No assignment for button 'Decrease' at axis #"},
    {"cfg_error_i", &TRecordLng::cfg_error_i, 64,
     "Error. No assignment for button 'Increase' at axis #"},
    {"cfg_error_j", &TRecordLng::cfg_error_j, 65, "Error. No value 'Sensor center' at axis #"},
    {"cfg_error_k", &TRecordLng::cfg_error_k, 66,
     "Error. Value 'Sensor center' cant be less than 'Sensor min.' at axis #"},
    {"cfg_error_l", &TRecordLng::cfg_error_l, 67,
     "Error. Value 'Sensor max.' cant be less than 'Sensor center' at axis #"},
    {"cfg_error_m", &TRecordLng::cfg_error_m, 68, "Ok. Used axis "},
    {"cfg_error_n", &TRecordLng::cfg_error_n, 69, ", buttons"},
    {"cfg_error_o", &TRecordLng::cfg_error_o, 0, ""},
    {"lptime", &TRecordLng::lptime, 70, "Loop time(ms)"},
    {"usb_pps", &TRecordLng::usb_pps, 71, "USB (p/s)"},
    {"a_calibr", &TRecordLng::a_calibr, 72, "0ff"},
    {"dev_mlmt", &TRecordLng::dev_mlmt, 73, "Mem.limit(kB)"},
    {"dev_mlmt_msg", &TRecordLng::dev_mlmt_msg, 74,
     "(Limited 6 Axis, 32 Buttons and 2 HATs. No encoders/External axis.)"},
    {"btn_prs", &TRecordLng::btn_prs, 75, "p"},
    {"btn_rls", &TRecordLng::btn_rls, 76, "r"},
    {"btn_swt", &TRecordLng::btn_swt, 77, "s"},
    {"usb_dev_joy", &TRecordLng::usb_dev_joy, 78, "Joystick"},
    {"usb_joy_two", &TRecordLng::usb_joy_two, 79, "Two joysticks "},
    {"reset_dev", &TRecordLng::reset_dev, 80, "Restart device"},
    {"axis_src_extsens", &TRecordLng::axis_src_extsens, 81, "ExtSensor"},
    {"lbl_dev_ext_axe", &TRecordLng::lbl_dev_ext_axe, 82, "Ext.Sensors:"},
    {"lbl_dev_enc", &TRecordLng::lbl_dev_enc, 83, "Encoders:"},
    {"btn_about", &TRecordLng::btn_about, 84, "About"},
    {"lbl_osi_acal", &TRecordLng::lbl_osi_acal, 85, "Auto-calibration"},
    {"a_calibr_on_awc", &TRecordLng::a_calibr_on_awc, 86, "auto.w center"},
    {"a_calibr_on_awoc", &TRecordLng::a_calibr_on_awoc, 87, "auto.w/o center"},
    {"a_calibr_on_swc", &TRecordLng::a_calibr_on_swc, 88, "saved.w center"},
    {"a_calibr_on_swoc", &TRecordLng::a_calibr_on_swoc, 89, "saved.w/o center"},
    {"reset_bl", &TRecordLng::reset_bl, 90, "Start bootloader"},
    {"lbl_firmware", &TRecordLng::lbl_firmware, 91, "Firmware file"},
    {"lbl_dev_mcu", &TRecordLng::lbl_dev_mcu, 92, "Chip"},
    {"lblBootloader", &TRecordLng::lblBootloader, 93, "Bootloader type"},
    {"lblPort", &TRecordLng::lblPort, 94, "Port(arduino)"},
    {"btnStartFirmware", &TRecordLng::btnStartFirmware, 95, "Upload firmware"},
    {"btnclearmem", &TRecordLng::btnclearmem, 96, "Clear EEPROM"},
    {"btn_donate", &TRecordLng::btn_donate, 97, "Donate. Help the project!"},
    {"btn_comportlist", &TRecordLng::btn_comportlist, 98, "COM ports list"},
    {"btn_acomportlist", &TRecordLng::btn_acomportlist, 99,
     "Auto-start upload firmware when COM ports is active"},
    {"btn_devmngmt", &TRecordLng::btn_devmngmt, 100, "Device management"},
    {"lbl_dev_btn_r", &TRecordLng::lbl_dev_btn_r, 101, "rows"},
    {"lbl_dev_btn_c", &TRecordLng::lbl_dev_btn_c, 102, "columns"},
    {"lbl_value_axis", &TRecordLng::lbl_value_axis, 103, "value"},
    {"lbl_tab_frm", &TRecordLng::lbl_tab_frm, 104, "Firmware"},
    {"lbl_osi_ddz", &TRecordLng::lbl_osi_ddz, 105, "DZ dynamical"},
    {"lbl_clbrgmr", &TRecordLng::lbl_clbrgmr, 106, "Calibrate GMR"},
    {"lbl_joytester", &TRecordLng::lbl_joytester, 107, "Joy-tester"},
    {"lbl_joytest_raw", &TRecordLng::lbl_joytest_raw, 108, "raw"},
    {"lbl_joytest_min", &TRecordLng::lbl_joytest_min, 109, "min"},
    {"lbl_joytest_max", &TRecordLng::lbl_joytest_max, 110, "max"},
    {"lbl_joytest_stp", &TRecordLng::lbl_joytest_stp, 111, "step"},
    {"lbl_joytest_fps", &TRecordLng::lbl_joytest_fps, 112, "fps"},
    {"lbl_joytest_clear", &TRecordLng::lbl_joytest_clear, 113, "Reset stat."},
    {"lbl_dev_btn_sr", &TRecordLng::lbl_dev_btn_sr, 114, "Shift register"},
    {"lbl_rgbled_port", &TRecordLng::lbl_rgbled_port, 115, "LED-RGB WS2811(port B5)"},
    {"lbl_digled_port", &TRecordLng::lbl_digled_port, 116, "LED-8Digits MAX7219(port B4)"},
    {"lbl_led_defcolor", &TRecordLng::lbl_led_defcolor, 117, "Default color"},
    {"lbl_led_digbri", &TRecordLng::lbl_led_digbri, 118, "Brightness (MAX7219)"},
    {"lbl_led_btnget", &TRecordLng::lbl_led_btnget, 119, "Get"},
    {"lbl_led_btnset", &TRecordLng::lbl_led_btnset, 120, "set"},
    {"lbl_dev_encpulse", &TRecordLng::lbl_dev_encpulse, 121, "Pulse length (ms)"},
    {"lbl_osi_specfunc", &TRecordLng::lbl_osi_specfunc, 122, "Spec.Functions"},
    {"lbl_CurveVisualAxis", &TRecordLng::lbl_CurveVisualAxis, 123, "Cursor (axis)"},
    {"lbl_osi_curve_s", &TRecordLng::lbl_osi_curve_s, 124, "symmetrical"},
    {"lbl_curves", &TRecordLng::lbl_curves, 125, "Curves:"},
    {"lbl_osi_ldz", &TRecordLng::lbl_osi_ldz, 126, "DZ low"},
    {"lbl_osi_cdz", &TRecordLng::lbl_osi_cdz, 127, "DZ center"},
    {"lbl_osi_hdz", &TRecordLng::lbl_osi_hdz, 128, "DZ high"},
    {"lbl_sinmin", &TRecordLng::lbl_sinmin, 0, ""},
    {"lbl_sinmax", &TRecordLng::lbl_sinmax, 0, ""},
    {"lbl_cosmin", &TRecordLng::lbl_cosmin, 0, ""},
    {"lbl_cosmax", &TRecordLng::lbl_cosmax, 0, ""},
    {"lbl_prcsn", &TRecordLng::lbl_prcsn, 129, "Precision(bit)"},
    {"lbl_axisbutton", &TRecordLng::lbl_axisbutton, 130, "Axis to button"},
    {"lbl_axisbutton_b", &TRecordLng::lbl_axisbutton_b, 131, "button"},
    {"lbl_axisbutton_a", &TRecordLng::lbl_axisbutton_a, 132, "axis"},
    {"lbl_axisbutton_l", &TRecordLng::lbl_axisbutton_l, 133, "from (%)"},
    {"lbl_axisbutton_h", &TRecordLng::lbl_axisbutton_h, 134, "to (%)"},
    {"lbl_btnpar_sft", &TRecordLng::lbl_btnpar_sft, 135, "Shift"},
    {"lbl_btnpar_tmr", &TRecordLng::lbl_btnpar_tmr, 136, "Timer"},
    {"lbl_btnpar_hwb", &TRecordLng::lbl_btnpar_hwb, 137, "H/W.Button"},
    {"lbl_btnpar_jyb", &TRecordLng::lbl_btnpar_jyb, 138, "Button"},
    {"lbl_mode", &TRecordLng::lbl_mode, 139, "Mode"},
    {"lbl_btnnrm", &TRecordLng::lbl_btnnrm, 140, "Button(norm)"},
    {"lbl_btninv", &TRecordLng::lbl_btninv, 141, "Button(invert)"},
    {"lbl_switch", &TRecordLng::lbl_switch, 142, "Switch"},
    {"lbl_on", &TRecordLng::lbl_on, 143, "ON"},
    {"lbl_off", &TRecordLng::lbl_off, 144, "OFF"},
    {"lbl_switch_soft", &TRecordLng::lbl_switch_soft, 145, "Soft Switch"},
    {"lbl_encoder", &TRecordLng::lbl_encoder, 146, "Encoder"},
    {"lbl_BTN_ClearButtons", &TRecordLng::lbl_BTN_ClearButtons, 147, "Clear buttons sets"},
    {"lbl_ys", &TRecordLng::lbl_ys, 148, "yes"},
    {"lbl_no", &TRecordLng::lbl_no, 149, "no"},
    {"lbl_raw", &TRecordLng::lbl_raw, 150, "row"},
    {"lbl_prc", &TRecordLng::lbl_prc, 151, "processed"},
    {"lbl_clbr_min", &TRecordLng::lbl_clbr_min, 152, "calibration min."},
    {"lbl_clbr_cnt", &TRecordLng::lbl_clbr_cnt, 153, "calibration center."},
    {"lbl_clbr_max", &TRecordLng::lbl_clbr_max, 154, "calibration max."},
    {"lbl_link_error", &TRecordLng::lbl_link_error, 155, "link errors"},
    {"lbl_delay", &TRecordLng::lbl_delay, 156, "delay"},
    {"lbl_delay_ms", &TRecordLng::lbl_delay_ms, 157, "ms"},
    {"lbl_acal_helper", &TRecordLng::lbl_acal_helper, 158, "Calibrate helper"},
    {"lbl_acal_axis", &TRecordLng::lbl_acal_axis, 159, "axis name"},
    {"lbl_acal_axis_crn", &TRecordLng::lbl_acal_axis_crn, 160, "current"},
    {"lbl_acal_axis_min", &TRecordLng::lbl_acal_axis_min, 161, "minimum"},
    {"lbl_acal_axis_cen", &TRecordLng::lbl_acal_axis_cen, 162, "center"},
    {"lbl_acal_axis_max", &TRecordLng::lbl_acal_axis_max, 163, "maximum"},
    {"lbl_acal_bclr", &TRecordLng::lbl_acal_bclr, 164, "Clear data"},
    {"lbl_acal_bcen", &TRecordLng::lbl_acal_bcen, 165, "Set center"},
    {"lbl_acal_bset", &TRecordLng::lbl_acal_bset, 166, "Save calibration"},
    {"lbl_miss_version", &TRecordLng::lbl_miss_version, 167,
     "Configurator version does not meet the firmware version."},
    {"lbl_slv_port", &TRecordLng::lbl_slv_port, 168, "Port(SPI-CS)"},
    {"lbl_slv_cnfg", &TRecordLng::lbl_slv_cnfg, 169, "Value"},
    {"lbl_slv_cnfget", &TRecordLng::lbl_slv_cnfget, 170, "Get params"},
    {"lbl_slv_cnfset", &TRecordLng::lbl_slv_cnfset, 171, "Set params"},
    {"lbl_sf_thr", &TRecordLng::lbl_sf_thr, 172, "Throttle double axis"},
    {"lbl_sf_thr_btnn", &TRecordLng::lbl_sf_thr_btnn, 173, "Button"},
    {"lbl_sf_thr_btnm", &TRecordLng::lbl_sf_thr_btnm, 174, "Button mode"},
    {"lbl_sf_thr_asrc", &TRecordLng::lbl_sf_thr_asrc, 175, "Axis source"},
    {"lbl_sf_thr_adst", &TRecordLng::lbl_sf_thr_adst, 176, "Axis destination"},
    {"lbl_knpautoset", &TRecordLng::lbl_knpautoset, 177, "Auto-bind active button"},
    {"lbl_encsetuperror", &TRecordLng::lbl_encsetuperror, 178, "Encoders setup error"},
}};

TRecordLng buildEnglish() {
    TRecordLng record;
    for (const LanguageFieldDef& field : kFields)
        record.*field.member = std::string(field.english);
    return record;
}

} // namespace

const std::array<LanguageFieldDef, kLanguageFieldCount>& languageFields() {
    return kFields;
}

const LanguageFieldDef* findLanguageField(std::string_view name) {
    auto it = std::find_if(kFields.begin(), kFields.end(),
                           [name](const LanguageFieldDef& f) { return f.name == name; });
    return it == kFields.end() ? nullptr : &*it;
}

const TRecordLng& englishLanguage() {
    static const TRecordLng record = buildEnglish();
    return record;
}

Result<TRecordLng> parseLanguageTable(std::string_view text) {
    // Split on CR LF first; a lone CR or LF inside a line means the table was
    // stored with other line ends, which would silently shift every text.
    std::array<std::string_view, kLanguageTableLines> lines{};
    int count = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find("\r\n", pos);
        const bool terminated = end != std::string_view::npos;
        if (!terminated)
            end = text.size();
        const std::string_view line = text.substr(pos, end - pos);
        ++count;
        if (line.find_first_of("\r\n") != std::string_view::npos) {
            return Error{0,
                         "language table line " + std::to_string(count) + " is not ended by CR LF"};
        }
        if (count <= kLanguageTableLines)
            lines[count - 1] = line;
        pos = terminated ? end + 2 : end;
    }
    if (count != kLanguageTableLines) {
        return Error{0, "language table has " + std::to_string(count) + " lines, expected " +
                            std::to_string(kLanguageTableLines)};
    }
    if (text.starts_with("\xEF\xBB\xBF")) {
        return Error{0, "language table starts with a byte-order mark"};
    }
    TRecordLng record;
    for (const LanguageFieldDef& field : kFields) {
        if (field.line > 0)
            record.*field.member = std::string(lines[field.line - 1]);
    }
    return record;
}

std::string formatLanguageTable(const TRecordLng& record) {
    std::string text;
    for (const LanguageFieldDef& field : kFields) {
        if (field.line == 0)
            continue;
        text += record.*field.member;
        text += "\r\n";
    }
    return text;
}

} // namespace volmar
