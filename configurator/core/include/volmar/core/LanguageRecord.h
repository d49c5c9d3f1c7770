#pragma once

// The record of every translatable text of the configurator. A language table
// is 178 lines of text, CR LF ended; line i fills the i-th field that tables
// fill at all (five fields are never filled and stay empty). Lines are taken
// exactly as they are: several messages end in a space because the report
// line is built by joining them.

#include "volmar/sysio/Result.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace volmar {

inline constexpr int kLanguageFieldCount = 183;
inline constexpr int kLanguageTableLines = 178;

struct TRecordLng {
    std::string form_header;
    std::string grp_main;
    std::string btnRead_MK;
    std::string btnWrite_MK;
    std::string btnRead_PC;
    std::string btnWrite_PC;
    std::string btn_clr_dev_list;
    std::string plug_msg;
    std::string btnClrConfig;
    std::string grp_joydata;
    std::string lbl_dev_shm;
    std::string lbl_dev_crst;
    std::string lbl_dev_uptime;
    std::string lbl_dev_axe_src;
    std::string lbl_dev_axe_prt;
    std::string lbl_dev_axe_cnl;
    std::string lbl_dev_btn;
    std::string grp_usbparam;
    std::string lbl_usb_name;
    std::string grp_knp;
    std::string lbl_joybtn_1;
    std::string lbl_joybtn_hat;
    std::string lbl_joybtn_up;
    std::string lbl_joybtn_dw;
    std::string lbl_joybtn_lf;
    std::string lbl_joybtn_rt;
    std::string grp_osi;
    std::string osi_log;
    std::string osi_src;
    std::string osi_asgn;
    std::string osi_fltr;
    std::string lbl_osi_invert;
    std::string lbl_osi_offset;
    std::string osi_zoom;
    std::string osi_devis;
    std::string osi_redct;
    std::string osi_relat;
    std::string osi_relat_smin;
    std::string osi_btn_decr;
    std::string osi_btn_rcnt;
    std::string osi_btn_incr;
    std::string lbl_osi_relat;
    std::string lbl_osi_range;
    std::string axis_src_sens;
    std::string axis_src_virt;
    std::string usb_connect;
    std::string cfg_error_1;
    std::string cfg_error_2;
    std::string cfg_error_3;
    std::string cfg_error_4;
    std::string cfg_error_5;
    std::string cfg_error_6;
    std::string cfg_error_7;
    std::string cfg_error_8;
    std::string cfg_error_9;
    std::string cfg_error_a;
    std::string cfg_error_b;
    std::string cfg_error_c;
    std::string cfg_error_d;
    std::string cfg_error_e;
    std::string cfg_error_f;
    std::string cfg_error_g;
    std::string cfg_error_h;
    std::string cfg_error_i;
    std::string cfg_error_j;
    std::string cfg_error_k;
    std::string cfg_error_l;
    std::string cfg_error_m;
    std::string cfg_error_n;
    std::string cfg_error_o; // never filled by a table
    std::string lptime;
    std::string usb_pps;
    std::string a_calibr;
    std::string dev_mlmt;
    std::string dev_mlmt_msg;
    std::string btn_prs;
    std::string btn_rls;
    std::string btn_swt;
    std::string usb_dev_joy;
    std::string usb_joy_two;
    std::string reset_dev;
    std::string axis_src_extsens;
    std::string lbl_dev_ext_axe;
    std::string lbl_dev_enc;
    std::string btn_about;
    std::string lbl_osi_acal;
    std::string a_calibr_on_awc;
    std::string a_calibr_on_awoc;
    std::string a_calibr_on_swc;
    std::string a_calibr_on_swoc;
    std::string reset_bl;
    std::string lbl_firmware;
    std::string lbl_dev_mcu;
    std::string lblBootloader;
    std::string lblPort;
    std::string btnStartFirmware;
    std::string btnclearmem;
    std::string btn_donate;
    std::string btn_comportlist;
    std::string btn_acomportlist;
    std::string btn_devmngmt;
    std::string lbl_dev_btn_r;
    std::string lbl_dev_btn_c;
    std::string lbl_value_axis;
    std::string lbl_tab_frm;
    std::string lbl_osi_ddz;
    std::string lbl_clbrgmr;
    std::string lbl_joytester;
    std::string lbl_joytest_raw;
    std::string lbl_joytest_min;
    std::string lbl_joytest_max;
    std::string lbl_joytest_stp;
    std::string lbl_joytest_fps;
    std::string lbl_joytest_clear;
    std::string lbl_dev_btn_sr;
    std::string lbl_rgbled_port;
    std::string lbl_digled_port;
    std::string lbl_led_defcolor;
    std::string lbl_led_digbri;
    std::string lbl_led_btnget;
    std::string lbl_led_btnset;
    std::string lbl_dev_encpulse;
    std::string lbl_osi_specfunc;
    std::string lbl_CurveVisualAxis;
    std::string lbl_osi_curve_s;
    std::string lbl_curves;
    std::string lbl_osi_ldz;
    std::string lbl_osi_cdz;
    std::string lbl_osi_hdz;
    std::string lbl_sinmin; // never filled by a table
    std::string lbl_sinmax; // never filled by a table
    std::string lbl_cosmin; // never filled by a table
    std::string lbl_cosmax; // never filled by a table
    std::string lbl_prcsn;
    std::string lbl_axisbutton;
    std::string lbl_axisbutton_b;
    std::string lbl_axisbutton_a;
    std::string lbl_axisbutton_l;
    std::string lbl_axisbutton_h;
    std::string lbl_btnpar_sft;
    std::string lbl_btnpar_tmr;
    std::string lbl_btnpar_hwb;
    std::string lbl_btnpar_jyb;
    std::string lbl_mode;
    std::string lbl_btnnrm;
    std::string lbl_btninv;
    std::string lbl_switch;
    std::string lbl_on;
    std::string lbl_off;
    std::string lbl_switch_soft;
    std::string lbl_encoder;
    std::string lbl_BTN_ClearButtons;
    std::string lbl_ys;
    std::string lbl_no;
    std::string lbl_raw;
    std::string lbl_prc;
    std::string lbl_clbr_min;
    std::string lbl_clbr_cnt;
    std::string lbl_clbr_max;
    std::string lbl_link_error;
    std::string lbl_delay;
    std::string lbl_delay_ms;
    std::string lbl_acal_helper;
    std::string lbl_acal_axis;
    std::string lbl_acal_axis_crn;
    std::string lbl_acal_axis_min;
    std::string lbl_acal_axis_cen;
    std::string lbl_acal_axis_max;
    std::string lbl_acal_bclr;
    std::string lbl_acal_bcen;
    std::string lbl_acal_bset;
    std::string lbl_miss_version;
    std::string lbl_slv_port;
    std::string lbl_slv_cnfg;
    std::string lbl_slv_cnfget;
    std::string lbl_slv_cnfset;
    std::string lbl_sf_thr;
    std::string lbl_sf_thr_btnn;
    std::string lbl_sf_thr_btnm;
    std::string lbl_sf_thr_asrc;
    std::string lbl_sf_thr_adst;
    std::string lbl_knpautoset;
    std::string lbl_encsetuperror;

    bool operator==(const TRecordLng&) const = default;
};

// One field of the record: its name, its member and the table line that
// fills it (0 for the five fields no table fills).
struct LanguageFieldDef {
    std::string_view name;
    std::string TRecordLng::*member;
    int line;
    std::string_view english; // the English table's text for it
};

// All 183 fields in record order.
const std::array<LanguageFieldDef, kLanguageFieldCount>& languageFields();

// nullptr when the record has no field of that name.
const LanguageFieldDef* findLanguageField(std::string_view name);

// The record as the built-in English table fills it.
const TRecordLng& englishLanguage();

// Fills a record from a table's text (178 lines, each ended by CR LF; the
// last terminator may be missing). A failure says why; the text is never
// partly applied.
Result<TRecordLng> parseLanguageTable(std::string_view text);

// The table text that parseLanguageTable reads back into `record` (178 lines,
// CR LF); the five never-filled fields are not part of it.
std::string formatLanguageTable(const TRecordLng& record);

} // namespace volmar
