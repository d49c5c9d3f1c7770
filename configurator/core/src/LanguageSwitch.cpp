#include "volmar/core/LanguageSwitch.h"

#include "volmar/core/LanguageTables.h"

#include <algorithm>
#include <array>

namespace volmar {

namespace {

using L = TRecordLng;

// A control and the field(s) its caption is made of: `first`, or `first`,
// `joiner`, `second` and `closing` for the composed ones.
struct CaptionDef {
    std::string_view control;
    std::string L::*first;
    std::string L::*second = nullptr;
    std::string_view joiner = " ";
    std::string_view closing = "";
};

// Window by window, in the order their controls appear.
const CaptionDef kCaptions[] = {
    // Header group.
    {"grp_main", &L::grp_main},
    {"btnRead_MK", &L::btnRead_MK},
    {"btnWrite_MK", &L::btnWrite_MK},
    {"btnRead_PC", &L::btnRead_PC},
    {"btnWrite_PC", &L::btnWrite_PC},
    {"btn_clr_dev_list", &L::btn_clr_dev_list},
    {"btnClrConfig", &L::btnClrConfig},
    {"btnRestart", &L::reset_dev},
    {"btn_about", &L::btn_about},
    {"lbl_usb_name", &L::lbl_usb_name},
    {"lbl_dev_shm", &L::lbl_dev_shm},
    {"lbl_dev_uptime", &L::lbl_dev_uptime},
    {"lbl_usb_pps", &L::usb_pps},
    // The pages' tabs ("LED-OUT" and "TLE5011-HUB" stay as they are).
    {"TabOSI", &L::grp_osi},
    {"TabOSI_SF", &L::grp_osi, &L::lbl_osi_specfunc, " (", ")"},
    {"TabKNP", &L::grp_knp},
    {"TabFMW", &L::lbl_tab_frm},
    // Axes page: the column headings, then the calibration helper's button.
    {"lbl_dev_int_axis1", &L::lbl_dev_axe_src},
    {"lbl_dev_int_axis2", &L::lbl_dev_axe_prt},
    {"lbl_dev_int_axis3", &L::lbl_dev_axe_cnl},
    {"osi_value", &L::lbl_value_axis, &L::lbl_raw},
    {"osi_value_pr", &L::lbl_value_axis, &L::lbl_prc},
    {"lbl_osi_name", &L::osi_asgn},
    {"lbl_osi_prcsn", &L::lbl_prcsn},
    {"lbl_osi_invert", &L::lbl_osi_invert},
    {"lbl_osi_filter", &L::osi_fltr},
    {"lbl_osi_acal", &L::lbl_osi_acal},
    {"lbl_osi_acal_min", &L::lbl_clbr_min},
    {"lbl_osi_acal_cnt", &L::lbl_clbr_cnt},
    {"lbl_osi_acal_max", &L::lbl_clbr_max},
    {"lbl_osi_offset", &L::lbl_osi_offset},
    {"osi_btn_decr", &L::osi_btn_decr},
    {"osi_btn_rcnt", &L::osi_btn_rcnt},
    {"osi_btn_incr", &L::osi_btn_incr},
    {"lbl_osi_ms_step", &L::lbl_osi_relat},
    {"lbl_osi_specfunc", &L::lbl_osi_specfunc},
    {"lbl_osi_ldz", &L::lbl_osi_ldz},
    {"lbl_osi_cdz", &L::lbl_osi_cdz},
    {"lbl_osi_hdz", &L::lbl_osi_hdz},
    {"lbl_osi_ddz", &L::lbl_osi_ddz},
    {"lbl_link_error", &L::lbl_link_error},
    {"btn_acal", &L::lbl_acal_helper},
    // Special-functions page.
    {"lbl_CurveVisualAxis", &L::lbl_CurveVisualAxis},
    {"lbl_curves", &L::lbl_curves},
    {"lbl_osi_curve_s", &L::lbl_osi_curve_s},
    {"osi_zoom_1", &L::osi_zoom},
    {"osi_zoom_knp", &L::lbl_sf_thr_btnn},
    {"osi_devis_1", &L::osi_devis},
    {"osi_redct_1", &L::osi_redct},
    {"lbl_axisbutton", &L::lbl_axisbutton},
    {"lbl_axisbutton_b", &L::lbl_axisbutton_b},
    {"lbl_axisbutton_a", &L::lbl_axisbutton_a},
    {"lbl_axisbutton_l", &L::lbl_axisbutton_l},
    {"lbl_axisbutton_h", &L::lbl_axisbutton_h},
    {"lbl_sf_thr", &L::lbl_sf_thr},
    {"lbl_sf_thr_btnn", &L::lbl_sf_thr_btnn},
    {"lbl_sf_thr_btnm", &L::lbl_sf_thr_btnm},
    {"lbl_sf_thr_asrc", &L::lbl_sf_thr_asrc},
    {"lbl_sf_thr_adst", &L::lbl_sf_thr_adst},
    // Buttons page.
    {"BTN_ClearButtons", &L::lbl_BTN_ClearButtons},
    {"knpautoset", &L::lbl_knpautoset},
    {"lbl_dev_enc", &L::lbl_dev_enc},
    {"lbl_dev_btn", &L::lbl_dev_btn},
    {"lbl_dev_btn_r", &L::lbl_dev_btn_r},
    {"lbl_dev_btn_c", &L::lbl_dev_btn_c},
    {"lbl_dev_btn_sr", &L::lbl_dev_btn_sr},
    {"lbl_btnpar_sft", &L::lbl_btnpar_sft},
    {"lbl_btnpar_tmr", &L::lbl_btnpar_tmr},
    // LED page.
    {"led_ws2811", &L::lbl_rgbled_port},
    {"led_max7219", &L::lbl_digled_port},
    {"lbl_led_defcolor", &L::lbl_led_defcolor},
    {"lbl_led_digbri", &L::lbl_led_digbri},
    // Sensor hub page.
    {"lbl_slv_port", &L::lbl_slv_port},
    {"slv_cnfg_load", &L::lbl_slv_cnfget},
    {"lbl_slv_cnfg", &L::lbl_slv_cnfg},
    {"slv_cnfg_save", &L::lbl_slv_cnfset},
    // Firmware page.
    {"lblFirmwareFile", &L::lbl_firmware},
    {"lbl_dev_mcu", &L::lbl_dev_mcu},
    {"lblBootloader", &L::lblBootloader},
    {"lblPort", &L::lblPort},
    {"BtnGetCPorts", &L::btn_comportlist},
    {"chk_autofirmware", &L::btn_acomportlist},
    {"btnOpenBL", &L::reset_bl},
    {"btnStartFirmware", &L::btnStartFirmware},
    {"btnResetCnf", &L::btnclearmem},
    // Tools row.
    {"BtnDonate", &L::btn_donate},
    {"btn_devmgmt", &L::btn_devmngmt},
    // Calibration window.
    {"TACalBox", &L::lbl_acal_helper},
    {"lbl_axis", &L::lbl_acal_axis},
    {"lbl_axis_crn", &L::lbl_acal_axis_crn},
    {"lbl_axis_min", &L::lbl_acal_axis_min},
    {"lbl_axis_cen", &L::lbl_acal_axis_cen},
    {"lbl_axis_max", &L::lbl_acal_axis_max},
    {"ClrLimits", &L::lbl_acal_bclr},
    {"SetCentr", &L::lbl_acal_bcen},
    {"SetAcal", &L::lbl_acal_bset},
    // About box.
    {"TAboutBox", &L::btn_about},
};

} // namespace

const TRecordLng* chosenLanguage(std::string_view translateText) {
    const std::optional<int> index = languageIndex(translateText);
    return index ? languageRecord(*index) : nullptr;
}

const TRecordLng& startLanguage(std::string_view translateText) {
    if (const TRecordLng* chosen = chosenLanguage(translateText)) {
        return *chosen;
    }
    // The default; English only should the build have embedded a broken
    // Russian table (the tests rule that out).
    const TRecordLng* russian = languageRecord(0);
    return russian ? *russian : englishLanguage();
}

std::optional<std::string> controlCaption(std::string_view control, const TRecordLng& lng) {
    const auto it = std::find_if(std::begin(kCaptions), std::end(kCaptions),
                                 [control](const CaptionDef& c) { return c.control == control; });
    if (it == std::end(kCaptions)) {
        return std::nullopt;
    }
    std::string text = lng.*it->first;
    if (it->second) {
        text.append(it->joiner).append(lng.*it->second).append(it->closing);
    }
    return text;
}

const std::vector<std::string_view>& captionedControls() {
    static const std::vector<std::string_view> names = [] {
        std::vector<std::string_view> list;
        for (const CaptionDef& c : kCaptions) {
            list.push_back(c.control);
        }
        return list;
    }();
    return names;
}

bool listFollowsLanguage(ValueListId id) {
    switch (id) {
    case ValueListId::Source:
    case ValueListId::Acal:
    case ValueListId::ShiftType:
    case ValueListId::Timer:
        return true;
    default:
        return false;
    }
}

CarriedConfiguration::CarriedConfiguration(const ConfigState& state) {
    // The encoder may note a descriptor that is too long in the state it
    // reads; the switch leaves that to the validation after it.
    ConfigState copy = state;
    DescriptorLog log(kDescriptorLogLines);
    m_encoded = ConfigToReport(copy, m_image, log).ok();
}

RulesOutcome CarriedConfiguration::restore(ConfigState& state, const TRecordLng& lng,
                                           bool connected) const {
    if (!m_encoded) {
        return osi_Change(state, lng, connected);
    }
    return ReportToConfig(m_image, state, lng, connected);
}

} // namespace volmar
