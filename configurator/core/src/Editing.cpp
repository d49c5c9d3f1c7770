#include "volmar/core/Editing.h"

#include <array>
#include <utility>

namespace volmar {

namespace {

// '#' in a pattern stands for the row or axis number: one or more digits.
bool matches(std::string_view pattern, std::string_view name) {
    std::size_t p = 0;
    std::size_t n = 0;
    while (p < pattern.size()) {
        if (pattern[p] == '#') {
            const std::size_t start = n;
            while (n < name.size() && name[n] >= '0' && name[n] <= '9')
                ++n;
            if (n == start)
                return false;
            ++p;
            continue;
        }
        if (n >= name.size() || name[n] != pattern[p])
            return false;
        ++p;
        ++n;
    }
    return n == name.size();
}

// Which change of which control starts which rule.
constexpr std::pair<std::string_view, EditRule> kEventTable[] = {
    {"joy_hardware", EditRule::AxisRules},    {"osi_#_src", EditRule::AxisRules},
    {"osi_#_src_port", EditRule::AxisRules},  {"osi_#_src_chnl", EditRule::AxisRules},
    {"osi_#_name", EditRule::AxisRules},      {"osi_#_ms_btn", EditRule::AxisRules},
    {"osi_#_ms_btn_d", EditRule::AxisRules},  {"osi_#_ms_btn_u", EditRule::AxisRules},
    {"osi_#_dzl", EditRule::AxisRules},       {"osi_#_dzc", EditRule::AxisRules},
    {"osi_#_dzh", EditRule::AxisRules},       {"osi_#_dzd", EditRule::AxisRules},
    {"osi_vlsens_clk", EditRule::AxisRules},  {"ab_#_b", EditRule::AxisRules},
    {"sf_thr_bnom", EditRule::AxisRules},     {"osi_#_zm_knp", EditRule::AxisRules},
    {"hw_br_#", EditRule::AxisRules},         {"hw_bc_#", EditRule::AxisRules},
    {"sr_#_len", EditRule::AxisRules},        {"sr_#_prt", EditRule::AxisRules},
    {"sr_#_miso", EditRule::AxisRules},       {"stepper_pa", EditRule::AxisRules},
    {"stepper_pb", EditRule::AxisRules},      {"stepper_pc", EditRule::AxisRules},
    {"stepper_pd", EditRule::AxisRules},      {"slv_port", EditRule::AxisRules},
    {"slv_sof_t", EditRule::AxisRules},       {"slv_type#", EditRule::AxisRules},
    {"ab_#_a", EditRule::Validation},         {"sf_thr_asrc", EditRule::Validation},
    {"sf_thr_adsc", EditRule::Validation},    {"sf_thr_bmod", EditRule::Validation},
    {"btn_shift_#", EditRule::Validation},    {"typ_shift_#", EditRule::Validation},
    {"btn_timer_#", EditRule::Validation},    {"btn_timer_#_mode", EditRule::Validation},
    {"osi_#_zm_spd", EditRule::Validation},   {"osi_#_zm_del", EditRule::Validation},
    {"dev_name", EditRule::LengthLimit},      {"dev_vid", EditRule::LengthLimit},
    {"dev_pid", EditRule::LengthLimit},       {"osi_#_curve_#", EditRule::CurveRedraw},
    {"osi_#_curve_s", EditRule::CurveRedraw}, {"Translate", EditRule::Language},
};

// From slv_sof_a on: the numeric edits of the sensor hub and register tools.
constexpr std::pair<std::string_view, KeyFilter> kKeyFilters[] = {
    {"osi_#_ms_step", KeyFilter::Digits},    {"joy_osi_#_t", KeyFilter::Digits},
    {"joy_osi_#_t_axis", KeyFilter::Digits}, {"adc_error_#", KeyFilter::Digits},
    {"osi_#_acal_min", KeyFilter::Digits},   {"osi_#_acal_cen", KeyFilter::Digits},
    {"osi_#_acal_max", KeyFilter::Digits},   {"ab_#_l", KeyFilter::Digits},
    {"ab_#_h", KeyFilter::Digits},           {"osi_#_zm_del", KeyFilter::Digits},
    {"osi_#_zm_spd", KeyFilter::Digits},     {"dev_vid", KeyFilter::HexDigits},
    {"dev_pid", KeyFilter::HexDigits},       {"dev_name", KeyFilter::UsbName},
    {"slv_sof_a", KeyFilter::Digits},        {"slv_sof", KeyFilter::Digits},
    {"slv_data_len", KeyFilter::Digits},     {"slv_data#", KeyFilter::Digits},
    {"slv_data#_out", KeyFilter::Digits},    {"vltw_adr", KeyFilter::Digits},
    {"vltw_low", KeyFilter::Digits},         {"vltw_hgh", KeyFilter::Digits},
    {"vltw_adr_out", KeyFilter::Digits},     {"vltw_low_out", KeyFilter::Digits},
    {"vltw_hgh_out", KeyFilter::Digits},     {"vltw_reg_out", KeyFilter::Digits},
};

template <typename T, std::size_t N>
T lookup(const std::pair<std::string_view, T> (&table)[N], std::string_view control, T none) {
    for (const auto& [pattern, value] : table) {
        if (matches(pattern, control))
            return value;
    }
    return none;
}

} // namespace

EditRule editRuleFor(std::string_view control) {
    return lookup(kEventTable, control, EditRule::None);
}

KeyFilter keyFilterFor(std::string_view control) {
    return lookup(kKeyFilters, control, KeyFilter::None);
}

bool keyAllowed(KeyFilter filter, char32_t key) {
    switch (filter) {
    case KeyFilter::None:
        return true;
    case KeyFilter::Digits:
        return DigitControl(key);
    case KeyFilter::HexDigits:
        return HexDigitControl(key);
    case KeyFilter::UsbName:
        return dev_nameKeyPress(key);
    }
    return true;
}

FieldValue fieldValue(const FieldDef& field, const ConfigState& state) {
    return std::visit([](auto* member) -> FieldValue { return *member; }, field.get(state));
}

bool setFieldValue(const FieldDef& field, ConfigState& state, const FieldValue& value) {
    const FieldRef ref = field.get(state);
    switch (field.kind) {
    case FieldKind::List:
    case FieldKind::Spin: {
        const int* n = std::get_if<int>(&value);
        if (!n)
            return false;
        const int lo = field.kind == FieldKind::List ? kNoEntry : field.min;
        const int hi = field.kind == FieldKind::List ? field.entries - 1 : field.max;
        if (*n < lo || *n > hi)
            return false;
        *std::get<int*>(ref) = *n;
        return true;
    }
    case FieldKind::Edit:
        if (!std::holds_alternative<std::string>(value))
            return false;
        *std::get<std::string*>(ref) = std::get<std::string>(value);
        return true;
    case FieldKind::Check:
        if (!std::holds_alternative<bool>(value))
            return false;
        *std::get<bool*>(ref) = std::get<bool>(value);
        return true;
    case FieldKind::Colour: {
        const std::uint32_t* rgb = std::get_if<std::uint32_t>(&value);
        if (!rgb || *rgb > static_cast<std::uint32_t>(field.max))
            return false;
        *std::get<std::uint32_t*>(ref) = *rgb;
        return true;
    }
    }
    return false;
}

EditOutcome applyEdit(ConfigState& state, const TRecordLng& lng, bool connected,
                      std::string_view control, const FieldValue& value) {
    EditOutcome out;
    const FieldDef* field = findAnyField(control);
    if (!field || !setFieldValue(*field, state, value))
        return out;
    out.accepted = true;
    out.rule = editRuleFor(control);
    switch (out.rule) {
    case EditRule::AxisRules:
        out.run = osi_Change(state, lng, connected).run;
        break;
    case EditRule::Validation:
        out.run = CheckConfig(state, lng, connected);
        break;
    case EditRule::LengthLimit:
        out.run = dev_vidChange(state, lng, connected);
        break;
    case EditRule::CurveRedraw:
    case EditRule::Language:
    case EditRule::None:
        break;
    }
    return out;
}

} // namespace volmar
